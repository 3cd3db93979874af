// The tool driven on media: a scratch folder as the current directory, with its own temporary
// folder so that tests can see what the tool leaves there, a stand-in for the Windows installer and
// a helper that runs the tool.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tools/cli.h"

namespace vurerode::cli {

struct SetToolRun {
  int status;
  std::string out, err;
};

class SetToolTest : public ::testing::Test {
 protected:
  // The variable that names the temporary folder, where the tool makes its work folder.
#if defined(_WIN32)
  static constexpr const char* kTempVariable = "TMP";
#else
  static constexpr const char* kTempVariable = "TMPDIR";
#endif
  // Sets a variable of the environment, or removes it when value is null.
  static void SetVariable(const char* name, const char* value) {
#if defined(_WIN32)
    _putenv_s(name, value ? value : "");
#else
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
#endif
  }

  void SetUp() override {
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(scratch_.path());
    std::filesystem::create_directories("tmp");
    const char* old = std::getenv(kTempVariable);
    savedTmp_ = old ? old : "";
    hadTmp_ = old != nullptr;
    SetVariable(kTempVariable, (scratch_.path() / "tmp").string().c_str());
    test::WriteWindowsProgramStub("setup.exe");
  }
  void TearDown() override {
    if (hadTmp_)
      SetVariable(kTempVariable, savedTmp_.c_str());
    else
      SetVariable(kTempVariable, nullptr);
    std::filesystem::current_path(saved_);
  }

  static SetToolRun Tool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    int status = Main(args, out, err);
    return {status, out.str(), err.str()};
  }
  // build with the fake installer.
  static SetToolRun Build(std::vector<std::string> args) {
    args.insert(args.begin(), {"build", "--setup", "setup.exe"});
    return Tool(args);
  }

  // A small application: nested folders, an empty file and an empty folder, text and noise.
  static void MakeApp(const std::filesystem::path& root) {
    namespace fs = std::filesystem;
    fs::create_directories(root / "bin" / "plugins");
    fs::create_directories(root / "docs");
    fs::create_directories(root / "cache");
    test::WriteFileBytes(root / "App.exe", test::RandomBytes(60000, 1));
    test::WriteFileBytes(root / "LICENSE.TXT", test::TextBytes(3000, 2));
    test::WriteFileBytes(root / "bin" / "core.dll", test::RandomBytes(40000, 3));
    test::WriteFileBytes(root / "bin" / "plugins" / "one.dll", test::TextBytes(25000, 4));
    test::WriteFileBytes(root / "bin" / "plugins" / "empty.dat", {});
    test::WriteFileBytes(root / "docs" / "manual.txt", test::TextBytes(90000, 5));
  }

  // Nothing may stay in the temporary folder after a command.
  void ExpectNoWorkLeft() {
    EXPECT_TRUE(std::filesystem::is_empty(scratch_.path() / "tmp"));
  }

  test::ScratchDir scratch_;
  std::filesystem::path saved_;
  std::string savedTmp_;
  bool hadTmp_ = false;
};

}  // namespace vurerode::cli
