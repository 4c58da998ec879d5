#include "tools/imagewriter/command.h"

#include "tools/imagewriter/imagewriter.h"

namespace imagewriter {

int RunMkxdvdfs(const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err) {
  if (args.size() != 2) {
    err << "usage: mkxdvdfs SOURCE_FOLDER IMAGE_FILE\n";
    return 2;
  }
  const std::string& folder = args[0];
  const std::string& image = args[1];
  TreeNode root;
  LayoutReport report;
  std::string error;
  if (!ReadFolderTree(folder, &root, &error) ||
      !WriteImage(root, image, WriteOptions(), &report, &error)) {
    err << "mkxdvdfs: " << error << "\n";
    return 1;
  }
  out << image << ": " << report.directoryCount + report.fileCount
      << " entries (" << report.directoryCount << " folders, "
      << report.fileCount << " files), " << report.fileBytes
      << " bytes of file data, image " << report.imageSize << " bytes\n";
  return 0;
}

}  // namespace imagewriter
