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
  void SetUp() override {
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(scratch_.path());
    std::filesystem::create_directories("tmp");
    const char* old = std::getenv("TMPDIR");
    savedTmp_ = old ? old : "";
    hadTmp_ = old != nullptr;
    setenv("TMPDIR", (scratch_.path() / "tmp").c_str(), 1);
    test::WriteWindowsProgramStub("setup.exe");
  }
  void TearDown() override {
    if (hadTmp_)
      setenv("TMPDIR", savedTmp_.c_str(), 1);
    else
      unsetenv("TMPDIR");
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
  void ExpectNoWorkLeft() { EXPECT_TRUE(std::filesystem::is_empty(scratch_.path() / "tmp")); }

  test::ScratchDir scratch_;
  std::filesystem::path saved_;
  std::string savedTmp_;
  bool hadTmp_ = false;
};

}  // namespace vurerode::cli
