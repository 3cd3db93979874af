// The sandbox's test devices (a change refused or the process ended at the N-th change, files held
// in use), restart replacements, and drive quotas given as options.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include "platform/exception.h"
#include "platform/sandbox/sandbox_platform.h"
#include "support/test_support.h"

#if !defined(_WIN32)
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vurerode::platform::sandbox {
namespace {

using test::ScratchDir;
namespace stdfs = std::filesystem;
constexpr auto HKLM = RegistryRoot::LocalMachine;

// Sets an environment variable for the life of the object.
class ScopedEnvironment {
 public:
  ScopedEnvironment(const char* name, const std::string& value) : name_(name) { Set(value.c_str()); }
  ~ScopedEnvironment() { Set(nullptr); }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  void Set(const char* value) {
#if defined(_WIN32)
    _putenv_s(name_, value ? value : "");
#else
    if (value)
      setenv(name_, value, 1);
    else
      unsetenv(name_);
#endif
  }
  const char* name_;
};

void Put(SandboxPlatform& m, const std::string& path, const std::string& text = "data") {
  m.fs().CreateFile(path)->Write(text.data(), text.size());
}

// A machine with one thing of each kind to change.
void Prepare(const stdfs::path& root) {
  SandboxPlatform m(root);
  Put(m, "C:\\old.txt");
  m.fs().CreateDirectory("C:\\Empty");
  m.registry().CreateKey(HKLM, "Software\\Acme")->WriteString("Version", "1");
}

std::unique_ptr<RegistryKey> Acme(SandboxPlatform& m) {
  return m.registry().OpenKey(HKLM, "Software\\Acme", RegistryAccess::ReadWrite);
}

// Each change the device counts: refused the first time (as the system refuses it, leaving things
// as they were), made when tried again.
TEST(SandboxFaults, TheNthChangeIsRefusedAsTheSystemRefusesIt) {
  using Change = std::function<bool(SandboxPlatform&)>;  // true: made
  using Seen = std::function<bool(SandboxPlatform&)>;    // true: the change is there
  auto refused = [](auto call) {
    try {
      call();
      return true;
    } catch (const Exception&) {
      return false;
    }
  };
  const struct {
    const char* name;
    Change change;
    Seen seen;
  } kChanges[] = {
      {"create a file", [&](SandboxPlatform& m) { return refused([&] { m.fs().CreateFile("C:\\new.txt"); }); },
       [](SandboxPlatform& m) { return m.fs().FileExists("C:\\new.txt"); }},
      {"replace a file", [&](SandboxPlatform& m) { return refused([&] { m.fs().CreateFile("C:\\old.txt"); }); },
       [](SandboxPlatform& m) { return m.fs().OpenFile("C:\\old.txt", FileAccess::Read)->Size() == 0; }},
      {"delete a file", [](SandboxPlatform& m) { return m.fs().DeleteFile("C:\\old.txt"); },
       [](SandboxPlatform& m) { return !m.fs().FileExists("C:\\old.txt"); }},
      {"relocate a file", [](SandboxPlatform& m) { return m.fs().RelocateFile("C:\\old.txt", "C:\\moved.txt") >= 0; },
       [](SandboxPlatform& m) { return m.fs().FileExists("C:\\moved.txt"); }},
      {"queue a replacement", [](SandboxPlatform& m) { return m.fs().ReplaceAtRestart("C:\\old.txt", "C:\\x.txt"); },
       [](SandboxPlatform& m) { return stdfs::exists(m.root() / "pending-renames.txt"); }},
      {"create a folder", [](SandboxPlatform& m) { return m.fs().CreateDirectory("C:\\Made") == 0; },
       [](SandboxPlatform& m) { return m.fs().DirectoryExists("C:\\Made"); }},
      {"remove a folder", [](SandboxPlatform& m) { return m.fs().RemoveDirectory("C:\\Empty"); },
       [](SandboxPlatform& m) { return !m.fs().DirectoryExists("C:\\Empty"); }},
      {"set attributes", [](SandboxPlatform& m) { return m.fs().SetAttributes("C:\\old.txt", faHidden); },
       [](SandboxPlatform& m) { return m.fs().GetAttributes("C:\\old.txt") == faHidden; }},
      {"create a key",
       [](SandboxPlatform& m) { return m.registry().CreateKey(HKLM, "Software\\Acme\\New") != nullptr; },
       [](SandboxPlatform& m) {
         return m.registry().OpenKey(HKLM, "Software\\Acme\\New", RegistryAccess::Read) != nullptr;
       }},
      {"delete a key", [](SandboxPlatform& m) { return m.registry().DeleteKeyTree(HKLM, "Software\\Acme"); },
       [](SandboxPlatform& m) { return Acme(m) == nullptr; }},
      {"write a value", [&](SandboxPlatform& m) { return refused([&] { Acme(m)->WriteString("Version", "2"); }); },
       [](SandboxPlatform& m) { return Acme(m)->ReadString("Version") == "2"; }},
      {"write any value",
       [&](SandboxPlatform& m) { return refused([&] {
                                   Acme(m)->WriteValue("Blob", {kRegTypeBinary, {1}});
                                 }); },
       [](SandboxPlatform& m) { return Acme(m)->ReadValue("Blob").has_value(); }},
      {"delete a value", [](SandboxPlatform& m) { return Acme(m)->DeleteValue("Version"); },
       [](SandboxPlatform& m) { return !Acme(m)->ReadString("Version"); }},
      {"write a profile",
       [&](SandboxPlatform& m) { return refused([&] { m.profile().WriteString("acme.ini", "S", "K", "V"); }); },
       [](SandboxPlatform& m) { return m.profile().ReadString("acme.ini", "S", "K", "") == "V"; }},
      {"save a shortcut",
       [](SandboxPlatform& m) {
         auto link = m.shell().CreateShellLink();
         link->SetPath("C:\\old.txt");
         return link->Save("C:\\old.lnk");
       },
       [](SandboxPlatform& m) { return m.fs().FileExists("C:\\old.lnk"); }},
  };
  for (const auto& c : kChanges) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    Prepare(dir.path());
    ScopedEnvironment fault("VURERODE_SANDBOX_FAULT", "1");
    SandboxPlatform m(dir.path());
    EXPECT_FALSE(c.change(m));
    EXPECT_FALSE(c.seen(m));
    EXPECT_TRUE(c.change(m));
    EXPECT_TRUE(c.seen(m));
  }
}

TEST(SandboxFaults, ChangesAreCountedAcrossTheMachineAndNothingElseIs) {
  ScratchDir dir;
  Prepare(dir.path());
  ScopedEnvironment fault("VURERODE_SANDBOX_FAULT", "3");
  SandboxPlatform m(dir.path());
  auto file = m.fs().CreateFile("C:\\a.txt");        // 1
  for (int i = 0; i < 10; ++i) file->Write("x", 1);  // writes into an open file are not counted
  file.reset();
  m.fs().GetAttributes("C:\\a.txt");                    // nor are reads
  m.registry().CreateKey(HKLM, "Software\\Acme");       // nor a key that was there
  EXPECT_EQ(m.fs().CreateDirectory("C:\\a.txt"), 183);  // nor a refusal of the call's own
  Acme(m)->WriteString("Version", "2");                 // 2
  EXPECT_NE(m.fs().CreateDirectory("C:\\Made"), 0);     // 3
  EXPECT_EQ(m.fs().CreateDirectory("C:\\Made"), 0);
}

#if !defined(_WIN32)

TEST(SandboxFaults, AnAbortEndsTheProcessBeforeTheChange) {
  ScratchDir dir;
  Prepare(dir.path());
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    setenv("VURERODE_SANDBOX_FAULT", "2:abort", 1);
    SandboxPlatform m(dir.path());
    Put(m, "C:\\first.txt");
    Put(m, "C:\\second.txt");
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), ChangeFaults::kAbortStatus);
  EXPECT_TRUE(stdfs::exists(dir.path() / "drive_c" / "first.txt"));
  EXPECT_FALSE(stdfs::exists(dir.path() / "drive_c" / "second.txt"));
}

