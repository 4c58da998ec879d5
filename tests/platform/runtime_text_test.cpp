// The runtime text helpers the plug-in relies on.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32.h"

namespace {

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
}

}  // namespace
