// Case in the ANSI code page (Windows-1252): the letters beyond ASCII pair up as the code page has
// them, and the two directions undo each other.
#include "platform/ansi.h"

#include <gtest/gtest.h>

namespace vurerode::platform {
namespace {

TEST(AnsiCase, LettersOfTheCodePageChangeCase) {
  const struct {
    const char* upper;
    const char* lower;
  } cases[] = {
      {"DISK.DAT", "disk.dat"},
      {"\xC9T\xC9 \xD7 \x8A\x9F", "\xE9t\xE9 \xD7 \x9A\xFF"},  // É, ×, Š, Ÿ: × has no lower case
      {"\x8C\x8E\xC0\xDE", "\x9C\x9E\xE0\xFE"},                // Œ Ž À Þ
      {"123 _-~\\:", "123 _-~\\:"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AnsiLowerCase(c.upper), c.lower) << c.upper;
    EXPECT_EQ(AnsiUpperCase(c.lower), c.upper) << c.lower;
  }
  // Letters with no partner in the code page stay as they are: ß, µ, ª, º.
  EXPECT_EQ(AnsiUpperCase("\xDF\xB5\xAA\xBA"), "\xDF\xB5\xAA\xBA");
  EXPECT_EQ(AnsiLowerCase("\xDF\xB5\xAA\xBA"), "\xDF\xB5\xAA\xBA");
}

// Every byte that changes case changes back, and the two mappings pair the same 60 letters, so a
// name lowered for a set's index still matches the same name by AnsiSameText.
TEST(AnsiCase, TheTwoDirectionsUndoEachOther) {
  int pairs = 0;
  for (int b = 0; b < 256; ++b) {
    const char c = static_cast<char>(b);
    if (AnsiLower(c) != c) {
      ++pairs;
      EXPECT_EQ(AnsiUpper(AnsiLower(c)), c) << b;
    }
    if (AnsiUpper(c) != c) {
      EXPECT_EQ(AnsiLower(AnsiUpper(c)), c) << b;
    }
    EXPECT_TRUE(AnsiSameText(std::string(1, AnsiLower(c)), std::string(1, c))) << b;
  }
  EXPECT_EQ(pairs, 26 + 30 + 4);
}

}  // namespace
}  // namespace vurerode::platform
