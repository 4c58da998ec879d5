#include <malloc.h>

#include "platform/win32.h"

void* AllocBlock(std::size_t bytes) {
  if (bytes > kMaxBlockBytes) return nullptr;
  // A zero-byte block is still a valid block.
  return _aligned_malloc(bytes ? bytes : 1, kBlockAlignment);
}

void FreeBlock(void* block) { _aligned_free(block); }
