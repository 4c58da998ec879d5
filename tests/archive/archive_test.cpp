// The archive plug-in through its entry points, on image files written at
// run time: the headers a host reads, extraction byte for byte with
// progress, cancel, refusals and faults, and hostile trees.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "archive/exports.h"
#include "archive/headers.h"
#include "platform/native/testapi.h"
#include "plugin/cp1252.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::MakeRawEntry;
using imagewriter::TreeNode;

struct Header {
  std::string path;  // wide names as Windows-1252 bytes
  int attributes;
  std::uint64_t size;
  int time;
};

struct Progress {
  std::vector<int> sizes;
  int cancelAt = -1;  // answer 0 at this call
};
Progress gProgress;

int WINAPI RecordBytes(WCHAR*, int size) {
  gProgress.sizes.push_back(size);
  return static_cast<int>(gProgress.sizes.size()) - 1 == gProgress.cancelAt ? 0
                                                                            : 1;
}

WideString Wide(const std::string& text) { return DecodeCp1252(text); }

HANDLE Open(const std::string& image, int* result, int mode = PK_OM_LIST) {
  WideString name = Wide(image);
  tOpenArchiveDataW data{};
  data.ArcName = &name[0];
  data.OpenMode = mode;
  HANDLE handle = OpenArchiveW(&data);
  *result = data.OpenResult;
  return handle;
}

// Every header of an archive, as the host reads them.
std::vector<Header> ListAll(HANDLE archive, int* end) {
  std::vector<Header> headers;
  tHeaderDataExW record;
  while ((*end = ReadHeaderExW(archive, &record)) == 0) {
    headers.push_back(
        Header{FileNameBytes(record), record.FileAttr,
               record.UnpSize | std::uint64_t{record.UnpSizeHigh} << 32,
               record.FileTime});
    EXPECT_EQ(ProcessFileW(archive, PK_SKIP, nullptr, nullptr), 0);
  }
  return headers;
}

// The entries of a written image, pre-order in table order.
void ExpectedHeaders(const imagewriter::LayoutReport& report, int table,
                     const std::string& prefix, std::vector<Header>* out) {
  for (const imagewriter::PlacedEntry& entry : report.tables[table].entries) {
    const bool folder = entry.attributes & imagewriter::kAttrDirectory;
    out->push_back(
        Header{prefix + entry.name, folder ? 0x10 : 0, entry.size, 0});
    if (folder && entry.childTable >= 0) {
      ExpectedHeaders(report, entry.childTable, prefix + entry.name + "\\",
                      out);
    }
  }
}

class Archive : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    gProgress = Progress();
  }
  void TearDown() override {
    EXPECT_EQ(nativewin::GetStats().openHandles, 0);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
  }

  std::string Write(
      const TreeNode& tree,
      imagewriter::DiscLayout layout = imagewriter::DiscLayout::kPlain,
      imagewriter::LayoutReport* report = nullptr, bool pad = true) {
    imagewriter::WriteOptions options;
    options.layout = layout;
    options.padToSector = pad;
    options.timestamp = 126858528000000000ull;  // 2003-01-01 00:00 UTC
    imagewriter::LayoutReport ignored;
    std::string error;
    const std::string image = dir_.File("image" + std::to_string(++n_));
    EXPECT_TRUE(imagewriter::WriteImage(tree, image, options,
                                        report ? report : &ignored, &error))
        << error;
    return image;
  }
  std::string WriteRaw(const imagewriter::RawImage& raw) {
    const std::string image = dir_.File("raw" + std::to_string(++n_));
    std::string error;
    EXPECT_TRUE(imagewriter::SaveRawImage(raw, image, &error)) << error;
    return image;
  }

  // Extracts the current entry to target; the result of ProcessFileW.
  int Extract(HANDLE archive, const std::string& target) {
    WideString name = Wide(target);
    return ProcessFileW(archive, PK_EXTRACT, nullptr, &name[0]);
  }

  TempDir dir_;
  int n_ = 0;
};

TreeNode SampleTree() {
  return imagewriter::MakeDirectory(
      "", {imagewriter::MakePatternFile("readme.txt", 5000, 1),
           imagewriter::MakeDirectory(
               "media", {imagewriter::MakePatternFile("intro.xmv", 70000, 2),
                         imagewriter::MakeDirectory("empty"),
                         imagewriter::MakePatternFile("\x80uro", 0, 3)}),
           imagewriter::MakeZeroFile("big.bin", 0xFFFFF800u)});
}

