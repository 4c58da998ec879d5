// mkxdvdfs [--layout plain|xgd1|xgd2|xgd3] [--place FILE=SECTOR]...
//          SOURCE_FOLDER IMAGE_FILE
// Writes an XDVDFS image of a folder, plain or as a whole disc. --place
// starts a file's data (FILE '/'-joined from the folder) at that sector of
// the file system or later, with a hole before it.
#include <iostream>
#include <string>
#include <vector>

#include "tools/imagewriter/command.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  return imagewriter::RunMkxdvdfs(args, std::cout, std::cerr);
}
