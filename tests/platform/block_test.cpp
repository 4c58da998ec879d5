// Heap blocks for device reads: alignment, zero sizes, injected failures and
// the live count that leak checks use.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/native/testapi.h"
#include "platform/win32.h"

namespace {

TEST(NativeBlock, BlocksAreAlignedCountedAndFailOnRequest) {
  nativewin::Reset();
  const std::size_t live = nativewin::GetStats().liveBlocks;
  void* empty = AllocBlock(0);
  void* alsoEmpty = AllocBlock(0);
  void* odd = AllocBlock(100);
  void* chunk = AllocBlock(65536);
  for (void* block : {empty, alsoEmpty, odd, chunk}) {
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % kBlockAlignment, 0u);
  }
  EXPECT_NE(empty, alsoEmpty);
  EXPECT_EQ(nativewin::GetStats().liveBlocks, live + 4);

  nativewin::FailAllocationOf(32768);
  EXPECT_EQ(AllocBlock(32768), nullptr);
  void* other = AllocBlock(32769);
  EXPECT_NE(other, nullptr);
  EXPECT_EQ(nativewin::GetStats().liveBlocks, live + 5);

  nativewin::FailAllocationsAbove(4096);
  EXPECT_EQ(AllocBlock(4097), nullptr);
  void* small = AllocBlock(4096);
  EXPECT_NE(small, nullptr);
  FreeBlock(small);

  for (void* block : {empty, alsoEmpty, odd, chunk, other}) FreeBlock(block);
  FreeBlock(nullptr);
  EXPECT_EQ(nativewin::GetStats().liveBlocks, live);
  nativewin::Reset();
}

}  // namespace
