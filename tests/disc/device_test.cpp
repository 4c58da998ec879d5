#include "disc/device.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "disc/dirnode.h"
#include "platform/native/testapi.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::PatternBytes;

constexpr std::uint32_t kDataSector = 100;

struct Delivered {
  std::vector<std::uint32_t> lengths;
  std::vector<std::uint8_t> lasts;
  std::vector<std::uint32_t> indexes;
  std::string bytes;
  int stopAt = -1;
  int stopValue = 1;
};

int Collect(void* userData, const ExtractChunk* chunk) {
  auto* out = static_cast<Delivered*>(userData);
  out->lengths.push_back(chunk->length);
  out->lasts.push_back(chunk->last);
  out->indexes.push_back(chunk->index);
  out->bytes.append(reinterpret_cast<const char*>(chunk->data), chunk->length);
  return static_cast<int>(chunk->index) == out->stopAt ? out->stopValue : 0;
}

std::vector<DWORD> ReadSizes() {
  std::vector<DWORD> sizes;
  for (const auto& read : nativewin::GetStats().reads)
    sizes.push_back(read.requested);
  return sizes;
}

class ExtractStream : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    imagewriter::RawImage raw;
    // 1 MiB of patterned data from sector 100 on; the image ends with it.
    imagewriter::PutBytes(&raw, SectorToOffset(kDataSector),
                          PatternBytes(7, 0, kImageData));
    InsertRaw(dir_, raw);
    device_ = OpenE();
    nativewin::ResetStats();
    // Ranges of more than two chunks go on to read ahead.
    nativewin::ThrottleReads(kSlowDriveRate);
  }
  void TearDown() override {
    vepo_closedevice(device_);
    EXPECT_EQ(nativewin::GetStats().misalignedReads, 0);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
  }

  int Extract(std::uint32_t byteCount, std::uint32_t chunkSectors,
              Delivered& out,
              std::uint64_t offset = SectorToOffset(kDataSector)) {
    const ExtractRequest request{static_cast<std::int64_t>(offset), byteCount,
                                 chunkSectors, Collect, &out};
    return vepo_extractdata(device_, &request);
  }

  static constexpr std::uint32_t kImageData = 1 << 20;
  TempDir dir_;
  Device device_;
};

TEST_F(ExtractStream, ReadsOnlyTheSectorsThatHoldTheRange) {
  struct Case {
    std::uint32_t byteCount;
    std::uint32_t chunkSectors;
    std::vector<DWORD> reads;
    std::vector<std::uint32_t> chunks;
  };
  const std::vector<Case> cases = {
      {100, 16, {2048}, {100}},
      {4096, 32, {4096}, {4096}},
      {4097, 32, {6144}, {4097}},
      {32768, 16, {32768}, {32768}},
      {65536, 32, {65536}, {65536}},
      {69632, 32, {65536, 4096}, {65536, 4096}},
      {70000, 32, {65536, 6144}, {65536, 4464}},
      {70000, 16, {32768, 32768, 6144}, {32768, 32768, 4464}},
  };
  for (const Case& c : cases) {
    nativewin::ResetStats();
    Delivered out;
    EXPECT_EQ(Extract(c.byteCount, c.chunkSectors, out), 0) << c.byteCount;
    EXPECT_EQ(ReadSizes(), c.reads) << c.byteCount;
    EXPECT_EQ(out.lengths, c.chunks) << c.byteCount;
    EXPECT_EQ(out.lasts.back(), 1) << c.byteCount;
    for (std::size_t i = 0; i + 1 < out.lasts.size(); ++i)
      EXPECT_EQ(out.lasts[i], 0);
    for (std::size_t i = 0; i < out.indexes.size(); ++i)
      EXPECT_EQ(out.indexes[i], i);
    // Every read is positioned first, even where the last one left off.
    EXPECT_EQ(nativewin::GetStats().seeks, static_cast<int>(c.reads.size()));
    const auto expected = PatternBytes(7, 0, c.byteCount);
    EXPECT_EQ(out.bytes, std::string(expected.begin(), expected.end()));
  }
}

