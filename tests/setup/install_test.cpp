// Installations end to end on a sandbox machine: media built by the tool, the wizard walked with
// its defaults, and the machine inspected afterwards.
#include <fstream>

#include "install/uninstall_log.h"
#include "platform/text.h"
#include "segment/media_sums.h"
#include "setup_fixture.h"

namespace vurerode::setup::test {
namespace {

std::string Noise(size_t n, uint64_t seed) {
  auto b = vurerode::test::RandomBytes(n, seed);
  return std::string(b.begin(), b.end());
}

TestApp Acme() {
  TestApp app;
  app.files["LICENSE.TXT"] = "Acme licence\r\n";
  app.files["acme.exe"] = Noise(3000, 1);
  app.files["docs\\manual.txt"] = "How to use Acme.\r\n";
  app.files["redist\\acmecore.dll"] = Noise(500, 2);
  app.emptyFolders = {"cache"};
  app.project =
      "[Setup]\nTitle = Acme 1.0\nMain Directory = Acme\nDisplay Version = 1.0\nPublisher = Acme Corp\n"
      "[Files]\nredist\\acmecore.dll = System\n"
      "[Shortcuts]\nAcme = acme.exe, Acme\\Tools, start menu + desktop + quick launch\n"
      "[Registry]\nHKEY_LOCAL_MACHINE\\Software\\Acme, App, Version, 1.0\n"
      "HKEY_CURRENT_USER\\Software\\Acme, App\\Recent, Max, 8\n"
      "[INI Files]\nacme.ini, Options, Path, C:\\Program Files\\Acme\n";
  return app;
}

std::string RegistryText(const fs::path& root) {
  auto bytes = vurerode::test::ReadFileBytes(root / "registry.reg");
  std::string text;  // UTF-16LE with a BOM; the test's texts are ASCII
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) text += static_cast<char>(bytes[i]);
  return text;
}

// Rewrites SHA256SUMS after the test changed a file of the medium.
void ListSums(const fs::path& media) {
  std::vector<std::pair<std::string, std::string>> sums;
  platform::sandbox::SandboxPlatform scratch(media.parent_path() / "hash");
  scratch.files().Mount('M', media, true);
  for (const auto& f : fs::directory_iterator(media))
    if (f.path().filename() != kMediaSumsFile)
      sums.push_back({f.path().filename().string(), Sha256OfFile(scratch.fs(), "M:\\" + f.path().filename().string())});
  std::string text = TMediaSums::Format(sums);
  vurerode::test::WriteFileBytes(media / kMediaSumsFile, std::vector<uint8_t>(text.begin(), text.end()));
}

class InstallTest : public SetupTest {};

TEST_F(InstallTest, InstallsFilesShortcutsEntriesLogAndRegistration) {
  BuildMedia(Acme());
  TDisplayScreen& s = Start();
  const std::string expanded = s.Globals.ExpandDir;
  InstallWithDefaults(s);
  ASSERT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;

  const std::string dir = "C:\\Program Files\\Acme\\";
  EXPECT_EQ(Text(dir + "acme.exe"), Noise(3000, 1));
  EXPECT_EQ(Text(dir + "docs\\manual.txt"), "How to use Acme.\r\n");
  EXPECT_EQ(Text("C:\\WINDOWS\\System\\acmecore.dll"), Noise(500, 2));
  EXPECT_TRUE(fs::is_directory(Host(dir + "cache")));
  for (const char* f : {"setup.exe", "install.cfg", "finstall.cfg"}) EXPECT_TRUE(fs::exists(Host(dir + f))) << f;
  EXPECT_FALSE(fs::exists(Host(expanded)));
  EXPECT_EQ(Text("C:\\WINDOWS\\acme.ini"), "[Options]\r\nPath=C:\\Program Files\\Acme\r\n");
  for (const char* lnk : {"C:\\WINDOWS\\Start Menu\\Acme.lnk", "C:\\WINDOWS\\Desktop\\Acme.lnk",
                          "C:\\WINDOWS\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch\\Acme.lnk",
                          "C:\\WINDOWS\\Start Menu\\Programs\\Acme\\Tools\\Acme.lnk"})
    EXPECT_TRUE(fs::exists(Host(lnk))) << lnk;

  const std::string S = "C:\\WINDOWS\\Start Menu\\", P = S + "Programs\\";
  EXPECT_EQ(Text(dir + "uninstaller.cfg"),
            // Every file by its name, the log too; the folders the installation made, inner ones first.
            "[Files]\r\n"
            "C:\\Program Files\\Acme\\LICENSE.TXT=\r\n"
            "C:\\Program Files\\Acme\\acme.exe=\r\n"
            "C:\\Program Files\\Acme\\docs\\manual.txt=\r\n"
            "C:\\WINDOWS\\System\\acmecore.dll=\r\n"
            "C:\\Program Files\\Acme\\setup.exe=\r\n"
            "C:\\Program Files\\Acme\\install.cfg=\r\n"
            "C:\\Program Files\\Acme\\finstall.cfg=\r\n"
            "C:\\Program Files\\Acme\\uninstaller.cfg=\r\n" +
                S + "Acme.lnk=\r\nC:\\WINDOWS\\Desktop\\Acme.lnk=\r\n" +
                "C:\\WINDOWS\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch\\Acme.lnk=\r\n" + P +
                "Acme\\Tools\\Acme.lnk=\r\n"
                "C:\\WINDOWS\\acme.ini=\r\n"
                "[Folder]\r\n"
                "C:\\Program Files\\Acme\\docs\\=\r\n"
                "C:\\Program Files\\Acme\\cache\\=\r\n"
                "C:\\Program Files\\Acme\\=\r\n" +
                S + "Acme\\Tools=\r\n" + S + "Acme=\r\n" + P + "Acme\\Tools=\r\n" + P + "Acme=\r\n" +
                "[Registry]\r\n"
                "HKEY_LOCAL_MACHINE\\Software\\Acme\\App=\r\n"
                "HKEY_CURRENT_USER\\Software\\Acme\\App\\Recent=\r\n"
                "[Name]\r\nTitle=Acme 1.0\r\nFormat=2\r\n");

  const std::string reg = RegistryText(Root());
  for (const char* line :
       {"[HKEY_LOCAL_MACHINE\\Software\\Acme\\App]\r\n\"Version\"=\"1.0\"",
        "[HKEY_CURRENT_USER\\Software\\Acme\\App\\Recent]\r\n\"Max\"=\"8\"", "\"DisplayName\"=\"Acme 1.0\"",
        "\"UninstallString\"=\"\\\"C:\\\\Program Files\\\\Acme\\\\setup.exe\\\" \\\"Acme 1.0\\\"\"",
        "\"QuietUninstallString\"=\"\\\"C:\\\\Program Files\\\\Acme\\\\setup.exe\\\" \\\"Acme 1.0\\\" /SILENT\"",
        "\"InstallLocation\"=\"C:\\\\Program Files\\\\Acme\\\\\"",
        "\"DisplayIcon\"=\"C:\\\\Program Files\\\\Acme\\\\acme.exe\"", "\"DisplayVersion\"=\"1.0\"",
        "\"Publisher\"=\"Acme Corp\"", "\"EstimatedSize\"=dword:"})
    EXPECT_NE(reg.find(line), std::string::npos) << line;
  // The size Add/Remove Programs shows: the installed files in kilobytes, rounded up.
  uintmax_t bytes = fs::file_size(Host("C:\\WINDOWS\\System\\acmecore.dll"));
  for (const auto& f : fs::recursive_directory_iterator(Host(dir)))
    if (f.is_regular_file() && f.path().filename() != "uninstaller.cfg") bytes += f.file_size();
  auto entry =
      Machine().registry().OpenKey(platform::RegistryRoot::LocalMachine, std::string(media::kUninstallKey) + "Acme 1.0",
                                   platform::RegistryAccess::Read);
  ASSERT_TRUE(entry);
  EXPECT_EQ(entry->ReadInteger("EstimatedSize"), (bytes + 1023) / 1024);
  EXPECT_THROW(entry->ReadInteger("DisplayName"), ERegistryException);
}

TEST_F(InstallTest, ShortcutsPointAtTheInstalledProgram) {
  if (!vurerode::test::HaveProgram("lnkinfo")) GTEST_SKIP() << "lnkinfo is not installed";
  BuildMedia(Acme());
  InstallWithDefaults(Start());
  const std::string out = (scratch_.path() / "lnk.txt").string();
  ASSERT_EQ(vurerode::test::RunCommand("lnkinfo '" + Host("C:\\WINDOWS\\Desktop\\Acme.lnk").string() + "' > " + out),
            0);
  std::ifstream in(out);
  std::string report((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(report.find("C:\\Program Files\\Acme\\acme.exe"), std::string::npos) << report;
}

// Damage to the medium or the machine: a clear message, a failed run, nothing reported installed.
TEST_F(InstallTest, FaultsEndWithAMessageAndAFailedRun) {
  const struct {
    const char* name;
    std::function<void(SetupTest&, const fs::path& media)> damage;
    const char* message;  // the start of the message shown
  } cases[] = {
      {"missing install.cfg", [](SetupTest&, const fs::path& m) { fs::remove(m / "install.cfg"); },
       "Error Expanding Files!!\nCannot open file"},
      {"a segment whose bytes were changed",
       [](SetupTest&, const fs::path& m) {
         auto b = vurerode::test::ReadFileBytes(m / "disk.001");
         for (size_t i = b.size() - 400; i < b.size() - 300; ++i) b[i] ^= 0x55;
         vurerode::test::WriteFileBytes(m / "disk.001", b);
       },
       "Error Expanding Files!!\n"},
      {"a segment whose bytes only moved, caught by SHA256SUMS",
       [](SetupTest&, const fs::path& m) {
         std::vector<std::pair<std::string, std::string>> sums;
         for (const char* f : {"disk.001", "install.cfg", "finstall.cfg", "setup.exe"}) sums.push_back({f, ""});
         platform::sandbox::SandboxPlatform scratch(m.parent_path() / "hash");
         scratch.files().Mount('M', m, true);
         for (auto& [name, sum] : sums) sum = Sha256OfFile(scratch.fs(), "M:\\" + name);
         std::string text = TMediaSums::Format(sums);
         vurerode::test::WriteFileBytes(m / kMediaSumsFile, std::vector<uint8_t>(text.begin(), text.end()));
         auto b = vurerode::test::ReadFileBytes(m / "disk.001");
         std::swap(b[b.size() - 350], b[b.size() - 351]);
         if (b[b.size() - 350] == b[b.size() - 351]) std::swap(b[b.size() - 352], b[b.size() - 351]);
         vurerode::test::WriteFileBytes(m / "disk.001", b);
       },
       "Error Expanding Files!!\ndisk.001 is damaged"},
      {"a full disk while expanding", [](SetupTest& t, const fs::path&) { t.Machine().files().SetQuota('C', 2000); },
       "Error Expanding Files!!\n"},
      {"a title its uninstall entry cannot carry",
       [](SetupTest&, const fs::path& m) {
         auto b = vurerode::test::ReadFileBytes(m / "install.cfg");
         std::string text(b.begin(), b.end());
         text.replace(text.find("Acme 1.0"), 8, "Acme\\1.0");
         vurerode::test::WriteFileBytes(m / "install.cfg", std::vector<uint8_t>(text.begin(), text.end()));
         fs::remove(m / kMediaSumsFile);
       },
       "This setup's application title \"Acme\\1.0\" holds a backslash (\\)"},
      {"an unwritable registry",
       [](SetupTest& t, const fs::path&) {
         platform::sandbox::SandboxOptions o;
         o.localMachineWritable = false;
         t.Machine(o);
       },
       "Failed to create key"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine();
    view.messages.clear();
    BuildMedia(Acme());
    c.damage(*this, Media());
    TDisplayScreen& s = Start();
    InstallWithDefaults(s);
    EXPECT_EQ(s.Outcome, TSetupOutcome::Failed);
    ASSERT_FALSE(view.messages.empty());
    EXPECT_EQ(view.messages.back().rfind(c.message, 0), 0u) << view.messages.back();
    EXPECT_EQ(ExitStatus(s.Outcome), 1);
  }
}

TEST_F(InstallTest, FilesThatCannotBeCopiedAreReportedAndTheInstallationIsUndone) {
  const struct {
    const char* name;
    std::function<void(InstallTest&)> obstacle;  // set up once the media are expanded
    const char* named;                           // the file the message names
  } cases[] = {
      {"a read-only file of an earlier installation in the way",
       [](InstallTest& t) {
         fs::create_directories(t.Host("C:\\Program Files\\Acme\\docs"));
         t.Machine().fs().CreateFile("C:\\Program Files\\Acme\\docs\\manual.txt");
         t.Machine().fs().SetAttributes("C:\\Program Files\\Acme\\docs\\manual.txt", platform::faReadOnly);
       },
       "C:\\Program Files\\Acme\\docs\\manual.txt"},
      {"a disk that fills up while copying",
       [](InstallTest& t) {
         t.Machine().files().SetQuota('C', int64_t{1} << 30);
         const double used = double(int64_t{1} << 30) - t.Machine().fs().DiskFreeBytes("C:\\");
         t.Machine().files().SetQuota('C', static_cast<int64_t>(used) + 100000);
       },
       "needs"},  // refused before anything is written
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    NewMachine();
    fs::remove_all(Root());
    view.messages.clear();
    TestApp app = Acme();
    app.files["big.bin"] = Noise(300000, 5);
    // Named as the logo too, it is read again after its own copy: copied, not moved, it needs room.
    app.project.insert(app.project.find('\n') + 1, "Logo File = big.bin\n");
    BuildMedia(app);
    TDisplayScreen& s = Start();
    c.obstacle(*this);
    const std::string registry = RegistryText(Root());
    InstallWithDefaults(s);
    EXPECT_EQ(s.Outcome, TSetupOutcome::Failed);
    ASSERT_FALSE(view.messages.empty());
    EXPECT_NE(view.messages.back().find(c.named), std::string::npos) << view.messages.back();
    EXPECT_NE(view.messages.back().find("as it was before"), std::string::npos) << view.messages.back();
    // Nothing of it stays: no log, no entry, only what was there before.
    Machine().files().SetQuota('C', std::nullopt);
    EXPECT_FALSE(fs::exists(Host("C:\\Program Files\\Acme\\uninstaller.cfg")));
    EXPECT_FALSE(fs::exists(Host("C:\\Program Files\\Acme\\setup.exe")));
    EXPECT_EQ(RegistryText(Root()), registry);
    Machine().fs().SetAttributes("C:\\Program Files\\Acme\\docs\\manual.txt", 0);  // so it can be cleared away
  }
}

TEST_F(InstallTest, AMissingSegmentIsAskedForAndCancelEndsTheRun) {
  TestApp app = Acme();
  app.files["big.bin"] = Noise(40000, 3);
  BuildMedia(app, {"--segment-size", "16384"});
  ASSERT_TRUE(fs::exists(Media() / "disk.003"));
  fs::rename(Media() / "disk.002", scratch_.path() / "disk.002");
  for (bool insert : {true, false}) {
    SCOPED_TRACE(insert ? "inserted after the prompts" : "cancelled");
    NewMachine();
    view.messages.clear();
    int prompts = 0;
    view.onMessage = [&](const std::string& text) {
      if (text == "Please Insert Disk #2 into Floppy Drive." && ++prompts == 2 && insert)
        fs::copy_file(scratch_.path() / "disk.002", Media() / "disk.002");
    };
    TDisplayScreen& s = Start();
    EXPECT_EQ(prompts, 2);
    if (insert) {
      InstallWithDefaults(s);
      EXPECT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;
      EXPECT_EQ(Text("C:\\Program Files\\Acme\\big.bin"), Noise(40000, 3));
      fs::remove(Media() / "disk.002");
    } else {
      EXPECT_TRUE(s.Closed);
      EXPECT_EQ(s.Outcome, TSetupOutcome::Failed);
      EXPECT_EQ(view.messages.back().rfind("Error Expanding Files!!", 0), 0u);
    }
    s.Destroy();
  }
}

// Installed files are moved out of the expanded archive when nothing reads them later; the
// pictures the installation directory gets as well, and files that only differ in the case of
// their names (one file on Windows), still arrive.
TEST_F(InstallTest, FilesReadAgainAfterTheirCopyAreNotMovedAway) {
  TestApp app;
  app.files["art\\logo.bmp"] = "logo";
  app.files["art\\side.bmp"] = "side";
  app.files["doc\\Read.txt"] = "first";
  app.files["doc\\READ.TXT"] = "second";
  app.project = "[Setup]\nTitle = Acme 1.0\nMain Directory = Acme\nLogo File = art\\logo.bmp\nBitMap = art\\side.bmp\n";
  BuildMedia(app);
  TDisplayScreen& s = Start();
  InstallWithDefaults(s);
  ASSERT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;
  const std::string dir = "C:\\Program Files\\Acme\\";
  for (const char* f : {"art\\logo.bmp", "logo.bmp"}) EXPECT_EQ(Text(dir + f), "logo") << f;
  for (const char* f : {"art\\side.bmp", "side.bmp"}) EXPECT_EQ(Text(dir + f), "side") << f;
  const std::string read = Text(dir + "doc\\" + (fs::exists(Host(dir + "doc\\Read.txt")) ? "Read.txt" : "READ.TXT"));
  EXPECT_TRUE(read == "first" || read == "second") << read;
}

}  // namespace
}  // namespace vurerode::setup::test

namespace vurerode::setup::test {
namespace {

struct QuietOwner : TSegOwner {
  ScriptedView prompter;
  Prompter& SegPrompter() override { return prompter; }
};

// A set whose archive folder climbs out with ".." would have the redirection into the expansion
// folder land anywhere on the drive: the file ends the expansion and nothing is written outside.
TEST_F(InstallTest, ASetThatNamesFilesOutsideItsFolderIsRefused) {
  for (bool listed : {false, true}) {
    SCOPED_TRACE(listed ? "read again at installation" : "expanded before the wizard");
    NewMachine();
    view.messages.clear();
    BuildMedia(Acme());
    {
      platform::sandbox::SandboxPlatform writer(scratch_.path() / "writer");
      writer.files().Mount('M', Media(), false);
      auto src = writer.fs().CreateFile("C:\\evil.txt");
      src->Write("evil", 4);
      src.reset();
      QuietOwner owner;
      TSegCompEZ seg(writer.fs(), owner);
      seg.SetSegBaseName("disk");
      seg.SetSegDir("M:\\");
      seg.SetSegTmpDir("C:\\");
      TSegBuildArchive archive;
      archive.Template = "C:\\..\\..\\..\\escaped\\*.*";
      archive.Files = {{"C:\\evil.txt", "evil.txt"}};
      fs::remove(Media() / "disk.001");
      fs::remove(Media() / kMediaSumsFile);
      ASSERT_EQ(seg.SegCompressArchives({archive}, coLZH5), 1);
    }
    if (listed) ListSums(Media());
    TDisplayScreen& s = Start();
    EXPECT_EQ(s.Outcome, TSetupOutcome::Failed);
    ASSERT_FALSE(view.messages.empty());
    EXPECT_EQ(view.messages.back().rfind("Error Expanding Files!!\n", 0), 0u) << view.messages.back();
    EXPECT_NE(view.messages.back().find("evil.txt"), std::string::npos) << view.messages.back();
    EXPECT_FALSE(fs::exists(Root() / "drive_c" / "escaped"));
    EXPECT_FALSE(fs::exists(Root() / "drive_c" / "WINDOWS" / "escaped"));
  }
}

}  // namespace
}  // namespace vurerode::setup::test

namespace vurerode::setup::test {
namespace {

// Folders of the application that share a name with a base directory stay below their parents.
TEST_F(InstallTest, FoldersNamedLikeBaseDirectoriesStayBelowTheirParents) {
  TestApp app;
  app.files["include\\Windows\\win.h"] = "w";
  app.files["System\\sys.txt"] = "s";
  app.files["lib\\Fonts\\Root\\deep.txt"] = "d";
  app.project = "[Setup]\nTitle = Acme 1.0\nMain Directory = Acme\n";
  BuildMedia(app);
  InstallWithDefaults(Start());
  for (const char* f : {"C:\\Program Files\\Acme\\include\\Windows\\win.h", "C:\\Program Files\\Acme\\System\\sys.txt",
                        "C:\\Program Files\\Acme\\lib\\Fonts\\Root\\deep.txt"})
    EXPECT_TRUE(Machine().fs().FileExists(f)) << f;
  for (const char* f : {"C:\\WINDOWS\\win.h", "C:\\WINDOWS\\System\\sys.txt", "C:\\deep.txt"})
    EXPECT_FALSE(Machine().fs().FileExists(f)) << f;
}

}  // namespace
}  // namespace vurerode::setup::test

namespace vurerode::setup::test {
namespace {

// What a shortcut (.lnk, the public shell link format) says, without the times it noted of its
// target, which follow the clock of the installation: the target, the command line arguments, the
// working folder, the icon and the window it opens, and the target's attributes and size.
std::string ShortcutMeaning(const std::vector<uint8_t>& b) {
  enum : uint32_t {
    kHasIdList = 0x01,
    kHasLinkInfo = 0x02,
    kHasName = 0x04,
    kHasRelativePath = 0x08,
    kHasWorkingDir = 0x10,
    kHasArguments = 0x20,
    kHasIconLocation = 0x40,
    kIsUnicode = 0x80,
  };
  auto need = [&](size_t end) {
    if (end > b.size()) throw std::runtime_error("a shortcut cut short at byte " + std::to_string(b.size()));
  };
  auto u16 = [&](size_t pos) {
    need(pos + 2);
    return static_cast<uint32_t>(b[pos] | b[pos + 1] << 8);
  };
  auto u32 = [&](size_t pos) { return u16(pos) | u16(pos + 2) << 16; };
  auto ansiZ = [&](size_t pos) {
    std::string s;
    for (need(pos + 1); b[pos] != 0; need(++pos + 1)) s += static_cast<char>(b[pos]);
    return s;
  };
  if (u32(0) != 0x4C) throw std::runtime_error("not a shortcut");
  const uint32_t flags = u32(0x14);
  std::ostringstream meaning;
  meaning << "attributes " << u32(0x18) << ", size " << u32(0x34) << ", icon index " << u32(0x38) << ", shown "
          << u32(0x3C);
  size_t at = 0x4C;
  if (flags & kHasIdList) at += 2 + u16(at);
  if (flags & kHasLinkInfo) {
    const uint32_t size = u32(at);
    if (u32(at + 8) & 1) meaning << ", target " << ansiZ(at + u32(at + 16)) << ansiZ(at + u32(at + 24));
    at += size;
  }
  for (auto [flag, name] : {std::pair{kHasName, "name"},
                            {kHasRelativePath, "relative path"},
                            {kHasWorkingDir, "working folder"},
                            {kHasArguments, "arguments"},
                            {kHasIconLocation, "icon"}}) {
    if (!(flags & flag)) continue;
    const uint32_t count = u16(at);
    at += 2;
    std::u16string text;
    for (uint32_t i = 0; i < count; ++i, at += flags & kIsUnicode ? 2 : 1)
      text += static_cast<char16_t>(flags & kIsUnicode ? u16(at) : (need(at + 1), b[at]));
    meaning << ", " << name << " " << platform::Utf16ToUtf8(text);
  }
  return meaning.str();
}

// Every file's bytes and attributes below drive C:, the temporary folders aside; of a shortcut what
// it says rather than its bytes.
std::map<std::string, std::string> InstalledTree(SetupTest& t) {
  std::map<std::string, std::string> tree;
  const fs::path c = t.Root() / "drive_c";
  for (const auto& f : fs::recursive_directory_iterator(c)) {
    std::string rel = fs::relative(f.path(), c).generic_string();
    std::string lower = rel;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (lower.rfind("windows/temp", 0) == 0) continue;
    std::string windows = "C:\\" + rel;
    for (char& ch : windows)
      if (ch == '/') ch = '\\';
    const uint32_t attributes = t.Machine().fs().GetAttributes(windows);
    if (f.is_directory()) {
      tree[rel] = "folder " + std::to_string(attributes);
    } else {
      auto bytes = vurerode::test::ReadFileBytes(f.path());
      const bool shortcut = lower.size() > 4 && lower.substr(lower.size() - 4) == ".lnk";
      tree[rel] = (shortcut ? "shortcut: " + ShortcutMeaning(bytes) : std::string(bytes.begin(), bytes.end())) + " " +
                  std::to_string(attributes);
    }
  }
  return tree;
}

// A whole medium whose sums match is read again at installation, each file written once where it
// goes: the machine ends up as when everything passes through the expanded archive, with a source
// installed twice, two sources for one target, and follow-up programs that run from the archive.
TEST_F(InstallTest, AWholeMediumReadAgainInstallsWhatTheExpandedArchiveWould) {
  for (bool followUp : {false, true}) {
    SCOPED_TRACE(followUp ? "with a follow-up program" : "without follow-up programs");
    TestApp app = Acme();
    app.files["a\\same.txt"] = "one";
    app.files["b\\same.txt"] = "two";
    if (followUp) {
      app.files["tools\\post.bat"] = "@echo off\r\n";
      app.project += "[Run After Install]\ntools\\post.bat\n";
    }
    BuildMedia(app);
    auto bytes = vurerode::test::ReadFileBytes(Media() / "finstall.cfg");
    const std::string source(bytes.begin(), bytes.end());  // the sources' folder, as built
    const size_t at = source.find("C:\\");
    const std::string base = source.substr(at, source.find("LICENSE.TXT") - at);
    const std::string extra = "Installation Directory,again," + base + "acme.exe\r\nInstallation Directory," + base +
                              "a\\same.txt\r\nInstallation Directory," + base + "b\\same.txt\r\n";
    std::ofstream(Media() / "finstall.cfg", std::ios::app | std::ios::binary) << extra;
    ListSums(Media());

    std::map<std::string, std::string> trees[2];
    std::string registry[2];
    for (int twoPasses = 0; twoPasses < 2; ++twoPasses) {
      NewMachine();
      fs::remove_all(Root());
      if (twoPasses) fs::remove(Media() / kMediaSumsFile);
      TDisplayScreen& s = Start();
      const std::string expanded = s.Globals.ExpandDir;
      // Only what the wizard shows is expanded before it: the licence, not the manual.
      EXPECT_TRUE(Machine().fs().FileExists(expanded + base.substr(3) + "LICENSE.TXT"));
      EXPECT_EQ(Machine().fs().FileExists(expanded + base.substr(3) + "docs\\manual.txt"), twoPasses == 1);
      InstallWithDefaults(s);
      ASSERT_EQ(s.Outcome, TSetupOutcome::Installed) << s.FailureMessage;
      EXPECT_EQ(Text("C:\\Program Files\\Acme\\again\\acme.exe"), Noise(3000, 1));
      EXPECT_EQ(Text("C:\\Program Files\\Acme\\same.txt"), "two");
      trees[twoPasses] = InstalledTree(*this);
      registry[twoPasses] = RegistryText(Root());
    }
    EXPECT_EQ(trees[0], trees[1]);
    EXPECT_EQ(registry[0], registry[1]);
  }
}

// A medium changed between the wizard and the installation: the damage is reported and what did
// land is undone.
TEST_F(InstallTest, AMediumDamagedAfterTheWizardFailsTheFilesItCouldNotGive) {
  BuildMedia(Acme());
  TDisplayScreen& s = Start();
  auto b = vurerode::test::ReadFileBytes(Media() / "disk.001");
  b[b.size() - 300] ^= 0x55;
  vurerode::test::WriteFileBytes(Media() / "disk.001", b);
  InstallWithDefaults(s);
  EXPECT_EQ(s.Outcome, TSetupOutcome::Failed);
  ASSERT_FALSE(view.messages.empty());
  const std::string& message = view.messages.back();
  EXPECT_NE(message.find("disk.001 is damaged"), std::string::npos) << message;
  EXPECT_FALSE(Machine().fs().FileExists("C:\\Program Files\\Acme\\docs\\manual.txt"));
  EXPECT_FALSE(Machine().fs().DirectoryExists("C:\\Program Files\\Acme"));
}

}  // namespace
}  // namespace vurerode::setup::test

namespace vurerode::setup::test {
namespace {

// A disk that fills while files go straight from the medium to their places: the file being
// written is reported, and the installation is undone, that file with the rest.
TEST_F(InstallTest, ADiskThatFillsWhileFilesArePlacedLeavesNoHalfFile) {
  TestApp app = Acme();
  app.files["huge.bin"] = Noise(300000, 6);
  BuildMedia(app);
  TDisplayScreen& s = Start();
  Machine().files().SetQuota('C', int64_t{1} << 30);
  const double used = double(int64_t{1} << 30) - Machine().fs().DiskFreeBytes("C:\\");
  Machine().files().SetQuota('C', static_cast<int64_t>(used) + 100000);
  InstallWithDefaults(s);
  EXPECT_EQ(s.Outcome, TSetupOutcome::Failed);
  ASSERT_FALSE(view.messages.empty());
  EXPECT_NE(view.messages.back().find("C:\\Program Files\\Acme\\huge.bin"), std::string::npos) << view.messages.back();
  Machine().files().SetQuota('C', std::nullopt);
  EXPECT_FALSE(Machine().fs().FileExists("C:\\Program Files\\Acme\\huge.bin"));
  EXPECT_FALSE(Machine().fs().DirectoryExists("C:\\Program Files\\Acme"));
}

TEST_F(InstallTest, MediaWithAnEntryIntoAProtectedKeyInstallNothing) {
  BuildMedia(Acme());
  // install.cfg edited after the build (the builder refuses the entry), with no sums to notice it.
  const std::vector<uint8_t> bytes = vurerode::test::ReadFileBytes(Media() / "install.cfg");
  std::string cfg(bytes.begin(), bytes.end());
  const std::string ours = "INIREG 0=HKEY_LOCAL_MACHINE\\Software\\Acme,App,Version,1.0";
  ASSERT_NE(cfg.find(ours), std::string::npos) << cfg;
  cfg.replace(cfg.find(ours), ours.size(), "INIREG 0=HKEY_LOCAL_MACHINE\\Software,Microsoft,Installed,1");
  vurerode::test::WriteFileBytes(Media() / "install.cfg", std::vector<uint8_t>(cfg.begin(), cfg.end()));
  fs::remove(Media() / kMediaSumsFile);
  Machine()
      .registry()
      .CreateKey(platform::RegistryRoot::LocalMachine, "Software\\Microsoft")
      ->WriteString("Sentinel", "1");

  TDisplayScreen& s = Start({"/SILENT"});
  EXPECT_EQ(s.Outcome, TSetupOutcome::Failed);
  ASSERT_FALSE(view.messages.empty());
  EXPECT_NE(view.messages.back().find("HKEY_LOCAL_MACHINE\\Software,Microsoft,Installed,1"), std::string::npos)
      << view.messages.back();
  EXPECT_FALSE(fs::exists(Host("C:\\Program Files\\Acme")));
  auto microsoft = Machine().registry().OpenKey(platform::RegistryRoot::LocalMachine, "Software\\Microsoft",
                                                platform::RegistryAccess::Read);
  ASSERT_TRUE(microsoft);
  EXPECT_EQ(microsoft->ReadString("Sentinel"), "1");
  EXPECT_EQ(microsoft->ReadString("Installed"), std::nullopt);
}

}  // namespace
}  // namespace vurerode::setup::test
