// Wide local names past MAX_PATH take the long form Windows opens them by.
#include "plugin/longpath.h"

#include <gtest/gtest.h>

namespace {

WideString W(const std::string& ascii) { return DecodeCp1252(ascii); }

TEST(LongPathForm, OnlyDriveAndUncPathsOfMaxPathOrMoreChange) {
  const std::string deep(260, 'd');
  const std::string x257(257, 'x');
  const struct {
    std::string path;
    std::string expected;
  } cases[] = {
      // 259 units stay; 260 take the prefix, with '/' as '\'.
      {"C:\\" + std::string(256, 'x'), "C:\\" + std::string(256, 'x')},
      {"C:/" + x257, "\\\\?\\C:\\" + x257},
      {"C:/a/" + deep + "/b", "\\\\?\\C:\\a\\" + deep + "\\b"},
      {"\\\\server\\share\\" + deep, "\\\\?\\UNC\\server\\share\\" + deep},
      {"\\\\?\\C:\\" + deep + "/x", "\\\\?\\C:\\" + deep + "/x"},
      {"\\\\.\\C:\\" + deep + "\\x", "\\\\.\\C:\\" + deep + "\\x"},
      {"relative\\" + deep + "\\x", "relative\\" + deep + "\\x"},
      {"/tmp/" + deep + "/" + deep, "/tmp/" + deep + "/" + deep},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(LongPathForm(W(c.path)) == W(c.expected)) << c.path;
  }
}

}  // namespace
