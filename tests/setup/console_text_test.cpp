// The console's text at its edges: UTF-8 turned into the UTF-16 a Windows console takes and gives,
// never a character split between two writes; the wide command line split whole.
#include <gtest/gtest.h>

#include <istream>
#include <ostream>

#include "platform/text.h"
#include "ui/console/command_line.h"
#include "ui/console/utf16_stream.h"

namespace vurerode::setup::console {
namespace {

const std::string kText = "Café Ünïcödé 日本語 \xF0\x9D\x84\x9E\n";  // 2-, 3- and 4-byte characters

TEST(ConsoleText, WritesCarryWholeCharactersHoweverTheBytesArrive) {
  for (const size_t step : {size_t{1}, size_t{2}, size_t{3}, size_t{5}}) {
    SCOPED_TRACE("flushed every " + std::to_string(step) + " bytes");
    std::u16string written;
    {
      Utf16Writer writer([&](std::u16string_view part) {
        EXPECT_EQ(part.find(u'\uFFFD'), std::u16string_view::npos);  // nothing was cut in two
        written += part;
      });
      std::ostream out(&writer);
      for (size_t at = 0; at < kText.size(); at += step) out << kText.substr(at, step) << std::flush;
    }
    EXPECT_EQ(written, platform::Utf8ToUtf16(kText));
  }
  // A long text goes through the buffer in pieces; what is left at the end still comes out.
  std::u16string written;
  std::string all;
  for (int i = 0; i < 500; ++i) all += kText;
  all += "\xE6\x97";  // a character cut short by the program itself
  {
    Utf16Writer writer([&](std::u16string_view part) { written += part; });
    std::ostream(&writer) << all;
  }
  EXPECT_EQ(written, platform::Utf8ToUtf16(all));
  EXPECT_EQ(written.back(), u'\uFFFD');
}

TEST(ConsoleText, ReadsGiveUtf8EvenWhenAPairOfSurrogatesArrivesInTwo) {
  const std::u16string typed = platform::Utf8ToUtf16("C:\\Descărcări\\日本語\xF0\x9D\x84\x9E\r\nn\r\n");
  for (const size_t step : {size_t{1}, size_t{2}, typed.size()}) {
    size_t at = 0;
    Utf16Reader reader([&](char16_t* units, size_t n) {
      const size_t count = std::min({n, step, typed.size() - at});
      std::copy_n(typed.begin() + static_cast<std::ptrdiff_t>(at), count, units);
      at += count;
      return count;
    });
    std::istream in(&reader);
    std::string line;
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line, "C:\\Descărcări\\日本語\xF0\x9D\x84\x9E\r");
    ASSERT_TRUE(std::getline(in, line));
    EXPECT_EQ(line, "n\r");
    EXPECT_FALSE(std::getline(in, line));
  }
}

#ifdef _WIN32
// Checked against the system's own splitting: the words are the shell's, the characters all there.
TEST(ConsoleText, TheWideCommandLineKeepsEveryCharacterOfADirectory) {
  const struct {
    const wchar_t* commandLine;
    std::vector<std::string> args;
  } cases[] = {
      {L"setup.exe /SILENT /DIR=C:\\Descărcări\\日本語", {"/SILENT", "/DIR=C:\\Descărcări\\日本語"}},
      {L"\"C:\\Program Files\\Café\\setup.exe\" \"/DIR=C:\\Café Ünïcödé 日本語\" Acme 1.0",
       {"/DIR=C:\\Café Ünïcödé 日本語", "Acme", "1.0"}},
      {L"setup.exe /DIR=\"C:\\Ελληνικά \xD834\xDD1E\"", {"/DIR=C:\\Ελληνικά \xF0\x9D\x84\x9E"}},
      {L"setup.exe", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.commandLine), c.args) << c.args.size();
}
#endif

}  // namespace
}  // namespace vurerode::setup::console