TEST_F(Archive, HeadersListEveryEntryOncePreOrderWithinTheRecord) {
  imagewriter::LayoutReport report;
  const std::string image =
      Write(SampleTree(), imagewriter::DiscLayout::kPlain, &report);
  std::vector<Header> expected;
  ExpectedHeaders(report, 0, "", &expected);
  int result = -1;
  HANDLE archive = Open(image, &result);
  ASSERT_NE(archive, nullptr);
  EXPECT_EQ(result, 0);
  int end = 0;
  const std::vector<Header> headers = ListAll(archive, &end);
  EXPECT_EQ(end, E_END_ARCHIVE);
  ASSERT_EQ(headers.size(), expected.size());
  const int dosTime = (23 << 25) | (1 << 21) | (1 << 16);
  for (std::size_t i = 0; i < headers.size(); ++i) {
    EXPECT_EQ(headers[i].path, expected[i].path);
    EXPECT_EQ(headers[i].attributes, expected[i].attributes) << headers[i].path;
    if (expected[i].attributes == 0) {
      EXPECT_EQ(headers[i].size, expected[i].size);
    }
    EXPECT_EQ(headers[i].time, dosTime);
  }
  EXPECT_EQ(CloseArchive(archive), 0);

  // The plain and 8-bit records carry the same, and nothing lands past the
  // end of any record.
  archive = Open(image, &result);
  std::vector<std::uint8_t> block(sizeof(tHeaderData) + 64, 0xAB);
  auto* plain = reinterpret_cast<tHeaderData*>(block.data());
  ASSERT_EQ(ReadHeader(archive, plain), 0);
  EXPECT_EQ(std::string(plain->FileName), expected[0].path);
  for (std::size_t i = sizeof(tHeaderData); i < block.size(); ++i) {
    ASSERT_EQ(block[i], 0xAB);
  }
  std::vector<std::uint8_t> exBlock(sizeof(tHeaderDataEx) + 64, 0xAB);
  auto* ex = reinterpret_cast<tHeaderDataEx*>(exBlock.data());
  ASSERT_EQ(ReadHeaderEx(archive, ex), 0);
  EXPECT_EQ(std::string(ex->FileName), expected[1].path);
  for (std::size_t i = sizeof(tHeaderDataEx); i < exBlock.size(); ++i) {
    ASSERT_EQ(exBlock[i], 0xAB);
  }
  CloseArchive(archive);
}

TEST_F(Archive, TimesFitEachHostsForm) {
  const std::uint64_t y2003 = 126858528000000000ull;
  EXPECT_EQ(HeaderTime(y2003, HeaderStyle::kUnix), 1041379200);
  EXPECT_EQ(HeaderTime(y2003, HeaderStyle::kWindows),
            (23 << 25) | (1 << 21) | (1 << 16));
  // Missing, before 1980 and past 2038: 2001-01-01.
  for (const std::uint64_t time : {0ull, 100ull, 150000000000000000ull}) {
    EXPECT_EQ(HeaderTime(time, HeaderStyle::kUnix), 978307200);
  }
}

TEST_F(Archive, ExtractsAndTestsEveryFileByteForByteWithProgress) {
  TreeNode tree = SampleTree();
  tree.children.pop_back();  // the 4 GiB file is the end-to-end tests' job
  for (const auto layout :
       {imagewriter::DiscLayout::kPlain, imagewriter::DiscLayout::kXgd1}) {
    const std::string image = Write(tree, layout);
    for (const int operation : {PK_TEST, PK_EXTRACT}) {
      int result = -1;
      HANDLE archive = Open(image, &result, PK_OM_EXTRACT);
      ASSERT_NE(archive, nullptr);
      SetProcessDataProcW(archive, RecordBytes);
      tHeaderDataExW header;
      int files = 0;
      while (ReadHeaderExW(archive, &header) == 0) {
        if (header.FileAttr & 0x10) {
          EXPECT_EQ(ProcessFileW(archive, operation, nullptr, nullptr), 0);
          continue;
        }
        gProgress.sizes.clear();
        const std::string target = dir_.File("out" + std::to_string(files++));
        if (operation == PK_TEST) {
          EXPECT_EQ(ProcessFileW(archive, PK_TEST, nullptr, nullptr), 0);
        } else {
          ASSERT_EQ(Extract(archive, target), 0);
        }
        std::uint64_t sum = 0;
        for (int size : gProgress.sizes) {
          EXPECT_GT(size, 0);
          sum += size;
        }
        EXPECT_EQ(sum, header.UnpSize);
      }
      EXPECT_EQ(files, 3);
      CloseArchive(archive);
    }
    EXPECT_EQ(ReadWholeFile(dir_.File("out0")),
              ExpectedContent(tree.children[0]));
    EXPECT_EQ(ReadWholeFile(dir_.File("out1")),
              ExpectedContent(tree.children[1].children[0]));
  }
}