TEST_F(ExtractStream, EmptyRangeDeliversOneEmptyFinalChunkWithoutReading) {
  Delivered out;
  // Even far past the end of the image, as 0-byte files are often placed.
  EXPECT_EQ(Extract(0, 32, out, SectorToOffset(1u << 30)), 0);
  EXPECT_EQ(out.lengths, std::vector<std::uint32_t>{0});
  EXPECT_EQ(out.lasts, std::vector<std::uint8_t>{1});
  EXPECT_TRUE(nativewin::GetStats().reads.empty());
}

TEST_F(ExtractStream, RangeEndingAtTheImagesLastByteNeedsNoFurtherSector) {
  Delivered out;
  const std::uint64_t start =
      SectorToOffset(kDataSector) + kImageData - 65536 - 4096;
  EXPECT_EQ(Extract(65536 + 4096, 32, out, start), 0);
  EXPECT_EQ(out.lengths, (std::vector<std::uint32_t>{65536, 4096}));
}

TEST_F(ExtractStream, CallbackStopEndsTheStreamWithItsValue) {
  // 16 chunks; at most the worker's four buffers are read beyond the chunk
  // that stopped.
  for (int stopAt : {0, 7, 15}) {
    nativewin::ResetStats();
    Delivered out;
    out.stopAt = stopAt;
    out.stopValue = 7;
    EXPECT_EQ(Extract(kImageData, 32, out), 7) << stopAt;
    EXPECT_EQ(out.lengths.size(), static_cast<std::size_t>(stopAt + 1));
    EXPECT_LE(nativewin::GetStats().reads.size(),
              std::min<std::size_t>(16, stopAt + 1 + 4));
  }
}

// The callback of the final chunk may read the device itself, as a copy
// checks that the disc is still the one mounted: no read of the stream
// runs or follows by then.
struct FinalRead {
  Device device;
  std::size_t readsBefore = 0;
  std::string bytes;
  std::vector<std::size_t> threads;
};

int ReadOnFinalChunk(void* userData, const ExtractChunk* chunk) {
  auto* final = static_cast<FinalRead*>(userData);
  final->threads.push_back(ThreadCount());
  if (!chunk->last) return 0;
  final->readsBefore = nativewin::GetStats().reads.size();
  void* block = AllocBlock(kSectorSize);
  DWORD got = 0;
  if (vepo_seek(final->device, SectorToOffset(kDataSector)) == 0)
    ReadFile(final->device.handle, block, kSectorSize, &got, nullptr);
  final->bytes.assign(static_cast<const char*>(block), got);
  FreeBlock(block);
  return 0;
}

TEST_F(ExtractStream, TheFinalChunksCallbackHasTheDeviceToItself) {
  FinalRead final{device_, 0, {}, {}};
  const std::size_t threads = ThreadCount();
  const ExtractRequest request{
      static_cast<std::int64_t>(SectorToOffset(kDataSector)), kImageData, 32,
      ReadOnFinalChunk, &final};
  EXPECT_EQ(vepo_extractdata(device_, &request), 0);
  EXPECT_EQ(final.readsBefore, 16u);
  // Two chunks were read in turn, to judge the drive; the worker read the
  // rest and was gone by the final one. (A sanitizer may start a thread of
  // its own with the first one.)
  ASSERT_EQ(final.threads.size(), 16u);
  EXPECT_EQ(final.threads[0], threads);
  EXPECT_GT(final.threads[1], threads);
  EXPECT_EQ(final.threads[14], final.threads[1]);
  EXPECT_EQ(final.threads[15], final.threads[1] - 1);
  EXPECT_EQ(nativewin::GetStats().reads.size(), 17u);
  const auto expected = PatternBytes(7, 0, kSectorSize);
  EXPECT_EQ(final.bytes, std::string(expected.begin(), expected.end()));
}

