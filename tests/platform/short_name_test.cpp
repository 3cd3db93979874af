#include "platform/sandbox/short_name.h"

#include <gtest/gtest.h>

#include <set>

namespace vurerode::platform::sandbox {
namespace {

TEST(ShortName, WhichNamesNeedAnAlias) {
  for (const char* fits : {"README.TXT", "readme.txt", "ABCDEFGH.TXT", "A", "SETUP.EXE", "disk.001"})
    EXPECT_TRUE(FitsShortName(fits)) << fits;
  for (const char* needs : {"Program Files", "a.b.c", "abcdefghi", "abc.defg", "a b", ".profile", "x+y", "name."})
    EXPECT_FALSE(FitsShortName(needs)) << needs;
}

TEST(ShortName, AliasesAsWindowsMakesThem) {
  auto none = [](const std::string&) { return false; };
  struct Case {
    const char* longName;
    const char* alias;
  } cases[] = {
      {"Program Files", "PROGRA~1"}, {"Start Menu", "STARTM~1"},        {"Application Data", "APPLIC~1"},
      {"a b.txt", "AB~1.TXT"},       {"index.html", "INDEX~1.HTM"},     {"my.long.file.name.jpeg", "MYLONG~1.JPE"},
      {".profile", "PROFIL~1"},      {"x+y;z[1].text", "X_Y_Z_~1.TEX"}, {"Quick Launch", "QUICKL~1"},
  };
  for (const auto& c : cases) EXPECT_EQ(MakeShortName(c.longName, none), c.alias) << c.longName;
}

TEST(ShortName, CollisionsCountUpThenHash) {
  std::set<std::string> taken;
  auto inUse = [&](const std::string& s) { return taken.count(s) > 0; };
  std::vector<std::string> got;
  for (const char* name : {"Program Files", "Program Files (x86)", "Programs old", "Programmer", "Programming"}) {
    std::string alias = MakeShortName(name, inUse);
    taken.insert(alias);
    got.push_back(alias);
  }
  EXPECT_EQ(got[0], "PROGRA~1");
  EXPECT_EQ(got[1], "PROGRA~2");
  EXPECT_EQ(got[2], "PROGRA~3");
  EXPECT_EQ(got[3], "PROGRA~4");
  ASSERT_EQ(got[4].size(), 8u);
  EXPECT_EQ(got[4].substr(0, 2), "PR");
  EXPECT_EQ(got[4].substr(6), "~1");
  EXPECT_EQ(taken.size(), 5u);
}

}  // namespace
}  // namespace vurerode::platform::sandbox
