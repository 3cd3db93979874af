// An installation and its removal through the engines into a folder more than MAX_PATH deep, on
// Windows itself: every path the seam hands to Windows on the way is long enough in the \\?\ form.
#if defined(_WIN32)

#include "platform/win32/wide_api.h"
// (the API's headers before the seam's, see windows_api.h)
#include <gtest/gtest.h>

#include "../platform/win32_recording_api.h"
#include "install/install_engine.h"
#include "install/install_paths.h"
#include "install/uninstall_engine.h"
#include "platform/win32/win32_platform.h"
#include "platform/windows_path.h"
#include "shell/file_ops.h"
#include "support/test_support.h"

namespace vurerode::setup {
namespace {

class QuietProgress : public TInstallProgress, public TRemovalProgress {
 public:
  void Status(const std::string&) override {}
  void SetRange(int) override {}
  void Advance() override {}
  void Record(RecordKind, const std::string&) override {}
  void StepReached(TInstallStep) override {}
  void CurrentItem(TInstallStep, const std::string&) override {}
  Prompter& Prompts() override { return prompter; }
  std::string Caption() const override { return "Test"; }
  void PassStarted(int) override {}
  void PassesDone() override {}
  YesNoAll AskDelete(const std::string&) override { return YesNoAll::No; }

  struct : Prompter {
    PromptResult Message(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
      return PromptResult::Cancel;
    }
    bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  } prompter;
};

TEST(Win32LongPathInstallation, InstallsAndRemovesMoreThanMaxPathDeep) {
  using platform::win32::Recorded;
  test::ScratchDir scratch;
  Recorded().clear();
  platform::win32::Win32Platform win(platform::win32::RecordingApi());

  TSetupGlobals g;
  g.SourceDir = scratch.str() + "\\media\\";
  g.TempDir = scratch.str() + "\\";
  g.ExpandDir = scratch.str() + "\\lkst_1\\";
  for (const char* name : {"setup.exe", "install.cfg", "finstall.cfg", "Src\\acme.exe", "Src\\readme.txt"}) {
    ForceDirectories(win.fs(), platform::ExtractFilePath(g.ExpandDir + name));
    win.fs().CreateFile(g.ExpandDir + name)->Write(name, std::string(name).size());
  }
  g.InstallFiles = {"Installation Directory,C:\\Src\\acme.exe", "Installation Directory,Docs,C:\\Src\\readme.txt"};
  g.IniRegistry = {"HKEY_CURRENT_USER\\Software\\Vurerode Test\\Long,Settings,Path,<InstallDir>"};
  TInstallChoices choices;
  choices.InstallDir = scratch.str();
  while (platform::win32::Wide(choices.InstallDir).size() < 300)
    choices.InstallDir += "\\Ünïcödé Ελληνικά 日本語 program folder";
  choices.Title = "Vurerode Long Path Test";
  std::string dir = choices.InstallDir;
  BuildInstallFileLists(win, g, dir);

  QuietProgress progress;
  const TInstallResult result = InstallApplication(win, g, choices, progress);
  ASSERT_EQ(result.Outcome, TInstallOutcome::Installed) << result.FailureText();
  const std::string installed = platform::IncludeTrailingBackslash(choices.InstallDir);
  EXPECT_TRUE(win.fs().FileExists(installed + "acme.exe"));
  EXPECT_TRUE(win.fs().FileExists(installed + "Docs\\readme.txt"));
  EXPECT_TRUE(win.fs().FileExists(installed + "uninstaller.cfg"));

  EXPECT_EQ(RemoveApplication(win, {installed, installed, choices.Title}, progress).Outcome, TRemovalOutcome::Removed);
  EXPECT_FALSE(win.fs().FileExists(installed + "acme.exe"));
  EXPECT_FALSE(win.fs().DirectoryExists(installed + "Docs"));
  win.registry().DeleteKeyTree(platform::RegistryRoot::CurrentUser, "Software\\Vurerode Test");

  const auto check = platform::win32::CheckRecordedPaths();
  EXPECT_GT(check.longOnes, 10u);
  for (const std::wstring& path : check.plain) ADD_FAILURE() << "a plain long path: " << platform::win32::Utf8(path);
}

}  // namespace
}  // namespace vurerode::setup

#endif  // _WIN32