TEST_F(ExtractStream, FailuresKeepWhatWasDeliveredAndStop) {
  // The third chunk, which the worker reads: the two before are delivered.
  const std::vector<std::uint32_t> before = {65536, 65536};
  Delivered zeroRead;
  nativewin::ZeroReadAtSector(kDataSector + 64);
  EXPECT_EQ(Extract(300000, 32, zeroRead), kExtractReadFailed);
  EXPECT_EQ(zeroRead.lengths, before);
  nativewin::ClearFaults();

  Delivered seekFails;
  nativewin::FailSeekTo(SectorToOffset(kDataSector + 64));
  nativewin::ThrottleReads(kSlowDriveRate);
  EXPECT_EQ(Extract(300000, 32, seekFails), kExtractSeekFailed);
  EXPECT_EQ(seekFails.lengths, before);
  nativewin::ClearFaults();

  nativewin::ResetStats();
  Delivered noBuffer;
  nativewin::FailAllocationOf(65536);
  EXPECT_EQ(Extract(200000, 32, noBuffer), kExtractNoMemory);
  EXPECT_TRUE(noBuffer.lengths.empty());
  EXPECT_EQ(nativewin::GetStats().seeks, 0);
  EXPECT_TRUE(nativewin::GetStats().reads.empty());
}

TEST_F(ExtractStream, ShortReadIsNotCountedTwice) {
  // A read that stops inside a sector: the next pass reads that sector again
  // and delivers only what is new.
  nativewin::ShortReadAtSector(kDataSector, 3000);
  Delivered out;
  EXPECT_EQ(Extract(10000, 16, out), 0);
  const auto expected = PatternBytes(7, 0, 10000);
  EXPECT_EQ(out.bytes, std::string(expected.begin(), expected.end()));
}

TEST_F(ExtractStream, ReachesPastFourGibibytes) {
  imagewriter::RawImage raw;
  const std::uint32_t farSector = 3'000'000;  // about 5.7 GiB in
  imagewriter::PutBytes(&raw, SectorToOffset(farSector),
                        PatternBytes(9, 0, 4096));
  vepo_closedevice(device_);
  nativewin::Reset();
  InsertRaw(dir_, raw);
  device_ = OpenE();
  Delivered out;
  EXPECT_EQ(Extract(4096, 32, out, SectorToOffset(farSector)), 0);
  const auto expected = PatternBytes(9, 0, 4096);
  EXPECT_EQ(out.bytes, std::string(expected.begin(), expected.end()));
}

TEST_F(ExtractStream, EverySeekCountsFromTheDevicesOwnBase) {
  const std::uint64_t base = SectorToOffset(kDataSector - 4);
  device_.base = base;
  Delivered out;
  EXPECT_EQ(Extract(5000, 16, out, SectorToOffset(4)), 0);
  const auto expected = PatternBytes(7, 0, 5000);
  EXPECT_EQ(out.bytes, std::string(expected.begin(), expected.end()));
  EXPECT_EQ(nativewin::GetStats().reads[0].offset, SectorToOffset(kDataSector));

  // Any number of devices carry bases at once, each its own; a handle value
  // the system hands out again brings no base with it.
  std::vector<Device> more;
  for (std::uint64_t i = 0; i < 20; ++i) {
    more.push_back(OpenE());
    more.back().base = base - SectorToOffset(i);
  }
  for (std::uint64_t i = 0; i < more.size(); ++i) {
    nativewin::ResetStats();
    Delivered each;
    const ExtractRequest request{static_cast<std::int64_t>(SectorToOffset(4)),
                                 16, 16, Collect, &each};
    EXPECT_EQ(vepo_extractdata(more[i], &request), 0);
    EXPECT_EQ(nativewin::GetStats().reads[0].offset,
              SectorToOffset(kDataSector - i));
  }
  for (Device& device : more) vepo_closedevice(device);
  EXPECT_EQ(more.back().handle, nullptr);
  EXPECT_EQ(more.back().base, 0u);
}

TEST(Device, OpensReadOnlyUnbufferedSharedAndReportsAbsenceAsNull) {
  nativewin::Reset();
  EXPECT_EQ(vepo_opendevice("\\\\.\\Q:").handle, nullptr);
  ASSERT_EQ(nativewin::GetStats().opens.size(), 1u);
  const auto& open = nativewin::GetStats().opens[0];
  EXPECT_EQ(open.access, GENERIC_READ);
  EXPECT_EQ(open.share, FILE_SHARE_READ | FILE_SHARE_WRITE);
  EXPECT_EQ(open.disposition, OPEN_EXISTING);
  EXPECT_EQ(open.flags, 0x20000001u);
  Device none;
  vepo_closedevice(none);
  EXPECT_EQ(nativewin::GetStats().closes, 0);
}

}  // namespace