// The 8-bit calls, and a target given as DestPath and DestName.
TEST_F(Archive, EightBitCallsJoinDestPathAndName) {
  const TreeNode file = imagewriter::MakePatternFile("f", 3000, 5);
  std::string image = Write(imagewriter::MakeDirectory("", {file}));
  tOpenArchiveData data{};
  data.ArcName = &image[0];
  data.OpenMode = PK_OM_EXTRACT;
  HANDLE archive = OpenArchive(&data);
  ASSERT_NE(archive, nullptr);
  tHeaderDataEx header;
  ASSERT_EQ(ReadHeaderEx(archive, &header), 0);
  std::string separated = dir_.path() + "/";
  std::string bare = dir_.path();
  std::string name = "out";
  EXPECT_EQ(ProcessFile(archive, PK_EXTRACT, &separated[0], &name[0]), 0);
  EXPECT_EQ(ProcessFile(archive, PK_EXTRACT, &bare[0], &name[0]), 0);
  CloseArchive(archive);
  EXPECT_EQ(ReadWholeFile(dir_.File("out")), ExpectedContent(file));
  // This build speaks as the Windows host does: the name beside the folder.
  const std::string joined = dir_.path() + "\\out";
  EXPECT_EQ(ReadWholeFile(joined), ExpectedContent(file));
  std::remove(joined.c_str());
}

// Every failure leaves no file behind and gives the host's code for it.
TEST_F(Archive, CancelAndFaultsRemoveThePartialFile) {
  const TreeNode file = imagewriter::MakePatternFile("f", 200000, 9);
  const std::string image = Write(imagewriter::MakeDirectory("", {file}));
  const std::string target = dir_.File("target");
  const auto extractFirst = [&](int expected) {
    int result = -1;
    HANDLE archive = Open(image, &result, PK_OM_EXTRACT);
    ASSERT_NE(archive, nullptr);
    SetProcessDataProcW(archive, RecordBytes);
    tHeaderDataExW header;
    ASSERT_EQ(ReadHeaderExW(archive, &header), 0);
    EXPECT_EQ(Extract(archive, target), expected);
    CloseArchive(archive);
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
  };

  gProgress.cancelAt = 1;
  extractFirst(E_EABORTED);
  EXPECT_EQ(gProgress.sizes.size(), 2u);  // nothing after the answer 0
  gProgress = Progress();

  const std::uint64_t fileSector =
      imagewriter::kVolumeDescriptorSector + 2;  // after the root table
  nativewin::ZeroReadAtSector(fileSector + 40);
  extractFirst(E_EREAD);
  nativewin::ClearFaults();

  {
    // A full disk: writes beyond 100,000 bytes fail.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit limited = old;
    limited.rlim_cur = 100000;
    auto* handler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    extractFirst(E_EWRITE);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, handler);
  }

  int result = -1;
  HANDLE archive = Open(image, &result, PK_OM_EXTRACT);
  tHeaderDataExW header;
  ASSERT_EQ(ReadHeaderExW(archive, &header), 0);
  EXPECT_EQ(Extract(archive, dir_.File("no/such/folder")), E_ECREATE);
  CloseArchive(archive);

  // A short read only makes the stream read again.
  nativewin::ShortReadAtSector(fileSector, 3000);
  archive = Open(image, &result, PK_OM_EXTRACT);
  ASSERT_EQ(ReadHeaderExW(archive, &header), 0);
  EXPECT_EQ(Extract(archive, target), 0);
  CloseArchive(archive);
  EXPECT_EQ(ReadWholeFile(target), ExpectedContent(file));
}

