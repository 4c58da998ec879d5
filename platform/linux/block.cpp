#include <cstdlib>

#include "platform/win32.h"

void* AllocBlock(std::size_t bytes) {
  void* block = nullptr;
  // A zero-byte block is still a valid block.
  if (posix_memalign(&block, kBlockAlignment, bytes ? bytes : 1) != 0) {
    return nullptr;
  }
  return block;
}

void FreeBlock(void* block) { std::free(block); }