#endif

TEST(SandboxFaults, SettingsThatNameNoChangeCountNothing) {
  for (const char* setting : {"", "0", "x", "2:later", "-1", "3abort"}) {
    SCOPED_TRACE(setting);
    EXPECT_FALSE(ChangeFaults::Parse(setting));
  }
  EXPECT_TRUE(ChangeFaults::Parse("7"));
  EXPECT_TRUE(ChangeFaults::Parse("7:abort"));
}

TEST(SandboxInUse, NamedFilesCannotBeReplacedDeletedOrMoved) {
  ScratchDir dir;
  Prepare(dir.path());
  {
    SandboxPlatform m(dir.path());
    Put(m, "C:\\lib.dll");
  }
  ScopedEnvironment inUse("VURERODE_SANDBOX_IN_USE", "c:\\LIB.dll;C:\\Program Files\\held.exe");
  SandboxPlatform m(dir.path());
  EXPECT_THROW(m.fs().CreateFile("C:\\lib.dll"), EFileInUse);
  EXPECT_THROW(m.fs().CreateFile("C:\\Program Files\\held.exe"), EFileInUse);
  EXPECT_FALSE(m.fs().DeleteFile("C:\\lib.dll"));
  EXPECT_EQ(m.fs().RelocateFile("C:\\lib.dll", "C:\\other.dll"), -1);
  EXPECT_EQ(m.fs().RelocateFile("C:\\old.txt", "C:\\lib.dll"), -1);
  EXPECT_TRUE(m.fs().FileExists("C:\\lib.dll"));
  EXPECT_NO_THROW(m.fs().CreateFile("C:\\lib2.dll"));  // other files are free
  EXPECT_TRUE(m.fs().DeleteFile("C:\\old.txt"));
}

