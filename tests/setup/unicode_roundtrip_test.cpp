// Media whose names and texts come from several scripts, end to end: built by the tool, installed on
// the sandbox machine, every name and value checked as Windows would show it, then removed through
// the uninstall entry, which must give the machine back as it was.
#include <algorithm>

#include "media/uninstall_log_format.h"
#include "platform/sandbox/command_line.h"
#include "platform/text.h"
#include "setup_fixture.h"
#include "tools/rehearsal.h"
#include "ui/console/console_options.h"

namespace vurerode::setup::test {
namespace {

// UTF-16LE bytes of a text, as a shortcut file holds its strings.
std::string Utf16Bytes(const std::string& utf8) {
  std::string bytes;
  for (char16_t u : platform::Utf8ToUtf16(utf8)) {
    bytes += static_cast<char>(u & 0xFF);
    bytes += static_cast<char>(u >> 8);
  }
  return bytes;
}

class UnicodeRoundTrip : public SetupTest {
 protected:
  // The host files of the machine named name, anywhere on drive C:.
  std::vector<fs::path> FindOnDriveC(const std::string& name) {
    std::vector<fs::path> found;
    for (const auto& e : fs::recursive_directory_iterator(Root() / "drive_c"))
      if (e.path().filename() == vurerode::test::U8Path(name)) found.push_back(e.path());
    return found;
  }
};

TEST_F(UnicodeRoundTrip, EveryNameAndValueArrivesAndGoesExactly) {
  const struct {
    const char* script;
    std::string word;
  } rows[] = {
      {"Latin-1", "Caf\xC3\xA9 \xC3\x9C"},                                    // Café Ü
      {"Latin-2", "\xC5\xBB\xC3\xB3\xC5\x82w \xC5\x81\xC3\xB3\x64\xC5\xBA"},  // Żółw Łódź
      {"Cyrillic", "\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB"},       // Журнал
      {"Greek", "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xAC\xCE\xB4\xCE\xB1"},          // Ελλάδα
      {"CJK", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E"},                        // 日本語
      {"emoji", "\xF0\x9F\x8E\x89 Party"},                                    // 🎉 Party
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.script);
    const std::string w = row.word;
    TestApp app;
    app.files[w + ".exe"] = "program " + w;
    app.files[w + " docs\\" + w + ".txt"] = "text " + w;
    app.emptyFolders = {w + " cache"};
    const std::string title = w + " App";
    app.project = "[Setup]\nTitle = " + title + "\nMain Directory = " + w + " Dir\nPublisher = " + w +
                  " Publisher\n[Shortcuts]\n" + w + " Link = " + w + ".exe, " + w + " Group, start menu + desktop\n" +
                  "[Registry]\nHKEY_LOCAL_MACHINE\\Software\\" + w + " Vendor, " + w + " Key, " + w + " Name, " + w +
                  " Value\n[INI Files]\n" + w + ".ini, " + w + " Section, " + w + " Entry, " + w + " Setting\n";
    BuildMedia(app);
    Machine();
    const cli::MachineState before = cli::ReadMachineState(Root());

    TDisplayScreen& s = Start();
    InstallWithDefaults(s);
    ASSERT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;

    // Files and folders, as the host holds them (UTF-8 below the sandbox root) and as Windows sees them.
    const std::string dir = "C:\\Program Files\\" + w + " Dir\\";
    EXPECT_EQ(Text(dir + w + ".exe"), "program " + w);
    EXPECT_EQ(Text(dir + w + " docs\\" + w + ".txt"), "text " + w);
    EXPECT_TRUE(fs::is_directory(Host(dir + w + " cache")));
    EXPECT_TRUE(Machine().fs().FileExists(platform::UpperCase(dir + w + ".exe"))) << "names compare case-blind";

    // Registry and INI values, through the machine's own functions.
    auto key =
        Machine().registry().OpenKey(platform::RegistryRoot::LocalMachine, "Software\\" + w + " Vendor\\" + w + " Key",
                                     platform::RegistryAccess::Read);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ReadString(w + " Name").value_or("(none)"), w + " Value");
    key.reset();
    EXPECT_EQ(Machine().profile().ReadString(w + ".ini", w + " Section", w + " Entry", "(none)"), w + " Setting");

    // The uninstall entry carries the title and the publisher.
    auto entry =
        Machine().registry().OpenKey(platform::RegistryRoot::LocalMachine, std::string(media::kUninstallKey) + title,
                                     platform::RegistryAccess::Read);
    ASSERT_TRUE(entry) << title;
    EXPECT_EQ(entry->ReadString("DisplayName").value_or("(none)"), title);
    EXPECT_EQ(entry->ReadString("Publisher").value_or("(none)"), w + " Publisher");
    const std::string command = entry->ReadString("UninstallString").value_or("");
    entry.reset();

    // The shortcuts: in the start menu's group and on the desktop, each naming its target.
    const std::vector<fs::path> links = FindOnDriveC(w + " Link.lnk");
    ASSERT_GE(links.size(), 2u);
    EXPECT_TRUE(std::any_of(links.begin(), links.end(), [&](const fs::path& p) {
      return p.parent_path().filename() == vurerode::test::U8Path(w + " Group");
    }));
    for (const fs::path& link : links) {
      const auto bytes = vurerode::test::ReadFileBytes(link);
      EXPECT_NE(std::string(bytes.begin(), bytes.end()).find(Utf16Bytes(w + ".exe")), std::string::npos)
          << link << " names its target in Unicode";
    }

    // Removal as Add/Remove Programs starts it.
    const auto readings = platform::sandbox::ProgramReadings(command);
    ASSERT_EQ(readings.size(), 1u) << command;
    const console::ConsoleOptions o = console::ParseConsoleOptions(platform::sandbox::SplitArguments(readings[0].rest));
    view.yesNoAll = {YesNoAll::Yes, YesNoAll::Yes, YesNoAll::Yes, YesNoAll::Yes};
    TDisplayScreen& u = StartIn("C:\\WINDOWS", o.args);
    ASSERT_TRUE(u.Globals.UninstallMode);
    EXPECT_EQ(u.UninstallTitle, title);
    u.RemoveClick();
    u.Destroy();
    EXPECT_EQ(u.Outcome, TSetupOutcome::Removed);
    Machine().RunDeferredPrograms();

    const cli::MachineState after = cli::ReadMachineState(Root());
    std::vector<std::string> added, gone;
    std::set_difference(after.paths.begin(), after.paths.end(), before.paths.begin(), before.paths.end(),
                        std::back_inserter(added));
    std::set_difference(before.paths.begin(), before.paths.end(), after.paths.begin(), after.paths.end(),
                        std::back_inserter(gone));
    EXPECT_EQ(added, std::vector<std::string>{"C:\\WINDOWS\\Temp\\zad2000.bat"}) << "only the cleanup batch stays";
    EXPECT_TRUE(gone.empty()) << gone.front();
    EXPECT_EQ(after.registryLines, before.registryLines);

    NewMachine();
    fs::remove_all(Root());
    view.yesNoAll.clear();
  }
}

}  // namespace
}  // namespace vurerode::setup::test
