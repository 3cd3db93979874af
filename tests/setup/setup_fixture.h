// The setup program driven as a user drives its windows: a sandbox machine, a medium built by
// `vurerode build` from a test application and mounted as A:, and a view that plays scripted
// answers and records what it was shown.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/setup_program.h"
#include "app/unzip.h"
#include "platform/exception.h"
#include "platform/sandbox/sandbox_platform.h"
#include "support/test_support.h"
#include "tools/cli.h"

namespace vurerode::setup::test {

namespace fs = std::filesystem;

class ScriptedView : public TSetupView {
 public:
  PromptResult Message(const std::string& text, const std::string&, PromptButtons buttons, PromptIcon) override {
    messages.push_back(text);
    if (onMessage) onMessage(text);
    if (!answers.empty()) {
      PromptResult r = answers.front();
      answers.pop_front();
      return r;
    }
    return buttons == PromptButtons::Ok ? PromptResult::Ok : PromptResult::Cancel;
  }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  void ShowModal(TUnzip& unzip) override {
    unzip.FormShow();
    unzip.Timer1Timer();
    unzipClosed = unzip.Closed;
  }
  YesNoAll AskYesNoAll(const std::string& text, const std::string&) override {
    questions.push_back(text);
    if (yesNoAll.empty()) return YesNoAll::No;
    YesNoAll r = yesNoAll.front();
    yesNoAll.pop_front();
    return r;
  }
  // The engines let messages run: a click the user made meanwhile is played here.
  void ProcessMessages() override {
    if (onProcessMessages) onProcessMessages();
  }
  void Record(RecordKind kind, const std::string& what) override {
    records.push_back(std::string(RecordKindName(kind)) + ": " + what);
  }

  std::vector<std::string> messages, questions, records;
  std::deque<PromptResult> answers;
  std::deque<YesNoAll> yesNoAll;
  std::function<void(const std::string&)> onMessage;
  std::function<void()> onProcessMessages;
  bool unzipClosed = false;
};

// A test application: files by relative path, and the project file's text.
struct TestApp {
  std::map<std::string, std::string> files;
  std::vector<std::string> emptyFolders;
  std::string project;
};

class SetupTest : public ::testing::Test {
 public:
  fs::path Root() const { return scratch_.path() / "machine"; }
  fs::path Media() const { return scratch_.path() / "media"; }

  // Builds the media from the application with the tool; fails the test when the tool does.
  void BuildMedia(const TestApp& app, std::vector<std::string> extra = {}) {
    const fs::path src = scratch_.path() / "App";
    fs::remove_all(src);
    auto host = [](std::string p) {  // the test names files with backslashes, as Windows does
      for (char& c : p)
        if (c == '\\') c = '/';
      return vurerode::test::U8Path(p);
    };
    for (const auto& [path, text] : app.files) {
      fs::create_directories((src / host(path)).parent_path());
      vurerode::test::WriteFileBytes(src / host(path), std::vector<uint8_t>(text.begin(), text.end()));
    }
    for (const std::string& d : app.emptyFolders) fs::create_directories(src / host(d));
    if (!app.project.empty())
      vurerode::test::WriteFileBytes(src / "vurerode.prj",
                                     std::vector<uint8_t>(app.project.begin(), app.project.end()));
    vurerode::test::WriteWindowsProgramStub(scratch_.path() / "setup.exe");
    std::vector<std::string> args{"build", "--setup", (scratch_.path() / "setup.exe").string()};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(src.string());
    args.push_back(Media().string());
    std::ostringstream out, err;
    ASSERT_EQ(cli::Main(args, out, err), 0) << err.str();
  }

  // Throws the machine away (the main window first: it holds on to the machine).
  void NewMachine() {
    screen_.reset();
    machine_.reset();
  }

  platform::sandbox::SandboxPlatform& Machine(platform::sandbox::SandboxOptions options = {}) {
    if (!machine_) {
      options.mounts.push_back({'A', Media(), true});
      machine_ = std::make_unique<platform::sandbox::SandboxPlatform>(Root(), options);
    }
    return *machine_;
  }

  // Starts setup as A:\setup.exe and runs the bootstrap; the wizard is then on its first page.
  TDisplayScreen& Start(std::vector<std::string> args = {}) {
    if (HasFatalFailure()) throw std::runtime_error("the media could not be built");
    Machine().fs().ChangeDirectory("A:\\");
    screen_ = StartSetup(Machine(), view, args, session);
    if (!screen_->Globals.UninstallMode) screen_->Timer1Timer();
    return *screen_;
  }
  // Starts setup as Windows would from the uninstall entry or the installed folder.
  TDisplayScreen& StartIn(const std::string& dir, std::vector<std::string> args = {}) {
    Machine().fs().ChangeDirectory(dir);
    screen_ = StartSetup(Machine(), view, args, session);
    return *screen_;
  }
  // Walks the wizard with its defaults to the end and closes the window.
  void InstallWithDefaults(TDisplayScreen& s) {
    for (int i = 0; i < 10 && !s.Closed && WizardBarPage(s.PageIndex); ++i)
      s.PageIndex == kPageLicence ? s.acceptClick() : s.Next1Click();
    if (s.PageIndex == kPageFinished && !s.Closed) s.FinishedClick();
    s.Destroy();
  }

  fs::path Host(const std::string& windowsPath) {  // C:\x\y -> ROOT/drive_c/x/y
    std::string p = windowsPath.substr(3);
    for (char& c : p)
      if (c == '\\') c = '/';
    return Root() / ("drive_" + std::string(1, static_cast<char>(std::tolower(windowsPath[0])))) /
           vurerode::test::U8Path(p);
  }
  std::string Text(const std::string& windowsPath) {
    auto bytes = vurerode::test::ReadFileBytes(Host(windowsPath));
    return std::string(bytes.begin(), bytes.end());
  }

  vurerode::test::ScratchDir scratch_;
  ScriptedView view;
  // How the runs reach the journal; a test may put its own.
  TSessionOptions session;
  std::unique_ptr<platform::sandbox::SandboxPlatform> machine_;
  std::unique_ptr<TDisplayScreen> screen_;
};

}  // namespace vurerode::setup::test
