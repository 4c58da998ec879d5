// mkxdvdfs [--layout plain|xgd1|xgd2|xgd3] SOURCE_FOLDER IMAGE_FILE: writes
// an XDVDFS image of a folder, plain or as a whole disc.
#include <iostream>
#include <string>
#include <vector>

#include "tools/imagewriter/command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return imagewriter::RunMkxdvdfs(args, std::cout, std::cerr);
}
