#include "path/hostpath.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct PathCase {
  const char* path;
  const char* expected;
};

TEST(HostPath, SkipLeadingSlashDropsOneSeparatorOnly) {
  const std::vector<PathCase> cases = {{"\\E:\\dir", "E:\\dir"},
                                       {"/E:/dir", "E:/dir"},
                                       {"E:\\dir", "E:\\dir"},
                                       {"\\\\E:", "\\E:"},
                                       {"\\", ""},
                                       {"", ""}};
  for (const PathCase& c : cases) {
    EXPECT_STREQ(SkipLeadingSlash(c.path), c.expected) << c.path;
  }
}

TEST(HostPath, StripTrailingSlashesRemovesEveryKind) {
  const std::vector<PathCase> cases = {{"E:\\dir\\", "E:\\dir"},
                                       {"E:\\dir\\/\\", "E:\\dir"},
                                       {"E:\\dir", "E:\\dir"},
                                       {"E:", "E:"},
                                       {"\\\\", ""},
                                       {"", ""}};
  for (const PathCase& c : cases) {
    std::string buffer = c.path;
    StripTrailingSlashes(&buffer[0]);
    EXPECT_STREQ(buffer.c_str(), c.expected) << c.path;
  }
}

TEST(HostPath, SplitFirstComponentKeepsTheSeparatorInTheRest) {
  struct Case {
    const char* path;
    const char* first;
    const char* rest;
  };
  const std::vector<Case> cases = {{"\\E:\\dir\\file", "E:", "\\dir\\file"},
                                   {"E:\\dir\\file", "E:", "\\dir\\file"},
                                   {"/E:/dir", "E:", "/dir"},
                                   {"E:/a\\b", "E:", "/a\\b"},
                                   {"\\E:", "E:", ""},
                                   {"\\dir\\sub\\", "dir", "\\sub\\"},
                                   {"dir\\", "dir", "\\"},
                                   {"sub", "sub", ""},
                                   {"\\\\dir", "", "\\dir"},
                                   {"\\", "", ""},
                                   {"", "", ""}};
  for (const Case& c : cases) {
    std::string first = "old";
    std::string rest = "old";
    SplitFirstComponent(c.path, first, &rest);
    EXPECT_EQ(first, c.first) << c.path;
    EXPECT_EQ(rest, c.rest) << c.path;
  }
  std::string first;
  SplitFirstComponent("E:\\x", first);
  EXPECT_EQ(first, "E:");
}

TEST(HostPath, GetDriveNameTakesUpToTheFirstColonBeforeAnyAngle) {
  struct Case {
    const char* component;
    int result;
    const char* drive;
  };
  const std::vector<Case> cases = {
      {"E:", 1, "E:"},         {"E:abc", 1, "E:"},      {"E:\\dir", 1, "E:"},
      {"abc:", 1, "abc:"},     {"ab1:x:y", 1, "ab1:"},  {":", 1, ":"},
      {"E:<", 1, "E:"},        {"abc", 0, "unchanged"}, {"<E:", 0, "unchanged"},
      {"E<:", 0, "unchanged"}, {"", 0, "unchanged"}};
  for (const Case& c : cases) {
    std::string drive = "unchanged";
    EXPECT_EQ(GetDriveName(c.component, drive), c.result) << c.component;
    EXPECT_EQ(drive, c.drive) << c.component;
  }
}

TEST(HostPath, PathAfterDrivePrefersTheFirstBackslash) {
  const std::vector<PathCase> cases = {{"\\E:\\dir\\file", "dir\\file"},
                                       {"E:\\dir\\file", "dir\\file"},
                                       {"/E:/dir/file", "dir/file"},
                                       {"E:\\dir\\", "dir\\"},
                                       {"\\E:", ""},
                                       {"E:\\", ""},
                                       {"E:dir", ""},
                                       {"E:\\a/b", "a/b"},
                                       {"E:/a\\b", "b"},
                                       {"dir\\file", "\\file"},
                                       {"a\\b:c", "\\b:c"},
                                       {"\\\\E:\\x", "\\E:\\x"},
                                       {"", ""}};
  for (const PathCase& c : cases) {
    EXPECT_STREQ(PathAfterDrive(c.path), c.expected) << c.path;
  }
}

TEST(HostPath, SplitDirAndNameSplitsAtTheLastSeparator) {
  struct Case {
    const char* path;
    const char* dir;
    const char* name;
  };
  const std::vector<Case> cases = {
      {"E:\\dir\\sub\\file.ext", "E:\\dir\\sub", "file.ext"},
      {"E:\\file.ext", "E:", "file.ext"},
      {"E:/dir/file.tar.gz", "E:/dir", "file.tar.gz"},
      {"E:\\dir.x\\file", "E:\\dir.x", "file"},
      {"E:\\a\\.b", "E:\\a", ".b"},
      {"E:file.ext", "E:", "file.ext"},
      {"E:", "E:", ""},
      {"E:\\dir\\", "E:\\dir", ""},
      {"E:\\dir\\\\file", "E:\\dir\\", "file"},
      {"\\E:\\dir\\file", "\\E:\\dir", "file"},
      {"file.ext", "", "file.ext"},
      {"", "", ""}};
  for (const Case& c : cases) {
    std::string dir = "old";
    std::string name = "old";
    SplitDirAndName(c.path, &dir, &name);
    EXPECT_EQ(dir, c.dir) << c.path;
    EXPECT_EQ(name, c.name) << c.path;
  }
  std::string name;
  SplitDirAndName("E:\\d\\f", nullptr, &name);
  EXPECT_EQ(name, "f");
}

TEST(HostPath, SplitDirAndNameCutsLongPiecesInsteadOfOverrunning) {
  std::string name;
  SplitDirAndName(("E:\\" + std::string(300, 'n')).c_str(), nullptr, &name);
  EXPECT_EQ(name, std::string(255, 'n'));

  // Base name and extension are cut separately.
  SplitDirAndName(("E:\\f." + std::string(300, 'x')).c_str(), nullptr, &name);
  EXPECT_EQ(name, "f." + std::string(254, 'x'));
  SplitDirAndName(
      ("E:\\" + std::string(300, 'b') + "." + std::string(300, 'e')).c_str(),
      nullptr, &name);
  EXPECT_EQ(name.size(), 510u);

  // The directory is cut before its trailing separator is looked at.
  std::string dir;
  SplitDirAndName(("E:\\" + std::string(300, 'd') + "\\f").c_str(), &dir,
                  nullptr);
  EXPECT_EQ(dir, "E:\\" + std::string(254, 'd'));
}

}  // namespace
