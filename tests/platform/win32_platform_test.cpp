// The Win32 implementation against the system it runs on (Windows, or Wine in the test leg), and
// the portable rules checked against the same system: wildcard matching, full paths, INI layout.
#if defined(_WIN32)

#include "platform/win32/windows_api.h"
// (the API's headers before the seam's, see windows_api.h)
#include <gtest/gtest.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdlib>
#include <set>

#include "peer.h"
#include "platform/dos_time.h"
#include "platform/exception.h"
#include "platform/file_search.h"
#include "platform/ini_document.h"
#include "platform/ini_profile.h"
#include "platform/sandbox/sandbox_file_system.h"
#include "platform/sandbox/sandbox_platform.h"
#include "platform/sandbox/sandbox_registry.h"
#include "platform/text.h"
#include "platform/wildcard.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/win32_platform.h"
#include "platform/windows_path.h"
#include "support/test_support.h"

namespace vurerode::platform::win32 {
namespace {

using test::ScratchDir;

// The target a shortcut leads to, as the system's link object reads it from the item list.
std::string LinkTarget(const std::string& lnk) {
  if (FAILED(CoInitialize(nullptr))) return "(no COM)";
  std::string target = "(not loaded)";
  IShellLinkW* link = nullptr;
  IPersistFile* persist = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                 reinterpret_cast<void**>(&link))) &&
      SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
      SUCCEEDED(persist->Load(Wide(lnk).c_str(), STGM_READ))) {
    wchar_t path[MAX_PATH] = {};
    PIDLIST_ABSOLUTE items = nullptr;
    if (SUCCEEDED(link->GetIDList(&items)) && items && SHGetPathFromIDListW(items, path)) target = Utf8(path);
    CoTaskMemFree(items);
  }
  if (persist) persist->Release();
  if (link) link->Release();
  CoUninitialize();
  return target;
}

class Win32Test : public ::testing::Test {
 protected:
  ScratchDir scratch;
  std::string dir = scratch.str() + "\\";
  Win32Platform win;

  void Put(const std::string& path, const std::string& text) {
    auto f = win.fs().CreateFile(path);
    f->Write(text.data(), text.size());
  }
  std::string Get(const std::string& path) {
    auto f = win.fs().OpenFile(path, FileAccess::Read);
    std::string s(static_cast<size_t>(f->Size()), '\0');
    if (!s.empty()) f->ReadBuffer(s.data(), s.size());
    return s;
  }
  std::set<std::string> Matches(FileSystem& fs, const std::string& pattern) {
    std::set<std::string> names;
    FindData fd;
    auto search = fs.FindFirst(pattern, fd);
    if (!search) return names;
    do {
      if (fd.name != "." && fd.name != "..") names.insert(fd.name);
    } while (search->Next(fd));
    return names;
  }
};

TEST_F(Win32Test, FilesAttributesAndStreams) {
  FileSystem& fs = win.fs();
  Put(dir + "a.txt", "hello");
  EXPECT_EQ(Get(dir + "A.TXT"), "hello");
  EXPECT_EQ(fs.GetAttributes(dir + "a.txt") & faArchive, faArchive);
  ASSERT_TRUE(fs.SetAttributes(dir + "a.txt", faReadOnly | faHidden));
  EXPECT_EQ(fs.GetAttributes(dir + "a.txt") & (faReadOnly | faHidden), faReadOnly | faHidden);
  EXPECT_FALSE(fs.DeleteFile(dir + "a.txt"));
  // (Replacing a read-only or hidden file fails on Windows; Wine lets a root user do it.)
  ASSERT_TRUE(fs.SetAttributes(dir + "a.txt", 0));
  {
    auto f = fs.OpenFile(dir + "a.txt", FileAccess::ReadWrite);
    f->Seek(0, SeekOrigin::End);
    f->Write(" world", 6);
    f->SetPosition(5);
    f->Truncate();
    uint32_t when = PackDosDateTime({2001, 6, 15, 13, 45, 30});
    f->SetLastWriteDosTime(when);
    EXPECT_EQ(f->LastWriteDosTime(), when);
  }
  EXPECT_EQ(Get(dir + "a.txt"), "hello");
  EXPECT_TRUE(fs.DeleteFile(dir + "a.txt"));
  EXPECT_EQ(fs.GetAttributes(dir + "a.txt"), kInvalidAttributes);
  EXPECT_THROW(fs.OpenFile(dir + "a.txt", FileAccess::Read), EFOpenError);
  EXPECT_EQ(fs.CreateDirectory(dir + "sub"), 0);
  EXPECT_EQ(fs.CreateDirectory(dir + "sub"), 183);     // ERROR_ALREADY_EXISTS
  EXPECT_EQ(fs.CreateDirectory(dir + "no\\such"), 3);  // ERROR_PATH_NOT_FOUND
  EXPECT_TRUE(fs.RemoveDirectory(dir + "sub"));
  EXPECT_GT(fs.DiskFreeBytes(dir.substr(0, 3)), 0);
}

