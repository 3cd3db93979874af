// list, test and unpack given a set (a path to one of its segments) instead of an archive.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <fstream>
#include <functional>
#include <sstream>

#include "platform/exception.h"
#include "set_tool_fixture.h"
#include "tools/set_support.h"

namespace vurerode::cli {
namespace {

// A path as the tool prints it: the host's separator between the folder and the name.
std::string In(const std::string& dir, const std::string& name) {
  return (std::filesystem::path(dir) / name).string();
}

namespace fs = std::filesystem;
using test::ReadFileBytes;

class SetCommands : public SetToolTest {
 protected:
  void SetUp() override {
    SetToolTest::SetUp();
    MakeApp("App");
    SetToolRun b = Build({"--segment-size", "30000", "-m", "lzh", "App", "Media"});
    ASSERT_EQ(b.status, 0) << b.err;
  }
};

TEST_F(SetCommands, UnpackPlacesFilesByTheirPathOnTheBuildingMachine) {
  SetToolRun r = Tool({"unpack", "Media/disk.001", "-C", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* rel :
       {"App.exe", "LICENSE.TXT", "bin/core.dll", "bin/plugins/one.dll", "bin/plugins/empty.dat", "docs/manual.txt"})
    EXPECT_EQ(ReadFileBytes(fs::path("out/Source/App") / rel), ReadFileBytes(fs::path("App") / rel)) << rel;
  ExpectNoWorkLeft();
}

// Files are written by a second thread: what lands must still carry each entry's date and
// read-only attribute.
class SetUnpack : public SetToolTest {};

TEST_F(SetUnpack, KeepsDatesAndReadOnlyFiles) {
  MakeApp("App");
  const auto when = fs::last_write_time("App/docs/manual.txt") - std::chrono::hours(24 * 400);
  fs::last_write_time("App/docs/manual.txt", when);
  const auto writable = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions("App/LICENSE.TXT", writable, fs::perm_options::remove);
  ASSERT_EQ(Build({"App", "Media"}).status, 0);
  SetToolRun r = Tool({"unpack", "Media/disk.001", "-C", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_LE(std::chrono::abs(fs::last_write_time("out/Source/App/docs/manual.txt") - when), std::chrono::seconds(2));
  EXPECT_EQ(fs::status("out/Source/App/LICENSE.TXT").permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_NE(fs::status("out/Source/App/App.exe").permissions() & fs::perms::owner_write, fs::perms::none);
  // The scratch folder must be removable.
  fs::permissions("App/LICENSE.TXT", fs::perms::owner_write, fs::perm_options::add);
  fs::permissions("out/Source/App/LICENSE.TXT", fs::perms::owner_write, fs::perm_options::add);
}

#if !defined(_WIN32)
// A disk that fills while files are written ends the command with the failure, never with success
// over short files. The file size limit stands in for the full disk: above every temporary archive
// of the set, below the largest file.
TEST_F(SetCommands, AWriteThatFailsEndsWithAnError) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);
    rlimit limit{70000, 70000};
    setrlimit(RLIMIT_FSIZE, &limit);
    SetToolRun r = Tool({"unpack", "Media/disk.001", "-C", "out"});
    std::ofstream("err.txt") << r.err;
    _exit(r.status);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  std::ifstream in("err.txt");
  std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(err.find("Unable to write to"), std::string::npos) << err;
  EXPECT_NE(err.find("manual.txt"), std::string::npos) << err;
  ExpectNoWorkLeft();
}
#endif

TEST_F(SetCommands, AnySegmentOfTheSetNamesIt) {
  ASSERT_TRUE(fs::exists("Media/disk.004"));
  SetToolRun r = Tool({"unpack", "-v", "Media/disk.004", "-C", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("Source\\App\\bin\\plugins\\one.dll"), std::string::npos) << r.out;
  EXPECT_EQ(ReadFileBytes("out/Source/App/docs/manual.txt"), ReadFileBytes("App/docs/manual.txt"));
}

TEST_F(SetCommands, ListShowsEveryArchiveUnderItsTemplate) {
  SetToolRun r = Tool({"list", "Media/disk.001"});
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* s : {"archive 0: C:\\Source\\App\\*.*", "archive 1: C:\\Source\\App\\bin\\*.*",
                        "C:\\Source\\App\\bin\\plugins\\empty.dat", "C:\\Source\\App\\docs\\manual.txt", "LZH",
                        "6 entries in 4 archives"})
    EXPECT_NE(r.out.find(s), std::string::npos) << s << "\n" << r.out;
  EXPECT_EQ(r.out.find("not listed"), std::string::npos);
  ExpectNoWorkLeft();
}

TEST_F(SetCommands, TestDecodesEverythingAndWritesNothing) {
  SetToolRun r = Tool({"test", "Media/disk.001"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("6 files in 4 archives OK"), std::string::npos) << r.out;
  EXPECT_FALSE(fs::exists("Source"));
  ExpectNoWorkLeft();
}

TEST_F(SetCommands, AMissingSegmentWithoutATerminalEndsWithTheAbort) {
  fs::rename("Media/disk.003", "held");
  for (const char* command : {"unpack", "test", "list"}) {
    SCOPED_TRACE(command);
    std::vector<std::string> args = {command, "Media/disk.001"};
    if (std::string(command) == "unpack") args.insert(args.end(), {"-C", "out"});
    SetToolRun r = Tool(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(
        r.err.find("Unable to locate \"disk.003\" on this segment!\nCorrect and then press OK, or Cancel to abort"),
        std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("(TSegCompress) Operation aborted by user"), std::string::npos) << r.err;
    ExpectNoWorkLeft();
  }
}

TEST_F(SetCommands, DamageIsReportedWithItsMessage) {
  fs::remove("Media/SHA256SUMS");  // which would name the damaged segment before the reader sees it
  auto bytes = ReadFileBytes("Media/disk.002");
  bytes[0] = 'X';
  test::WriteFileBytes("Media/disk.002", bytes);
  SetToolRun r = Tool({"test", "Media/disk.001"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("(TSegCompress) Stream open failed"), std::string::npos) << r.err;
  ExpectNoWorkLeft();
}

// Two bytes of a stored file's data that swap places leave every byte sum as it was: only the
// SHA256SUMS beside the set can tell. Each case damages a fresh copy of an -lh5- set.
TEST_F(SetCommands, TestChecksTheSha256SumsBesideTheSet) {
  ASSERT_EQ(Build({"-m", "lh5", "--segment-size", "30000", "App", "Lh5"}).status, 0);
  // App.exe is noise, stored whatever the method: find a piece of it in the segments.
  const std::vector<uint8_t> app = ReadFileBytes("App/App.exe");
  const std::vector<uint8_t> piece(app.begin() + 30000, app.begin() + 30016);
  std::string damaged;
  size_t at = 0;
  for (const auto& entry : fs::directory_iterator("Lh5")) {
    auto bytes = ReadFileBytes(entry.path());
    auto found = std::search(bytes.begin(), bytes.end(), piece.begin(), piece.end());
    if (found == bytes.end()) continue;
    damaged = entry.path().filename().string();
    at = static_cast<size_t>(found - bytes.begin());
    while (bytes[at] == bytes[at + 1]) ++at;
  }
  ASSERT_FALSE(damaged.empty());
  const auto swapTwoBytes = [&] {
    auto bytes = ReadFileBytes("Check/" + damaged);
    std::swap(bytes[at], bytes[at + 1]);
    test::WriteFileBytes("Check/" + damaged, bytes);
  };

  struct Case {
    const char* what;
    std::function<void()> damage;
    int status;
    std::string message;
  };
  const Case cases[] = {
      {"no damage", [] {}, 0, "6 files in 4 archives OK, "},  // and how many files match SHA256SUMS
      {"swapped bytes, no SHA256SUMS",
       [&] {
         swapTwoBytes();
         fs::remove("Check/SHA256SUMS");
       },
       0, "6 files in 4 archives OK\n"},
      {"swapped bytes", swapTwoBytes, 1, "vurerode: " + In("Check", damaged) + ": SHA-256 does not match SHA256SUMS\n"},
      {"changed installer",
       [] {
         auto bytes = ReadFileBytes("Check/setup.exe");
         bytes.push_back(0);
         test::WriteFileBytes("Check/setup.exe", bytes);
       },
       1, "vurerode: " + In("Check", "setup.exe") + ": SHA-256 does not match SHA256SUMS\n"},
      {"missing install.cfg", [] { fs::remove("Check/install.cfg"); }, 1,
       "vurerode: " + In("Check", "install.cfg") + ": listed in SHA256SUMS but cannot be read\n"},
      {"segment left out of the list",
       [] {
         auto bytes = ReadFileBytes("Check/SHA256SUMS");
         std::istringstream in(std::string(bytes.begin(), bytes.end()));
         std::string kept;
         for (std::string line; std::getline(in, line);)
           if (line.find("  disk.002") == std::string::npos) kept += line + "\n";
         test::WriteFileBytes("Check/SHA256SUMS", test::Bytes(kept));
       },
       1, "vurerode: " + In("Check", "disk.002") + ": not listed in SHA256SUMS"},
      {"malformed list", [] { test::WriteFileBytes("Check/SHA256SUMS", test::Bytes("disk.001 OK\n")); }, 1,
       "vurerode: " + In("Check", "SHA256SUMS") + ": Malformed SHA256SUMS line 1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all("Check");
    fs::copy("Lh5", "Check");
    c.damage();
    SetToolRun r = Tool({"test", "Check/disk.001"});
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE((r.out + r.err).find(c.message), std::string::npos) << r.out << r.err;
    ExpectNoWorkLeft();
  }
}

TEST_F(SetCommands, FoldersAndNamesAreFoundWhateverTheirCase) {
  fs::create_directories("Disks/Upper Case");
  for (int n = 1; n <= 9; ++n) {
    fs::path from = "Media/disk.00" + std::to_string(n);
    if (fs::exists(from)) fs::copy_file(from, "Disks/Upper Case/DISK.00" + std::to_string(n));
  }
  SetToolRun r = Tool({"unpack", "Disks/Upper Case/DISK.001", "-C", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(ReadFileBytes("out/Source/App/App.exe"), ReadFileBytes("App/App.exe"));
}

TEST_F(SetCommands, ALockedSetNeedsItsKey) {
  ASSERT_EQ(Build({"-k", "4711", "App", "Locked"}).status, 0);
  SetToolRun without = Tool({"test", "Locked/disk.001"});
  EXPECT_EQ(without.status, 1);
  EXPECT_NE(without.err.find("File locked -- valid key required"), std::string::npos) << without.err;
  EXPECT_EQ(Tool({"test", "-k", "4711", "Locked/disk.001"}).status, 0);
  EXPECT_EQ(Tool({"list", "Locked/disk.001"}).status, 0) << "listing needs no key";
}

TEST(PlaceBelow, DropsTheDriveAndRefusesToClimb) {
  EXPECT_EQ(PlaceBelow("\\out\\", "C:\\Source\\App\\a.exe"), "\\out\\Source\\App\\a.exe");
  EXPECT_EQ(PlaceBelow("\\out\\", "\\rooted\\x"), "\\out\\rooted\\x");
  // Names come out of the reader in UTF-8, the form the file system takes on every host.
  EXPECT_EQ(PlaceBelow("\\out\\", "caf\xC3\xA9.txt"), "\\out\\caf\xC3\xA9.txt");
  for (const char* bad : {"C:\\..\\x", "C:\\a\\..\\..\\x", "\\...\\x"})
    EXPECT_THROW(PlaceBelow("\\out\\", bad), vurerode::Exception) << bad;
}

}  // namespace
}  // namespace vurerode::cli
