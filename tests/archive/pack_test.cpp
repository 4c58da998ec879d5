// PackFiles in the host's call shape: new images from local folders read
// back byte for byte, moves, and the bad inputs that leave nothing behind.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "archive/exports.h"
#include "platform/native/testapi.h"
#include "plugin/cp1252.h"
#include "tests/support/readback.h"
#include "tests/support/testdisc.h"
#include "tools/imagewriter/structure.h"

namespace {

namespace fs = std::filesystem;
using imagewriter::TreeNode;

std::vector<int> gSizes;
int gCancelAt = -1;

int WINAPI Record(WCHAR*, int size) {
  gSizes.push_back(size);
  return static_cast<int>(gSizes.size()) - 1 == gCancelAt ? 0 : 1;
}

WideString Wide(const std::string& text) { return DecodeCp1252(text); }

// A NUL-separated list that ends with an empty name.
WideString List(const std::vector<WideString>& names) {
  WideString list;
  for (const WideString& name : names) list += name + WCHAR{0};
  return list + WCHAR{0};
}

class Pack : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    gSizes.clear();
    gCancelAt = -1;
    SetProcessDataProcW(INVALID_HANDLE_VALUE, Record);
    fs::create_directories(Src("dir1/empty"));
    fs::create_directories(Src("dir1/sub"));
    WriteWholeFile(Src("a.txt"), "ay");
    WriteWholeFile(Src("b.bin"), std::string(300000, 'b'));
    WriteWholeFile(Src("dir1/c.txt"), "");
    WriteWholeFile(Src("dir1/sub/d.txt"), "dee");
  }
  void TearDown() override {
    SetProcessDataProcW(INVALID_HANDLE_VALUE, nullptr);
  }

  std::string Src(const std::string& name) { return dir_.File("src/" + name); }
  // The list Double Commander sends for the whole source folder.
  std::vector<WideString> Tree() {
    return {Wide("a.txt"),         Wide("b.bin"),       Wide("dir1/"),
            Wide("dir1/c.txt"),    Wide("dir1/empty/"), Wide("dir1/sub/"),
            Wide("dir1/sub/d.txt")};
  }
  int PackW(const std::string& image, const std::vector<WideString>& names,
            int flags, const char* subPath = nullptr) {
    WideString target = Wide(image);
    WideString src = Wide(dir_.File("src/"));
    WideString sub = subPath ? Wide(subPath) : WideString();
    WideString list = List(names);
    return PackFilesW(&target[0], subPath ? &sub[0] : nullptr, &src[0],
                      &list[0], flags);
  }
  void ExpectNothingAt(const std::string& image) {
    EXPECT_FALSE(fs::exists(image));
    EXPECT_FALSE(fs::exists(image + ".partial"));
  }

  TempDir dir_;
};

TEST_F(Pack, NewImageHoldsTheListedTreeUnderItsSubPath) {
  for (const char* sub : {static_cast<const char*>(nullptr), "x\\y"}) {
    SCOPED_TRACE(sub ? sub : "root");
    const std::string image = dir_.File(sub ? "sub.xiso" : "root.xiso");
    gSizes.clear();
    ASSERT_EQ(PackW(image, Tree(), PK_PACK_SAVE_PATHS, sub), 0);
    EXPECT_EQ(imagewriter::CheckImageStructure(image, 0), "");
    const std::string p = sub ? "x\\y\\" : "";
    std::vector<Listed> expected = {
        {p + "a.txt", false, "ay"},
        {p + "b.bin", false, std::string(300000, 'b')},
        {p + "dir1", true, ""},
        {p + "dir1\\c.txt", false, ""},
        {p + "dir1\\empty", true, ""},
        {p + "dir1\\sub", true, ""},
        {p + "dir1\\sub\\d.txt", false, "dee"}};
    if (sub) {
      expected.insert(expected.begin(), {{"x", true, ""}, {"x\\y", true, ""}});
    }
    const std::vector<Listed> back = ReadBack(image, dir_);
    ASSERT_EQ(back.size(), expected.size());
    for (const Listed& want : expected) {
      const auto found = std::find_if(back.begin(), back.end(), [&](auto& l) {
        return l.path == want.path;
      });
      ASSERT_NE(found, back.end()) << want.path;
      EXPECT_EQ(found->folder, want.folder) << want.path;
      EXPECT_TRUE(found->bytes == want.bytes) << want.path;
    }
    std::uint64_t sum = 0;
    for (int size : gSizes) sum += static_cast<std::uint64_t>(size);
    EXPECT_EQ(sum, 300005u);
  }
}

