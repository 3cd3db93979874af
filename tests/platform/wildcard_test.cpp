#include "platform/wildcard.h"

#include <gtest/gtest.h>

namespace vurerode::platform {
namespace {

struct WildcardCase {
  const char* name;
  const char* pattern;
  bool matches;
};

// The DOS meanings Windows gives to "*", "?" and "." in FindFirstFile patterns.
TEST(Wildcard, MatchesAsFindFirstFileDoes) {
  const WildcardCase cases[] = {
      {"readme.txt", "*.*", true},
      {"readme", "*.*", true},
      {".profile", "*.*", true},
      {"readme", "*.", true},
      {"readme.txt", "*.", false},
      {"readme.txt", "*.txt", true},
      {"README.TXT", "*.txt", true},
      {"a.b.txt", "*.txt", true},
      {"a.txt.bak", "*.txt", false},
      {"foo.html", "*.htm", false},
      {"file1.txt", "file?.txt", true},
      {"file.txt", "file?.txt", true},
      {"file12.txt", "file?.txt", false},
      {"a.c", "a?c", false},
      {"abc", "a?c", true},
      {"ab", "???", true},
      {"abcd", "???", false},
      {"a", "a.*", true},
      {"a.txt", "a.*", true},
      {"ab.txt", "a.*", false},
      {"x.LNK", "*.lnk", true},
      {"abc", "a*c", true},
      {"ac", "a*c", true},
      {"abd", "a*c", false},
      {"setup.exe", "s*p.e?e", true},
      {"\xE9t\xE9.txt", "\xC9T\xC9.TXT", true},
      {"disk.001", "disk.0??", true},
      {"disk.1", "disk.0??", false},
      {"x.lnkfile", "*.lnk", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesWildcard(c.name, c.pattern), c.matches) << c.name << " vs " << c.pattern;
}

TEST(Wildcard, LongNamesDoNotBlowUp) {
  std::string name(255, 'a');
  EXPECT_TRUE(MatchesWildcard(name, "*a*a*a*a*a*a*a*a*a*a*"));
  EXPECT_FALSE(MatchesWildcard(name, "*a*a*a*a*a*a*a*a*a*b*"));
}

}  // namespace
}  // namespace vurerode::platform
