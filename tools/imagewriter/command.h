// The mkxdvdfs command, callable in-process so tests can run it.
#ifndef TOOLS_IMAGEWRITER_COMMAND_H_
#define TOOLS_IMAGEWRITER_COMMAND_H_

#include <ostream>
#include <string>
#include <vector>

namespace imagewriter {

// args are the command's arguments without the program name. Returns the
// exit status: 0 done, 1 failed, 2 wrong usage.
int RunMkxdvdfs(const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err);

}  // namespace imagewriter

#endif  // TOOLS_IMAGEWRITER_COMMAND_H_