TEST_F(Pack, WithoutPathsNamesStandAloneAndAMoveRemovesTheSources) {
  const std::string image = dir_.File("flat.xiso");
  ASSERT_EQ(PackW(image, Tree(), PK_PACK_MOVE_FILES), 0);
  std::vector<std::string> paths;
  for (const Listed& listed : ReadBack(image, dir_))
    paths.push_back(listed.path);
  EXPECT_EQ(paths.size(), 4u);
  EXPECT_NE(std::find(paths.begin(), paths.end(), "d.txt"), paths.end());
  // Files and the listed folders, emptied, are gone; the folder given as
  // SrcPath stays.
  EXPECT_TRUE(fs::is_empty(dir_.File("src")));
}

TEST_F(Pack, EightBitCallsPackToo) {
  const std::string image = dir_.File("narrow.xiso");
  std::string src = dir_.File("src/");
  std::string list =
      std::string("a.txt") + '\0' + "dir1/sub/d.txt" + '\0' + '\0';
  std::string target = image;
  ASSERT_EQ(
      PackFiles(&target[0], nullptr, &src[0], &list[0], PK_PACK_SAVE_PATHS), 0);
  EXPECT_EQ(ReadBack(image, dir_).size(), 4u);
}

TEST_F(Pack, BadInputGetsAResultAMessageAndLeavesNothing) {
  WriteWholeFile(Src("A.TXT"), "x");
  {
    std::FILE* huge = std::fopen(Src("huge").c_str(), "wb");
    ASSERT_TRUE(huge);
    std::fseek(huge, 0xFFFFFFFFl, SEEK_SET);
    std::fputc(0, huge);  // 4 GiB, a hole but the last byte
    std::fclose(huge);
  }
  const WideString cjk = {0x4E2D};
  const struct {
    std::vector<WideString> names;
    int result;
    std::string named;
  } cases[] = {
      // Named as the host gave it: the wide box's text in UTF-8 here.
      {{cjk}, E_ECREATE, "Windows-1252 cannot hold: \xe4\xb8\xad"},
      {{Wide(std::string(256, 'n'))}, E_ECREATE, "longer than 255"},
      {{Wide("..")}, E_ECREATE, "act as a path"},
      {{Wide("a.txt"), Wide("A.TXT")}, E_ECREATE, "A.TXT"},
      {{Wide("gone")}, E_EOPEN, "gone"},
      {{Wide("huge")}, E_ECREATE, "4 GiB"},
  };
  const std::string image = dir_.File("bad.xiso");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.named);
    nativewin::Reset();
    gSizes.clear();
    EXPECT_EQ(PackW(image, c.names, PK_PACK_SAVE_PATHS | PK_PACK_MOVE_FILES),
              c.result);
    ExpectNothingAt(image);
    EXPECT_TRUE(gSizes.empty());
    ASSERT_EQ(nativewin::MessageBoxes().size(), 1u);
    EXPECT_NE(nativewin::MessageBoxes()[0].text.find(c.named),
              std::string::npos)
        << nativewin::MessageBoxes()[0].text;
  }
  EXPECT_TRUE(fs::exists(Src("a.txt")));  // no move after a failure
  nativewin::Reset();
  gCancelAt = 1;
  EXPECT_EQ(PackW(image, Tree(), PK_PACK_SAVE_PATHS | PK_PACK_MOVE_FILES),
            E_EABORTED);
  ExpectNothingAt(image);
  EXPECT_TRUE(nativewin::MessageBoxes().empty());
  EXPECT_TRUE(fs::exists(Src("b.bin")));
}

