// The wide entry points: Windows-1252 on the disc side, UTF-16 as given on
// the local side, and the same answers as the 8-bit entry points.
#include <gtest/gtest.h>
#include <iconv.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "filesystem/exports.h"
#include "platform/native/testapi.h"
#include "plugin/cp1252.h"
#include "tests/support/plugintest.h"
#include "tests/support/testdisc.h"

namespace {

using imagewriter::MakeDirectory;
using imagewriter::MakePatternFile;

WideString W(const char16_t* text) { return WideString(text); }

// The system's own converter; it leaves the five undefined bytes unmapped.
bool IconvDecode(unsigned char byte, WCHAR* unit) {
  iconv_t cd = iconv_open("UTF-16LE", "CP1252");
  char in = static_cast<char>(byte);
  unsigned char out[4] = {};
  char* inPtr = &in;
  char* outPtr = reinterpret_cast<char*>(out);
  std::size_t inLeft = 1, outLeft = sizeof out;
  const bool ok = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == 0;
  iconv_close(cd);
  *unit = static_cast<WCHAR>(out[0] | out[1] << 8);
  return ok;
}

TEST(Cp1252, AllBytesDecodeAsTheSystemDoesAndTheUndefinedAsC1) {
  const std::vector<int> undefined = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
  for (int byte = 0; byte < 256; ++byte) {
    WCHAR expected = 0;
    const bool mapped =
        IconvDecode(static_cast<unsigned char>(byte), &expected);
    const bool isUndefined =
        std::find(undefined.begin(), undefined.end(), byte) != undefined.end();
    EXPECT_EQ(mapped, !isUndefined) << byte;
    if (isUndefined) expected = static_cast<WCHAR>(byte);
    EXPECT_EQ(DecodeCp1252(static_cast<unsigned char>(byte)), expected) << byte;
  }
}

TEST(Cp1252, ExactlyTheDecodedUnitsEncodeAndTheyRoundTrip) {
  int encodable = 0;
  for (std::uint32_t unit = 0; unit <= 0xFFFF; ++unit) {
    unsigned char byte = 0;
    if (!EncodeCp1252(static_cast<WCHAR>(unit), &byte)) continue;
    ++encodable;
    EXPECT_EQ(DecodeCp1252(byte), unit) << unit;
  }
  EXPECT_EQ(encodable, 256);
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  EXPECT_EQ(DecodeCp1252(all).size(), all.size());
}

class Wide : public ::testing::Test {
 protected:
  void SetUp() override {
    nativewin::Reset();
    ResetPluginState(gPluginState);
    FsInitW(7, OnProgress, nullptr, OnRequest);
    seen_ = {};
    // "€uro", "É", "é" and the five undefined bytes, in a folder "dïr".
    files_ = {MakePatternFile("\x80uro", 150000, 1),
              MakePatternFile("\xC9", 100, 2), MakePatternFile("\xE9", 200, 3),
              MakePatternFile("\x81\x8D\x8F\x90\x9D", 300, 4)};
    InsertTree(dir_, MakeDirectory("", {MakeDirectory("d\xEFr", files_)}));
  }
  void TearDown() override {
    CloseDrive(gPluginState.driveCache);
    gPluginState.progressW = nullptr;
    gPluginState.requestW = nullptr;
  }

  struct Seen {
    std::vector<WideString> requests, sources, targets;
  };
  static Seen seen_;
  static int WINAPI OnProgress(int, WCHAR* source, WCHAR* target, int) {
    seen_.sources.push_back(source);
    seen_.targets.push_back(target);
    return 0;
  }
  static int WINAPI OnRequest(int, int, WCHAR*, WCHAR* text, WCHAR*, int) {
    seen_.requests.push_back(text);
    return 1;
  }

  int Get(WideString remote, WideString local, int flags = 0) {
    return FsGetFileW(&remote[0], &local[0], flags, nullptr);
  }
  std::vector<WideString> ListNames(WideString path) {
    std::vector<WideString> names;
    WIN32_FIND_DATAW record;
    HANDLE handle = FsFindFirstW(&path[0], &record);
    if (handle == INVALID_HANDLE_VALUE) return names;
    auto* find = static_cast<TCFS_FNC*>(handle);
    do names.push_back(record.cFileName);
    while (FsFindNextW(find, &record));
    FsFindClose(find);
    return names;
  }

  TempDir dir_;
  std::vector<imagewriter::TreeNode> files_;
};

Wide::Seen Wide::seen_;

TEST_F(Wide, ListsDecodedNamesAndFindsEachByItsDecodedName) {
  std::vector<WideString> names = ListNames(u"\\E:\\d\u00EFr");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<WideString>{u"\u0081\u008D\u008F\u0090\u009D",
                                     u"\u00C9", u"\u00E9", u"\u20ACuro"}));
  const std::string local = dir_.File("copy");
  for (const imagewriter::TreeNode& file : files_) {
    WideString remote = u"\\E:\\d\u00EFr\\" + DecodeCp1252(file.name);
    EXPECT_EQ(
        Get(remote, WideString(local.begin(), local.end()), kCopyFlagOverwrite),
        kFileOk);
    EXPECT_EQ(ReadWholeFile(local), ExpectedContent(file));
  }
  EXPECT_EQ(ListNames(u"\\"), std::vector<WideString>{u"E:"});
  EXPECT_TRUE(seen_.requests.empty());
}