// A rename keeps the file's date and attributes and never replaces a file; Sync flushes a file
// opened for writing.
TEST_F(Win32Test, RenamesKeepTheFileAndSyncFlushes) {
  FileSystem& fs = win.fs();
  const uint32_t when = PackDosDateTime({2001, 6, 15, 13, 45, 30});
  {
    auto f = fs.CreateFile(dir + "r.txt");
    f->Write("kept", 4);
    f->SetLastWriteDosTime(when);
    f->Sync();
  }
  Put(dir + "taken.txt", "other");
  ASSERT_TRUE(fs.SetAttributes(dir + "r.txt", faHidden));
  EXPECT_FALSE(fs.RenameFile(dir + "r.txt", dir + "taken.txt"));
  EXPECT_EQ(Get(dir + "taken.txt"), "other");
  ASSERT_TRUE(fs.RenameFile(dir + "r.txt", dir + "renamed.txt"));
  EXPECT_EQ(fs.GetAttributes(dir + "r.txt"), kInvalidAttributes);
  EXPECT_EQ(fs.GetAttributes(dir + "renamed.txt") & faHidden, faHidden);
  EXPECT_EQ(fs.OpenFile(dir + "renamed.txt", FileAccess::Read)->LastWriteDosTime(), when);
  EXPECT_EQ(Get(dir + "renamed.txt"), "kept");
  fs.SetAttributes(dir + "renamed.txt", 0);
  fs.DeleteFile(dir + "renamed.txt");
  fs.DeleteFile(dir + "taken.txt");
}

TEST_F(Win32Test, OpenFilesCannotBeDeleted) {
  Put(dir + "busy.bin", "x");
  {
    auto f = win.fs().OpenFile(dir + "busy.bin", FileAccess::Read);
    EXPECT_FALSE(win.fs().DeleteFile(dir + "busy.bin"));
  }
  EXPECT_TRUE(win.fs().DeleteFile(dir + "busy.bin"));
}

TEST_F(Win32Test, DirectoriesCurrentAndWindows) {
  FileSystem& fs = win.fs();
  std::string windows = fs.WindowsDirectory();
  ASSERT_GE(windows.size(), 3u);
  EXPECT_NE(windows.back(), '\\');
  EXPECT_TRUE(fs.DirectoryExists(windows));
  std::string before = fs.CurrentDirectory();
  ASSERT_TRUE(fs.ChangeDirectory(dir));
  EXPECT_TRUE(SameText(IncludeTrailingBackslash(fs.CurrentDirectory()), dir));
  fs.CreateDirectory(dir + "A Long Folder Name");
  std::string shortForm = fs.ShortPathName(dir + "A Long Folder Name");
  EXPECT_FALSE(shortForm.empty());
  EXPECT_TRUE(fs.DirectoryExists(shortForm));  // whatever the alias looks like, it leads there
  EXPECT_EQ(fs.ShortPathName(dir + "missing"), "");
  fs.ChangeDirectory(before);
}

// The portable full-path rules against GetFullPathName.
TEST_F(Win32Test, FullPathsAgreeWithTheSystem) {
  FileSystem& fs = win.fs();
  ASSERT_TRUE(fs.ChangeDirectory(dir));
  std::string cwd = fs.CurrentDirectory();
  for (const char* path : {"a\\b", "..\\x", ".\\y\\.\\z", "C:\\a\\\\b\\", "C:/a/b", "\\top", "name.  ", "a.\\b",
                           "C:\\a\\..\\..\\b", "x\\..", "C:\\"}) {
    EXPECT_TRUE(SameText(fs.FullPathName(path), MakeFullPath(path, cwd)))
        << path << ": system " << fs.FullPathName(path);
  }
}