TEST_F(Archive, ImagesEndingMidSectorOrCutShortReadLikeADisc) {
  const TreeNode file = imagewriter::MakePatternFile("f", 5000, 4);
  const std::string image =
      Write(imagewriter::MakeDirectory("", {file}),
            imagewriter::DiscLayout::kPlain, nullptr, false);
  const std::string target = dir_.File("t");
  int result = -1;
  HANDLE archive = Open(image, &result, PK_OM_EXTRACT);
  tHeaderDataExW header;
  ASSERT_EQ(ReadHeaderExW(archive, &header), 0);
  EXPECT_EQ(Extract(archive, target), 0);
  CloseArchive(archive);
  EXPECT_EQ(ReadWholeFile(target), ExpectedContent(file));

  // Cut inside the file: a read error, and no file.
  ASSERT_EQ(truncate(image.c_str(), 0x11000 + 3000), 0);
  archive = Open(image, &result, PK_OM_EXTRACT);
  ASSERT_EQ(ReadHeaderExW(archive, &header), 0);
  EXPECT_EQ(Extract(archive, target), E_EREAD);
  CloseArchive(archive);
  EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Archive, OpensAndDetectsXboxImagesOnly) {
  const TreeNode tree =
      imagewriter::MakeDirectory("", {imagewriter::MakeZeroFile("z", 10)});
  const std::string zeros = dir_.File("zeros");
  WriteWholeFile(zeros, std::string(0x20000, '\0'));
  const std::string empty = dir_.File("empty");
  WriteWholeFile(empty, "");
  struct Case {
    std::string image;
    bool xbox;
    int openResult;
  };
  const std::vector<Case> cases = {
      {Write(tree), true, 0},
      {Write(tree, imagewriter::DiscLayout::kXgd2), true, 0},
      {Write(tree, imagewriter::DiscLayout::kXgd3), true, 0},
      {zeros, false, E_UNKNOWN_FORMAT},
      {empty, false, E_UNKNOWN_FORMAT},
      {dir_.File("missing"), false, E_EOPEN},
      {dir_.path(), false, E_EOPEN}};
  for (const Case& c : cases) {
    nativewin::ResetStats();
    WideString name = Wide(c.image);
    EXPECT_EQ(CanYouHandleThisFileW(&name[0]), c.xbox ? TRUE : FALSE)
        << c.image;
    EXPECT_LE(nativewin::GetStats().reads.size(), 4u);
    // Through the system's cache: a 4096-byte-sector disk refuses
    // unbuffered reads at 2048-byte positions.
    EXPECT_EQ(nativewin::GetStats().opens.at(0).flags & FILE_FLAG_NO_BUFFERING,
              0u);
    int result = -1;
    HANDLE archive = Open(c.image, &result);
    EXPECT_EQ(result, c.openResult) << c.image;
    EXPECT_EQ(archive != nullptr, c.xbox);
    if (archive) CloseArchive(archive);
  }
  // The root table unreadable.
  nativewin::ZeroReadAtSector(imagewriter::kVolumeDescriptorSector + 1);
  int result = -1;
  EXPECT_EQ(Open(cases[0].image, &result), nullptr);
  EXPECT_EQ(result, E_BAD_ARCHIVE);
}

TEST_F(Archive, HostileTreesEndInABoundedListing) {
  constexpr std::uint8_t kDir = imagewriter::kAttrDirectory;
  constexpr std::uint32_t kRoot = imagewriter::kVolumeDescriptorSector + 1;
  // A folder holding the root, one holding itself, one whose table lies
  // beyond the end, names that are paths, and a chain deeper than any
  // host path.
  imagewriter::RawImage raw = imagewriter::RawDiscWithRoot(
      {MakeRawEntry("root", kDir, kRoot, 2048),
       MakeRawEntry("self", kDir, 40, 2048),
       MakeRawEntry("far", kDir, 0xFFFFFFF0u, 2048),
       MakeRawEntry("..", kDir, 40, 2048), MakeRawEntry("a/b", 0, 41, 1),
       MakeRawEntry("deep", kDir, 100, 2048)});
  imagewriter::PutBytes(
      &raw, 40ull * 2048,
      imagewriter::LayoutTable({MakeRawEntry("self", kDir, 40, 2048)}).bytes);
  for (std::uint32_t level = 0; level < 300; ++level) {
    imagewriter::PutBytes(
        &raw, (100ull + level) * 2048,
        imagewriter::LayoutTable({MakeRawEntry("dir", kDir, 101 + level, 2048)})
            .bytes);
  }
  const std::string image = WriteRaw(raw);
  int result = -1;
  HANDLE archive = Open(image, &result);
  ASSERT_NE(archive, nullptr);
  std::vector<std::string> paths;
  tHeaderDataExW header;
  int read = 0;
  int failures = 0;
  while ((read = ReadHeaderExW(archive, &header)) != E_END_ARCHIVE) {
    if (read == E_BAD_DATA) {
      ++failures;
      continue;
    }
    ASSERT_EQ(read, 0);
    paths.push_back(FileNameBytes(header));
  }
  CloseArchive(archive);
  EXPECT_EQ(failures, 1);  // "far", and the walk went on
  ASSERT_GE(paths.size(), 5u);
  EXPECT_EQ(
      std::vector<std::string>(paths.begin(), paths.begin() + 5),
      (std::vector<std::string>{"root", "self", "self\\self", "far", "deep"}));
  // "deep" and "\\dir" 254 times fill 1020 of the 1023 units.
  EXPECT_EQ(paths.size(), 5u + 254u);
  EXPECT_LE(paths.back().size(), 1023u);
}

}  // namespace
