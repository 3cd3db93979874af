// The uninstall entry's command lines: what the installer writes is started by Windows as the
// installed setup.exe (never a shorter program its path's words would name) and hands setup the
// title as one argument; entries written by earlier versions, unquoted, still name their program.
// Titles that could not make that trip are refused.
#include <gtest/gtest.h>

#include "media/install_cfg.h"
#include "media/uninstall_log_format.h"
#include "platform/sandbox/command_line.h"

namespace vurerode::media {
namespace {

using platform::sandbox::ProgramReadings;
using platform::sandbox::SplitArguments;

TEST(UninstallCommand, WrittenCommandsStartTheProgramWithTheTitleAsOneArgument) {
  const std::string program = "C:\\Program Files\\Acme App\\setup.exe";
  for (const std::string title :
       {"Acme 1.0", "Acme  Two  Spaces", " Leading and trailing ", "100% & <more> ^ | !bang /x", "Caf\xE9"}) {
    SCOPED_TRACE(title);
    const std::vector<std::string> quietArgs = {title, "/SILENT"};
    const struct {
      std::string command;
      std::vector<std::string> arguments;
    } commands[] = {{UninstallCommand(program, title), {title}}, {QuietUninstallCommand(program, title), quietArgs}};
    for (const auto& c : commands) {
      // As CreateProcess reads it without an application name: one reading, the program itself.
      const auto readings = ProgramReadings(c.command);
      ASSERT_EQ(readings.size(), 1u) << c.command;
      EXPECT_EQ(readings[0].program, program);
      EXPECT_EQ(SplitArguments(readings[0].rest), c.arguments) << "as the C run-time splits it";
      const TUninstallCommand parsed = ParseUninstallCommand(c.command);
      EXPECT_EQ(parsed.Program, program);
      EXPECT_EQ(parsed.Arguments, c.arguments);
    }
  }
}

TEST(UninstallCommand, EntriesOfEarlierVersionsAndOddSpellingsNameTheirProgram) {
  const struct {
    const char* command;
    const char* program;
    std::vector<std::string> arguments;
  } cases[] = {
      {"C:\\Program Files\\Acme\\setup.exe Acme 1.0", "C:\\Program Files\\Acme\\setup.exe", {"Acme", "1.0"}},
      {"C:\\Apps\\Tool\\SETUP.EXE My App", "C:\\Apps\\Tool\\SETUP.EXE", {"My", "App"}},
      {"C:\\My.exe Files\\setup.exe Title", "C:\\My.exe", {"Files\\setup.exe", "Title"}},
      {"C:\\Apps\\Tool.exes\\setup.exe T", "C:\\Apps\\Tool.exes\\setup.exe", {"T"}},
      {"C:\\Apps\\setup.exe", "C:\\Apps\\setup.exe", {}},
      {"  \"C:\\Program Files\\Acme\\setup.exe\"   \"Acme 1.0\" /SILENT",
       "C:\\Program Files\\Acme\\setup.exe",
       {"Acme 1.0", "/SILENT"}},
      {"\"C:\\Program Files\\Acme\\setup.exe", "C:\\Program Files\\Acme\\setup.exe", {}},
      {"C:\\Apps\\uninstall Title", "C:\\Apps\\uninstall", {"Title"}},
      {"", "", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    const TUninstallCommand parsed = ParseUninstallCommand(c.command);
    EXPECT_EQ(parsed.Program, c.program);
    EXPECT_EQ(parsed.Arguments, c.arguments);
  }
}

TEST(UninstallCommand, TitlesThatCannotRoundTripAreNamedByTheirCharacter) {
  const std::pair<std::string, std::string> cases[] = {
      {"Acme 1.0", ""},
      {"Acme  Two  Spaces", ""},
      {"Acme \"Pro\"", "a double quote (\")"},
      {"Acme\\Pro", "a backslash (\\)"},
      {"Acme\tPro", "a control character (0x09)"},
      {std::string("Acme\nPro"), "a control character (0x0A)"},
      {"Acme\x7F", "a control character (0x7F)"},
      {"Caf\xE9 / 100%", ""},
  };
  for (const auto& [title, fault] : cases) EXPECT_EQ(TitleFault(title), fault) << title;
}

}  // namespace
}  // namespace vurerode::media
