#include "tests/support/readback.h"

#include <gtest/gtest.h>

#include "archive/exports.h"
#include "plugin/cp1252.h"

std::vector<Listed> ReadBack(const std::string& image, const TempDir& scratch) {
  WideString name = DecodeCp1252(image);
  tOpenArchiveDataW open{};
  open.ArcName = &name[0];
  open.OpenMode = PK_OM_EXTRACT;
  HANDLE archive = OpenArchiveW(&open);
  EXPECT_NE(archive, nullptr);
  std::vector<Listed> listed;
  if (!archive) return listed;
  tHeaderDataExW header;
  WideString target = DecodeCp1252(scratch.File("out"));
  while (ReadHeaderExW(archive, &header) == 0) {
    const bool folder = header.FileAttr & 0x10;
    EXPECT_EQ(ProcessFileW(archive, folder ? PK_SKIP : PK_EXTRACT, nullptr,
                           folder ? nullptr : &target[0]),
              0);
    listed.push_back({FileNameBytes(header), folder,
                      folder ? "" : ReadWholeFile(scratch.File("out"))});
  }
  EXPECT_EQ(CloseArchive(archive), 0);
  return listed;
}