TEST(SandboxRestartReplacement, IsQueuedInTheJournalAndThePendingList) {
  ScratchDir dir;
  SandboxPlatform m(dir.path());
  Put(m, "C:\\Program Files\\lib.new");
  EXPECT_TRUE(m.fs().ReplaceAtRestart("c:\\program files\\LIB.NEW", "C:\\Program Files\\lib.dll"));
  EXPECT_FALSE(m.fs().ReplaceAtRestart("C:\\missing.new", "C:\\lib.dll"));             // nothing to move
  EXPECT_FALSE(m.fs().ReplaceAtRestart("C:\\Program Files\\lib.new", "D:\\lib.dll"));  // no such drive
  auto pending = test::ReadFileBytes(dir.path() / "pending-renames.txt");
  EXPECT_EQ(std::string(pending.begin(), pending.end()), "C:\\Program Files\\lib.new\tC:\\Program Files\\lib.dll\r\n");
  auto lines = m.journal().Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(),
            "MoveFileEx \"C:\\Program Files\\lib.new\" \"C:\\Program Files\\lib.dll\" DELAY_UNTIL_REBOOT");
}

TEST(SandboxQuota, TheOptionsMakeADiskOfThatSize) {
  ScratchDir dir;
  {
    SandboxPlatform m(dir.path());
    Put(m, "C:\\there.bin", std::string(300, 'x'));  // counted once when the machine is made
  }
  int64_t taken = 0;
  for (const auto& e : stdfs::recursive_directory_iterator(dir.path() / "drive_c"))
    if (e.is_regular_file()) taken += static_cast<int64_t>(e.file_size());
  SandboxOptions options;
  options.quotas['C'] = static_cast<uint64_t>(taken) + 1000;
  SandboxPlatform m(dir.path(), options);
  EXPECT_EQ(m.fs().DiskFreeBytes("C:\\"), 1000);
  Put(m, "C:\\a.bin", std::string(600, 'a'));
  EXPECT_EQ(m.fs().DiskFreeBytes("C:\\"), 400);
  {
    auto f = m.fs().CreateFile("C:\\b.bin");
    std::string big(500, 'b');
    try {
      f->Write(big.data(), big.size());
      ADD_FAILURE() << "a write past the quota went through";
    } catch (const EWriteError& e) {
      EXPECT_NE(std::string(e.what()).find("There is not enough space on the disk."), std::string::npos);
    }
    EXPECT_EQ(f->Size(), 400);  // what fits, no more
  }
  EXPECT_EQ(m.fs().DiskFreeBytes("C:\\"), 0);
  EXPECT_TRUE(m.fs().DeleteFile("C:\\there.bin"));  // what was there before counts as well
  EXPECT_EQ(m.fs().DiskFreeBytes("C:\\"), 300);
  Put(m, "C:\\a.bin", "");  // replacing a file gives its room back
  EXPECT_EQ(m.fs().DiskFreeBytes("C:\\"), 900);
}

TEST(CreateDirectoryAlreadyExists, TheSandboxReports183ForAFileOrFolderName) {
  ScratchDir dir;
  SandboxPlatform m(dir.path());
  Put(m, "C:\\name.txt");
  for (const char* path : {"C:\\WINDOWS", "c:\\windows\\temp", "C:\\name.txt", "C:\\NAME.TXT"}) {
    SCOPED_TRACE(path);
    EXPECT_EQ(m.fs().CreateDirectory(path), 183);
  }
}

}  // namespace
}  // namespace vurerode::platform::sandbox
