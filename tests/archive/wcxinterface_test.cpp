// The archive interface's numbers as the interface publishes them, written
// out here rather than taken from our header, so that a wrong constant there
// cannot pass unseen.
#include <gtest/gtest.h>

#include "archive/exports.h"

namespace {

struct Published {
  const char* name;
  int ours;
  int value;
};

TEST(WcxInterface, ConstantsHaveThePublishedValues) {
  const Published table[] = {
      {"E_END_ARCHIVE", E_END_ARCHIVE, 10},
      {"E_NO_MEMORY", E_NO_MEMORY, 11},
      {"E_BAD_DATA", E_BAD_DATA, 12},
      {"E_BAD_ARCHIVE", E_BAD_ARCHIVE, 13},
      {"E_UNKNOWN_FORMAT", E_UNKNOWN_FORMAT, 14},
      {"E_EOPEN", E_EOPEN, 15},
      {"E_ECREATE", E_ECREATE, 16},
      {"E_ECLOSE", E_ECLOSE, 17},
      {"E_EREAD", E_EREAD, 18},
      {"E_EWRITE", E_EWRITE, 19},
      {"E_EABORTED", E_EABORTED, 21},
      {"E_NOT_SUPPORTED", E_NOT_SUPPORTED, 24},
      {"PK_OM_LIST", PK_OM_LIST, 0},
      {"PK_OM_EXTRACT", PK_OM_EXTRACT, 1},
      {"PK_SKIP", PK_SKIP, 0},
      {"PK_TEST", PK_TEST, 1},
      {"PK_EXTRACT", PK_EXTRACT, 2},
      {"PK_CAPS_NEW", PK_CAPS_NEW, 1},
      {"PK_CAPS_MODIFY", PK_CAPS_MODIFY, 2},
      {"PK_CAPS_MULTIPLE", PK_CAPS_MULTIPLE, 4},
      {"PK_CAPS_DELETE", PK_CAPS_DELETE, 8},
      {"PK_CAPS_OPTIONS", PK_CAPS_OPTIONS, 16},
      {"PK_CAPS_MEMPACK", PK_CAPS_MEMPACK, 32},
      {"PK_CAPS_BY_CONTENT", PK_CAPS_BY_CONTENT, 64},
      {"PK_CAPS_SEARCHTEXT", PK_CAPS_SEARCHTEXT, 128},
      {"PK_CAPS_HIDE", PK_CAPS_HIDE, 256},
      {"PK_CAPS_ENCRYPT", PK_CAPS_ENCRYPT, 512},
      {"PK_PACK_MOVE_FILES", PK_PACK_MOVE_FILES, 1},
      {"PK_PACK_SAVE_PATHS", PK_PACK_SAVE_PATHS, 2},
      {"PK_PACK_ENCRYPT", PK_PACK_ENCRYPT, 4},
      {"BACKGROUND_UNPACK", BACKGROUND_UNPACK, 1},
  };
  for (const Published& entry : table) {
    EXPECT_EQ(entry.ours, entry.value) << entry.name;
  }
}

TEST(WcxInterface, CapsPackEditDeleteSeveralFilesByContent) {
  // NEW 1 | MODIFY 2 | MULTIPLE 4 | DELETE 8 | BY_CONTENT 64.
  EXPECT_EQ(GetPackerCaps(), 79);
  EXPECT_EQ(GetBackgroundFlags(), 1);
}

}  // namespace