// The portable wildcard matcher (used by the sandbox) against FindFirstFile on the same names.
// Wine reads "?" as exactly one character of any kind and drops a pattern's final period, where
// Windows gives both their DOS meanings ("?" is nothing at a period or the end and never a period;
// "*." finds names without extension); such patterns are compared on Windows only.
TEST_F(Win32Test, WildcardsAgreeWithFindFirstFile) {
  const char* const names[] = {"readme",    "readme.txt", "README.DOC", "a.b.txt", "a.txt.bak",
                               "file1.txt", "file.txt",   "file12.txt", "abc",     "a",
                               "a.c",       "setup.exe",  "disk.001"};
  for (const char* n : names) Put(dir + n, "");
  ScratchDir sandboxRoot;
  sandbox::SandboxFileSystem box(sandboxRoot.path());
  box.CreateDirectory("C:\\T");
  for (const char* n : names) box.CreateFile(std::string("C:\\T\\") + n);
  for (const char* pattern : {"*.*", "*", "*.txt", "*.TXT", "file?.txt", "a?c", "???", "a.*", "*.b*", "s*p.e?e",
                              "disk.0??", "READ*", "*e", "*.", "a*.txt"}) {
    std::set<std::string> system = Matches(win.fs(), dir + pattern);
    std::set<std::string> ours;
    for (const char* n : names)
      if (MatchesWildcard(n, pattern)) ours.insert(n);
    std::string_view p = pattern;
    bool dosOnly = p.find('?') != std::string_view::npos || p.back() == '.';
    if (!dosOnly || !test::UnderWine()) {
      EXPECT_EQ(system, ours) << pattern;
    }
    EXPECT_EQ(Matches(box, std::string("C:\\T\\") + pattern), ours) << pattern;
  }
}

TEST_F(Win32Test, SearchesReportWhatTheSystemKnows) {
  Put(dir + "data.bin", "12345");
  FindData fd;
  auto search = win.fs().FindFirst(dir + "data.bin", fd);
  ASSERT_TRUE(search);
  EXPECT_EQ(fd.name, "data.bin");
  EXPECT_EQ(fd.size, 5);
  EXPECT_FALSE(search->Next(fd));
  EXPECT_FALSE(win.fs().FindFirst(dir + "*.none", fd));
  EXPECT_FALSE(win.fs().FindFirst(dir + "nowhere\\*.*", fd));
}

const char* const kTestKey = "Software\\Vurerode Test\\Platform";

class Win32RegistryTest : public Win32Test {
 protected:
  void TearDown() override { win.registry().DeleteKeyTree(RegistryRoot::CurrentUser, "Software\\Vurerode Test"); }
};

TEST_F(Win32RegistryTest, ValuesReadBackWithReg) {
  auto key = win.registry().CreateKey(RegistryRoot::CurrentUser, std::string("\\") + kTestKey + "\\Sub\\Deeper");
  ASSERT_TRUE(key);
  key->WriteString("Version", "2.0");
  key->WriteString("Path", "C:\\Program Files\\Acme");
  auto reg = test::RunWindowsTool("reg query \"HKCU\\Software\\Vurerode Test\\Platform\\Sub\\Deeper\" /v Version");
  ASSERT_TRUE(reg);
  EXPECT_EQ(reg->exitCode, 0);
  EXPECT_NE(reg->output.find("Version    REG_SZ    2.0"), std::string::npos) << reg->output;
  auto opened = win.registry().OpenKey(RegistryRoot::CurrentUser, "SOFTWARE\\vurerode test\\PLATFORM\\sub\\deeper",
                                       RegistryAccess::Read);
  ASSERT_TRUE(opened);
  EXPECT_EQ(opened->ReadString("path"), "C:\\Program Files\\Acme");
  EXPECT_EQ(opened->ReadString("missing"), std::nullopt);
  EXPECT_THROW(opened->WriteString("x", "y"), ERegistryException);  // opened for reading only
  auto parent = win.registry().OpenKey(RegistryRoot::CurrentUser, kTestKey, RegistryAccess::Read);
  EXPECT_EQ(parent->SubKeyNames(), (std::vector<std::string>{"Sub"}));
  EXPECT_EQ(opened->ValueNames().size(), 2u);
}

