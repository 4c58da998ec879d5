#include "tools/imagewriter/command.h"

#include <cstdlib>

#include "tools/imagewriter/imagewriter.h"

namespace imagewriter {

namespace {

constexpr char kUsage[] =
    "usage: mkxdvdfs [--layout plain|xgd1|xgd2|xgd3] [--place FILE=SECTOR]... "
    "SOURCE_FOLDER IMAGE_FILE\n";

// A file of the source whose data is to start at a sector or later.
struct Placement {
  std::string path;  // '/'-joined, from the source folder
  uint32_t sector = 0;
};

struct Arguments {
  WriteOptions options;
  std::vector<Placement> placements;
  std::vector<std::string> paths;
};

bool ParsePlacement(const std::string& text, Placement* placement) {
  const size_t equals = text.rfind('=');
  if (equals == std::string::npos || equals == 0) return false;
  const std::string number = text.substr(equals + 1);
  char* end = nullptr;
  const unsigned long long sector = std::strtoull(number.c_str(), &end, 10);
  if (number.empty() || *end != '\0' || sector > UINT32_MAX) return false;
  *placement = {text.substr(0, equals), static_cast<uint32_t>(sector)};
  return true;
}

bool ParseArguments(const std::vector<std::string>& args, Arguments* parsed) {
  for (size_t i = 0; i < args.size(); ++i) {
    const bool takesValue = args[i] == "--layout" || args[i] == "--place";
    if (!takesValue) {
      parsed->paths.push_back(args[i]);
      continue;
    }
    if (i + 1 == args.size()) return false;
    const std::string& value = args[++i];
    if (args[i - 1] == "--layout") {
      if (!ParseLayout(value, &parsed->options.layout)) return false;
    } else {
      parsed->placements.emplace_back();
      if (!ParsePlacement(value, &parsed->placements.back())) return false;
    }
  }
  return parsed->paths.size() == 2;
}

TreeNode* FindFile(TreeNode* folder, const std::string& path) {
  const size_t slash = path.find('/');
  const std::string first = path.substr(0, slash);
  for (TreeNode& child : folder->children) {
    if (child.name != first) continue;
    if (slash == std::string::npos) return child.isDirectory ? nullptr : &child;
    if (child.isDirectory) return FindFile(&child, path.substr(slash + 1));
  }
  return nullptr;
}

bool ApplyPlacements(const std::vector<Placement>& placements, TreeNode* root,
                     std::string* error) {
  for (const Placement& placement : placements) {
    TreeNode* file = FindFile(root, placement.path);
    if (!file) {
      *error = "no such file to place: " + placement.path;
      return false;
    }
    file->earliestSector = placement.sector;
  }
  return true;
}

}  // namespace

int RunMkxdvdfs(const std::vector<std::string>& args, std::ostream& out,
                std::ostream& err) {
  Arguments parsed;
  if (!ParseArguments(args, &parsed)) {
    err << kUsage;
    return 2;
  }
  const std::string& folder = parsed.paths[0];
  const std::string& image = parsed.paths[1];
  TreeNode root;
  LayoutReport report;
  std::string error;
  if (!ReadFolderTree(folder, &root, &error) ||
      !ApplyPlacements(parsed.placements, &root, &error) ||
      !WriteImage(root, image, parsed.options, &report, &error)) {
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
