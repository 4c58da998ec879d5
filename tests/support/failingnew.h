// A machine short of memory for the plug-in's own objects: while armed,
// every operator new above a size throws std::bad_alloc. The unit tests
// replace the global operator new for this; unarmed it is plain malloc.
#pragma once

#include <cstddef>

// In force until the object goes; small objects are still given.
class FailNewAbove {
 public:
  explicit FailNewAbove(std::size_t bytes);
  ~FailNewAbove();
  FailNewAbove(const FailNewAbove&) = delete;
  FailNewAbove& operator=(const FailNewAbove&) = delete;
};