TEST_F(Pack, AFileThatIsNoImageStaysAsItWas) {
  const std::string image = dir_.File("other.iso");
  WriteWholeFile(image, std::string(100000, 'o'));
  EXPECT_EQ(PackW(image, Tree(), PK_PACK_SAVE_PATHS), E_UNKNOWN_FORMAT);
  EXPECT_TRUE(ReadWholeFile(image) == std::string(100000, 'o'));
  EXPECT_FALSE(fs::exists(image + ".partial"));
}

// ---- Editing an image: modify and delete ----

class Edit : public Pack {
 protected:
  void SetUp() override {
    Pack::SetUp();
    original_ = imagewriter::MakeDirectory(
        "", {imagewriter::MakePatternFile("keep.bin", 100000, 1),
             imagewriter::MakePatternFile("FILE.BIN", 5000, 2),
             imagewriter::MakeZeroFile("empty", 0),
             imagewriter::MakeDirectory(
                 "Dir1", {imagewriter::MakePatternFile("x", 3000, 3),
                          imagewriter::MakeDirectory("SUB")})});
  }
  std::string Original(
      imagewriter::DiscLayout layout = imagewriter::DiscLayout::kPlain) {
    imagewriter::WriteOptions options;
    options.layout = layout;
    const std::string image = dir_.File("edit.xiso");
    imagewriter::LayoutReport report;
    std::string error;
    EXPECT_TRUE(
        imagewriter::WriteImage(original_, image, options, &report, &error))
        << error;
    return image;
  }
  std::string Bytes(const std::vector<Listed>& listed,
                    const std::string& path) {
    for (const Listed& l : listed) {
      if (l.path == path) return l.bytes;
    }
    return "<none>";
  }
  std::vector<std::string> Paths(const std::vector<Listed>& listed) {
    std::vector<std::string> paths;
    for (const Listed& l : listed) paths.push_back(l.path);
    std::sort(paths.begin(), paths.end());
    return paths;
  }
  int DeleteW(const std::string& image, const std::vector<WideString>& names) {
    WideString target = Wide(image);
    WideString list = List(names);
    return DeleteFilesW(&target[0], &list[0]);
  }

  TreeNode original_;
};

std::string Pattern(std::uint32_t seed, std::size_t size) {
  const auto bytes = imagewriter::PatternBytes(seed, 0, size);
  return std::string(bytes.begin(), bytes.end());
}

TEST_F(Edit, PackingIntoAnImageAddsReplacesAndMergesByTheConsolesNames) {
  for (auto layout :
       {imagewriter::DiscLayout::kPlain, imagewriter::DiscLayout::kXgd2}) {
    const std::string image = Original(layout);
    fs::create_directories(Src("sub"));
    WriteWholeFile(Src("file.bin"), "new bytes");
    WriteWholeFile(Src("sub/in.txt"), "in");
    ASSERT_EQ(PackW(image, {Wide("file.bin"), Wide("sub/"), Wide("sub/in.txt")},
                    PK_PACK_SAVE_PATHS, "Dir1"),
              0);
    ASSERT_EQ(PackW(image, {Wide("file.bin")}, PK_PACK_SAVE_PATHS), 0);
    // A whole disc comes back as a plain image.
    EXPECT_EQ(imagewriter::CheckImageStructure(image, 0), "");
    const std::vector<Listed> back = ReadBack(image, dir_);
    EXPECT_EQ(Paths(back),
              (std::vector<std::string>{
                  "Dir1", "Dir1\\SUB", "Dir1\\SUB\\in.txt", "Dir1\\file.bin",
                  "Dir1\\x", "empty", "file.bin", "keep.bin"}))
        << ::testing::PrintToString(Paths(back));
    EXPECT_TRUE(Bytes(back, "keep.bin") == Pattern(1, 100000));
    EXPECT_TRUE(Bytes(back, "file.bin") == "new bytes");
    EXPECT_TRUE(Bytes(back, "Dir1\\x") == Pattern(3, 3000));
    EXPECT_TRUE(Bytes(back, "Dir1\\SUB\\in.txt") == "in");
  }
}

