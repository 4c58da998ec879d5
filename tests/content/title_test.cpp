// The content plug-in through its entry points, on images written at run
// time holding crafted executables: every field of XBE and XEX discs, plain
// and whole-disc, the reads each image costs, and every bad input.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "content/exports.h"
#include "platform/native/testapi.h"
#include "plugin/titlefields.h"
#include "tests/support/executables.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::TreeNode;

using Answer = FieldAnswer;

Answer Ask(const std::string& path, FieldIndex field, bool wide = true) {
  return AskField(ContentGetValue, wide ? ContentGetValueW : nullptr, path,
                  static_cast<int>(field));
}

class ContentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    ContentPluginUnloading();
  }
  void TearDown() override {
    ContentPluginUnloading();
    EXPECT_EQ(nativewin::GetStats().openHandles, 0);
    EXPECT_EQ(nativewin::GetStats().liveBlocks, 0u);
  }

  // An image whose root holds the executable under name, among others.
  std::string Image(
      const std::string& name, const Bytes& executable,
      imagewriter::DiscLayout layout = imagewriter::DiscLayout::kPlain,
      imagewriter::LayoutReport* report = nullptr) {
    return WriteGameImage(dir_, name, executable, layout, report);
  }

  std::string File(const std::string& bytes) {
    const std::string path = dir_.File("file" + std::to_string(++files_));
    WriteWholeFile(path, bytes);
    return path;
  }

  void ExpectAllEmpty(const std::string& path, int type = ft_fieldempty) {
    for (int i = 0; i <= static_cast<int>(FieldIndex::kPlatform); ++i) {
      EXPECT_EQ(Ask(path, static_cast<FieldIndex>(i)).type, type)
          << path << " field " << i;
    }
  }

  // A bad executable still names the platform; nothing else is made up.
  void ExpectOnlyPlatform(const std::string& path, const char* platform) {
    const Answer answer = Ask(path, FieldIndex::kPlatform);
    EXPECT_EQ(answer.type, ft_string);
    EXPECT_EQ(answer.text, platform);
    for (FieldIndex field :
         {FieldIndex::kTitle, FieldIndex::kTitleId, FieldIndex::kRegion,
          FieldIndex::kDisc, FieldIndex::kVersion}) {
      EXPECT_EQ(Ask(path, field).type, ft_fieldempty)
          << static_cast<int>(field);
    }
  }

  TempDir dir_;
  int files_ = 0;
};

TEST_F(ContentTest, XbeFieldsOfPlainAndWholeDiscImages) {
  Certificate c;
  c.title = u"Crafted Game";
  c.region = 0x80000005;
  c.disc = 1;
  for (const auto layout :
       {imagewriter::DiscLayout::kPlain, imagewriter::DiscLayout::kXgd1,
        imagewriter::DiscLayout::kXgd2, imagewriter::DiscLayout::kXgd3}) {
    const std::string image = Image("default.xbe", Xbe(c), layout);
    EXPECT_EQ(Ask(image, FieldIndex::kTitle).type, ft_stringw);
    EXPECT_EQ(Ask(image, FieldIndex::kTitle).text, "Crafted Game");
    const Answer narrow = Ask(image, FieldIndex::kTitle, false);
    EXPECT_EQ(narrow.type, ft_string);
    EXPECT_EQ(narrow.text, "Crafted Game");
    EXPECT_EQ(Ask(image, FieldIndex::kTitleId).text, "4D530004");
    EXPECT_EQ(Ask(image, FieldIndex::kRegion).text, "NTSC-U/PAL/Debug");
    EXPECT_EQ(Ask(image, FieldIndex::kDisc).type, ft_numeric_32);
    EXPECT_EQ(Ask(image, FieldIndex::kDisc).number, 2);
    EXPECT_EQ(Ask(image, FieldIndex::kVersion).text, "00000102");
    EXPECT_EQ(Ask(image, FieldIndex::kPlatform).text, "Xbox");
  }
}

TEST_F(ContentTest, OneParsePerImageWithinEightReads) {
  Certificate c;
  // The most bases to probe, and an XEX whose execution info lies apart
  // from its header: the dearest image there is.
  const std::string xgd3 =
      Image("default.xex", Xex(0x3000), imagewriter::DiscLayout::kXgd3);
  const std::string plain = Image("default.xbe", Xbe(c));
  for (const std::string& image : {xgd3, plain, xgd3}) {
    nativewin::ResetStats();
    for (int i = 0; i < 6; ++i) Ask(image, static_cast<FieldIndex>(i));
    EXPECT_LE(nativewin::GetStats().reads.size(), 8u) << image;
    EXPECT_EQ(nativewin::GetStats().opens.size(), 1u) << image;
  }
  EXPECT_EQ(Ask(xgd3, FieldIndex::kTitleId).text, "4D5307E6");
}

