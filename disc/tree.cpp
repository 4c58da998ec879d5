#include "disc/tree.h"

#include <vector>

#include "disc/format.h"
#include "disc/partition.h"
#include "path/hostpath.h"

int vepo_mount(Device& device, DirNode& root, std::uint64_t* volumeTime,
               DescriptorSector* descriptor) {
  Extent extent;
  if (vepo_findpartition(device, &extent, volumeTime, descriptor) != 0) {
    return 1;
  }
  root.leftOffset = 0;
  root.rightOffset = 0;
  root.startSector = extent.startSector;
  root.size = extent.size;
  root.attributes = kDirectoryAttribute;
  root.nameLength = 0;
  root.name.clear();
  root.byteOffset = extent.byteOffset;
  root.childrenLoaded = true;
  if (vepo_readdirtable(device, extent, root.children) != 0) return 2;
  return 0;
}

namespace {

int LoadChildren(const Device& device, DirNode& node, std::int32_t flags) {
  if (node.childrenLoaded && !(flags & kWalkReload)) return kWalkFound;
  if (flags & kWalkNoReads) return kWalkReadForbidden;
  Extent extent;
  vepo_nodeextent(node, &extent);
  std::vector<DirNode> children;
  if (vepo_readdirtable(device, extent, children) != 0) return kWalkReadFailed;
  node.children = std::move(children);
  node.childrenLoaded = true;
  return kWalkFound;
}

DirNode* FindSubdirectory(DirNode& node, const std::string& name) {
  for (DirNode& child : node.children) {
    if (IsDirectory(child) && child.name == name) return &child;
  }
  return nullptr;
}

}  // namespace

int vepo_getupdatedirsubtree(const Device& device, DirNode& node,
                             const char* path, std::int32_t flags,
                             DirNode* outNode, std::string* outPath) {
  int result = LoadChildren(device, node, flags);
  if (result == kWalkFound && path[0] != '\0') {
    std::string first;
    std::string rest;
    SplitFirstComponent(path, first, &rest);
    if (DirNode* child = FindSubdirectory(node, first)) {
      return vepo_getupdatedirsubtree(device, *child, rest.c_str(), flags,
                                      outNode, outPath);
    }
    result = kWalkNoSuchDirectory;
  }
  if (outNode) *outNode = node;
  if (outPath) *outPath = path;
  return result;
}