// U+0080 sits where 0x80 would, but 0x80 is the euro sign; U+0100 would be
// 0x00 cut to a byte. Neither may match anything, nor may another case.
TEST_F(Wide, UnitsThatNoByteDecodesToMatchNothing) {
  const std::string local = dir_.File("never");
  const WideString wideLocal(local.begin(), local.end());
  for (const WideString& name : {W(u"\u0080uro"), W(u"\u0100uro"),
                                 W(u"\u20ACURO"), W(u"\u00E9\u0301")}) {
    seen_.requests.clear();
    EXPECT_EQ(Get(u"\\E:\\d\u00EFr\\" + name, wideLocal), kFileNotFound);
    EXPECT_EQ(seen_.requests,
              std::vector<WideString>{u"ERROR: file 'E:\\d\u00EFr\\" + name +
                                      u"' not found"});
  }
  EXPECT_EQ(GetFileAttributesA(local.c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(Get(u"\\E:\\d\u0100r\\\u20ACuro", wideLocal), kFileNotFound);
}

// A folder the wide path cannot name fails as a missing one does on the
// 8-bit side: the walk stops at the same folder with the same code.
TEST_F(Wide, UnreachableFolderFailsAsAMissingOne) {
  for (const char* path :
       {"\\E:\\d\xEFr\\missing\\x", "\\E:\\missing", "\\E:\\missing\\d\xEFr"}) {
    // The same path with the missing component made unencodable.
    WideString widePath = DecodeCp1252(path);
    widePath[widePath.find(u"missing")] = u'\u0141';
    nativewin::Reset();
    InsertTree(dir_, MakeDirectory("", {MakeDirectory("d\xEFr", files_)}));
    EXPECT_FALSE(ListThroughHost(path).valid);
    EXPECT_EQ(ListNames(widePath), std::vector<WideString>{});
    EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
    const auto& boxes = nativewin::MessageBoxes();
    ASSERT_EQ(boxes.size(), 2u) << path;
    const std::string narrowCode =
        boxes[0].text.substr(boxes[0].text.find("', code"));
    EXPECT_EQ(boxes[1].text.substr(boxes[1].text.find("', code")), narrowCode);
    EXPECT_TRUE(boxes[1].wide);
    EXPECT_FALSE(boxes[1].hasCaption);
  }
}

// Local names reach the file system whole: beyond 260 units, and outside
// every 8-bit code page; they come back unchanged in progress and messages.
TEST_F(Wide, LocalNamesAreUsedAsGiven) {
  std::string folder = dir_.path();
  WideString wideFolder(folder.begin(), folder.end());
  for (int i = 0; i < 20; ++i) {
    folder +=
        "/\xC5\x81\xC3\xB3\x64\xC5\xBA \xE6\x97\xA5\xE6\x9C\xAC "
        "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1 " +
        std::to_string(i);
    wideFolder +=
        u"/\u0141\u00F3d\u017A \u65E5\u672C \u0395\u03BB\u03BB"
        u"\u03AC\u03B4\u03B1 " +
        DecodeCp1252(std::to_string(i));
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  }
  const WideString local = wideFolder + u"/\U0001F4BF.bin";
  ASSERT_GT(local.size(), 300u);
  EXPECT_EQ(Get(u"\\E:\\d\u00EFr\\\u20ACuro", local), kFileOk);
  EXPECT_EQ(ReadWholeFile(folder + "/\xF0\x9F\x92\xBF.bin"),
            ExpectedContent(files_[0]));
  EXPECT_EQ(seen_.targets, std::vector<WideString>(3, local));
  EXPECT_EQ(seen_.sources,
            std::vector<WideString>(3, u"E:\\d\u00EFr\\\u20ACuro"));
  EXPECT_EQ(Get(u"\\E:\\d\u00EFr\\\u20ACuro", local), kFileExists);
  const WideString unopenable = wideFolder + u"/\u65E5/x";
  EXPECT_EQ(Get(u"\\E:\\d\u00EFr\\\u00C9", unopenable), kFileWriteError);
  EXPECT_EQ(seen_.requests,
            std::vector<WideString>{u"ERROR: file '" + unopenable +
                                    u"' cannot be opened for writing"});
}

// Each side speaks through its own callbacks, or its own message box.
TEST_F(Wide, EachSideUsesItsOwnChannel) {
  const std::string local = dir_.File("copy");
  EXPECT_EQ(FsGetFile("\\E:\\nothing", local.c_str(), 0, nullptr),
            kFileNotFound);
  EXPECT_EQ(TheHostLog().requests,
            std::vector<std::string>{"ERROR: file 'E:\\nothing' not found"});
  EXPECT_TRUE(seen_.requests.empty());
  FsInitW(7, nullptr, nullptr, nullptr);
  EXPECT_EQ(Get(u"\\E:\\n\u00F6thing", WideString(local.begin(), local.end())),
            kFileNotFound);
  ASSERT_EQ(nativewin::MessageBoxes().size(), 1u);
  const auto& box = nativewin::MessageBoxes()[0];
  EXPECT_TRUE(box.wide);
  EXPECT_EQ(box.caption, "Xbox DVD Filesystem");
  EXPECT_EQ(box.text, "ERROR: file 'E:\\n\xC3\xB6thing' not found");
  EXPECT_EQ(TheHostLog().requests.size(), 1u);
}

}  // namespace
