// The content interface's numbers as the interface publishes them, written
// out here rather than taken from our header, so that a wrong constant there
// cannot pass unseen; and the fields as users type them into masks.
#include <gtest/gtest.h>

#include <cstring>

#include "content/exports.h"

namespace {

struct Published {
  const char* name;
  int ours;
  int value;
};

TEST(WdxInterface, ConstantsHaveThePublishedValues) {
  const Published table[] = {
      {"ft_nomorefields", ft_nomorefields, 0},
      {"ft_numeric_32", ft_numeric_32, 1},
      {"ft_numeric_64", ft_numeric_64, 2},
      {"ft_numeric_floating", ft_numeric_floating, 3},
      {"ft_date", ft_date, 4},
      {"ft_time", ft_time, 5},
      {"ft_boolean", ft_boolean, 6},
      {"ft_multiplechoice", ft_multiplechoice, 7},
      {"ft_string", ft_string, 8},
      {"ft_fulltext", ft_fulltext, 9},
      {"ft_datetime", ft_datetime, 10},
      {"ft_stringw", ft_stringw, 11},
      {"ft_nosuchfield", ft_nosuchfield, -1},
      {"ft_fileerror", ft_fileerror, -2},
      {"ft_fieldempty", ft_fieldempty, -3},
      {"ft_ondemand", ft_ondemand, -4},
      {"ft_notsupported", ft_notsupported, -5},
      {"ft_setcancel", ft_setcancel, -6},
      {"ft_delayed", ft_delayed, 0},
      {"CONTENT_DELAYIFSLOW", CONTENT_DELAYIFSLOW, 1},
      {"CONTENT_PASSTHROUGH", CONTENT_PASSTHROUGH, 2},
  };
  for (const Published& entry : table) {
    EXPECT_EQ(entry.ours, entry.value) << entry.name;
  }
}

TEST(WdxInterface, FieldsByNameAndType) {
  const Published fields[] = {
      {"Title", 0, 11}, {"Title ID", 0, 8}, {"Region", 0, 8},
      {"Disc", 0, 1},   {"Version", 0, 8},  {"Platform", 0, 8},
  };
  char name[256];
  char units[256];
  int index = 0;
  for (const Published& field : fields) {
    EXPECT_EQ(ContentGetSupportedField(index++, name, units, 256), field.value);
    EXPECT_STREQ(name, field.name);
    EXPECT_STREQ(units, "");
  }
  EXPECT_EQ(ContentGetSupportedField(index, name, units, 256), 0);
  // A short buffer gets a cut name, never an overrun.
  std::memset(name, 'x', sizeof name);
  ContentGetSupportedField(1, name, units, 4);
  EXPECT_STREQ(name, "Tit");
  char detect[2048];
  ContentGetDetectString(detect, sizeof detect);
  EXPECT_STREQ(detect, kDetectString);
}

}  // namespace
