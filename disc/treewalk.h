// A walk of a mounted disc's whole tree: every entry once, pre-order, in
// table order within a folder, each with its path from the root. Only the
// tables on the way down to the current entry are held in memory.
//
// Bounded against hostile discs: a folder whose table the walk has already
// entered (a cycle, or folders sharing a table) is handed out but not
// entered again, so no table is read twice; an entry whose name cannot
// stand in a path (IsSafeName), or whose path would be longer than
// kMaxWalkPath, is left out with everything below it, which also bounds the
// depth.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "disc/device.h"
#include "disc/dirnode.h"
#include "platform/win32.h"

// The longest path a host record takes, in bytes (one byte is one unit on
// the wide side).
constexpr std::size_t kMaxWalkPath = 1023;

struct WalkFrame {
  std::vector<DirNode> entries;
  std::size_t next = 0;
  std::size_t pathLength = 0;  // of the folder's own path and a separator
};

struct TreeWalk {
  Device device;
  char separator = '/';
  std::vector<WalkFrame> frames;
  std::set<std::uint32_t> tablesEntered;
  // The entry last handed out; valid until the next step.
  const DirNode* current = nullptr;
  std::string path;
};

// Results of vepo_walknext.
constexpr int kWalkNext = 0;
constexpr int kWalkEnd = 1;
// The table of the folder handed out last could not be read (or held);
// the walk can go on past it.
constexpr int kWalkTableFailed = 2;

// Starts at the children of root, a mounted disc's loaded root (vepo_mount),
// whose entries the walk takes over.
void vepo_startwalk(TreeWalk& walk, const Device& device, DirNode&& root,
                    char separator);

// Moves to the next entry: walk.current and walk.path. Enters the folder
// handed out last first, reading its table.
int vepo_walknext(TreeWalk& walk);
