#include "disc/readahead.h"

#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "disc/dirnode.h"
#include "platform/native/testapi.h"
#include "tests/support/testdisc.h"

namespace {

constexpr std::uint32_t kDataSector = 100;
constexpr std::uint32_t kChunks = 16;  // of 64 KiB
// The worker, if any, runs while chunk 10 is delivered: no more than four
// chunks ahead, it has not read the final one yet.
constexpr std::uint32_t kMiddle = 10;

// A chunk read at kSlowDriveRate takes at least this long.
constexpr std::uint64_t kSlowReadMicros = 1300;

// From which chunk on each side is slow, and what the callbacks saw: how
// long each waited since the one before returned, and the threads the
// process ran while chunk kMiddle and the final one were delivered.
struct Sides {
  int driveFrom;
  int targetFrom;
  std::vector<std::uint64_t> waits = {};
  std::uint64_t returned = 0;
  std::size_t threads[2] = {};
};

// Counts threads only where it reads the range's end, or slowed down, and
// counting would not change what is to come: a quick side stays quick.
int Deliver(void* userData, const ExtractChunk* chunk) {
  auto* sides = static_cast<Sides*>(userData);
  const int index = static_cast<int>(chunk->index);
  sides->waits.push_back(
      index == 0 ? 0 : MonotonicMicroseconds() - sides->returned);
  if (index == static_cast<int>(kMiddle)) sides->threads[0] = ThreadCount();
  if (chunk->last) sides->threads[1] = ThreadCount();
  if (index + 1 == sides->driveFrom) nativewin::ThrottleReads(kSlowDriveRate);
  if (index >= sides->targetFrom) WriteToASlowTarget();
  sides->returned = MonotonicMicroseconds();
  return 0;
}

// Chunks first to last of a slow drive were each read in turn, after the
// callback of the chunk before returned.
bool ReadInTurn(const Sides& sides, std::size_t first, std::size_t last) {
  for (std::size_t i = first; i <= last; ++i) {
    if (sides.waits.at(i) < kSlowReadMicros) return false;
  }
  return true;
}

class ReadAhead : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    imagewriter::RawImage raw;
    imagewriter::PutBytes(&raw, SectorToOffset(kDataSector),
                          imagewriter::PatternBytes(3, 0, kChunks * 65536));
    InsertRaw(dir_, raw);
    device_ = OpenE();
  }
  void TearDown() override {
    vepo_closedevice(device_);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
  }

  // Streams chunks of 64 KiB by the rule; the threads there were before.
  std::size_t Stream(Sides& sides, const OverlapRule& rule,
                     std::uint32_t chunks = kChunks) {
    nativewin::ThrottleReads(sides.driveFrom == 0 ? kSlowDriveRate : 0);
    const std::size_t before = ThreadCount();
    const ExtractRequest request{
        static_cast<std::int64_t>(SectorToOffset(kDataSector)), chunks * 65536,
        32, Deliver, &sides};
    void* buffer = AllocBlock(65536);
    EXPECT_EQ(StreamRange(device_, request, static_cast<std::uint8_t*>(buffer),
                          65536, rule),
              0);
    FreeBlock(buffer);
    return before;
  }

  TempDir dir_;
  Device device_;
};

// The rule of copies: a chunk's read and callback of 0.1 ms each, and a
// rest that takes 1 ms at that pace.
constexpr OverlapRule kRule{100, 1000};

TEST_F(ReadAhead, OnlyWhereBothSidesAreSlow) {
  struct Case {
    int driveFrom, targetFrom;
    bool ahead;
  };
  const Case cases[] = {
      {INT_MAX, INT_MAX, false},  // a cached image to the page cache
      {0, INT_MAX, false},        // a drive to the page cache
      {INT_MAX, 0, false},        // a cached image to a slow disk
      {0, 0, true},               // a drive to a slow disk
      {5, 5, true},               // both slow from chunk 5 on
  };
  for (const Case& c : cases) {
    Sides sides{c.driveFrom, c.targetFrom};
    const std::size_t before = Stream(sides, kRule);
    EXPECT_EQ(sides.threads[0] > before, c.ahead) << c.driveFrom;
    // Joined before the final chunk. (A sanitizer may keep a thread of its
    // own from the first one on.)
    const std::size_t last = c.ahead ? sides.threads[0] - 1 : before;
    EXPECT_EQ(sides.threads[1], last) << c.driveFrom;
    if (c.driveFrom == 0 && !c.ahead) {
      EXPECT_TRUE(ReadInTurn(sides, 1, kMiddle));
    }
  }
  // Five slow times in a row, the reads and callbacks of chunks 5 and 6
  // and the read of chunk 7, before the worker reads chunk 8 on.
  Sides later{5, 5};
  Stream(later, kRule);
  EXPECT_TRUE(ReadInTurn(later, 5, 7));
  EXPECT_FALSE(ReadInTurn(later, 8, kChunks - 1));
}

TEST_F(ReadAhead, OnlyWhereTheRestPaysForTheThread) {
  // Both sides take about 1.4 ms a chunk: 13 chunks after the third pay
  // for 10 ms, the 2 after the third of 5 chunks do not.
  Sides sixteen{0, 0};
  const std::size_t before = Stream(sixteen, OverlapRule{100, 10000});
  EXPECT_GT(sixteen.threads[0], before);
  Sides five{0, 0};
  Stream(five, OverlapRule{100, 10000}, 5);
  EXPECT_TRUE(ReadInTurn(five, 1, 4));
  // Nor does a chunk take 5 ms.
  Sides slower{0, 0};
  Stream(slower, OverlapRule{5000, 0});
  EXPECT_TRUE(ReadInTurn(slower, 1, kChunks - 1));
}

}  // namespace
