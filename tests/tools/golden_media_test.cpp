// The media of one small fixed folder, frozen in tests/tools/golden/: any change of what the builder
// writes on disk fails here until the golden files are rewritten on purpose, with
//
//   VURERODE_UPDATE_GOLDEN=1 build/native/tests/test_tools --gtest_filter='GoldenMedia.*'
//
// which writes this build's media over them (review `git diff --stat tests/tools/golden`, then
// commit them with the change). golden/setup.exe is the stand-in installer the media ship: the
// smallest file the builder takes for a Windows program. The folder's file times are set through
// the machine's own file system as DOS local times, the form the archives store, so the media come
// out the same in every time zone. golden/installed/uninstaller.cfg is what installing the frozen
// media on a sandbox machine leaves in the installation directory.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "app/setup_program.h"
#include "media/finstall_cfg.h"
#include "media/install_cfg.h"
#include "media/uninstall_log_format.h"
#include "platform/ini_document.h"
#include "platform/native_file_system.h"
#include "platform/sandbox/sandbox_platform.h"
#include "segment/media_sums.h"
#include "set_tool_fixture.h"
#include "ui/console/console_options.h"
#include "ui/console/console_view.h"
#include "ui/console/console_wizard.h"

namespace vurerode::cli {
namespace {
namespace fs = std::filesystem;
using test::ReadFileBytes;

constexpr const char* kUpdateVariable = "VURERODE_UPDATE_GOLDEN";
// 15 January 2001, 12:34:56: no daylight-saving change anywhere near it.
constexpr uint32_t kFileTime = (21u << 25) | (1u << 21) | (15u << 16) | (12u << 11) | (34u << 5) | (56u / 2);

// A small application: incompressible and text-like files, one subfolder with an empty file, one
// empty folder, and a project file with a shortcut, registry and INI entries and a program to run.
void MakeGoldenSource(const fs::path& root) {
  fs::create_directories(root / "bin");
  fs::create_directories(root / "cache");
  const std::pair<const char*, std::vector<uint8_t>> files[] = {
      {"app.exe", test::RandomBytes(20000, 11)},
      {"readme.txt", test::TextBytes(6000, 12)},
      {"after.bat", test::Bytes("@echo off\r\necho installed\r\n")},
      {"bin/tool.dll", test::RandomBytes(14000, 13)},
      {"bin/empty.dat", {}},
  };
  platform::NativeFileSystem host;
  for (const auto& [name, bytes] : files) {
    test::WriteFileBytes(root / name, bytes);
    host.OpenFile(test::Win(fs::absolute(root / name)), platform::FileAccess::ReadWrite)
        ->SetLastWriteDosTime(kFileTime);
  }
  test::WriteFileBytes(root / "vurerode.prj", test::Bytes("[Setup]\n"
                                                          "Title = Golden Sample 1.0\n"
                                                          "Main Directory = Golden Sample\n"
                                                          "Publisher = Vurerode\n"
                                                          "[Shortcuts]\n"
                                                          "Golden = app.exe, Golden Sample, start menu + desktop\n"
                                                          "[Registry]\n"
                                                          "HKEY_LOCAL_MACHINE\\Software\\Golden, Sample, Version, 1.0\n"
                                                          "[INI Files]\n"
                                                          "golden.ini, Sample, Installed, 1\n"
                                                          "[Run After Install]\n"
                                                          "after.bat\n"));
}

// The files of the media the golden folder freezes (its installer is an input, not an output).
std::vector<std::string> FrozenFiles(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name.rfind("disk.", 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  names.insert(names.end(), {media::kFileListFile, media::kInstallConfigFile, kMediaSumsFile});
  return names;
}

std::string Text(const fs::path& p) {
  const std::vector<uint8_t> bytes = ReadFileBytes(p);
  return std::string(bytes.begin(), bytes.end());
}

class GoldenMedia : public SetToolTest {
 protected:
  // Made absolute before SetUp moves into the scratch folder: under Wine the source tree is on
  // another drive than the temporary folder.
  const fs::path golden_ = fs::absolute(fs::path(__FILE__).parent_path() / "golden");
};

TEST_F(GoldenMedia, TheBuilderWritesTheFrozenMedia) {
  MakeGoldenSource("Sample");
  SetToolRun r =
      Tool({"build", "-m", "lh5", "--setup", (golden_ / "setup.exe").string(), "--segment-size", "16384", "Sample",
            "Media"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> built = FrozenFiles("Media");
  if (const char* update = std::getenv(kUpdateVariable); update && std::string(update) == "1") {
    for (const std::string& old : FrozenFiles(golden_)) fs::remove(golden_ / old);
    for (const std::string& name : built) fs::copy_file(fs::path("Media") / name, golden_ / name);
    GTEST_SKIP() << "rewrote " << golden_.string();
  }
  EXPECT_GE(built.size(), 5u) << "the folder should fill two or three segments";
  EXPECT_LE(built.size(), 6u) << "the folder should fill two or three segments";
  ASSERT_EQ(built, FrozenFiles(golden_)) << "set " << kUpdateVariable << "=1 to rewrite the golden media";
  for (const std::string& name : built)
    EXPECT_TRUE(ReadFileBytes(fs::path("Media") / name) == ReadFileBytes(golden_ / name))
        << name << " differs from the golden one; set " << kUpdateVariable << "=1 to rewrite the golden media";
}

// The frozen install.cfg read as the installer reads it (the profile functions' rules), then
// through the media records.
TEST_F(GoldenMedia, TheFrozenInstallCfgReadsBackThroughTheMediaRecords) {
  const platform::IniDocument ini = platform::IniDocument::Parse(Text(golden_ / media::kInstallConfigFile));
  constexpr size_t kBuffer = 32767;
  EXPECT_EQ(ini.Read(media::kSetupScreenSection, media::setup_screen::TextLineKey(1), kBuffer), "Golden Sample 1.0");
  EXPECT_EQ(ini.Read(media::kSetupScreenSection, media::setup_screen::kMainDirectory, kBuffer), "Golden Sample");
  EXPECT_EQ(ini.Read(media::kSetupScreenSection, media::setup_screen::kPublisher, kBuffer), "Vurerode");

  const std::vector<std::string> desktop = ini.KeyNames(media::kDesktopSection, kBuffer);
  ASSERT_EQ(desktop.size(), 1u);
  const media::TDesktopEntry shortcut = media::ParseDesktopEntry(desktop[0]);
  EXPECT_EQ(shortcut, (media::TDesktopEntry{"Golden", "<InstallDir>\\app.exe", true, true, false,
                                            "C:\\Source\\Sample\\app.exe", "Golden Sample", ""}));

  EXPECT_EQ(ini.Read(media::kIniRegistrySection, media::kIniRegistryCountKey, kBuffer), "2");
  const std::optional<std::string> first = ini.Read(media::kIniRegistrySection, media::IniRegistryKey(0), kBuffer);
  const std::optional<std::string> second = ini.Read(media::kIniRegistrySection, media::IniRegistryKey(1), kBuffer);
  ASSERT_TRUE(first && second);
  EXPECT_EQ(media::ParseConfiguredEntry(*first),
            (media::TConfiguredEntry{"HKEY_LOCAL_MACHINE\\Software\\Golden", "Sample", "Version", "1.0"}));
  EXPECT_EQ(media::ParseConfiguredEntry(*second), (media::TConfiguredEntry{"golden.ini", "Sample", "Installed", "1"}));

  const std::vector<std::string> launch = ini.KeyNames(media::kLaunchApplicationsSection, kBuffer);
  ASSERT_EQ(launch.size(), 1u);
  EXPECT_EQ(media::ParseLaunchApplication(launch[0]).Program, "C:\\Source\\Sample\\after.bat");
}

TEST_F(GoldenMedia, TheFrozenFileListReadsBackThroughTheMediaRecords) {
  const std::string text = Text(golden_ / media::kFileListFile);
  std::vector<media::TInstallFileEntry> entries;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    entries.push_back(media::ParseInstallFileEntry(text.substr(start, end - start)));
  const std::vector<media::TInstallFileEntry> expected = {
      {{"Installation Directory"}, "C:\\Source\\Sample\\after.bat"},
      {{"Installation Directory"}, "C:\\Source\\Sample\\app.exe"},
      {{"Installation Directory", "bin"}, "C:\\Source\\Sample\\bin\\empty.dat"},
      {{"Installation Directory", "bin"}, "C:\\Source\\Sample\\bin\\tool.dll"},
      {{"Installation Directory"}, "C:\\Source\\Sample\\readme.txt"},
      {{"Installation Directory", "cache"}, "C:\\Source\\Sample\\cache\\"},
  };
  EXPECT_EQ(entries, expected);
  ASSERT_FALSE(entries.empty());
  EXPECT_TRUE(entries.back().NamesFolder());
  EXPECT_EQ(media::BaseDirectoryIndex(entries.front().Tokens.front()), 0);
}

// The frozen media installed on a sandbox machine, unattended: the uninstall log the installer
// writes is frozen too (golden/uninstaller.cfg), so a change of its form shows here.
TEST_F(GoldenMedia, TheFrozenMediaLeaveTheFrozenUninstallLog) {
  platform::sandbox::SandboxOptions options;
  options.mounts.push_back({'A', golden_, true});
  platform::sandbox::SandboxPlatform machine(fs::absolute("Machine"), options);
  machine.fs().ChangeDirectory("A:\\");
  setup::console::StringIn in;
  setup::console::StringOut out;
  setup::console::ConsoleView view{in, out, out, true, nullptr};
  std::unique_ptr<setup::TDisplayScreen> screen = setup::StartSetup(machine, view, {});
  view.Attach(screen.get());
  screen->Timer1Timer();
  setup::console::ConsoleOptions silent;
  silent.silent = true;
  if (!screen->Closed) setup::console::DriveSilent(*screen, view, silent);
  screen->Destroy();
  ASSERT_EQ(screen->Outcome, setup::TSetupOutcome::Installed) << screen->FailureMessage << out.str();
  // Not beside the media: an uninstall log there would start the uninstaller.
  const fs::path frozen = golden_ / "installed" / media::kUninstallLogFile;
  const fs::path log = fs::path("Machine") / "drive_c" / "Program Files" / "Golden Sample" / media::kUninstallLogFile;
  if (const char* update = std::getenv(kUpdateVariable); update && std::string(update) == "1") {
    fs::remove(frozen);
    fs::copy_file(log, frozen);
    GTEST_SKIP() << "rewrote " << frozen.string();
  }
  EXPECT_EQ(Text(log), Text(frozen)) << "set " << kUpdateVariable << "=1 to rewrite the golden uninstall log";
}

}  // namespace
}  // namespace vurerode::cli