TEST_F(ContentTest, ARewrittenImageIsReadAgain) {
  Certificate c;
  const std::string image = Image("default.xbe", Xbe(c));
  EXPECT_EQ(Ask(image, FieldIndex::kTitleId).text, "4D530004");
  c.titleId = 0x41430001;
  const std::string other = Image("default.xbe", Xbe(c));
  // The same path, now holding other bytes with another time.
  std::filesystem::last_write_time(
      other, std::filesystem::last_write_time(image) + std::chrono::seconds(5));
  std::filesystem::rename(other, image);
  EXPECT_EQ(Ask(image, FieldIndex::kTitleId).text, "41430001");
}

TEST_F(ContentTest, TitlesInSeveralScripts) {
  const struct {
    std::u16string title;
    std::string utf8;
  } cases[] = {
      {u"\u30C6\u30B9\u30C8\u30B2\u30FC\u30E0",
       "\u30C6\u30B9\u30C8\u30B2\u30FC\u30E0"},
      {u"\u0418\u0433\u0440\u0430 \u00E9t\u00E9",
       "\u0418\u0433\u0440\u0430 \u00E9t\u00E9"},
      {u"Game \U0001F3AE", "Game \U0001F3AE"},
      // Lone surrogates, high and low: U+FFFD, and the text goes on.
      {u"A\xD800"
       u"B\xDC00",
       "A\xEF\xBF\xBD"
       "B\xEF\xBF\xBD"},
      // 40 units, no NUL: the title ends where the field does.
      {u"0123456789012345678901234567890123456789XYZ",
       "0123456789012345678901234567890123456789"},
  };
  for (const auto& test : cases) {
    Certificate c;
    c.title = test.title;
    Bytes xbe = Xbe(c);
    // Bytes right after the title field must not run into it.
    Put32(xbe, kCertificate + 0x5C, 0x00410041);
    const std::string image = Image("DEFAULT.XBE", xbe);
    const Answer wide = Ask(image, FieldIndex::kTitle);
    EXPECT_EQ(wide.type, ft_stringw);
    EXPECT_EQ(wide.text, test.utf8);
    EXPECT_EQ(Ask(image, FieldIndex::kTitle, false).text, test.utf8);
  }
}

TEST_F(ContentTest, RegionsAndDiscNumbers) {
  const char* kCombinations[] = {
      "",    "NTSC-U",     "NTSC-J",     "NTSC-U/NTSC-J",
      "PAL", "NTSC-U/PAL", "NTSC-J/PAL", "NTSC-U/NTSC-J/PAL"};
  for (std::uint32_t flags = 0; flags < 8; ++flags) {
    EXPECT_EQ(RegionText(flags), kCombinations[flags]);
    EXPECT_EQ(RegionText(flags | 0x80000000u),
              std::string(kCombinations[flags]) + (flags ? "/" : "") + "Debug");
  }
  EXPECT_EQ(RegionText(0x7FFFFFF8), "");
  Certificate c;
  c.region = 0;
  c.disc = 3;
  const std::string image = Image("default.xbe", Xbe(c));
  EXPECT_EQ(Ask(image, FieldIndex::kRegion).type, ft_fieldempty);
  EXPECT_EQ(Ask(image, FieldIndex::kDisc).number, 4);
}

TEST_F(ContentTest, XexFieldsFromTheExecutionInfo) {
  const std::string image = Image("Default.Xex", Xex(0x200));
  EXPECT_EQ(Ask(image, FieldIndex::kPlatform).text, "Xbox 360");
  EXPECT_EQ(Ask(image, FieldIndex::kTitleId).text, "4D5307E6");
  EXPECT_EQ(Ask(image, FieldIndex::kVersion).text, "20000B00");
  // Counted from 1 there already: shown as stored.
  EXPECT_EQ(Ask(image, FieldIndex::kDisc).number, 2);
  EXPECT_EQ(Ask(image, FieldIndex::kTitle).type, ft_fieldempty);
  EXPECT_EQ(Ask(image, FieldIndex::kRegion).type, ft_fieldempty);
}

