#include "path/filelookup.h"

#include <string>

#include "disc/tree.h"
#include "path/hostpath.h"

int FindParentDirectory(const char* dirPath, DriveCache& drives,
                        std::vector<DirNode>& children) {
  std::string first;
  SplitFirstComponent(dirPath, first);
  const char* remaining = PathAfterDrive(dirPath);
  std::string driveName;
  if (!GetDriveName(first.c_str(), driveName)) return kParentNoDriveName;
  DirNode* root = nullptr;
  const Device* device = OpenDrive(drives, driveName.c_str(), &root);
  if (!device) return kParentDriveUnavailable;
  DirNode directory;
  if (vepo_getupdatedirsubtree(*device, *root, remaining, 0, &directory,
                               nullptr) != kWalkFound) {
    return kParentWalkFailed;
  }
  children = std::move(directory.children);
  return kParentFound;
}

int FindFileNode(const char* path, DriveCache& drives, DirNode& node) {
  std::string directory;
  std::string name;
  SplitDirAndName(path, &directory, &name);
  std::vector<DirNode> children;
  if (FindParentDirectory(directory.c_str(), drives, children) !=
      kParentFound) {
    return kFileNoDirectory;
  }
  for (DirNode& child : children) {
    if (child.name == name) {
      node = std::move(child);
      return kFileFound;
    }
  }
  return kFileNoSuchEntry;
}
