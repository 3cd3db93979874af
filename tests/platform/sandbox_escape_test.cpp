// The sandbox as a security boundary: media from strangers (their file lists, entry names, program
// names and registry names) drive it, so each table below is a set of attacks that must neither
// touch the host outside ROOT, change a read-only medium, run a program nobody asked to run, nor
// leave behind a stored file that does something else at the next start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <set>

#include "platform/exception.h"
#include "platform/sandbox/host_io.h"
#include "platform/sandbox/journal.h"
#include "platform/sandbox/metadata_store.h"
#include "platform/sandbox/sandbox_platform.h"
#include "platform/sandbox/short_name.h"
#include "support/test_support.h"

#if !defined(_WIN32)
#include <sys/stat.h>
#endif

namespace vurerode::platform::sandbox {
namespace {

using test::ScratchDir;
namespace stdfs = std::filesystem;
#if defined(_WIN32)
constexpr bool kPosixHost = false;  // links need privileges there, and the sandbox runs no scripts
#else
constexpr bool kPosixHost = true;
#endif

std::string HostText(const stdfs::path& p) {
  auto b = test::ReadFileBytes(p);
  return std::string(b.begin(), b.end());
}

// A host script that leaves a file named after itself in `trace` when it runs.
void PutHostScript(const stdfs::path& at, const stdfs::path& trace, int exitCode = 0) {
  std::string name = at.filename().string();
  test::WriteFileBytes(at, test::Bytes("#!/bin/sh\ntouch '" + (trace / ("ran-" + name)).string() + "'\nexit " +
                                       std::to_string(exitCode) + "\n"));
  stdfs::permissions(at, stdfs::perms::owner_exec, stdfs::perm_options::add);
}

bool Ran(const stdfs::path& trace, const std::string& name) {
  return stdfs::exists(trace / ("ran-" + name));
}

SandboxOptions Options(bool runHostPrograms, std::vector<SandboxMount> mounts = {}) {
  SandboxOptions o;
  o.mounts = std::move(mounts);
  o.runHostPrograms = runHostPrograms;
  return o;
}

// A host with a folder outside ROOT that holds a victim file and a host program, links into it
// from ROOT and from a medium, a hard link to the victim and a pipe in ROOT.
struct LinkedHost {
  ScratchDir root, outside, medium;
  stdfs::path victim = outside.path() / "victim.txt";

