#include "tools/imagewriter/command.h"

#include "tools/imagewriter/imagewriter.h"

namespace imagewriter {

int RunMkxdvdfs(const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err) {
  WriteOptions options;
  std::vector<std::string> paths;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--layout") {
      paths.push_back(args[i]);
    } else if (++i == args.size() || !ParseLayout(args[i], &options.layout)) {
      paths.clear();
      break;
    }
  }
  if (paths.size() != 2) {
    err << "usage: mkxdvdfs [--layout plain|xgd1|xgd2|xgd3] SOURCE_FOLDER "
           "IMAGE_FILE\n";
    return 2;
  }
  const std::string& folder = paths[0];
  const std::string& image = paths[1];
  TreeNode root;
  LayoutReport report;
  std::string error;
  if (!ReadFolderTree(folder, &root, &error) ||
      !WriteImage(root, image, options, &report, &error)) {
    err << "mkxdvdfs: " << error << "\n";
    return 1;
  }
  out << image << ": " << report.directoryCount + report.fileCount
      << " entries (" << report.directoryCount << " folders, "
      << report.fileCount << " files), " << report.fileBytes
      << " bytes of file data, image " << report.imageSize << " bytes";
  if (report.partitionBase != 0) {
    out << ", file system at byte " << report.partitionBase;
  }
  out << "\n";
  return 0;
}

}  // namespace imagewriter
