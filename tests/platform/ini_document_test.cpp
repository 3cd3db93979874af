#include "platform/ini_document.h"

#include <gtest/gtest.h>

namespace vurerode::platform {
namespace {

// The layouts below are what the system's profile writer produces for the same calls.
TEST(IniDocument, WritesInFirstWrittenOrderWithCrLf) {
  IniDocument doc;
  doc.Write("Sec1", "Key1", "v1");
  doc.Write("Sec1", "key2", "  v2");
  doc.Write("Sec2", "KeyA", "\"quoted\"");
  doc.Write("sec1", "KEY1", "v1b");
  doc.Write("Sec3", "K", "x");
  EXPECT_EQ(doc.Serialize(), "[Sec1]\r\nKey1=v1b\r\nkey2=v2\r\n[Sec2]\r\nKeyA=\"quoted\"\r\n[Sec3]\r\nK=x\r\n");
}

TEST(IniDocument, RewritesAFileTrimmedAndWithoutBlankLines) {
  IniDocument doc = IniDocument::Parse("[A]\nx=1\n;comment\nnoeq\n  k2  =  v 2  \n\n[B]\ny=2");
  doc.Write("B", "w", "4");
  doc.Write("C", "c", "5");
  EXPECT_EQ(doc.Serialize(), "[A]\r\nx=1\r\n;comment\r\nnoeq\r\nk2=v 2\r\n[B]\r\ny=2\r\nw=4\r\n[C]\r\nc=5\r\n");
  doc.DeleteKey("a", "X");
  doc.EraseSection("b");
  EXPECT_EQ(doc.Serialize(), "[A]\r\n;comment\r\nnoeq\r\nk2=v 2\r\n[C]\r\nc=5\r\n");
}

TEST(IniDocument, ReadsLikeTheProfileReader) {
  IniDocument doc = IniDocument::Parse(
      "junk line\r\nq=1\r\n[A]\r\nk='sq'\r\nm=\"a\r\nn=\"a\"b\"\r\no= \" x \" \r\nnoeq\r\n;c=1\r\ndup=1\r\nDUP=2\r\n"
      "[a]\r\nlater=1\r\n");
  const size_t big = 2048;
  EXPECT_EQ(doc.Read("A", "k", big), "sq");
  EXPECT_EQ(doc.Read("A", "m", big), "\"a");
  EXPECT_EQ(doc.Read("A", "n", big), "a\"b");
  EXPECT_EQ(doc.Read("A", "o", big), " x ");
  EXPECT_EQ(doc.Read("", "q", big), "1");
  EXPECT_EQ(doc.Read("a", "DUP", big), "1");
  EXPECT_EQ(doc.Read("A", "noeq", big), std::nullopt);
  EXPECT_EQ(doc.Read("A", "later", big), std::nullopt);  // only the first [A] counts
  EXPECT_EQ(doc.Read("missing", "k", big), std::nullopt);
  EXPECT_EQ(doc.KeyNames("A", 16384), (std::vector<std::string>{"k", "m", "n", "o", "dup", "DUP"}));
  EXPECT_EQ(doc.KeyNames("", 16384), (std::vector<std::string>{"q"}));
  EXPECT_EQ(doc.SectionNames(16384), (std::vector<std::string>{"A", "a"}));
}

TEST(IniDocument, BufferLimitsCutAsTheReaderDoes) {
  IniDocument doc = IniDocument::Parse("[S]\r\nKeyA=\"quoted\"\r\nKey1=1\r\nkey2=2\r\n");
  EXPECT_EQ(doc.Read("S", "KeyA", 5), "quot");
  EXPECT_EQ(doc.Read("S", "KeyA", 7), "quote");  // the closing quote came through and went
  EXPECT_EQ(doc.Read("S", "KeyA", 8), "quoted");
  std::string longValue(3000, 'v');
  doc.Write("S", "long", longValue);
  EXPECT_EQ(doc.Read("S", "long", 2048)->size(), 2047u);
  EXPECT_EQ(FitNamesToBuffer({"Key1", "key2"}, 8), (std::vector<std::string>{"Key1", "k"}));
  EXPECT_EQ(FitNamesToBuffer({"Key1", "key2"}, 11), (std::vector<std::string>{"Key1", "key2"}));
  EXPECT_EQ(ProfileDefault("dflt  ", 2048), "dflt");
}

// The buffers count UTF-16 code units, as the profile reader does, and are never left holding half
// a character: one that would not fit whole is left out.
TEST(IniDocument, BuffersCutAtCharacters) {
  IniDocument doc = IniDocument::Parse("[S]\r\nja=日本語テキスト\r\nemoji=a🎉b\r\nq=\"été\"\r\n");
  const struct {
    const char* key;
    size_t buffer;
    const char* value;
  } reads[] = {
      {"ja", 4, "日本語"}, {"emoji", 3, "a"}, {"emoji", 4, "a🎉"}, {"emoji", 5, "a🎉b"},
      {"q", 3, "ét"},      {"q", 4, "ét"},    {"q", 5, "été"},  // the closing quote came through and went
  };
  for (const auto& r : reads) EXPECT_EQ(doc.Read("S", r.key, r.buffer), r.value) << r.key << " " << r.buffer;
  EXPECT_EQ(ProfileDefault("Ωmega🎉", 7), "Ωmega");
  // "Журнал" and its zero take 7 units: of 10, the one left before the final zeros cannot hold 🎉.
  EXPECT_EQ(FitNamesToBuffer({"Журнал", "🎉x", "z"}, 10), (std::vector<std::string>{"Журнал"}));
  EXPECT_EQ(FitNamesToBuffer({"Журнал", "🎉x", "z"}, 11), (std::vector<std::string>{"Журнал", "🎉"}));
  EXPECT_EQ(FitNamesToBuffer({"Журнал", "🎉x", "z"}, 14), (std::vector<std::string>{"Журнал", "🎉x", "z"}));
}

TEST(IniDocument, SixteenKilobyteKeyNameBuffer) {
  // 2000 keys of 9 characters: 10 bytes each with the zero, 20000 bytes in all.
  IniDocument doc;
  for (int i = 0; i < 2000; ++i) doc.Write("Files", "K" + std::to_string(10000000 + i), "");
  std::vector<std::string> names = doc.KeyNames("Files", 16384);
  ASSERT_EQ(names.size(), 1639u);
  EXPECT_EQ(names[1637], "K10001637");
  EXPECT_EQ(names.back(), "K1");  // 16380 bytes used by whole names; "K1", its zero and the final zero fill it
}

TEST(IniDocument, BareNamesMeanTheWindowsDirectory) {
  EXPECT_TRUE(IsBareProfileName("acme.ini"));
  EXPECT_FALSE(IsBareProfileName(".\\acme.ini"));
  EXPECT_FALSE(IsBareProfileName("C:acme.ini"));
  EXPECT_FALSE(IsBareProfileName("sub/acme.ini"));
}

}  // namespace
}  // namespace vurerode::platform