  LinkedHost() {
    test::WriteFileBytes(victim, test::Bytes("outside"));
    // Executable, so that taking the bit away through a second name would show.
    stdfs::permissions(victim, stdfs::perms::owner_exec, stdfs::perm_options::add);
    PutHostScript(outside.path() / "tool", outside.path());
    stdfs::path c = root.path() / "drive_c";
    stdfs::create_directories(c);
    stdfs::create_directory_symlink(outside.path(), c / "linkdir");
    stdfs::create_symlink(victim, c / "f.txt");
    stdfs::create_directory_symlink(outside.path(), root.path() / "drive_e");
    stdfs::create_hard_link(victim, c / "hard.txt");
    stdfs::create_symlink(victim, medium.path() / "readme.txt");
    stdfs::create_directory_symlink(outside.path(), medium.path() / "sub");
#if !defined(_WIN32)
    ::mkfifo((c / "pipe").c_str(), 0666);
#endif
  }
  std::set<std::string> OutsideNames() const {
    std::set<std::string> names;
    for (const auto& e : stdfs::directory_iterator(outside.path())) names.insert(e.path().filename().string());
    return names;
  }
};

TEST(SandboxEscape, HostLinksAndSpecialFilesAreNeverPassedThrough) {
  if (!kPosixHost) GTEST_SKIP() << "host links and pipes are made with POSIX calls";
  struct Attack {
    const char* what;
    std::function<void(SandboxPlatform&)> act;
  } attacks[] = {
      {"create a file below a linked folder",
       [](SandboxPlatform& m) { EXPECT_THROW(m.fs().CreateFile("C:\\linkdir\\x.txt"), EFCreateError); }},
      {"create a folder below a linked folder",
       [](SandboxPlatform& m) { EXPECT_NE(m.fs().CreateDirectory("C:\\linkdir\\new"), 0); }},
      {"create a folder over a link", [](SandboxPlatform& m) { EXPECT_NE(m.fs().CreateDirectory("C:\\linkdir"), 0); }},
      {"delete through a linked folder",
       [](SandboxPlatform& m) { EXPECT_FALSE(m.fs().DeleteFile("C:\\linkdir\\victim.txt")); }},
      {"delete the linked folder", [](SandboxPlatform& m) { EXPECT_FALSE(m.fs().RemoveDirectory("C:\\linkdir")); }},
      {"list a linked folder",
       [](SandboxPlatform& m) {
         FindData fd;
         EXPECT_EQ(m.fs().FindFirst("C:\\linkdir\\*", fd), nullptr);
       }},
      {"list the folder holding links",
       [](SandboxPlatform& m) {
         FindData fd;
         auto search = m.fs().FindFirst("C:\\*", fd);
         ASSERT_TRUE(search);
         do {
           EXPECT_NE(fd.name, "linkdir");
           EXPECT_NE(fd.name, "f.txt");
           EXPECT_NE(fd.name, "pipe");
         } while (search->Next(fd));
       }},
      {"enter a linked folder", [](SandboxPlatform& m) { EXPECT_FALSE(m.fs().ChangeDirectory("C:\\linkdir")); }},
      {"short name through a link",
       [](SandboxPlatform& m) { EXPECT_EQ(m.fs().ShortPathName("C:\\linkdir\\victim.txt"), ""); }},
      {"overwrite a linked file",
       [](SandboxPlatform& m) { EXPECT_THROW(m.fs().CreateFile("C:\\f.txt"), EFCreateError); }},
      {"read a linked file",
       [](SandboxPlatform& m) { EXPECT_THROW(m.fs().OpenFile("C:\\f.txt", FileAccess::Read), EFOpenError); }},
      {"make a linked file read-only",
       [](SandboxPlatform& m) { EXPECT_FALSE(m.fs().SetAttributes("C:\\f.txt", faReadOnly)); }},
      {"write an INI file below a linked folder",
       [](SandboxPlatform& m) {
         EXPECT_THROW(m.profile().WriteString("C:\\linkdir\\a.ini", "S", "K", "v"), EIniFileException);
       }},
      {"overwrite a file with a hard link outside",
       [](SandboxPlatform& m) { EXPECT_THROW(m.fs().CreateFile("C:\\hard.txt"), EFCreateError); }},
      {"write into a file with a hard link outside",
       [](SandboxPlatform& m) { EXPECT_THROW(m.fs().OpenFile("C:\\hard.txt", FileAccess::ReadWrite), EFOpenError); }},
      {"make a file with a hard link outside read-only",
       [](SandboxPlatform& m) { EXPECT_FALSE(m.fs().SetAttributes("C:\\hard.txt", faReadOnly)); }},
      {"open a pipe",
       [](SandboxPlatform& m) { EXPECT_THROW(m.fs().OpenFile("C:\\pipe", FileAccess::Read), EFOpenError); }},
      {"use a drive folder that is a link",
       [](SandboxPlatform& m) {
         EXPECT_EQ(m.fs().GetAttributes("E:\\"), kInvalidAttributes);
         EXPECT_THROW(m.fs().CreateFile("E:\\x.txt"), EFCreateError);
       }},
      {"read a link on a read-only medium",
       [](SandboxPlatform& m) {
         EXPECT_EQ(m.fs().GetAttributes("D:\\readme.txt"), kInvalidAttributes);
         EXPECT_THROW(m.fs().OpenFile("D:\\readme.txt", FileAccess::Read), EFOpenError);
         FindData fd;
         EXPECT_EQ(m.fs().FindFirst("D:\\sub\\*", fd), nullptr);
       }},
      {"run a host program through a linked folder",
       [](SandboxPlatform& m) {
         EXPECT_EQ(m.processes().RunAndWait("C:\\linkdir\\tool", kShowNormal), -1);
         m.shell().Execute(ShellOwner::Desktop, "open", "C:\\linkdir\\tool", "", "", kShowNormal);
         m.shell().Execute(ShellOwner::Desktop, "open", "tool", "", "C:\\linkdir", kShowNormal);
       }},
  };
  for (const Attack& attack : attacks) {
    SCOPED_TRACE(attack.what);
    LinkedHost host;
    std::set<std::string> before = host.OutsideNames();
    auto victimMode = stdfs::status(host.victim).permissions();
    {
      SandboxPlatform machine(host.root.path(), Options(true, {{'D', host.medium.path(), true}}));
      attack.act(machine);
    }
    EXPECT_EQ(HostText(host.victim), "outside");
    EXPECT_EQ(host.OutsideNames(), before);
    EXPECT_EQ(stdfs::status(host.victim).permissions(), victimMode);
    EXPECT_FALSE(Ran(host.outside.path(), "tool"));
  }
}

// Changes the host process's folder for a while.
class HostFolder {
 public:
  explicit HostFolder(const stdfs::path& p) : saved_(stdfs::current_path()) { stdfs::current_path(p); }
  ~HostFolder() { stdfs::current_path(saved_); }

