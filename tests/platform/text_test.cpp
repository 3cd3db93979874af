// Text is UTF-8 inside; names compare as Windows compares them, by each character's one-to-one
// upper-case form, in every script; the conversions at the edges keep every character.
#include "platform/text.h"

#include <gtest/gtest.h>

namespace vurerode::platform {
namespace {

TEST(TextCase, LettersOfEveryScriptChangeCase) {
  const struct {
    const char* upper;
    const char* lower;
  } cases[] = {
      {"DISK.DAT", "disk.dat"},
      {"ÉTÉ × ŠŸ", "été × šÿ"},                        // Latin-1 and the rest of Windows-1252; × has no lower case
      {"ŁÓDŹ ŻÓŁW", "łódź żółw"},                      // Latin-2
      {"ЖУРНАЛ ЁЖ", "журнал ёж"},                      // Cyrillic
      {"ΑΡΧΕΊΟ Ω", "αρχείο ω"},                        // Greek
      {"日本語 🎉 123 _-~\\:", "日本語 🎉 123 _-~\\:"},  // no case at all
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LowerCase(c.upper), c.lower) << c.upper;
    EXPECT_EQ(UpperCase(c.lower), c.upper) << c.lower;
    EXPECT_TRUE(SameText(c.upper, c.lower)) << c.upper;
    EXPECT_EQ(CompareText(c.upper, c.lower), 0) << c.upper;
  }
  // Letters whose case form is not one character, or would be a plain Latin letter, stay: ß, µ, ı, ſ.
  EXPECT_EQ(UpperCase("ßµıſ"), "ßµıſ");
  EXPECT_FALSE(SameText("ı", "I"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("éa", "E"), 0);
  EXPECT_LT(CompareText("AB", "abc"), 0);
}

// Every character that changes case changes back, so a name lowered for an index still matches the
// same name by SameText.
TEST(TextCase, TheTwoDirectionsUndoEachOther) {
  int pairs = 0;
  for (char32_t c = 0; c < 0x10000; ++c) {
    if (c >= 0xD800 && c <= 0xDFFF) continue;
    if (LowerChar(c) != c) {
      ++pairs;
      EXPECT_EQ(UpperChar(LowerChar(c)), c) << std::hex << static_cast<uint32_t>(c);
    }
    if (UpperChar(c) != c) {
      EXPECT_EQ(LowerChar(UpperChar(c)), c) << std::hex << static_cast<uint32_t>(c);
    }
  }
  EXPECT_GT(pairs, 1000);
}

TEST(TextEncoding, ConversionsKeepEveryCharacter) {
  const char* texts[] = {"",         "plain",      "Café naïve über", "Descărcări",  "Русский",
                         "Ελληνικά", "日本語.txt", "party🎉.txt",      "\x7F\xC2\x80"};
  for (const char* t : texts) {
    EXPECT_TRUE(IsValidUtf8(t)) << t;
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(t)), t) << t;
  }
  EXPECT_EQ(Utf8ToUtf16("🎉"), std::u16string(u"\xD83C\xDF89"));
  EXPECT_EQ(CharCount("party🎉é"), 7u);
  EXPECT_TRUE(IsAscii("abc~"));
  EXPECT_FALSE(IsAscii("é"));
}

// Buffers are counted as Windows counts them, and a cut never leaves half a character behind.
TEST(TextEncoding, Utf16CountsAndCutsAtCharacters) {
  EXPECT_EQ(Utf16Length("ab"), 2u);
  EXPECT_EQ(Utf16Length("été"), 3u);
  EXPECT_EQ(Utf16Length("日本🎉"), 4u);
  const struct {
    const char* text;
    size_t units;
    const char* head;
  } cases[] = {
      {"abc", 2, "ab"}, {"été", 2, "ét"},  {"日本語", 2, "日本"}, {"a🎉b", 1, "a"},       {"a🎉b", 2, "a"},
      {"a🎉b", 3, "a🎉"}, {"a🎉b", 9, "a🎉b"}, {"🎉", 0, ""},          {"x\xC3", 2, "x\xC3"}, {"Жж", 1, "Ж"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf16Head(c.text, c.units), c.head) << c.text << " " << c.units;
    EXPECT_EQ(std::string(Utf16Head(c.text, c.units)) + std::string(Utf16Tail(c.text, c.units)), c.text);
  }
}

TEST(TextEncoding, BrokenTextBecomesTheReplacementCharacter) {
  const struct {
    const char* utf8;
    const char16_t* utf16;
  } cases[] = {
      {"a\xFF"
       "b",
       u"a\xFFFD"
       "b"},                                              // not a lead byte
      {"\xC3", u"\xFFFD"},                                // cut short
      {"\xC0\xAF", u"\xFFFD\xFFFD"},                      // overlong "/"
      {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},            // a surrogate written as UTF-8
      {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // past U+10FFFF
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(IsValidUtf8(c.utf8));
    EXPECT_EQ(Utf8ToUtf16(c.utf8), c.utf16);
  }
  EXPECT_EQ(Utf16ToUtf8(u"x\xD800y"), "x\xEF\xBF\xBDy");  // a lone surrogate
  // Case mapping leaves broken bytes as they are rather than changing the text's length.
  EXPECT_EQ(UpperCase("a\xFF"), "A\xFF");
}

TEST(TextEncoding, TheWindows1252CodePageOfOldMediaAndLogs) {
  EXPECT_EQ(Cp1252ToUtf8("Caf\xE9 \x80 \x8A\x9F \x81"), "Café € ŠŸ \xC2\x81");
  EXPECT_EQ(Utf8ToCp1252("Café € ŠŸ"), "Caf\xE9 \x80 \x8A\x9F");
  EXPECT_EQ(Utf8ToCp1252("日本 🎉"), "?? ?");
  EXPECT_TRUE(FitsCp1252("Café € ŠŸ"));
  EXPECT_FALSE(FitsCp1252("Łódź"));
  EXPECT_FALSE(FitsCp1252("a\xFF"));
  for (int b = 0; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(one)), one) << b;
  }
}

}  // namespace
}  // namespace vurerode::platform
