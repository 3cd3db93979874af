// vurerode rehearse on media that install into a folder that stood before and write a value into a
// key that stood before: the round trip leaves the machine as it was, the other program's file and
// value included.
#include "tools/rehearsal.h"

#include <gtest/gtest.h>

#include <sstream>

#include "platform/sandbox/sandbox_platform.h"
#include "set_tool_fixture.h"

namespace vurerode::cli {
namespace {

namespace fs = std::filesystem;

class Rehearsal : public SetToolTest {};

TEST_F(Rehearsal, AnExistingFolderAndKeyKeepWhatOthersPutInThem) {
  MakeApp("App");
  test::WriteFileBytes("App/vurerode.prj",
                       test::Bytes("[Setup]\nTitle = Acme\nMain Directory = Common Files\n"
                                   "[Registry]\nHKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion, Run, "
                                   "Acme, <InstallDir>\\App.exe\n"));
  ASSERT_EQ(Build({"App", "Media"}).status, 0);
  const std::string run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  const std::string theirs = "C:\\Program Files\\Common Files\\Shared\\other.dll";
  {
    platform::sandbox::SandboxPlatform machine(fs::absolute("machine"));
    machine.fs().CreateDirectory("C:\\Program Files\\Common Files");
    machine.fs().CreateDirectory("C:\\Program Files\\Common Files\\Shared");
    machine.fs().CreateFile(theirs)->Write("x", 1);
    machine.registry().CreateKey(platform::RegistryRoot::CurrentUser, run)->WriteString("Other", "C:\\other.exe");
  }
  std::ostringstream out;
  const RehearsalResult result = Rehearse("Media", "machine", out);
  EXPECT_TRUE(result.installed && result.removed) << out.str();
  EXPECT_TRUE(result.leftOver.empty()) << out.str();
  platform::sandbox::SandboxPlatform machine(fs::absolute("machine"));
  EXPECT_TRUE(machine.fs().FileExists(theirs));
  EXPECT_TRUE(machine.fs().DirectoryExists("C:\\Program Files\\Common Files\\"));
  auto key = machine.registry().OpenKey(platform::RegistryRoot::CurrentUser, run, platform::RegistryAccess::Read);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ReadString("Other").value_or(""), "C:\\other.exe");
  EXPECT_FALSE(key->ReadString("Acme").has_value());
}

TEST_F(Rehearsal, QuotasAreTakenPerDriveAndBadOnesAreUsageErrors) {
  MakeApp("App");
  ASSERT_EQ(Build({"App", "Media"}).status, 0);
  // Room enough on C: (the last quota given counts): the round trip is clean.
  const SetToolRun roomy = Tool({"rehearse", "--quota", "C=1K", "--quota", "c=64M", "--keep", "machine", "Media"});
  EXPECT_EQ(roomy.status, 0) << roomy.out << roomy.err;
  for (const char* bad : {"C", "C=ten", "C=-1", "9=1M"}) {
    const SetToolRun run = Tool({"rehearse", "--quota", bad, "Media"});
    EXPECT_EQ(run.status, 2) << bad;
    EXPECT_NE(run.err.find("--quota"), std::string::npos) << bad << ": " << run.err;
  }
}

}  // namespace
}  // namespace vurerode::cli