TEST_F(Win32RegistryTest, DeletingATreeRemovesItsSubKeys) {
  win.registry().CreateKey(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\A\\B\\C")->WriteString("v", "1");
  win.registry().CreateKey(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\A\\D");
  EXPECT_TRUE(win.registry().DeleteKeyTree(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\A"));
  EXPECT_FALSE(win.registry().OpenKey(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\A", RegistryAccess::Read));
  auto reg = test::RunWindowsTool("reg query \"HKCU\\Software\\Vurerode Test\\Platform\\A\"");
  ASSERT_TRUE(reg);
  EXPECT_NE(reg->exitCode, 0);
  EXPECT_FALSE(win.registry().DeleteKeyTree(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\A"));
  EXPECT_FALSE(win.registry().DeleteKeyTree(RegistryRoot::CurrentUser, "\\"));
}

// A DWORD that reg.exe wrote reads as a number and is a type error as text, and the other way round.
TEST_F(Win32RegistryTest, DwordsReadAsNumbersOnly) {
  auto reg = test::RunWindowsTool("reg add \"HKCU\\Software\\Vurerode Test\\Platform\" /v Count /t REG_DWORD /d 7 /f");
  ASSERT_TRUE(reg);
  ASSERT_EQ(reg->exitCode, 0) << reg->output;
  auto key = win.registry().OpenKey(RegistryRoot::CurrentUser, kTestKey, RegistryAccess::Read);
  ASSERT_TRUE(key);
  try {
    key->ReadString("Count");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Count'");
  }
  EXPECT_EQ(key->ReadInteger("Count"), 7u);
  EXPECT_EQ(key->ReadInteger("missing"), std::nullopt);
  win.registry().CreateKey(RegistryRoot::CurrentUser, kTestKey)->WriteString("Text", "7");
  EXPECT_THROW(key->ReadInteger("Text"), ERegistryException);
}

// The sandbox's registry file, imported into this system by its own registry editor.
TEST_F(Win32RegistryTest, TheSandboxRegistryImportsIntoRegedit) {
  ScratchDir root;
  {
    sandbox::SandboxRegistry box(root.path() / "registry.reg", true);
    // Only the test's own key goes into this system's registry, not the new machine's seed.
    box.DeleteKeyTree(RegistryRoot::CurrentUser, "Software\\Microsoft");
    box.DeleteKeyTree(RegistryRoot::LocalMachine, "Software\\Microsoft");
    auto key = box.CreateKey(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\Imported");
    key->WriteString("Plain", "C:\\Program Files\\Acme");
    key->WriteString("", "default \"quoted\"");
    key->WriteString("Accented", "caf\xC3\xA9");
    key->WriteString("Lines", "one\r\ntwo");
  }
  auto run = test::RunWindowsTool("regedit /s \"" + (root.path() / "registry.reg").string() + "\"");
  ASSERT_TRUE(run);
  auto key =
      win.registry().OpenKey(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\Imported", RegistryAccess::Read);
  ASSERT_TRUE(key) << "regedit did not import the file";
  EXPECT_EQ(key->ReadString("Plain"), "C:\\Program Files\\Acme");
  EXPECT_EQ(key->ReadString(""), "default \"quoted\"");
  EXPECT_EQ(key->ReadString("Accented"), "caf\xC3\xA9");
  EXPECT_EQ(key->ReadString("Lines"), "one\r\ntwo");
  auto reg = test::RunWindowsTool("reg query \"HKCU\\Software\\Vurerode Test\\Platform\\Imported\" /v Plain");
  ASSERT_TRUE(reg);
  EXPECT_NE(reg->output.find("C:\\Program Files\\Acme"), std::string::npos) << reg->output;
}

// The same profile calls through the system and through the portable INI rules give the same bytes.
// A new sandbox machine's whole registry.reg, seed included, imported with regedit. It rewrites the
// Shell Folders of the current user, so it runs only in a prefix made for the test run
// (scripts/test-windows.sh says so through VURERODE_SCRATCH_PREFIX).
TEST_F(Win32RegistryTest, ANewMachinesRegistryImportsWhole) {
  if (!std::getenv("VURERODE_SCRATCH_PREFIX") || !test::UnderWine())
    GTEST_SKIP() << "needs a Wine prefix of its own (scripts/test-windows.sh)";
  ScratchDir root;
  sandbox::SandboxRegistry box(root.path() / "registry.reg", true);
  auto run = test::RunWindowsTool("regedit /s \"" + (root.path() / "registry.reg").string() + "\"");
  ASSERT_TRUE(run);
  auto reg = test::RunWindowsTool(
      "reg query \"HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\" /v Startup");
  ASSERT_TRUE(reg);
  EXPECT_NE(reg->output.find("C:\\WINDOWS\\Start Menu\\Programs\\StartUp"), std::string::npos) << reg->output;
  reg = test::RunWindowsTool("reg query \"HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\" /v ProgramFilesDir");
  ASSERT_TRUE(reg);
  EXPECT_NE(reg->output.find("C:\\Program Files"), std::string::npos) << reg->output;
}

TEST_F(Win32Test, ProfileLayoutMatchesTheSystemByteForByte) {
  Profile& system = win.profile();
  IniProfile ours(win.fs());
  std::string a = dir + "system.ini", b = dir + "ours.ini";
  for (Profile* p : {&system, static_cast<Profile*>(&ours)}) {
    const std::string& f = p == &system ? a : b;
    p->WriteString(f, "Files", "C:\\Program Files\\Acme\\*.*", "");
    p->WriteString(f, "Files", "C:\\WINDOWS\\System\\acme.dll", "");
    p->WriteString(f, "Folder", "C:\\WINDOWS\\Start Menu\\Acme Tools", "");
    p->WriteString(f, "files", "c:\\program files\\acme\\*.*", "");  // already there, another spelling
    p->WriteString(f, "Name", "Title", "Acme 1.0");
    p->WriteString(f, "Options", "Quoted", "\"a b\"");
    p->WriteString(f, "Options", "Empty", "");
    p->WriteString(f, "Name", "Title", "Acme 1.1");
    p->DeleteKey(f, "Options", "Empty");
    p->EraseSection(f, "Folder");
  }
  EXPECT_EQ(Get(a), Get(b));
  EXPECT_EQ(Get(b),
            "[Files]\r\nC:\\Program Files\\Acme\\*.*=\r\nC:\\WINDOWS\\System\\acme.dll=\r\n[Name]\r\n"
            "Title=Acme 1.1\r\n[Options]\r\nQuoted=\"a b\"\r\n");
  for (Profile* p : {&system, static_cast<Profile*>(&ours)}) {
    const std::string& f = p == &system ? a : b;
    EXPECT_EQ(p->ReadString(f, "options", "QUOTED", "d"), "a b");
    EXPECT_EQ(p->ReadString(f, "Options", "missing", "dflt  "), "dflt");
    EXPECT_EQ(p->ReadKeyNames(f, "Files"),
              (std::vector<std::string>{"C:\\Program Files\\Acme\\*.*", "C:\\WINDOWS\\System\\acme.dll"}));
    EXPECT_EQ(p->ReadSectionNames(f), (std::vector<std::string>{"Files", "Name", "Options"}));
  }
  // Several keys in one write: into a new section as its whole text, into one with keys key by key.
  std::string c = dir + "system-batch.ini", d = dir + "ours-batch.ini";
  for (Profile* p : {&system, static_cast<Profile*>(&ours)}) {
    const std::string& f = p == &system ? c : d;
    p->WriteStrings(f, "Files", {{"C:\\Program Files\\Acme\\*.*", ""}, {"C:\\WINDOWS\\System\\acme.dll", ""}});
    p->WriteStrings(f, "Files", {{"c:\\program files\\acme\\*.*", ""}, {"C:\\x", "1"}});
  }
  EXPECT_EQ(Get(c), Get(d));
  EXPECT_EQ(Get(d), "[Files]\r\nC:\\Program Files\\Acme\\*.*=\r\nC:\\WINDOWS\\System\\acme.dll=\r\nC:\\x=1\r\n");
}

// A file of plain text stays in the code page the profile functions have always written; any other
// character turns it into UTF-16 with its mark, its text so far kept. The system and the portable
// rules give the same bytes, and the system reads back what was written.
TEST_F(Win32Test, ProfileFilesTakeUnicodeAsTheSystemKeepsIt) {
  auto utf16 = [](std::string_view text) { return EncodeProfileText(text, ProfileEncoding::kUtf16); };
  const struct {
    const char* name;
    std::optional<std::string> before;  // the file's bytes first; none for a missing file
    std::string section, key, value;
    std::string after;
  } kCases[] = {
      {"plain text into a new file", std::nullopt, "S", "K", "v", "[S]\r\nK=v\r\n"},
      {"plain text into an ANSI file", "[Old]\r\nA=1\r\n", "S", "K", "v", "[Old]\r\nA=1\r\n[S]\r\nK=v\r\n"},
      {"Latin-2 into a new file", std::nullopt, "Zażółć", "gęślą", "jaźń", utf16("[Zażółć]\r\ngęślą=jaźń\r\n")},
      {"Cyrillic into an ANSI file", "[Old]\r\nA=1\r\n", "S", "Ключ", "Значение",
       utf16("[Old]\r\nA=1\r\n[S]\r\nКлюч=Значение\r\n")},
      {"Greek into an empty file", "", "Ελληνικά", "K", "v", utf16("[Ελληνικά]\r\nK=v\r\n")},
      {"CJK and an emoji into a UTF-16 file", utf16("[S]\r\nA=1\r\n"), "S", "日本語", "🚀",
       utf16("[S]\r\nA=1\r\n日本語=🚀\r\n")},
      {"plain text into a UTF-16 file", utf16("[S]\r\nA=é\r\n"), "S", "K", "v", utf16("[S]\r\nA=é\r\nK=v\r\n")},
  };
  IniProfile ours(win.fs());
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    const std::string a = dir + "system.ini", b = dir + "ours.ini";
    for (const std::string& f : {a, b}) {
      win.fs().DeleteFile(f);
      if (c.before) Put(f, *c.before);
    }
    win.profile().WriteString(a, c.section, c.key, c.value);
    ours.WriteString(b, c.section, c.key, c.value);
    EXPECT_EQ(Get(a), c.after);
    EXPECT_EQ(Get(b), c.after);
    EXPECT_EQ(win.profile().ReadString(a, c.section, c.key, ""), c.value);
    EXPECT_EQ(win.profile().ReadKeyNames(a, c.section).back(), c.key);
    EXPECT_EQ(win.profile().ReadSectionNames(a).back(), c.section);
  }
  // One write after another into the same file, which changes its form between them.
  {
    const std::string a = dir + "system-steps.ini", b = dir + "ours-steps.ini";
    for (Profile* p : {&win.profile(), static_cast<Profile*>(&ours)}) {
      const std::string& f = p == &win.profile() ? a : b;
      p->WriteString(f, "S", "A", "1");
      p->WriteString(f, "S", "Б", "2");
      p->WriteString(f, "S", "C", "3");
    }
    EXPECT_EQ(Get(a), utf16("[S]\r\nA=1\r\nБ=2\r\nC=3\r\n"));
    EXPECT_EQ(Get(a), Get(b));
  }
  // A whole section in one go, and the old text in the system's code page kept.
  if (GetACP() == 1252) {
    const std::string a = dir + "batch.ini", b = dir + "ours-batch.ini";
    for (const std::string& f : {a, b}) Put(f, "[Old]\r\nName=caf\xE9\r\n");
    win.profile().WriteStrings(a, "Файлы", {{"C:\\Программы\\α.exe", ""}, {"C:\\日本\\🚀.dll", "1"}});
    ours.WriteStrings(b, "Файлы", {{"C:\\Программы\\α.exe", ""}, {"C:\\日本\\🚀.dll", "1"}});
    EXPECT_EQ(Get(a), utf16("[Old]\r\nName=café\r\n[Файлы]\r\nC:\\Программы\\α.exe=\r\nC:\\日本\\🚀.dll=1\r\n"));
    EXPECT_EQ(Get(a), Get(b));
    EXPECT_EQ(win.profile().ReadString(a, "old", "NAME", ""), "café");
  }
}

// Names of every script through each part of the seam, and the system's own tools reading them.
TEST_F(Win32RegistryTest, NamesOfEveryScriptCrossTheSeam) {
  const char* const kNames[] = {"Zażółć gęślą jaźń", "Съешь ещё", "Ξεσκεπάζω", "日本語の名前", "Rocket 🚀"};
  FileSystem& fs = win.fs();
  for (const std::string name : kNames) {
    SCOPED_TRACE(name);
    const std::string folder = dir + name, file = folder + "\\" + name + ".txt";
    ASSERT_EQ(fs.CreateDirectory(folder), 0);
    Put(file, name);
    EXPECT_EQ(Get(UpperCase(file)), name);
    EXPECT_EQ(Matches(fs, folder + "\\*.txt"), (std::set<std::string>{name + ".txt"}));
    EXPECT_TRUE(SameText(fs.FullPathName(folder + "\\.\\" + name + ".txt"), file));
    const std::string shortForm = fs.ShortPathName(file);
    EXPECT_TRUE(fs.FileExists(shortForm)) << shortForm;

    auto key = win.registry().CreateKey(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\" + name);
    ASSERT_TRUE(key);
    key->WriteString(name, name);
    auto opened = win.registry().OpenKey(RegistryRoot::CurrentUser, std::string(kTestKey) + "\\" + UpperCase(name),
                                         RegistryAccess::Read);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->ReadString(LowerCase(name)), name);
    EXPECT_EQ(opened->ValueNames(), (std::vector<std::string>{name}));

    const std::string ini = folder + "\\" + name + ".ini";
    win.profile().WriteString(ini, name, name, name);
    // Wine's profile functions find names of other scripts in their own case only.
    const bool anyCase = !test::UnderWine() || IsAscii(name);
    EXPECT_EQ(win.profile().ReadString(ini, anyCase ? UpperCase(name) : name, anyCase ? LowerCase(name) : name, ""),
              name);
    EXPECT_EQ(IniProfile(fs).ReadString(ini, name, name, ""), name);

    auto link = win.shell().CreateShellLink();
    link->SetPath(file);
    link->SetWorkingDirectory(folder);
    ASSERT_TRUE(link->Save(folder + ".lnk"));
    // (under a plain name: the tool's command line passes through the ANSI code page)
    Put(dir + "copy.lnk", Get(folder + ".lnk"));
    // (The tool reads characters beyond the Basic Multilingual Plane wrongly.)
    auto report = Utf8ToUtf16(name).size() == CharCount(name)
                      ? test::RunHostTool("/usr/bin/lnkinfo", {test::HostToolPath(dir + "copy.lnk")})
                      : std::nullopt;
    if (report) {
      EXPECT_TRUE(SameText(test::LnkinfoField(*report, "Working directory"), folder)) << *report;
      // Wine writes the target's local path in the ANSI code page alone; its item list holds it whole.
      if (!test::UnderWine() || FitsCp1252(name)) {
        EXPECT_TRUE(SameText(test::LnkinfoField(*report, "Local path"), file)) << *report;
      }
    }
    EXPECT_TRUE(SameText(LinkTarget(folder + ".lnk"), file)) << LinkTarget(folder + ".lnk");
    EXPECT_GE(win.shell().FileIconIndex(file), 0);
    EXPECT_TRUE(fs.DeleteFile(file));
  }
  auto parent = win.registry().OpenKey(RegistryRoot::CurrentUser, kTestKey, RegistryAccess::Read);
  ASSERT_TRUE(parent);
  std::vector<std::string> keys = parent->SubKeyNames();
  EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()),
            std::set<std::string>(std::begin(kNames), std::end(kNames)));
}

TEST_F(Win32Test, ProfileBuffersCutAsTheSystemCuts) {
  std::string a = dir + "big.ini";
  std::string text = "[Long]\r\nvalue=" + std::string(3000, 'v') + "\r\n[Files]\r\n";
  for (int i = 0; i < 2000; ++i) text += "K" + std::to_string(10000000 + i) + "=\r\n";
  Put(a, text);
  IniProfile ours(win.fs());
  EXPECT_EQ(win.profile().ReadString(a, "Long", "value", ""), ours.ReadString(a, "Long", "value", ""));
  EXPECT_EQ(ours.ReadString(a, "Long", "value", "").size(), 2047u);
  std::vector<std::string> system = win.profile().ReadKeyNames(a, "Files");
  EXPECT_EQ(system, ours.ReadKeyNames(a, "Files"));
  EXPECT_EQ(system.size(), 1639u);
}

TEST_F(Win32Test, BareProfileNamesLiveInTheWindowsDirectory) {
  try {
    win.profile().WriteString("vurerode-test.ini", "S", "K", "v");
  } catch (const EIniFileException&) {
    GTEST_SKIP() << "the Windows directory is not writable for this user";
  }
  std::string path = win.fs().WindowsDirectory() + "\\vurerode-test.ini";
  EXPECT_TRUE(win.fs().FileExists(path));
  EXPECT_EQ(IniProfile(win.fs()).ReadString("vurerode-test.ini", "S", "K", ""), "v");
  win.fs().DeleteFile(path);
  EXPECT_THROW(win.profile().WriteString(dir + "no\\such\\dir\\x.ini", "S", "K", "v"), EIniFileException);
}

// Shortcuts from the system's own link object, read back by lnkinfo; and the sandbox's .lnk
// writer's output read back by the system's link object.
TEST_F(Win32Test, ShortcutsWrittenByTheShellReadBackWithLnkinfo) {
  auto link = win.shell().CreateShellLink();
  std::string target = win.fs().WindowsDirectory() + "\\notepad.exe";
  link->SetPath(target);
  link->SetWorkingDirectory(win.fs().WindowsDirectory() + "\\");
  link->SetIconLocation(target, 0);
  ASSERT_TRUE(link->Save(dir + "Notepad.lnk"));
  EXPECT_FALSE(link->Save(dir + "missing folder\\Notepad.lnk"));
  auto report = test::RunHostTool("/usr/bin/lnkinfo", {test::HostToolPath(dir + "Notepad.lnk")});
  if (!report) GTEST_SKIP() << "lnkinfo is not reachable from here";
  EXPECT_TRUE(SameText(test::LnkinfoField(*report, "Local path"), target)) << *report;
  EXPECT_TRUE(SameText(test::LnkinfoField(*report, "Working directory"), win.fs().WindowsDirectory() + "\\"));
  EXPECT_TRUE(SameText(test::LnkinfoField(*report, "Icon location"), target));
}

TEST_F(Win32Test, TheSandboxsLnkFilesLoadIntoTheSystemsLinkObject) {
  ScratchDir root;
  sandbox::SandboxPlatform box(root.path());
  box.fs().CreateDirectory("C:\\Program Files\\Acme");
  auto written = box.shell().CreateShellLink();
  written->SetPath("C:\\Program Files\\Acme\\app.exe");
  written->SetWorkingDirectory("C:\\Program Files\\Acme\\");
  written->SetIconLocation("C:\\Program Files\\Acme\\acme.ico", 2);
  ASSERT_TRUE(written->Save("C:\\Acme.lnk"));
  std::wstring file = (root.path() / "drive_c" / "Acme.lnk").wstring();

  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  IShellLinkA* link = nullptr;
  IPersistFile* persist = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                         reinterpret_cast<void**>(&link))));
  ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))));
  EXPECT_TRUE(SUCCEEDED(persist->Load(file.c_str(), STGM_READ)));
  char text[MAX_PATH] = {};
  int index = -1;
  link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
  EXPECT_STREQ(text, "C:\\Program Files\\Acme\\app.exe");
  link->GetWorkingDirectory(text, MAX_PATH);
  EXPECT_STREQ(text, "C:\\Program Files\\Acme\\");
  link->GetIconLocation(text, MAX_PATH, &index);
  EXPECT_STREQ(text, "C:\\Program Files\\Acme\\acme.ico");
  EXPECT_EQ(index, 2);
  persist->Release();
  link->Release();
  CoUninitialize();
}

