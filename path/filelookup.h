// Finding the node of a file on a disc from its full path (E:\dir\file).
#pragma once

#include <vector>

#include "disc/dirnode.h"
#include "disc/drivecache.h"

constexpr int kParentFound = 0;
constexpr int kParentNoDriveName = 1;
constexpr int kParentDriveUnavailable = 2;
constexpr int kParentWalkFailed = 3;

// 0 and children := copies of the entries of the directory dirPath names.
int FindParentDirectory(const char* dirPath, DriveCache& drives,
                        std::vector<DirNode>& children);

constexpr int kFileFound = 0;
constexpr int kFileNoSuchEntry = 1;
constexpr int kFileNoDirectory = 2;

// 0 and node := a copy of the entry that path names; node untouched on
// failure.
int FindFileNode(const char* path, DriveCache& drives, DirNode& node);
