// The runtime's text helpers as the path code uses them.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

namespace {

struct Split {
  std::string drive, dir, fname, ext;
};

Split SplitPath(const std::string& path) {
  char drive[_MAX_DRIVE], dir[_MAX_DIR], fname[_MAX_FNAME], ext[_MAX_EXT];
  _splitpath(path.c_str(), drive, dir, fname, ext);
  return {drive, dir, fname, ext};
}

TEST(NativeText, SplitpathTakesPathsApart) {
  struct Case {
    const char* path;
    Split expected;
  };
  const Case cases[] = {
      {"E:\\dir\\sub\\file.ext", {"E:", "\\dir\\sub\\", "file", ".ext"}},
      {"E:/dir/file.tar.gz", {"E:", "/dir/", "file.tar", ".gz"}},
      {"E:\\dir.x\\file", {"E:", "\\dir.x\\", "file", ""}},
      {"E:\\a\\.b", {"E:", "\\a\\", "", ".b"}},
      {"E:file.ext", {"E:", "", "file", ".ext"}},
      {"E:", {"E:", "", "", ""}},
      {"\\E:\\dir\\file", {"", "\\E:\\dir\\", "file", ""}},
      {"a/b\\c", {"", "a/b\\", "c", ""}},
      {"1:abc", {"1:", "", "abc", ""}},
      {"E", {"", "", "E", ""}},
      {"", {"", "", "", ""}},
  };
  for (const Case& c : cases) {
    const Split got = SplitPath(c.path);
    EXPECT_EQ(got.drive, c.expected.drive) << c.path;
    EXPECT_EQ(got.dir, c.expected.dir) << c.path;
    EXPECT_EQ(got.fname, c.expected.fname) << c.path;
    EXPECT_EQ(got.ext, c.expected.ext) << c.path;
  }
  char fname[_MAX_FNAME];
  _splitpath("E:\\dir\\file.ext", nullptr, nullptr, fname, nullptr);
  EXPECT_STREQ(fname, "file");
}

TEST(NativeText, SplitpathCutsEachPieceTo255Characters) {
  const std::string letters(300, 'a');
  const std::string cut = letters.substr(0, 255);
  EXPECT_EQ(SplitPath("E:\\" + letters).fname, cut);
  const Split dotted = SplitPath("E:\\f." + letters);
  EXPECT_EQ(dotted.fname, "f");
  EXPECT_EQ(dotted.ext, "." + letters.substr(0, 254));
  const Split deep = SplitPath("E:\\" + letters + "\\file");
  EXPECT_EQ(deep.dir, "\\" + letters.substr(0, 254));
  EXPECT_EQ(deep.fname, "file");
}

TEST(NativeText, StrcmpiFoldsOnlyAsciiLetters) {
  EXPECT_EQ(_strcmpi("E:\\Dir", "e:\\dIR"), 0);
  EXPECT_LT(_strcmpi("a", "B"), 0);
  EXPECT_GT(_strcmpi("abc", "AB"), 0);
  EXPECT_NE(_strcmpi("[", "{"), 0);  // 0x5B and 0x7B differ by the case bit
  EXPECT_NE(_strcmpi("\xC4", "\xE4"), 0);
  EXPECT_GT(_strcmpi("\xE4", "z"), 0);  // bytes compare unsigned
}

TEST(NativeText, LstrcpynAlwaysTerminatesWithinTheLimit) {
  char dest[8] = "zzzzzzz";
  EXPECT_EQ(lstrcpynA(dest, "abcdef", 4), dest);
  EXPECT_STREQ(dest, "abc");
  EXPECT_EQ(dest[4], 'z');
  lstrcpynA(dest, "ab", 8);
  EXPECT_STREQ(dest, "ab");
  lstrcpynA(dest, "xyz", 1);
  EXPECT_STREQ(dest, "");
  dest[0] = 'q';
  lstrcpynA(dest, "xyz", 0);
  EXPECT_EQ(dest[0], 'q');
  EXPECT_EQ(lstrlenA("abc"), 3);
  EXPECT_EQ(lstrlenA(nullptr), 0);
}

}  // namespace
