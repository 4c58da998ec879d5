// The file-system interface's numbers as the interface publishes them,
// written out here rather than taken from our headers, so that a wrong
// constant there cannot pass unseen.
#include <gtest/gtest.h>

#include "filesystem/wfxapi.h"

namespace {

struct Published {
  const char* name;
  long long ours;
  long long value;
};

TEST(WfxInterface, ConstantsHaveThePublishedValues) {
  const Published table[] = {
      {"FS_FILE_OK", kFileOk, 0},
      {"FS_FILE_EXISTS", kFileExists, 1},
      {"FS_FILE_NOTFOUND", kFileNotFound, 2},
      {"FS_FILE_READERROR", kFileReadError, 3},
      {"FS_FILE_WRITEERROR", kFileWriteError, 4},
      {"FS_FILE_USERABORT", kFileUserAbort, 5},
      {"FS_COPYFLAGS_OVERWRITE", kCopyFlagOverwrite, 1},
      {"RT_MsgOK", kRequestMessageBox, 8},
      // What listings and find handles hand the host.
      {"FILE_ATTRIBUTE_DIRECTORY", FILE_ATTRIBUTE_DIRECTORY, 0x10},
      {"ERROR_NO_MORE_FILES", ERROR_NO_MORE_FILES, 18},
      {"INVALID_HANDLE_VALUE",
       static_cast<long long>(
           reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE)),
       -1},
  };
  for (const Published& entry : table) {
    EXPECT_EQ(entry.ours, entry.value) << entry.name;
  }
}

}  // namespace
