// The console's text at its edges: UTF-8 turned into the UTF-16 a Windows console takes and gives,
// never a character split between two writes; text held until a flush; lines however the input
// arrives; the wide command line split whole.
#include <gtest/gtest.h>

#include "platform/text.h"
#include "ui/console/command_line.h"
#include "ui/console/utf16_text.h"

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
      for (size_t at = 0; at < kText.size(); at += step) {
        writer.Write(std::string_view(kText).substr(at, step));
        writer.Flush();
      }
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
    writer.Write(all);
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
    std::string line;
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "C:\\Descărcări\\日本語\xF0\x9D\x84\x9E\r");
    ASSERT_TRUE(reader.ReadLine(line));
    EXPECT_EQ(line, "n\r");
    EXPECT_FALSE(reader.ReadLine(line));
  }
}

// Output reaches the system only when flushed, when 4 KB gather, or at every write for errors.
TEST(ConsoleText, WritesWaitForAFlushUnlessEveryWriteCounts) {
  const struct {
    bool everyWrite;
    std::vector<std::string> writes;
    std::vector<size_t> passedBeforeFlush;  // bytes that reached the sink after each write
  } cases[] = {
      {false, {"[ 10%] a\n", "[ 20%] b\n"}, {0, 0}},
      {true, {"setup: ", "failed\n"}, {7, 14}},
      {false, {std::string(4095, 'x'), "y", "z"}, {0, 4096, 4096}},
  };
  for (const auto& c : cases) {
    std::string passed;
    {
      BufferedOut out([&](std::string_view bytes) { passed += bytes; }, {.everyWrite = c.everyWrite});
      for (size_t i = 0; i < c.writes.size(); ++i) {
        out.Write(c.writes[i]);
        EXPECT_EQ(passed.size(), c.passedBeforeFlush[i]) << c.writes[i];
      }
      out.Flush();
      std::string all;
      for (const std::string& w : c.writes) all += w;
      EXPECT_EQ(passed, all);
    }
  }
}

// Lines as a terminal, a pipe or typed answers give them: in chunks that split lines anywhere, a
// last line without its end, empty lines kept.
TEST(ConsoleText, LinesComeWholeHoweverTheInputIsCut) {
  struct Chunks final : LineReader {
    std::vector<std::string> chunks;
    bool More(std::string& text) override {
      if (chunks.empty()) return false;
      text += chunks.front();
      chunks.erase(chunks.begin());
      return true;
    }
  };
  const struct {
    std::vector<std::string> chunks;
    std::vector<std::string> lines;
  } cases[] = {
      {{"a\n\nb"}, {"a", "", "b"}},
      {{"a", "", "b\n", "c\r\n"}, {"ab", "c\r"}},
      {{"\n"}, {""}},
      {{}, {}},
  };
  for (const auto& c : cases) {
    std::string all;
    for (const std::string& chunk : c.chunks) all += chunk;
    Chunks chunked;
    chunked.chunks = c.chunks;
    StringIn typed(all);
    for (TextInput* in : {static_cast<TextInput*>(&chunked), static_cast<TextInput*>(&typed)}) {
      std::vector<std::string> lines;
      for (std::string line; in->ReadLine(line);) lines.push_back(line);
      EXPECT_EQ(lines, c.lines) << all;
    }
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
