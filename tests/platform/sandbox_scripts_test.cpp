// Names of every script go through the sandbox's Platform interfaces and come back exactly: files
// and folders (with their 8.3 aliases), registry keys and values, INI sections, keys and values, and
// shortcuts. Lookups ignore case in every script, and a machine opened again reads what was left.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "peer.h"
#include "platform/file_search.h"
#include "platform/sandbox/host_io.h"
#include "platform/sandbox/sandbox_platform.h"
#include "platform/sandbox/short_name.h"
#include "platform/text.h"
#include "support/test_support.h"

namespace vurerode::platform::sandbox {
namespace {

namespace stdfs = std::filesystem;

const struct Script {
  const char* script;
  const char* folder;
  const char* file;
  const char* fileUpper;  // what a program asking in capitals gives
} kScripts[] = {
    {"Latin-1", "Café crème", "résumé.txt", "RÉSUMÉ.TXT"}, {"Latin-2", "Łódź żółw", "źdźbło.txt", "ŹDŹBŁO.TXT"},
    {"Cyrillic", "Документы", "журнал.txt", "ЖУРНАЛ.TXT"}, {"Greek", "Έγγραφα", "αρχείο.txt", "ΑΡΧΕΊΟ.TXT"},
    {"CJK", "日本語のフォルダ", "文書.txt", "文書.TXT"},   {"emoji", "🎉 party", "🎉.txt", "🎉.TXT"},
};

class SandboxScriptsTest : public ::testing::Test {
 protected:
  test::ScratchDir dir;
  std::unique_ptr<SandboxPlatform> machine = std::make_unique<SandboxPlatform>(dir.path());