 private:
  stdfs::path saved_;
};

TEST(SandboxEscape, ARelativeRootStaysTheRootWhateverFolderTheHostIsIn) {
  if (!kPosixHost) GTEST_SKIP() << "runs POSIX shell scripts";
  // ROOT is base/a/root, given as ../root from base/a/work; the medium is base/medium.
  ScratchDir base;
  stdfs::path root = base.path() / "a" / "root";
  stdfs::create_directories(base.path() / "a" / "work");
  stdfs::create_directories(base.path() / "medium");
  std::unique_ptr<SandboxPlatform> machine;
  {
    HostFolder in(base.path() / "a" / "work");
    machine = std::make_unique<SandboxPlatform>("../root", Options(true, {{'D', "../../medium", true}}));
  }
  EXPECT_EQ(machine->root(), root);
  PutHostScript(root / "drive_c" / "tool.bat", base.path(), 5);
  // Where ../root leads from the medium's folder: what a relative ROOT used to check or run.
  stdfs::create_directories(base.path() / "root" / "drive_c");
  PutHostScript(base.path() / "root" / "drive_c" / "tool.bat", base.path() / "medium", 9);
  HostFolder in(base.path() / "medium");
  ASSERT_TRUE(machine->fs().ChangeDirectory("D:\\"));
  EXPECT_EQ(machine->processes().RunAndWait("C:\\tool.bat", kShowNormal), 5);
  EXPECT_TRUE(Ran(base.path(), "tool.bat"));
  EXPECT_FALSE(Ran(base.path() / "medium", "tool.bat"));
  // The machine's own files stay in ROOT too.
  EXPECT_TRUE(machine->registry().CreateKey(RegistryRoot::CurrentUser, "Software\\Acme"));
  machine.reset();
  for (const char* file : {"registry.reg", "journal.log", "metadata.txt"}) {
    EXPECT_TRUE(stdfs::exists(root / file)) << file;
    EXPECT_FALSE(stdfs::exists(base.path() / "root" / file)) << file;
    EXPECT_FALSE(stdfs::exists(base.path() / "medium" / file)) << file;
  }
}

TEST(SandboxEscape, HostProgramsRunOnlyWhenAskedAndNeverFromMediaOrSandboxWrites) {
  if (!kPosixHost) GTEST_SKIP() << "runs POSIX shell scripts";
  struct Case {
    const char* what;
    bool runHostPrograms;
    std::function<std::string(SandboxPlatform&, const stdfs::path& root, const stdfs::path& medium)> prepare;
    bool runs;
  } cases[] = {
      {"a script the caller put into ROOT, with host programs off", false,
       [](SandboxPlatform&, const stdfs::path& root, const stdfs::path&) {
         PutHostScript(root / "drive_c" / "helper.bat", root);
         return "C:\\helper.bat";
       },
       false},
      {"a script the caller put into ROOT, with host programs on", true,
       [](SandboxPlatform&, const stdfs::path& root, const stdfs::path&) {
         PutHostScript(root / "drive_c" / "helper.bat", root);
         return "C:\\helper.bat";
       },
       true},
      {"a script overwritten through CreateFile", true,
       [](SandboxPlatform& m, const stdfs::path& root, const stdfs::path&) {
         PutHostScript(root / "drive_c" / "helper.bat", root);
         auto f = m.fs().CreateFile("C:\\helper.bat");
         std::string body = "#!/bin/sh\ntouch '" + (root / "ran-helper.bat").string() + "'\n";
         f->Write(body.data(), body.size());
         return "C:\\helper.bat";
       },
       false},
      {"a script changed through OpenFile", true,
       [](SandboxPlatform& m, const stdfs::path& root, const stdfs::path&) {
         PutHostScript(root / "drive_c" / "helper.bat", root);
         auto f = m.fs().OpenFile("C:\\helper.bat", FileAccess::ReadWrite);
         f->Write("#", 1);
         return "C:\\helper.bat";
       },
       false},
      {"a file written through the sandbox and made executable on the host", true,
       [](SandboxPlatform& m, const stdfs::path& root, const stdfs::path&) {
         auto f = m.fs().CreateFile("C:\\helper.bat");
         f.reset();
         PutHostScript(root / "drive_c" / "helper.bat", root);
         return "C:\\helper.bat";
       },
       false},
      {"an executable file on a read-only medium", true,
       [](SandboxPlatform&, const stdfs::path& root, const stdfs::path& medium) {
         PutHostScript(medium / "helper.bat", root);
         return "D:\\helper.bat";
       },
       false},
      {"an executable file on a writable medium", true,
       [](SandboxPlatform&, const stdfs::path& root, const stdfs::path& medium) {
         PutHostScript(medium / "helper.bat", root);
         return "W:\\helper.bat";
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir root, medium;
    std::string program;
    {
      SandboxPlatform machine(root.path(),
                              Options(c.runHostPrograms, {{'D', medium.path(), true}, {'W', medium.path(), false}}));
      program = c.prepare(machine, root.path(), medium.path());
    }
    // A new start on the same ROOT, as a later rehearsal would be; the script's execute bit is put
    // back from the host (as a file system without permissions shows every file), which must not
    // matter for what the sandbox wrote.
    stdfs::path host = program[0] == 'C' ? root.path() / "drive_c" / "helper.bat" : medium.path() / "helper.bat";
    stdfs::permissions(host, stdfs::perms::owner_exec, stdfs::perm_options::add);
    SandboxPlatform machine(root.path(),
                            Options(c.runHostPrograms, {{'D', medium.path(), true}, {'W', medium.path(), false}}));
    int code = machine.processes().RunAndWait(program, kShowNormal);
    machine.shell().Execute(ShellOwner::Desktop, "open", program, "", "", kShowNormal);
    EXPECT_EQ(Ran(root.path(), "helper.bat"), c.runs);
    EXPECT_EQ(code, 0);
    std::vector<std::string> lines = machine.journal().Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.front().find(c.runs ? "-> exit 0" : "-> recorded"), std::string::npos) << lines.front();
  }
}

TEST(SandboxEscape, WritingThroughTheSandboxLeavesNoExecuteBit) {
  if (!kPosixHost) GTEST_SKIP() << "POSIX permissions";
  ScratchDir root;
  SandboxPlatform machine(root.path());
  PutHostScript(root.path() / "drive_c" / "a.bat", root.path());
  PutHostScript(root.path() / "drive_c" / "b.bat", root.path());
  machine.fs().CreateFile("C:\\a.bat");
  machine.fs().OpenFile("C:\\b.bat", FileAccess::ReadWrite);
  for (const char* name : {"a.bat", "b.bat"})
    EXPECT_EQ(stdfs::status(root.path() / "drive_c" / name).permissions() & stdfs::perms::owner_exec,
              stdfs::perms::none)
        << name;
}

TEST(SandboxEscape, AReadStreamChangesNothing) {
  ScratchDir root, medium;
  test::WriteFileBytes(medium.path() / "readme.txt", test::Bytes("medium"));
  SandboxPlatform machine(root.path(), Options(false, {{'D', medium.path(), true}}));
  test::WriteFileBytes(root.path() / "drive_c" / "local.txt", test::Bytes("local"));
  for (const char* path : {"D:\\readme.txt", "C:\\local.txt"}) {
    SCOPED_TRACE(path);
    int64_t before = HostWriteTime(machine.files().ToHostPath(path));
    auto f = machine.fs().OpenFile(path, FileAccess::Read);
    f->SetLastWriteDosTime(0x21010000);  // 1996-08-01 00:00
    EXPECT_THROW(f->Write("x", 1), EWriteError);
    EXPECT_THROW(f->Truncate(), EWriteError);
    f.reset();
    EXPECT_EQ(HostWriteTime(machine.files().ToHostPath(path)), before);
  }
  EXPECT_EQ(HostText(medium.path() / "readme.txt"), "medium");
}

TEST(SandboxEscape, TheQuotaCountsWhatFilesTakeWhateverTheRoute) {
  constexpr int64_t kQuota = 4096;
  constexpr int64_t kFar = int64_t{64} << 20;
  struct Route {
    const char* what;
    std::function<void(SandboxPlatform&, TFileStream&)> act;
  } routes[] = {
      {"seek far and truncate",
       [](SandboxPlatform&, TFileStream& f) {
         f.Seek(kFar, SeekOrigin::Begin);
         EXPECT_THROW(f.Truncate(), EWriteError);
       }},
      {"seek far, write a byte, fill the gap",
       [](SandboxPlatform&, TFileStream& f) {
         f.Seek(kFar, SeekOrigin::Begin);
         EXPECT_THROW(f.Write("x", 1), EWriteError);
         std::string block(4096, 'g');
         f.Seek(0, SeekOrigin::Begin);
         for (int i = 0; i < 4; ++i) {
           try {
             f.Write(block.data(), block.size());
           } catch (const EWriteError&) {
           }
         }
       }},
      {"seek from the current place and the end",
       [](SandboxPlatform&, TFileStream& f) {
         f.Write("abc", 3);
         f.Seek(kFar, SeekOrigin::Current);
         EXPECT_THROW(f.Write("x", 1), EWriteError);
         f.Seek(kFar, SeekOrigin::End);
         EXPECT_THROW(f.Truncate(), EWriteError);
       }},
      {"seek to the end of the range",
       [](SandboxPlatform&, TFileStream& f) {
         f.Seek(INT64_MAX, SeekOrigin::Begin);
         EXPECT_THROW(f.Write("x", 1), EWriteError);
         f.Seek(INT64_MAX, SeekOrigin::Current);
         f.Seek(INT64_MIN, SeekOrigin::Current);
         EXPECT_EQ(f.Seek(0, SeekOrigin::Current), 0);
       }},
      {"fail to replace a file, again and again",
       [](SandboxPlatform& m, TFileStream& f) {
         std::string block(4000, 'b');
         f.Write(block.data(), block.size());
         if (!kPosixHost) return;
         // A second name of the same file is refused as a file to replace; it frees nothing.
         stdfs::create_hard_link(m.root() / "drive_c" / "big.bin", m.root() / "drive_c" / "twin.bin");
         for (int i = 0; i < 3; ++i) EXPECT_THROW(m.fs().CreateFile("C:\\twin.bin"), EFCreateError);
       }},
      {"grow by truncating within the room, then shrink",
       [](SandboxPlatform&, TFileStream& f) {
         f.Seek(kQuota - 100, SeekOrigin::Begin);
         f.Truncate();
         f.Seek(10, SeekOrigin::Begin);
         f.Truncate();
       }},
  };
  for (const Route& route : routes) {
    SCOPED_TRACE(route.what);
    ScratchDir root;
    SandboxPlatform machine(root.path());
    machine.files().SetQuota('C', kQuota);
    {
      auto f = machine.fs().CreateFile("C:\\big.bin");
      route.act(machine, *f);
    }
    int64_t taken = static_cast<int64_t>(stdfs::file_size(root.path() / "drive_c" / "big.bin"));
    EXPECT_LE(taken, kQuota);
    EXPECT_EQ(machine.fs().DiskFreeBytes("C:\\"), static_cast<double>(kQuota - taken));
  }
}

TEST(SandboxEscape, RegistryNamesRoundTripOrAreRefused) {
  const std::string kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";
  const std::string names[] = {
      "evil\r\n[HKEY_LOCAL_MACHINE\\Software\\Evil]",
      "x]\r\n[-HKEY_LOCAL_MACHINE\\" + kCurrentVersion + "]",
      "x\n\"ProgramFilesDir\"=\"C:\\\\Evil\"",
      "x\r[-HKEY_LOCAL_MACHINE\\Software]",
      std::string("nul\0in", 6),
      "tab\there",
      "a]b",
      "[bracketed]",
      "-leading dash",
      "; not a comment",
      "@",
      "quote\"and=equals",
      "  spaces around  ",
      "ä€ Łódź Ж Ω 日本語 🎉",
  };
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    ScratchDir dir;
    stdfs::path file = dir.path() / "registry.reg";
    bool keyStored = false, valueStored = false;
    {
      SandboxRegistry reg(file, false);
      if (auto key = reg.CreateKey(RegistryRoot::CurrentUser, "Software\\" + name)) {
        keyStored = true;
        key->WriteString("v", "1");
      }
      auto plain = reg.CreateKey(RegistryRoot::CurrentUser, "Software\\Plain");
      try {
        plain->WriteString(name, "value");
        valueStored = true;
      } catch (const ERegistryException& e) {
        EXPECT_STREQ(e.what(), ("Failed to set data for '" + name + "'").c_str());
      }
    }
    bool control = name.find_first_of(std::string("\r\n\t\0", 4)) != std::string::npos;
    EXPECT_EQ(keyStored, !control);
    EXPECT_EQ(valueStored, !control);
    SandboxRegistry reg(file, false);  // the next start
    if (keyStored) {
      auto key = reg.OpenKey(RegistryRoot::CurrentUser, "Software\\" + name, RegistryAccess::Read);
      ASSERT_TRUE(key);
      EXPECT_EQ(key->ReadString("v"), "1");
      auto software = reg.OpenKey(RegistryRoot::CurrentUser, "Software", RegistryAccess::Read);
      std::vector<std::string> sub = software->SubKeyNames();
      EXPECT_NE(std::find(sub.begin(), sub.end(), name), sub.end());
    }
    if (valueStored) {
      auto plain = reg.OpenKey(RegistryRoot::CurrentUser, "Software\\Plain", RegistryAccess::Read);
      EXPECT_EQ(plain->ReadString(name), "value");
      EXPECT_EQ(plain->ValueNames(), std::vector<std::string>{name});
    }
    auto hklm = reg.OpenKey(RegistryRoot::LocalMachine, "Software", RegistryAccess::Read);
    ASSERT_TRUE(hklm);
    EXPECT_EQ(hklm->SubKeyNames(), std::vector<std::string>{"Microsoft"});
    auto version = reg.OpenKey(RegistryRoot::LocalMachine, kCurrentVersion, RegistryAccess::Read);
    ASSERT_TRUE(version);
    EXPECT_EQ(version->ReadString("ProgramFilesDir"), "C:\\Program Files");
    EXPECT_TRUE(reg.OpenKey(RegistryRoot::LocalMachine, kCurrentVersion + "\\Uninstall", RegistryAccess::Read));
  }
}

TEST(SandboxEscape, HostNamesWindowsCannotHoldAreNotShown) {
  if (!kPosixHost) GTEST_SKIP() << "such names are made on a POSIX host";
  ScratchDir root, medium;
  const std::string unshowable[] = {
      "x\r\n7\t-\tC:\\WINDOWS\\Desktop",
      "line\nbreak.txt",
      "back\\slash.txt",
      "star*.txt",
      "what?.txt",
      "bad\xFF utf8.txt",
      "pipe|.txt",
      "colon:.txt",
  };
  for (const std::string& name : unshowable) test::WriteFileBytes(medium.path() / name, test::Bytes("x"));
  test::WriteFileBytes(medium.path() / "A long name that is fine.txt", test::Bytes("x"));
  test::WriteFileBytes(medium.path() / "\xE2\x98\x83 snowman.txt", test::Bytes("x"));  // any character Windows allows
  {
    SandboxPlatform machine(root.path(), Options(false, {{'D', medium.path(), true}}));
    std::vector<std::string> seen;
    FindData fd;
    if (auto search = machine.fs().FindFirst("D:\\*", fd)) {
      do seen.push_back(fd.name);
      while (search->Next(fd));
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(seen, (std::vector<std::string>{"A long name that is fine.txt", "\xE2\x98\x83 snowman.txt"}));
    EXPECT_EQ(machine.fs().ShortPathName("D:\\A long name that is fine.txt"), "D:\\ALONGN~1.TXT");
    // Nor can such names be made through the sandbox.
    for (const char* bad : {"C:\\a\r\nb.txt", "C:\\tab\there.txt", "C:\\x\x01.txt"}) {
      EXPECT_THROW(machine.fs().CreateFile(bad), EFCreateError) << bad;
      EXPECT_EQ(machine.fs().CreateDirectory(bad), 123) << bad;
    }
  }
  SandboxPlatform machine(root.path());  // the next start
  EXPECT_EQ(machine.fs().GetAttributes("C:\\WINDOWS\\Desktop"), faDirectory);
  EXPECT_TRUE(machine.fs().SetAttributes("C:\\WINDOWS\\Desktop", 0));
}

TEST(SandboxEscape, StoredRecordsAreOneLineWhateverANameHolds) {
  const std::string names[] = {"plain.txt", "cr\rlf\n.txt", "tab\t.txt", "50%.txt", "%0A.txt", "%25", "del\x7F"};
  ScratchDir dir;
  {
    MetadataStore store(dir.path() / "metadata.txt");
    for (const std::string& name : names) {
      MetadataStore::Entry& e = store.Get("C:\\WINDOWS", name);
      e.attributes = faHidden;
      e.alias = "AL\r\nIAS~1";
      e.written = true;
    }
  }
  std::string text = HostText(dir.path() / "metadata.txt");
  size_t lines = 0;
  for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2, ++lines) {
    std::string line = text.substr(at, end - at);
    EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), 2) << line;
    EXPECT_TRUE(std::none_of(line.begin(), line.end(), [](char c) {
      return c != '\t' && static_cast<unsigned char>(c) < 0x20;
    })) << line;
  }
  EXPECT_EQ(lines, std::size(names));
  MetadataStore again(dir.path() / "metadata.txt");
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const MetadataStore::Entry* e = again.Find("C:\\WINDOWS", name);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->name, name);
    EXPECT_EQ(e->attributes, faHidden);
    EXPECT_EQ(e->alias, "AL\r\nIAS~1");
    EXPECT_TRUE(e->written);
  }

  // The journal: texts from a medium cannot start a line of their own.
  ScratchDir root;
  SandboxPlatform machine(root.path());
  const std::string forged = "\r\nCreateProcess SW_HIDE \"C:\\forged.exe\" -> exit 0 \"C:\\forged.exe\"\n";
  machine.processes().RunAndWait("evil" + forged, kShowNormal);
  machine.shell().Execute(ShellOwner::Desktop, "open" + forged, "x" + forged, forged, forged, kShowNormal);
  std::vector<std::string> journal = machine.journal().Lines();
  ASSERT_EQ(journal.size(), 2u);
  EXPECT_EQ(journal[0].rfind("CreateProcess SW_SHOWNORMAL \"evil%0D%0ACreateProcess", 0), 0u) << journal[0];
  EXPECT_EQ(JournalQuote("100%\n"), "\"100%25%0A\"");
}

TEST(SandboxEscape, ShortNamesGiveUpAfterABoundedNumberOfTries) {
  int tries = 0;
  std::string alias = MakeShortName("Program Files", [&](const std::string&) {
    ++tries;
    return true;
  });
  EXPECT_EQ(alias, "");
  EXPECT_EQ(tries, 4 + kMaxHashedTails);
}

}  // namespace
}  // namespace vurerode::platform::sandbox