TEST_F(Win32Test, ShellExecuteRunsABatchFileHidden) {
  Put(dir + "after.bat", "@echo off\r\necho done> \"" + dir + "done.txt\"\r\n");
  EXPECT_GT(win.shell().Execute(ShellOwner::Desktop, "open", dir + "after.bat", "", "", kShowHide), 32);
  for (int i = 0; i < 200 && !win.fs().FileExists(dir + "done.txt"); ++i) Sleep(50);
  EXPECT_TRUE(win.fs().FileExists(dir + "done.txt"));
  EXPECT_LE(win.shell().Execute(ShellOwner::Desktop, "open", dir + "nothing.bat", "", "", kShowHide), 32);
}

TEST_F(Win32Test, ProcessesRunAndReportTheirExitCode) {
  EXPECT_EQ(win.processes().RunAndWait("cmd /c exit 3", kShowHide), 3);
  EXPECT_EQ(win.processes().RunAndWait("\"" + dir + "missing.exe\" /q", kShowNormal), -1);
  EXPECT_TRUE(win.processes().SetPrivilege("SeShutdownPrivilege", true));
  EXPECT_TRUE(win.processes().SetPrivilege("SeShutdownPrivilege", false));
  EXPECT_FALSE(win.processes().SetPrivilege("SeNoSuchPrivilege", true));
  EXPECT_GE(win.shell().FileIconIndex(dir), 0);
}

