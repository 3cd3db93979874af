// The field rule the installer reads every list with.
#include "media/fields.h"

#include <gtest/gtest.h>

namespace vurerode::media {
namespace {

TEST(Fields, TakeFieldLeavesWhatFollowsTheSeparator) {
  const struct {
    const char* text;
    char separator;
    const char* field;
    const char* rest;
  } cases[] = {
      {"a,b,c", ',', "a", "b,c"},       {"a,", ',', "a", ""}, {",b", ',', "", "b"},
      {"abc", ',', "abc", ""},          {"", ',', "", ""},    {"x\ty,z", '\t', "x", "y,z"},
      {"C:\\a\\b", '\\', "C:", "a\\b"},
  };
  for (const auto& c : cases) {
    std::string rest = c.text;
    EXPECT_EQ(TakeField(rest, c.separator), c.field) << c.text;
    EXPECT_EQ(rest, c.rest) << c.text;
  }
}

TEST(Fields, SplitFieldsGivesExactlyCountFields) {
  using V = std::vector<std::string>;
  const struct {
    const char* entry;
    size_t count;
    V fields;
  } cases[] = {
      {"a,b,c,d", 4, {"a", "b", "c", "d"}},
      {"a,b", 4, {"a", "b", "", ""}},  // missing fields are empty
      {"", 2, {"", ""}},
      {"a,b,c,d,e,f", 4, {"a", "b", "c", "d"}},  // what follows the fourth comma is dropped
      {"a,,c,", 4, {"a", "", "c", ""}},
      {"only", 1, {"only"}},
      {"a,b", 0, {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitFields(c.entry, c.count), c.fields) << c.entry;
}

}  // namespace
}  // namespace vurerode::media
