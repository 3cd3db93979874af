#include "platform/sandbox/sandbox_file_system.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/dos_time.h"
#include "platform/exception.h"
#include "platform/file_search.h"
#include "support/test_support.h"

namespace vurerode::platform::sandbox {
namespace {

using test::ScratchDir;
namespace stdfs = std::filesystem;

void Put(FileSystem& fs, const std::string& path, const std::string& text) {
  auto f = fs.CreateFile(path);
  f->Write(text.data(), text.size());
}

std::string Get(FileSystem& fs, const std::string& path) {
  auto f = fs.OpenFile(path, FileAccess::Read);
  std::string s(static_cast<size_t>(f->Size()), '\0');
  f->ReadBuffer(s.data(), s.size());
  return s;
}

std::vector<std::string> Names(FileSystem& fs, const std::string& pattern, uint32_t mask = faAnyFile) {
  std::vector<std::string> names;
  TFileSearch search(fs, pattern, mask);
  TSearchRec rec;
  while (search.Next(rec)) names.push_back(rec.Name);
  return names;
}

class SandboxFileSystemTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  SandboxFileSystem fs{dir.path()};
};

TEST_F(SandboxFileSystemTest, LaysOutAClassicWindowsMachine) {
  EXPECT_EQ(fs.WindowsDirectory(), "C:\\WINDOWS");
  for (const char* d : {"C:\\WINDOWS\\Temp", "C:\\WINDOWS\\System", "C:\\WINDOWS\\System32", "C:\\WINDOWS\\Fonts",
                        "C:\\WINDOWS\\Desktop", "C:\\WINDOWS\\Start Menu\\Programs\\StartUp",
                        "C:\\WINDOWS\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch"})
    EXPECT_TRUE(fs.DirectoryExists(d)) << d;
  EXPECT_TRUE(stdfs::is_directory(dir.path() / "drive_c" / "WINDOWS" / "Start Menu" / "Programs"));
  EXPECT_EQ(fs.ShortPathName("C:\\Program Files"), "C:\\PROGRA~1");
  EXPECT_EQ(fs.ShortPathName("c:\\windows\\start menu\\programs\\startup"), "C:\\WINDOWS\\STARTM~1\\Programs\\StartUp");
}

TEST_F(SandboxFileSystemTest, NamesIgnoreCaseAndKeepIt) {
  ASSERT_EQ(fs.CreateDirectory("c:\\program files\\ACME"), 0);
  Put(fs, "C:\\PROGRAM FILES\\acme\\ReadMe.TXT", "hello");
  EXPECT_TRUE(stdfs::exists(dir.path() / "drive_c" / "Program Files" / "ACME" / "ReadMe.TXT"));
  EXPECT_EQ(Get(fs, "c:\\Program Files\\Acme\\README.txt"), "hello");
  EXPECT_EQ(Get(fs, "C:\\\\Program Files\\\\ACME\\\\readme.txt"), "hello");  // doubled backslashes read as one
  EXPECT_EQ(Get(fs, "C:/Program Files/ACME/readme.txt"), "hello");
  EXPECT_EQ(Names(fs, "C:\\program files\\acme\\*.*"), (std::vector<std::string>{".", "..", "ReadMe.TXT"}));
  // Writing under another spelling replaces the same file and keeps the first spelling.
  Put(fs, "C:\\Program Files\\Acme\\README.TXT", "again");
  EXPECT_EQ(Names(fs, "C:\\Program Files\\Acme\\r*"), (std::vector<std::string>{"ReadMe.TXT"}));
  EXPECT_EQ(fs.CreateDirectory("C:\\PROGRAM FILES\\acme"), 183);
}

TEST_F(SandboxFileSystemTest, AttributeBitsAreKeptAndReadOnlyRefusesDeletion) {
  Put(fs, "C:\\a.txt", "x");
  EXPECT_EQ(fs.GetAttributes("C:\\a.txt"), faArchive);
  ASSERT_TRUE(fs.SetAttributes("C:\\a.txt", faReadOnly | faHidden | faArchive));
  EXPECT_EQ(fs.GetAttributes("C:\\A.TXT"), faReadOnly | faHidden | faArchive);
  EXPECT_FALSE(fs.DeleteFile("C:\\a.txt"));
  EXPECT_THROW(fs.CreateFile("C:\\a.txt"), EFCreateError);
  EXPECT_THROW(fs.OpenFile("C:\\a.txt", FileAccess::ReadWrite), EFOpenError);
  EXPECT_EQ(Get(fs, "C:\\a.txt"), "x");
  ASSERT_TRUE(fs.SetAttributes("C:\\a.txt", faHidden));
  EXPECT_THROW(fs.CreateFile("C:\\a.txt"), EFCreateError);  // hidden files are not replaced either
  ASSERT_TRUE(fs.SetAttributes("C:\\a.txt", 0));
  EXPECT_EQ(fs.GetAttributes("C:\\a.txt"), faNormal);
  EXPECT_TRUE(fs.DeleteFile("C:\\a.txt"));
  EXPECT_EQ(fs.GetAttributes("C:\\a.txt"), kInvalidAttributes);

  ASSERT_EQ(fs.CreateDirectory("C:\\D"), 0);
  EXPECT_EQ(fs.GetAttributes("C:\\D"), faDirectory);
  ASSERT_TRUE(fs.SetAttributes("C:\\D", faReadOnly | faSysFile));
  EXPECT_EQ(fs.GetAttributes("C:\\D"), faDirectory | faReadOnly | faSysFile);
  Put(fs, "C:\\D\\inside.txt", "files can still be made in a read-only folder");
  EXPECT_TRUE(fs.DeleteFile("C:\\D\\inside.txt"));
  EXPECT_FALSE(fs.RemoveDirectory("C:\\D"));
  ASSERT_TRUE(fs.SetAttributes("C:\\D", 0));
  EXPECT_TRUE(fs.RemoveDirectory("C:\\D"));
}

TEST(SandboxMachine, AttributesAndAliasesSurviveARestart) {
  ScratchDir dir;
  {
    SandboxFileSystem fs(dir.path());
    ASSERT_EQ(fs.CreateDirectory("C:\\Long Folder One"), 0);
    ASSERT_EQ(fs.CreateDirectory("C:\\Long Folder Two"), 0);
    Put(fs, "C:\\Long Folder Two\\x.txt", "x");
    ASSERT_TRUE(fs.SetAttributes("C:\\Long Folder Two\\x.txt", faHidden | faSysFile));
    ASSERT_TRUE(fs.RemoveDirectory("C:\\Long Folder One"));  // its alias is free again, Two keeps ~2
  }
  SandboxFileSystem fs(dir.path());
  EXPECT_EQ(fs.GetAttributes("C:\\LONGFO~2\\x.txt"), faHidden | faSysFile);
  EXPECT_EQ(fs.ShortPathName("C:\\Long Folder Two\\x.txt"), "C:\\LONGFO~2\\x.txt");
  ASSERT_EQ(fs.CreateDirectory("C:\\Long Folder Three"), 0);
  EXPECT_EQ(fs.ShortPathName("C:\\Long Folder Three"), "C:\\LONGFO~1");
  SandboxFileSystem other(dir.path() / "elsewhere");  // another machine sees none of it
  EXPECT_FALSE(other.DirectoryExists("C:\\Long Folder Two"));
}

TEST_F(SandboxFileSystemTest, FilesInUseRefuseDeletionAndConflictingOpens) {
  Put(fs, "C:\\f.bin", "data");
  {
    auto reader = fs.OpenFile("C:\\f.bin", FileAccess::Read);
    auto second = fs.OpenFile("C:\\F.BIN", FileAccess::Read);  // readers share
    EXPECT_FALSE(fs.DeleteFile("C:\\f.bin"));
    EXPECT_THROW(fs.OpenFile("C:\\f.bin", FileAccess::ReadWrite), EFOpenError);
    EXPECT_THROW(fs.CreateFile("C:\\f.bin"), EFCreateError);
  }
  {
    auto writer = fs.OpenFile("C:\\f.bin", FileAccess::ReadWrite);
    EXPECT_THROW(fs.OpenFile("C:\\f.bin", FileAccess::Read), EFOpenError);
  }
  EXPECT_TRUE(fs.DeleteFile("C:\\f.bin"));
}

TEST_F(SandboxFileSystemTest, ShortNamesAreGivenAtCreationAndUsableInPaths) {
  ASSERT_EQ(fs.CreateDirectory("C:\\Program Files (x86)"), 0);
  EXPECT_EQ(fs.ShortPathName("C:\\Program Files (x86)"), "C:\\PROGRA~2");
  ASSERT_EQ(fs.CreateDirectory("C:\\PROGRA~2\\Sub Dir"), 0);
  EXPECT_TRUE(fs.DirectoryExists("C:\\Program Files (x86)\\Sub Dir"));
  EXPECT_EQ(fs.FullPathName("C:\\PROGRA~2\\..\\x"), "C:\\x");
  Put(fs, "C:\\index.html", "<html>");
  FindData fd;
  auto search = fs.FindFirst("C:\\*.htm", fd);  // the alias INDEX~1.HTM matches, as on Windows
  ASSERT_TRUE(search);
  EXPECT_EQ(fd.name, "index.html");
  EXPECT_EQ(fd.shortName, "INDEX~1.HTM");
  EXPECT_FALSE(search->Next(fd));
  EXPECT_EQ(fs.ShortPathName("C:\\missing"), "");
}

TEST_F(SandboxFileSystemTest, SearchesSortDotsFirstAndFilterByAttributes) {
  ASSERT_EQ(fs.CreateDirectory("C:\\T"), 0);
  ASSERT_EQ(fs.CreateDirectory("C:\\T\\sub"), 0);
  Put(fs, "C:\\T\\b.txt", "12345");
  Put(fs, "C:\\T\\A.txt", "1");
  Put(fs, "C:\\T\\h.txt", "1");
  fs.SetAttributes("C:\\T\\h.txt", faHidden);
  EXPECT_EQ(Names(fs, "C:\\T\\*.*"), (std::vector<std::string>{".", "..", "A.txt", "b.txt", "h.txt", "sub"}));
  EXPECT_EQ(Names(fs, "C:\\T\\*.*", 0), (std::vector<std::string>{"A.txt", "b.txt"}));
  EXPECT_EQ(Names(fs, "C:\\T\\*.*", faDirectory), (std::vector<std::string>{".", "..", "A.txt", "b.txt", "sub"}));
  EXPECT_EQ(Names(fs, "C:\\*.*", faDirectory).front(), "Program Files");  // no dots at a root
  EXPECT_EQ(Names(fs, "C:\\T\\B.TXT"), (std::vector<std::string>{"b.txt"}));
  EXPECT_TRUE(Names(fs, "C:\\T\\").empty());
  EXPECT_TRUE(Names(fs, "C:\\nowhere\\*.*").empty());
  FindData fd;
  auto s = fs.FindFirst("C:\\T\\b.txt", fd);
  ASSERT_TRUE(s);
  EXPECT_EQ(fd.size, 5);
  EXPECT_EQ(fd.attributes, faArchive);
}

TEST_F(SandboxFileSystemTest, QuotaFillsTheDisk) {
  Put(fs, "C:\\before.bin", std::string(100, 'x'));
  fs.SetQuota('C', 1100);  // 100 bytes in use, 1000 free
  EXPECT_EQ(fs.DiskFreeBytes("C:\\"), 1000);
  EXPECT_EQ(fs.DiskFreeBytes(""), 1000);
  auto f = fs.CreateFile("C:\\big.bin");
  f->Write(std::string(600, 'a').data(), 600);
  EXPECT_EQ(fs.DiskFreeBytes("C:\\"), 400);
  try {
    f->Write(std::string(600, 'b').data(), 600);
    FAIL() << "a full disk must not take the write";
  } catch (const EWriteError& e) {
    EXPECT_EQ(std::string(e.what()), "Unable to write to C:\\big.bin: There is not enough space on the disk.");
  }
  EXPECT_EQ(f->Size(), 1000);
  f.reset();
  EXPECT_TRUE(fs.DeleteFile("C:\\big.bin"));
  EXPECT_EQ(fs.DiskFreeBytes("C:\\"), 1000);
  fs.SetQuota('C', std::nullopt);
  EXPECT_GT(fs.DiskFreeBytes("C:\\"), 1000);
}

TEST_F(SandboxFileSystemTest, MountedMediumReadOnly) {
  stdfs::create_directories(dir.path() / "cd" / "Setup");
  test::WriteFileBytes(dir.path() / "cd" / "Setup" / "DISK.001", test::Bytes("segment"));
  fs.Mount('d', dir.path() / "cd", true);
  EXPECT_EQ(Get(fs, "D:\\setup\\disk.001"), "segment");
  EXPECT_EQ(fs.GetAttributes("D:\\Setup\\disk.001"), faReadOnly | faArchive);
  EXPECT_FALSE(fs.DeleteFile("D:\\Setup\\disk.001"));
  EXPECT_THROW(fs.CreateFile("D:\\new.txt"), EFCreateError);
  EXPECT_EQ(fs.CreateDirectory("D:\\new"), 19);
  EXPECT_FALSE(fs.DirectoryExists("E:\\"));
  EXPECT_EQ(fs.FromHostPath(dir.path() / "cd" / "Setup"), "D:\\Setup");
}

TEST_F(SandboxFileSystemTest, CurrentDirectoryCannotBeRemoved) {
  ASSERT_EQ(fs.CreateDirectory("C:\\Work"), 0);
  ASSERT_EQ(fs.CreateDirectory("C:\\Work\\In"), 0);
  EXPECT_EQ(fs.CurrentDirectory(), "C:\\");
  ASSERT_TRUE(fs.ChangeDirectory("c:\\work\\in"));
  EXPECT_EQ(fs.CurrentDirectory(), "C:\\Work\\In");
  EXPECT_EQ(fs.FullPathName("..\\x.txt"), "C:\\Work\\x.txt");
  Put(fs, "relative.txt", "r");
  EXPECT_TRUE(fs.FileExists("C:\\Work\\In\\relative.txt"));
  EXPECT_TRUE(fs.DeleteFile("relative.txt"));
  EXPECT_FALSE(fs.RemoveDirectory("C:\\Work\\In"));
  ASSERT_TRUE(fs.ChangeDirectory(".."));
  EXPECT_TRUE(fs.RemoveDirectory("In"));
  EXPECT_FALSE(fs.ChangeDirectory("C:\\nowhere"));
}

TEST_F(SandboxFileSystemTest, BadNamesAndMissingParentsAreRefused) {
  EXPECT_THROW(fs.CreateFile("C:\\a|b.txt"), EFCreateError);
  EXPECT_THROW(fs.CreateFile("C:\\no\\such\\dir\\f.txt"), EFCreateError);
  EXPECT_THROW(fs.OpenFile("C:\\nothing.txt", FileAccess::Read), EFOpenError);
  EXPECT_THROW(fs.OpenFile("C:\\WINDOWS", FileAccess::Read), EFOpenError);
  EXPECT_EQ(fs.CreateDirectory("C:\\bad<name>"), 123);
  EXPECT_EQ(fs.CreateDirectory("C:\\no\\such"), 3);
  EXPECT_EQ(fs.CreateDirectory("Q:\\x"), 3);
  EXPECT_FALSE(fs.RemoveDirectory("C:\\"));
  EXPECT_EQ(fs.GetAttributes("\\\\server\\share\\x"), kInvalidAttributes);
}

TEST_F(SandboxFileSystemTest, StreamsReadWriteSeekAndKeepTimes) {
  auto f = fs.CreateFile("C:\\s.bin");
  f->Write("abcdef", 6);
  f->SetPosition(2);
  char two[2];
  f->ReadBuffer(two, 2);
  EXPECT_EQ(std::string(two, 2), "cd");
  f->Write("XY", 2);  // a write straight after a read
  f->SetPosition(3);
  f->Truncate();
  EXPECT_EQ(f->Size(), 3);
  uint32_t when = PackDosDateTime({2001, 6, 15, 13, 45, 30});
  f->SetLastWriteDosTime(when);
  EXPECT_EQ(f->LastWriteDosTime(), when);
  f.reset();
  EXPECT_EQ(Get(fs, "C:\\s.bin"), "abc");
  FindData fd;
  ASSERT_TRUE(fs.FindFirst("C:\\s.bin", fd));
  EXPECT_EQ(fd.lastWriteDosTime, when);
}

// A move leaves the file as a fresh copy would be, and refuses whatever a copy must decide instead.
TEST_F(SandboxFileSystemTest, RelocateMovesOnlyWhatACopyWouldNotChange) {
  ASSERT_EQ(fs.CreateDirectory("C:\\Dest"), 0);
  stdfs::create_directories(dir.path() / "cd");
  fs.Mount('D', dir.path() / "cd", false);
  Put(fs, "C:\\src.txt", "payload");
  Put(fs, "C:\\Dest\\taken.txt", "old");
  std::error_code noLinks;  // Windows hosts may not make them
  stdfs::create_symlink("/etc/passwd", dir.path() / "drive_c" / "Dest" / "link.txt", noLinks);
  struct Case {
    const char* target;
    const char* why;
  } refused[] = {{"C:\\Dest\\TAKEN.TXT", "a target that exists"},
                 {"D:\\src.txt", "another drive"},
                 {"C:\\Missing\\src.txt", "a folder that is not there"},
                 {"C:\\Dest\\link.txt", "a host link"},
                 {"C:\\Dest\\a|b.txt", "a bad name"}};
  for (const Case& c : refused) {
    if (noLinks && std::string_view(c.why) == "a host link") continue;
    EXPECT_EQ(fs.RelocateFile("C:\\src.txt", c.target), -1) << c.why;
    EXPECT_FALSE(fs.RenameFile("C:\\src.txt", c.target)) << c.why;
  }
  EXPECT_EQ(Get(fs, "C:\\Dest\\taken.txt"), "old");
  EXPECT_EQ(fs.RelocateFile("C:\\missing.txt", "C:\\Dest\\new.txt"), -1);
  EXPECT_FALSE(fs.RenameFile("C:\\missing.txt", "C:\\Dest\\new.txt"));
  {
    auto inUse = fs.OpenFile("C:\\src.txt", FileAccess::Read);
    EXPECT_EQ(fs.RelocateFile("C:\\src.txt", "C:\\Dest\\new.txt"), -1);
    EXPECT_FALSE(fs.RenameFile("C:\\src.txt", "C:\\Dest\\new.txt"));
  }
  EXPECT_EQ(Get(fs, "C:\\src.txt"), "payload");

  const uint32_t past = PackDosDateTime({1999, 1, 1, 0, 0, 0});
  fs.OpenFile("C:\\src.txt", FileAccess::ReadWrite)->SetLastWriteDosTime(past);
  ASSERT_TRUE(fs.SetAttributes("C:\\src.txt", faReadOnly | faHidden | faArchive));
  EXPECT_EQ(fs.RelocateFile("c:\\SRC.TXT", "C:\\dest\\Moved Long Name.txt"), 7);
  EXPECT_FALSE(fs.FileExists("C:\\src.txt"));
  EXPECT_EQ(Get(fs, "C:\\Dest\\Moved Long Name.txt"), "payload");
  EXPECT_EQ(fs.GetAttributes("C:\\Dest\\Moved Long Name.txt"), faArchive);
  EXPECT_EQ(fs.ShortPathName("C:\\Dest\\Moved Long Name.txt"), "C:\\Dest\\MOVEDL~1.TXT");
  FindData fd;
  ASSERT_NE(fs.FindFirst("C:\\Dest\\Moved*", fd), nullptr);
  EXPECT_GT(fd.lastWriteDosTime, past);
}

// A rename keeps the file as it was, on the machine and after a restart, where a relocation leaves
// a fresh copy: what a saved file put back by a rename needs.
TEST(SandboxMachine, ARenameKeepsTheFileWholeAndSyncNeedsAWritableFile) {
  ScratchDir dir;
  const uint32_t past = PackDosDateTime({1999, 1, 1, 0, 0, 2});
  {
    SandboxFileSystem fs(dir.path());
    ASSERT_EQ(fs.CreateDirectory("C:\\Saved"), 0);
    {
      auto f = fs.CreateFile("C:\\old.dll");
      f->Write("old bytes", 9);
      f->SetLastWriteDosTime(past);
      f->Sync();
    }
    EXPECT_THROW(fs.OpenFile("C:\\old.dll", FileAccess::Read)->Sync(), EWriteError);
    ASSERT_TRUE(fs.SetAttributes("C:\\old.dll", faReadOnly | faHidden | faSysFile));
    ASSERT_TRUE(fs.RenameFile("c:\\OLD.DLL", "C:\\Saved\\00000001.SAV"));
    EXPECT_FALSE(fs.FileExists("C:\\old.dll"));
    fs.FlushMetadata();
  }
  SandboxFileSystem fs(dir.path());
  EXPECT_EQ(Get(fs, "C:\\Saved\\00000001.SAV"), "old bytes");
  EXPECT_EQ(fs.GetAttributes("C:\\Saved\\00000001.SAV"), faReadOnly | faHidden | faSysFile);
  EXPECT_EQ(fs.OpenFile("C:\\Saved\\00000001.SAV", FileAccess::Read)->LastWriteDosTime(), past);
  EXPECT_TRUE(fs.RenameFile("C:\\Saved\\00000001.SAV", "C:\\old.dll"));
  EXPECT_EQ(fs.GetAttributes("C:\\old.dll"), faReadOnly | faHidden | faSysFile);
}

}  // namespace
}  // namespace vurerode::platform::sandbox
