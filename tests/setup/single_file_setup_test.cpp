// A setup program that carries its medium installs as the set does, from itself, leaves the
// program without its medium as the uninstaller, and refuses a damaged one before it changes
// anything.
#include <gtest/gtest.h>

#include "platform/native_file_system.h"
#include "segment/single_file.h"
#include "tools/rehearsal.h"
#include "setup_fixture.h"

namespace vurerode::setup::test {
namespace {

TestApp Writer() {
  TestApp app;
  app.files["LICENSE.TXT"] = "Writer licence\r\n";
  app.files["writer.exe"] = std::string(40000, 'w');
  app.files["docs\\guide.txt"] = "Guide\r\n";
  app.project =
      "[Setup]\nTitle = Writer 2\nMain Directory = Writer\n"
      "[Shortcuts]\nWriter = writer.exe, Writer, start menu + desktop\n"
      "[Registry]\nHKEY_LOCAL_MACHINE\\Software\\Writer, App, Version, 2\n";
  return app;
}

class SingleFileSetup : public SetupTest {
 protected:
  // The set the tool built, with a whole program as its setup.exe, and the same set put inside that
  // program as the only file of the medium.
  void BuildBoth() {
    BuildMedia(Writer());
    vurerode::test::WriteMinimalProgram(Media() / "setup.exe");
    const fs::path single = scratch_.path() / "single";
    fs::create_directories(single);
    // Coded as the tool codes it: the segment too.
    TSingleFileSource source{vurerode::test::Win(Media() / "setup.exe"), {}, {}, 2};
    for (const char* name : {"disk.001", "install.cfg", "finstall.cfg", "SHA256SUMS"}) {
      source.members.push_back({name, vurerode::test::Win(Media() / name)});
      source.coded.push_back(name);
    }
    platform::NativeFileSystem host;
    WriteSingleFile(host, source, vurerode::test::Win(single / "setup.exe"));
    fs::rename(Media(), scratch_.path() / "set");
    fs::rename(single, Media());
  }
  cli::MachineState InstallFrom(const std::string& program) {
    session.ProgramFile = program;
    TDisplayScreen& s = Start();
    InstallWithDefaults(s);
    EXPECT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;
    const cli::MachineState state = cli::ReadMachineState(Root());
    NewMachine();
    fs::remove_all(Root());
    return state;
  }
};

TEST_F(SingleFileSetup, InstallsAsTheSetDoesAndLeavesThePlainProgram) {
  BuildBoth();
  const cli::MachineState fromSingle = InstallFrom("A:\\setup.exe");
  EXPECT_EQ(fs::file_size(Root().parent_path() / "media" / "setup.exe") % 8, 0u);
  fs::rename(Media(), scratch_.path() / "single");
  fs::rename(scratch_.path() / "set", Media());
  const cli::MachineState fromSet = InstallFrom("A:\\setup.exe");
  EXPECT_EQ(fromSingle.paths, fromSet.paths);
  EXPECT_EQ(fromSingle.registryLines, fromSet.registryLines);

  // The installed uninstaller is the program alone, byte for byte.
  fs::rename(Media(), scratch_.path() / "set2");
  fs::rename(scratch_.path() / "single", Media());
  session.ProgramFile = "A:\\setup.exe";
  InstallWithDefaults(Start());
  EXPECT_EQ(vurerode::test::ReadFileBytes(Host("C:\\Program Files\\Writer\\setup.exe")),
            vurerode::test::ReadFileBytes(scratch_.path() / "set2" / "setup.exe"));
}

TEST_F(SingleFileSetup, ADamagedSingleFileChangesNothing) {
  BuildBoth();
  const std::vector<uint8_t> good = vurerode::test::ReadFileBytes(Media() / "setup.exe");
  const struct {
    const char* what;
    size_t flip, keep;
    const char* says;
  } cases[] = {
      {"a byte of the set", 0x400 + 16 + 100, good.size(), "changed"},
      {"cut short", SIZE_MAX, good.size() - 100, "cut short"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<uint8_t> bad(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(c.keep));
    if (c.flip != SIZE_MAX) bad[c.flip] ^= 1;
    vurerode::test::WriteFileBytes(Media() / "setup.exe", bad);
    Machine();
    const cli::MachineState before = cli::ReadMachineState(Root());
    session.ProgramFile = "A:\\setup.exe";
    TDisplayScreen& s = Start();
    EXPECT_TRUE(s.ExpansionFailed);
    ASSERT_FALSE(view.messages.empty());
    EXPECT_EQ(view.messages.back().rfind("Error Expanding Files!!\n", 0), 0u) << view.messages.back();
    EXPECT_NE(view.messages.back().find(c.says), std::string::npos) << view.messages.back();
    s.Destroy();
    const cli::MachineState after = cli::ReadMachineState(Root());
    EXPECT_EQ(after.paths, before.paths);
    EXPECT_EQ(after.registryLines, before.registryLines);
    NewMachine();
    fs::remove_all(Root());
    view.messages.clear();
  }
}

}  // namespace
}  // namespace vurerode::setup::test