// The elevated start runs this very program once more (under Wine without a prompt): the case below,
// finding the variable set, writes the arguments the new process got, split as Windows splits them,
// and ends with 7.
TEST(Win32Elevation, TheElevatedStartPassesTheArgumentsExactlyAndGivesBackTheStatus) {
  if (const char* record = std::getenv("VURERODE_ELEVATED_RECORD")) {
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &count);
    std::string lines;
    for (int i = 1; i < count; ++i) lines += Utf8(argv[i]) + "\n";
    LocalFree(argv);
    test::WriteFileBytes(record, std::vector<uint8_t>(lines.begin(), lines.end()));
    std::_Exit(7);
  }
  ScratchDir scratch;
  const std::string record = (scratch.path() / "args.txt").string();
  _putenv_s("VURERODE_ELEVATED_RECORD", record.c_str());
  Win32Platform win;
  const std::vector<std::string> args{"--gtest_filter=Win32Elevation.*",
                                      "a b",
                                      "",
                                      "C:\\dir with space\\",
                                      "say \"hi\"",
                                      "back\\\\\"quote",
                                      "\xc3\xa9t\xc3\xa9"};
  const std::optional<int> status = win.processes().RunThisProgramElevated(args, scratch.path().string());
  _putenv_s("VURERODE_ELEVATED_RECORD", "");
  EXPECT_EQ(status, 7);
  const std::vector<uint8_t> got = test::ReadFileBytes(record);
  std::string expected;
  for (const std::string& a : args) expected += a + "\n";
  EXPECT_EQ(std::string(got.begin(), got.end()), expected);
  // Wine runs every process with the administrator's rights.
  if (std::getenv("WINEPREFIX")) {
    EXPECT_TRUE(win.processes().IsAdministrator());
  }
}

}  // namespace
}  // namespace vurerode::platform::win32

#endif  // _WIN32