  FileSystem& fs() { return machine->fs(); }
  void Put(const std::string& path, const std::string& text) { fs().CreateFile(path)->Write(text.data(), text.size()); }
  std::string Get(const std::string& path) {
    auto f = fs().OpenFile(path, FileAccess::Read);
    std::string s(static_cast<size_t>(f->Size()), '\0');
    if (!s.empty()) f->ReadBuffer(s.data(), s.size());
    return s;
  }
  std::vector<TSearchRec> Find(const std::string& pattern) {
    std::vector<TSearchRec> found;
    TFileSearch search(fs(), pattern, faAnyFile);
    TSearchRec rec;
    while (search.Next(rec))
      if (rec.Name != "." && rec.Name != "..") found.push_back(rec);
    return found;
  }
  void Reopen() {
    machine.reset();
    machine = std::make_unique<SandboxPlatform>(dir.path());
  }
};

TEST_F(SandboxScriptsTest, FilesAndFoldersKeepTheirNames) {
  for (const Script& s : kScripts) {
    SCOPED_TRACE(s.script);
    const std::string folder = std::string("C:\\") + s.folder, file = folder + "\\" + s.file;
    ASSERT_EQ(fs().CreateDirectory(folder), 0);
    Put(file, s.script);
    EXPECT_TRUE(stdfs::is_regular_file(dir.path() / "drive_c" / HostPath(s.folder) / HostPath(s.file)));
    // Found by a name in other case, in the folder's name too.
    const std::string upper = UpperCase(folder) + "\\" + s.fileUpper;
    EXPECT_EQ(fs().CreateDirectory(UpperCase(folder)), 183);
    EXPECT_TRUE(fs().FileExists(upper));
    EXPECT_EQ(Get(upper), s.script);
    auto found = Find(LowerCase(folder) + "\\*.TXT");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Name, s.file);
    EXPECT_EQ(Find(upper).size(), 1u);
    EXPECT_TRUE(fs().SetAttributes(upper, faHidden | faArchive));
    EXPECT_EQ(fs().GetAttributes(file), faHidden | faArchive);
    // Moved, renamed and deleted by a name in other case.
    const std::string moved = std::string("C:\\") + s.fileUpper;
    EXPECT_EQ(fs().RelocateFile(upper, moved), static_cast<int64_t>(std::string(s.script).size()));
    EXPECT_FALSE(fs().FileExists(file));
    ASSERT_TRUE(fs().RenameFile(moved, folder + "\\" + s.file + ".old"));
    EXPECT_EQ(Find(folder + "\\*").at(0).Name, std::string(s.file) + ".old");
    EXPECT_TRUE(fs().DeleteFile(UpperCase(folder + "\\" + s.file + ".old")));
    EXPECT_TRUE(fs().RemoveDirectory(UpperCase(folder)));
    EXPECT_FALSE(stdfs::exists(dir.path() / "drive_c" / HostPath(s.folder)));
  }
}

// Every long name in one folder gets an 8.3 alias of its own that leads back to it, and the names
// and aliases are what a machine opened again reads from metadata.txt.
TEST_F(SandboxScriptsTest, AliasesAreUniqueAndLast) {
  ASSERT_EQ(fs().CreateDirectory("C:\\Mixed"), 0);
  std::set<std::string> names;
  for (const Script& s : kScripts) {
    for (const std::string& name : {std::string(s.file), std::string(s.folder) + ".text"}) {
      Put("C:\\Mixed\\" + name, name);
      names.insert(name);
    }
  }
  auto check = [&] {
    std::set<std::string> aliases, seen;
    for (const TSearchRec& rec : Find("C:\\Mixed\\*")) {
      seen.insert(rec.Name);
      const std::string shortName = rec.ShortName.empty() ? rec.Name : rec.ShortName;
      EXPECT_TRUE(FitsShortName(shortName)) << rec.Name << " " << shortName;
      EXPECT_TRUE(aliases.insert(UpperCase(shortName)).second) << "alias given twice: " << shortName;
      EXPECT_EQ(Get("C:\\Mixed\\" + LowerCase(shortName)), rec.Name);
      EXPECT_EQ(fs().ShortPathName("C:\\Mixed\\" + rec.Name), "C:\\Mixed\\" + shortName);
    }
    EXPECT_EQ(seen, names);
    return aliases;
  };
  const std::set<std::string> before = check();
  const auto listed = Find("C:\\Mixed\\*");
  EXPECT_GE(std::count_if(listed.begin(), listed.end(), [](const TSearchRec& r) { return !r.ShortName.empty(); }),
            6);  // every "….text" name
  Reopen();
  EXPECT_EQ(check(), before);
}

// A metadata.txt of a machine from before names were UTF-8 holds them in Windows-1252.
TEST_F(SandboxScriptsTest, AnOlderStoreIsReadInWindows1252) {
  machine.reset();
  stdfs::create_directories(dir.path() / "drive_c" / HostPath("Café"));
  test::WriteFileBytes(dir.path() / "drive_c" / HostPath("Café") / HostPath("Résumé long.txt"), test::Bytes("cv"));
  test::WriteFileBytes(dir.path() / "metadata.txt",
                       test::Bytes("2\tR\xC9SUM\xC9~1.TXT\tC:\\CAF\xC9\\R\xE9sum\xE9 long.txt\r\n"));
  machine = std::make_unique<SandboxPlatform>(dir.path());
  EXPECT_EQ(Get("C:\\Café\\résumé~1.txt"), "cv");
  EXPECT_EQ(fs().GetAttributes("C:\\Café\\Résumé long.txt"), faHidden);
}

TEST_F(SandboxScriptsTest, RegistryKeysAndValuesKeepTheirNames) {
  for (const Script& s : kScripts) {
    auto key = machine->registry().CreateKey(RegistryRoot::CurrentUser, std::string("Software\\") + s.folder);
    ASSERT_TRUE(key) << s.script;
    key->WriteString(s.file, s.folder);
  }
  Reopen();  // read again from registry.reg
  auto software = machine->registry().OpenKey(RegistryRoot::CurrentUser, "Software", RegistryAccess::Read);
  ASSERT_TRUE(software);
  const std::vector<std::string> keys = software->SubKeyNames();
  for (const Script& s : kScripts) {
    SCOPED_TRACE(s.script);
    EXPECT_NE(std::find(keys.begin(), keys.end(), s.folder), keys.end());
    auto key = machine->registry().OpenKey(RegistryRoot::CurrentUser, "SOFTWARE\\" + UpperCase(s.folder),
                                           RegistryAccess::ReadWrite);
    ASSERT_TRUE(key);
    EXPECT_EQ(key->ValueNames(), std::vector<std::string>{s.file});
    EXPECT_EQ(key->ReadString(s.fileUpper), s.folder);
    EXPECT_TRUE(key->DeleteValue(s.fileUpper));
    EXPECT_TRUE(machine->registry().DeleteKeyTree(RegistryRoot::CurrentUser, "software\\" + LowerCase(s.folder)));
  }
}

TEST_F(SandboxScriptsTest, ProfileSectionsKeysAndValuesKeepTheirText) {
  Profile& ini = machine->profile();
  for (const Script& s : kScripts) ini.WriteString("scripts.ini", s.folder, s.file, s.script + std::string(" ✓"));
  const auto bytes = test::ReadFileBytes(dir.path() / "drive_c" / "WINDOWS" / "scripts.ini");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_TRUE(bytes[0] == 0xFF && bytes[1] == 0xFE);  // UTF-16, as the profile functions write any character
  std::vector<std::string> sections;
  for (const Script& s : kScripts) {
    SCOPED_TRACE(s.script);
    sections.push_back(s.folder);
    EXPECT_EQ(ini.ReadString("SCRIPTS.INI", UpperCase(s.folder), s.fileUpper, ""), s.script + std::string(" ✓"));
    EXPECT_EQ(ini.ReadKeyNames("scripts.ini", LowerCase(s.folder)), std::vector<std::string>{s.file});
    // A profile file named in the script itself, beside it.
    const std::string own = std::string(s.file) + ".ini";
    ini.WriteString(own, s.folder, s.file, s.folder);
    EXPECT_EQ(ini.ReadString(UpperCase(own), s.folder, s.file, ""), s.folder);
  }
  EXPECT_EQ(ini.ReadSectionNames("scripts.ini"), sections);
}

// The shell's links to targets of every script, read back by lnkinfo.
TEST_F(SandboxScriptsTest, ShortcutsKeepTheirTargets) {
  for (const Script& s : kScripts) {
    SCOPED_TRACE(s.script);
    const std::string folder = std::string("C:\\") + s.folder, target = folder + "\\" + s.file;
    ASSERT_EQ(fs().CreateDirectory(folder), 0);
    Put(target, "MZ");
    auto link = machine->shell().CreateShellLink();
    link->SetPath(target);
    link->SetWorkingDirectory(folder);
    const std::string saved = std::string("C:\\WINDOWS\\Desktop\\") + s.file + ".lnk";
    ASSERT_TRUE(link->Save(saved));
    auto report = test::RunHostTool("/usr/bin/lnkinfo", {test::HostToolPath(machine->files().ToHostPath(saved))});
    if (!report) GTEST_SKIP() << "lnkinfo is not installed";
    EXPECT_PRED2(test::LnkinfoShows, test::LnkinfoField(*report, "Local path"), target) << *report;
    EXPECT_PRED2(test::LnkinfoShows, test::LnkinfoField(*report, "Working directory"), folder);
  }
}

}  // namespace
}  // namespace vurerode::platform::sandbox
