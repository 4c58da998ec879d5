#include <cstdlib>

#include "platform/native/state.h"
#include "platform/win32.h"

void* AllocBlock(std::size_t bytes) {
  nativewin::NativeState& state = nativewin::State();
  if (bytes > kMaxBlockBytes ||
      state.faults.failAllocationOf.count(bytes) != 0 ||
      bytes > state.faults.allocationLimit) {
    return nullptr;
  }
  void* block = nullptr;
  // A zero-byte block is still a valid block.
  if (posix_memalign(&block, kBlockAlignment, bytes ? bytes : 1) != 0) {
    return nullptr;
  }
  ++state.stats.liveBlocks;
  return block;
}

void FreeBlock(void* block) {
  if (block == nullptr) return;
  std::free(block);
  --nativewin::State().stats.liveBlocks;
}