TEST_F(ContentTest, BadExecutablesNameOnlyThePlatform) {
  Certificate c;
  Bytes badMagic = Xbe(c);
  badMagic[3] = 'X';
  Bytes outside = Xbe(c);
  Put32(outside, 0x118, 0x10000 + 0x1000);
  Bytes belowBase = Xbe(c);
  Put32(belowBase, 0x118, 0x100);
  Bytes wraps = Xbe(c);
  Put32(wraps, 0x104, 0);
  Put32(wraps, 0x118, 0xFFFFFFF0);
  Bytes cutShort = Xbe(c);
  cutShort.resize(kCertificate + 0xAC);
  Bytes tiny(0x40, 0);
  std::memcpy(tiny.data(), "XBEH", 4);
  for (const Bytes& xbe :
       {badMagic, outside, belowBase, wraps, cutShort, tiny, Bytes()}) {
    ExpectOnlyPlatform(Image("default.xbe", xbe), "Xbox");
  }
  Bytes manyHeaders = Xex(0x200);
  PutBig32(manyHeaders, 0x14, 0xFFFFFFFF);
  Bytes noInfo = Xex(0x200);
  PutBig32(noInfo, 0x28, 0x00040007);
  Bytes infoOutside = Xex(0x200);
  PutBig32(infoOutside, 0x2C, 0x4000 - 23);
  Bytes directoryCutShort = Xex(0x200);
  directoryCutShort.resize(0x20);
  for (const Bytes& xex :
       {manyHeaders, noInfo, infoOutside, directoryCutShort}) {
    ExpectOnlyPlatform(Image("default.xex", xex), "Xbox 360");
  }
  // And the next file works.
  EXPECT_EQ(Ask(Image("default.xbe", Xbe(c)), FieldIndex::kTitleId).text,
            "4D530004");
}

TEST_F(ContentTest, FilesThatHoldNoGameAreEmptyOrErrors) {
  Certificate c;
  std::string iso9660(0x20000, '\0');
  std::memcpy(&iso9660[0x8000],
              "\x01"
              "CD001",
              6);
  const TreeNode noExecutable = imagewriter::MakeDirectory(
      "", {imagewriter::MakePatternFile("default.xbx", 100, 1),
           imagewriter::MakeDirectory(
               "default.xbe", {imagewriter::MakePatternFile("a", 1, 2)})});
  for (const std::string& path :
       {File(""), File(std::string(0x30000, 'x')), File(iso9660),
        WriteTree(dir_, noExecutable),
        WriteTree(dir_, imagewriter::MakeDirectory(""))}) {
    ExpectAllEmpty(path);
  }
  ExpectAllEmpty(dir_.path(), ft_fileerror);
  ExpectAllEmpty(dir_.File("missing.iso"), ft_fileerror);
  nativewin::FailOpens();
  ExpectAllEmpty(Image("default.xbe", Xbe(c)), ft_fileerror);
  nativewin::ClearFaults();
  // A read that fails partway is an error, not an empty field, and is not
  // kept: the next ask reads again.
  imagewriter::LayoutReport report;
  const std::string image =
      Image("default.xbe", Xbe(c), imagewriter::DiscLayout::kPlain, &report);
  nativewin::ZeroReadAtSector(
      imagewriter::FindPlacedEntry(report, "default.xbe")->startSector);
  EXPECT_EQ(Ask(image, FieldIndex::kTitleId).type, ft_fileerror);
  nativewin::ClearFaults();
  EXPECT_EQ(Ask(image, FieldIndex::kTitleId).text, "4D530004");
  EXPECT_EQ(Ask(image, static_cast<FieldIndex>(6)).type, ft_nosuchfield);
  EXPECT_EQ(Ask(image, static_cast<FieldIndex>(-1)).type, ft_nosuchfield);
}

// The look-alike's device layer serves one thread at a time, so the
// threads share one image, kept after the first ask: they race on the kept
// fields alone, which ThreadSanitizer watches.
TEST_F(ContentTest, ThreadsShareTheKeptFields) {
  Certificate c;
  const std::string image = Image("default.xbe", Xbe(c));
  ASSERT_EQ(Ask(image, FieldIndex::kTitleId).text, "4D530004");
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (std::size_t t = 0; t < wrong.size(); ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 200; ++round) {
        wrong[t] += Ask(image, static_cast<FieldIndex>(round % 6)).type < 0;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int count : wrong) EXPECT_EQ(count, 0);
}

}  // namespace