TEST_F(Edit, AFullDiskLeavesTheImageAsItWas) {
  const std::string image = Original();
  const std::string before = ReadWholeFile(image);
  // Writes beyond 150,000 bytes fail: the new image cannot be completed.
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  rlimit limited = old;
  limited.rlim_cur = 150000;
  auto* handler = std::signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const int packed = PackW(image, {Wide("b.bin")}, PK_PACK_SAVE_PATHS);
  const int fresh = PackW(dir_.File("fresh.xiso"), Tree(), PK_PACK_SAVE_PATHS);
  setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, handler);
  EXPECT_EQ(packed, E_EWRITE);
  EXPECT_EQ(fresh, E_EWRITE);
  EXPECT_TRUE(ReadWholeFile(image) == before);
  ExpectNothingAt(dir_.File("fresh.xiso"));
  EXPECT_FALSE(fs::exists(image + ".partial"));
}

TEST_F(Edit, DeleteRemovesFilesAndFoldersReportingPercents) {
  const std::string image = Original();
  ASSERT_EQ(
      DeleteW(image, {Wide("empty"), Wide("Dir1\\*.*"), Wide("file.bin")}), 0);
  EXPECT_EQ(imagewriter::CheckImageStructure(image, 0), "");
  const std::vector<Listed> back = ReadBack(image, dir_);
  EXPECT_EQ(Paths(back), std::vector<std::string>{"keep.bin"});
  EXPECT_TRUE(Bytes(back, "keep.bin") == Pattern(1, 100000));
  ASSERT_FALSE(gSizes.empty());
  for (int size : gSizes) {
    EXPECT_LE(size, -1);
    EXPECT_GE(size, -100);
  }
  EXPECT_EQ(gSizes.back(), -100);
  // Every entry gone: a valid empty image; a folder emptied stays.
  ASSERT_EQ(DeleteW(image, {Wide("keep.bin")}), 0);
  EXPECT_TRUE(ReadBack(image, dir_).empty());
  EXPECT_EQ(imagewriter::CheckImageStructure(image, 0), "");
}

TEST_F(Edit, FailuresAndCancelsLeaveTheImageByteForByte) {
  const std::string image = Original();
  const std::string before = ReadWholeFile(image);
  gCancelAt = 0;
  EXPECT_EQ(DeleteW(image, {Wide("empty")}), E_EABORTED);
  gSizes.clear();
  EXPECT_EQ(PackW(image, {Wide("a.txt")}, PK_PACK_SAVE_PATHS), E_EABORTED);
  gCancelAt = -1;
  EXPECT_EQ(PackW(image, {Wide("gone")}, PK_PACK_SAVE_PATHS), E_EOPEN);
  EXPECT_EQ(PackW(image, {Wide("..")}, PK_PACK_SAVE_PATHS), E_ECREATE);
  // The image's own last data sector cannot be read back.
  nativewin::ZeroReadAtSector(before.size() / 2048 - 1);
  EXPECT_EQ(PackW(image, {Wide("a.txt")}, PK_PACK_SAVE_PATHS), E_EREAD);
  ASSERT_FALSE(nativewin::MessageBoxes().empty());
  EXPECT_NE(nativewin::MessageBoxes().back().text.find("from the image"),
            std::string::npos);
  nativewin::ClearFaults();
  EXPECT_TRUE(ReadWholeFile(image) == before);
  EXPECT_FALSE(fs::exists(image + ".partial"));
  const std::string other = dir_.File("other.iso");
  WriteWholeFile(other, std::string(70000, 'o'));
  EXPECT_EQ(DeleteW(other, {Wide("x")}), E_UNKNOWN_FORMAT);
  EXPECT_TRUE(ReadWholeFile(other) == std::string(70000, 'o'));
}

}  // namespace
