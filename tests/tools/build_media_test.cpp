// vurerode build: the media it writes, what the project file changes, and the installer's contract
// that every finstall.cfg entry names a file the set expands.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "segment/media_sums.h"
#include "set_tool_fixture.h"
#include "tools/build_config.h"
#include "tools/build_project.h"
#include "tools/windows_program.h"

namespace vurerode::cli {
namespace {
namespace fs = std::filesystem;
using test::ReadFileBytes;
using test::WriteFileBytes;

std::string Text(const fs::path& p) {
  auto b = ReadFileBytes(p);
  return std::string(b.begin(), b.end());
}

std::vector<std::string> Lines(const fs::path& p) {
  std::string t = Text(p);
  std::vector<std::string> out;
  size_t start = 0;
  while (start < t.size()) {
    size_t end = t.find("\r\n", start);
    EXPECT_NE(end, std::string::npos) << "every line ends with CR LF";
    if (end == std::string::npos) break;
    out.push_back(t.substr(start, end - start));
    start = end + 2;
  }
  return out;
}

void WriteText(const fs::path& p, const std::string& s) {
  WriteFileBytes(p, test::Bytes(s));
}
// Names in these tests are UTF-8 text, whatever the host's code page.
void WriteText(const std::string& p, const std::string& s) {
  WriteText(test::U8Path(p), s);
}
std::string Text(const std::string& p) {
  return Text(test::U8Path(p));
}
void WriteText(const char* p, const std::string& s) {
  WriteText(test::U8Path(p), s);
}
std::string Text(const char* p) {
  return Text(test::U8Path(p));
}

class BuildMedia : public SetToolTest {};

TEST_F(BuildMedia, WritesSegmentsConfigurationAndTheInstaller) {
  MakeApp("App");
  WriteFileBytes("App/big.bin", test::RandomBytes(2000000, 9));
  SetToolRun r = Build({"App", "Media"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(fs::file_size("Media/disk.001"), 1440000u) << "the default segment size";
  EXPECT_TRUE(fs::exists("Media/disk.002"));
  EXPECT_FALSE(fs::exists("Media/disk.003"));
  EXPECT_EQ(ReadFileBytes("Media/setup.exe"), ReadFileBytes("setup.exe"));
  EXPECT_EQ(Lines("Media/finstall.cfg"),
            (std::vector<std::string>{"Installation Directory,C:\\Source\\App\\App.exe",
                                      "Installation Directory,C:\\Source\\App\\LICENSE.TXT",
                                      "Installation Directory,C:\\Source\\App\\big.bin",
                                      "Installation Directory,bin,C:\\Source\\App\\bin\\core.dll",
                                      "Installation Directory,bin,plugins,C:\\Source\\App\\bin\\plugins\\empty.dat",
                                      "Installation Directory,bin,plugins,C:\\Source\\App\\bin\\plugins\\one.dll",
                                      "Installation Directory,docs,C:\\Source\\App\\docs\\manual.txt",
                                      "Installation Directory,cache,C:\\Source\\App\\cache\\"}));
  EXPECT_EQ(Lines("Media/install.cfg"), (std::vector<std::string>{"[Setup Screen]", "Text Line 1=App",
                                                                  "Main Directory=App", "Desktop Folder=App"}));
  const TMediaSums sums = TMediaSums::Parse(Text("Media/SHA256SUMS"));
  std::vector<std::string> summed;
  for (const auto& [name, hex] : sums.Entries()) summed.push_back(name);
  EXPECT_EQ(summed, (std::vector<std::string>{"disk.001", "disk.002", "finstall.cfg", "install.cfg", "setup.exe"}));
  if (test::HaveProgram("sha256sum")) {
    EXPECT_EQ(test::RunCommand("cd Media && sha256sum --strict --quiet -c SHA256SUMS"), 0);
  }
  ExpectNoWorkLeft();
}

// The installer finds each expanded file at ExpandDir followed by the entry's path without "C:\",
// and the bootstrap expands each file to ExpandDir followed by its template path without "C:".
TEST_F(BuildMedia, EveryEntryNamesAFileTheSetExpands) {
  MakeApp("App");
  ASSERT_EQ(Build({"-j", "3", "--segment-size", "16384", "--as", "D:\\Work\\Tools\\", "App", "Media"}).status, 0);
  ASSERT_EQ(Tool({"unpack", "Media/disk.001", "-C", "expand"}).status, 0);
  size_t files = 0;
  for (const std::string& entry : Lines("Media/finstall.cfg")) {
    std::string path = entry.substr(entry.rfind(',') + 1);
    ASSERT_EQ(path.rfind("D:\\Work\\Tools\\", 0), 0u) << entry;
    if (path.back() == '\\') continue;
    std::string rel = path.substr(3);
    std::replace(rel.begin(), rel.end(), '\\', '/');
    EXPECT_TRUE(fs::is_regular_file(fs::path("expand") / rel)) << entry;
    ++files;
  }
  EXPECT_EQ(files, 6u);
  for (int n = 1; fs::exists("Media/disk.00" + std::to_string(n)); ++n)
    EXPECT_LE(fs::file_size("Media/disk.00" + std::to_string(n)), 16384u);
}

TEST_F(BuildMedia, ALargeFolderIsSplitIntoSeveralArchivesOfTheSameTemplate) {
  fs::create_directories("Big/data");
  for (int i = 0; i < 3; ++i)
    WriteFileBytes("Big/data/part" + std::to_string(i) + ".bin",
                   test::RandomBytes(1536 * 1024, static_cast<uint64_t>(i)));
  WriteFileBytes("Big/data/empty.dat", {});
  ASSERT_EQ(Build({"-m", "none", "Big", "Media"}).status, 0);
  SetToolRun list = Tool({"list", "Media/disk.001"});
  EXPECT_NE(list.out.find("archive 0: C:\\Source\\Big\\data\\*.*"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("archive 1: C:\\Source\\Big\\data\\*.*"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("4 entries in 2 archives"), std::string::npos) << list.out;
  ASSERT_EQ(Tool({"unpack", "Media/disk.001", "-C", "out"}).status, 0);
  for (const char* name : {"part0.bin", "part1.bin", "part2.bin", "empty.dat"})
    EXPECT_EQ(ReadFileBytes(fs::path("out/Source/Big/data") / name), ReadFileBytes(fs::path("Big/data") / name))
        << name;
}

// Empty files add nothing to an archive's total: alone in a folder, or after the files with bytes,
// they must still come back, and so must an empty folder.
TEST_F(BuildMedia, EmptyFilesAndFoldersComeBackWhole) {
  fs::create_directories("App/alone");
  fs::create_directories("App/mixed");
  fs::create_directories("App/empty folder");
  WriteFileBytes("App/alone/nothing.txt", {});
  WriteFileBytes("App/mixed/a.txt", test::TextBytes(5000, 1));
  WriteFileBytes("App/mixed/y.dat", {});
  WriteFileBytes("App/mixed/z.dat", {});
  WriteFileBytes("App/main.exe", test::RandomBytes(3000, 2));
  WriteFileBytes("App/zz.ini", {});
  // Archives hold a folder each, but those of the zstd method span folders.
  const std::vector<std::pair<std::vector<std::string>, const char*>> cases = {
      {{"-m", "none"}, "3 archives"},
      {{"-m", "rle"}, "3 archives"},
      {{"-m", "lzh"}, "3 archives"},
      {{"-m", "lh5"}, "3 archives"},
      {{"-m", "lh5", "-k", "7"}, "3 archives"},
      {{"-m", "zstd"}, "1 archive"},
      {{"-m", "zstd", "-k", "7"}, "1 archive"}};
  for (const auto& [args, archives] : cases) {
    const std::string method = args[1] + (args.size() > 2 ? " locked" : "");
    SCOPED_TRACE(method);
    fs::remove_all("out");
    std::vector<std::string> build = args;
    build.insert(build.end(), {"App", "Media"});
    ASSERT_EQ(Build(build).status, 0);
    std::vector<std::string> unpack = {"unpack", "Media/disk.001", "-C", "out"};
    if (args.size() > 2) unpack.insert(unpack.end(), {"-k", args[3]});
    SetToolRun r = Tool(unpack);
    ASSERT_EQ(r.status, 0) << r.err;
    test::ExpectSameTree("App", "out/Source/App");
    unpack[0] = "test";
    unpack.erase(unpack.begin() + 2, unpack.begin() + 4);
    EXPECT_NE(Tool(unpack).out.find(std::string("6 files in ") + archives + " OK"), std::string::npos);
  }
}

TEST_F(BuildMedia, AnInstallCfgOfTheFolderShipsBesideTheSegmentsAsItIs) {
  MakeApp("App");
  const std::string own = "; ours\r\n[Setup Screen]\r\nText Line 1=Acme Writer\r\nMain Directory=Acme\r\n";
  WriteText("App/install.cfg", own);
  WriteText("App/finstall.cfg", "stale\r\n");
  ASSERT_EQ(Build({"App", "Media"}).status, 0);
  EXPECT_EQ(Text("Media/install.cfg"), own);
  SetToolRun list = Tool({"list", "Media/disk.001"});
  EXPECT_EQ(list.out.find("install.cfg"), std::string::npos) << list.out;
  EXPECT_EQ(Text("Media/finstall.cfg").find("stale"), std::string::npos);
}

TEST_F(BuildMedia, TheProjectFileShapesTheMedia) {
  MakeApp("App");
  fs::create_directories("App/fonts");
  fs::create_directories("App/docs/api/deep");
  WriteText("App/fonts/Sans.TTF", "font");
  WriteText("App/docs/api/deep/ref.txt", "ref");
  WriteText("App/App.pdb", "symbols");
  WriteText("App/images.bmp", "logo");
  WriteText("App/register.exe", "post");
  WriteText("App/vurerode.prj",
            "; Acme's media\n"
            "[Setup]\n"
            "Title = Acme Writer\n"
            "Main Directory = Acme\\Writer\n"
            "Logo File = images.bmp\n"
            "ReBoot Option = 1\n"
            "\n"
            "[Files]\n"
            "*.pdb = -\n"
            "fonts\\*.ttf = Fonts\n"
            "bin\\core.dll = System\n"
            "docs\\ = Installation Directory\\Manual\n"
            "cache\\ = Program Files\\Acme Cache\n"
            "\n"
            "[Shortcuts]\n"
            "Acme Writer = App.exe, Acme, start menu + desktop, App.exe\n"
            "Manual = <InstallDir>\\Manual\\manual.txt\n"
            "\n"
            "[Registry]\n"
            "HKEY_LOCAL_MACHINE\\Software\\Acme, Writer, Version, 2.0\n"
            "[INI Files]\n"
            "acme.ini, Options, Path, <InstallDir>\n"
            "[Run After Install]\n"
            "register.exe\n");
  SetToolRun r = Build({"App", "Media"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string finstall = Text("Media/finstall.cfg");
  for (const char* e : {"Fonts,C:\\Source\\App\\fonts\\Sans.TTF\r\n", "System,C:\\Source\\App\\bin\\core.dll\r\n",
                        "Installation Directory,Manual,C:\\Source\\App\\docs\\manual.txt\r\n",
                        "Installation Directory,Manual,api,deep,C:\\Source\\App\\docs\\api\\deep\\ref.txt\r\n",
                        "Program Files,Acme Cache,C:\\Source\\App\\cache\\\r\n"})
    EXPECT_NE(finstall.find(e), std::string::npos) << e << finstall;
  EXPECT_EQ(finstall.find("pdb"), std::string::npos);
  EXPECT_EQ(finstall.find("vurerode.prj"), std::string::npos);
  EXPECT_EQ(Tool({"list", "Media/disk.001"}).out.find("App.pdb"), std::string::npos);

  EXPECT_EQ(Lines("Media/install.cfg"),
            (std::vector<std::string>{
                "[Setup Screen]", "Text Line 1=Acme Writer", "Main Directory=Acme\\Writer",
                "Desktop Folder=Acme Writer", "Logo File=C:\\Source\\App\\images.bmp", "ReBoot Option=1", "",
                "[Desktop]", "Acme Writer,<InstallDir>\\App.exe,X,X,,C:\\Source\\App\\App.exe,Acme,App.exe=",
                "Manual,<InstallDir>\\Manual\\manual.txt,X,,,C:\\Source\\App\\docs\\manual.txt,Acme Writer,=", "",
                "[INI\\Registry]", "Count=2", "INIREG 0=HKEY_LOCAL_MACHINE\\Software\\Acme,Writer,Version,2.0",
                "INIREG 1=acme.ini,Options,Path,<InstallDir>", "", "[Launch Applications]",
                "C:\\Source\\App\\register.exe="}));
}

TEST_F(BuildMedia, MistakesAreReportedWithTheirPlace) {
  MakeApp("App");
  const std::pair<const char*, const char*> cases[] = {
      {"[Files]\n*.dll = Desktop\n", "vurerode.prj:2: 'Desktop' is not a base directory"},
      {"[Shortcuts]\nX = a.exe, , sideways\n", "vurerode.prj:2: 'sideways'"},
      {"[Registry]\nSoftware\\Acme, App, V, 1\n", "vurerode.prj:2: a registry key starts with"},
      {"[Registry]\nHKEY_CURRENT_USER\\Software, App, V, 1,5\n", "vurerode.prj:2: an entry has four"},
      {"[Run After Install]\nnot-there.exe\n", "the program 'not-there.exe' is not a file the media ship"},
      {"[Setup]\nLogo File = nope.bmp\n", "Logo File 'nope.bmp' is not a file the media ship"},
      {"[Setup]\nScope = everyone\n", "[Setup] Scope 'everyone' is none of machine, user, choose"},
      {"[Colours]\n", "vurerode.prj:1: unknown section"},
      {"Title = x\n", "vurerode.prj:1: a line before the first section"},
  };
  for (auto [project, message] : cases) {
    SCOPED_TRACE(project);
    WriteText("App/vurerode.prj", project);
    SetToolRun r = Build({"App", "Media"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
  }
  ExpectNoWorkLeft();
}

TEST_F(BuildMedia, EntriesIntoProtectedRegistryKeysAreRefusedByName) {
  MakeApp("App");
  const struct {
    const char* project;     // the project file; empty when a given install.cfg holds the entry
    const char* installCfg;  // the given install.cfg's [INI\\Registry] entry, or empty
    const char* message;     // empty when the media are built
  } cases[] = {
      {"[Registry]\nHKEY_LOCAL_MACHINE\\Software, Microsoft, Installed, 1\n", "",
       "vurerode.prj:2: the registry key HKEY_LOCAL_MACHINE\\Software\\Microsoft is protected"},
      {"[Registry]\nHKEY_CURRENT_USER\\Software\\Microsoft\\Windows, CurrentVersion, X, 1\n", "",
       "the registry key HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion is protected"},
      {"[Registry]\nHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion, Uninstall, X, 1\n", "",
       "Uninstall is protected"},
      {"[Registry]\nHKEY_LOCAL_MACHINE\\Software\\\\Classes, \\, X, 1\n", "", "is protected"},
      {"[Registry]\nHKEY_LOCAL_MACHINE\\, System, X, 1\n", "", "is protected"},
      {"", "HKEY_LOCAL_MACHINE\\Software,Microsoft,Installed,1",
       "[INI\\Registry] INIREG 0: the registry key HKEY_LOCAL_MACHINE\\Software\\Microsoft is protected"},
      {"[Registry]\nHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion, Run, Acme, a.exe\n", "", ""},
      {"[Registry]\nHKEY_LOCAL_MACHINE\\Software, Acme, Version, 1.0\n", "", ""},
      {"", "HKEY_LOCAL_MACHINE\\Software\\Acme,App,Version,1.0", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.project) + c.installCfg);
    fs::remove("App/vurerode.prj");
    fs::remove("App/install.cfg");
    if (*c.project) WriteText("App/vurerode.prj", c.project);
    if (*c.installCfg)
      WriteText("App/install.cfg", std::string("[INI\\Registry]\r\nCount=1\r\nINIREG 0=") + c.installCfg + "\r\n");
    fs::remove_all("Media");
    SetToolRun r = Build({"App", "Media"});
    EXPECT_EQ(r.status, *c.message ? 1 : 0) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;  // an empty message is found anywhere
  }
}

// Media for the current user only are refused what such an installation would refuse, each entry
// named; media whose users choose are built, the installation for the user refusing it then.
TEST_F(BuildMedia, UserScopeMediaAreRefusedWhatAPerUserInstallationCannotWrite) {
  MakeApp("App");
  const struct {
    const char* scope;
    const char* lines;    // the rest of the project file, or an [INI\Registry] entry of a given install.cfg
    const char* refusal;  // empty when the media are built
  } cases[] = {
      {"user", "[Registry]\nHKEY_LOCAL_MACHINE\\Software\\Acme, Writer, V, 1\n",
       "[INI\\Registry] INIREG 0 \"HKEY_LOCAL_MACHINE\\Software\\Acme,Writer,V,1\": it writes under "
       "HKEY_LOCAL_MACHINE"},
      {"User", "[INI Files]\nacme.ini, Options, Path, <InstallDir>\n",
       "acme.ini,Options,Path,<InstallDir>\": it writes the INI file acme.ini"},
      {"user", "[Files]\nbin\\core.dll = System\n",
       "finstall.cfg entry \"System,C:\\Source\\App\\bin\\core.dll\": it goes to System"},
      {"user", "[Files]\ndocs\\ = Program Files\\Acme Docs\n",
       "\"Program Files,Acme Docs,C:\\Source\\App\\docs\\manual.txt\""},
      {"user", "INIREG 0=HKEY_LOCAL_MACHINE\\Software\\Acme,App,V,1", "it writes under HKEY_LOCAL_MACHINE"},
      {"user", "[Registry]\nHKEY_AUTO\\Software\\Acme, Writer, V, 1\nHKEY_CURRENT_USER\\Software\\Acme, W, V, 1\n", ""},
      {"user", "[Files]\nbin\\ = Installation Directory\\Bin\n", ""},
      {"choose", "[Registry]\nHKEY_LOCAL_MACHINE\\Software\\Acme, Writer, V, 1\n[Files]\nbin\\core.dll = System\n", ""},
      {"machine", "[INI Files]\nacme.ini, Options, Path, <InstallDir>\n[Files]\nbin\\core.dll = System\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.scope) + ": " + c.lines);
    fs::remove("App/install.cfg");
    const bool given = std::string(c.lines).rfind("INIREG", 0) == 0;
    if (given) WriteText("App/install.cfg", std::string("[INI\\Registry]\r\nCount=1\r\n") + c.lines + "\r\n");
    WriteText("App/vurerode.prj", std::string("[Setup]\nScope = ") + c.scope + "\n" + (given ? "" : c.lines));
    fs::remove_all("Media");
    SetToolRun r = Build({"App", "Media"});
    EXPECT_EQ(r.status, *c.refusal ? 1 : 0) << r.err;
    EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
    EXPECT_EQ(fs::exists("Media/setup.exe"), !*c.refusal);  // refused before the media are written
  }
}

// An installed copy's log in the folder would be installed over the log the installer writes, and
// the removal would follow it: it is left out, with a warning. One in a sub-folder lands elsewhere.
TEST_F(BuildMedia, AnUninstallLogInTheFolderIsNotShipped) {
  MakeApp("App");
  WriteText("App/Uninstaller.CFG", "[Files]\r\nC:\\WINDOWS\\*.*=\r\n");
  WriteText("App/docs/uninstaller.cfg", "notes");
  SetToolRun r = Build({"App", "Media"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err.rfind("warning: left out '", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("Uninstaller.CFG'"), std::string::npos) << r.err;
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  const std::string files = Text("Media/finstall.cfg");
  EXPECT_EQ(files.find("App\\Uninstaller.CFG"), std::string::npos) << files;
  EXPECT_NE(files.find("Installation Directory,docs,C:\\Source\\App\\docs\\uninstaller.cfg"), std::string::npos);
  ASSERT_EQ(Tool({"unpack", "Media/disk.001", "-C", "out"}).status, 0);
  EXPECT_FALSE(fs::exists("out/Source/App/Uninstaller.CFG"));
}

// The title names the uninstall entry's key and travels quoted on its command line.
TEST_F(BuildMedia, TitlesAnUninstallEntryCannotCarryAreRefused) {
  MakeApp("App");
  const std::pair<const char*, const char*> cases[] = {
      {"[Setup]\nTitle = Acme\\Writer\n", "the title 'Acme\\Writer' holds a backslash (\\)"},
      {"[Setup]\nTitle = Acme \"Pro\"\n", "the title 'Acme \"Pro\"' holds a double quote (\")"},
      {"[Setup]\nTitle = Acme\tPro\n", "holds a control character (0x09)"},
  };
  for (auto [project, message] : cases) {
    SCOPED_TRACE(project);
    WriteText("App/vurerode.prj", project);
    SetToolRun r = Build({"App", "Media"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("vurerode build: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists("Media/setup.exe"));
  }
  WriteText("App/vurerode.prj", "[Setup]\nTitle = Acme  Two  Spaces & 100%\n");
  EXPECT_EQ(Build({"App", "Media"}).status, 0);
}

// Every name Windows would refuse is named in one message, with the reason, and nothing is written.
TEST_F(BuildMedia, NamesTheInstallerCannotCarryAreRefusedAllAtOnce) {
#ifdef _WIN32
  GTEST_SKIP() << "a Windows host cannot hold the names this test offers (devices, '?', trailing dots)";
#endif
  MakeApp("App");
  const std::pair<std::string, const char*> bad[] = {
      {"a,b.txt", "it holds a comma"},
      {"what?.txt", "it holds '?'"},
      {"back\\slash.txt", "it holds '\\'"},
      {"tab\there.txt", "control character"},
      {"docs/con.TXT", "Windows keeps the name CON for a device"},
      {"docs/Lpt9", "Windows keeps the name LPT9 for a device"},
      {"trailing.", "it ends with a space or a period"},
      {"trailing ", "it ends with a space or a period"},
      {"AUX.tar.gz/inside.txt", "Windows keeps the name AUX for a device"},
      {"latin\xE9.txt", "not UTF-8"},
  };
  for (const auto& [name, why] : bad) {
    fs::create_directories(test::U8Path("App/" + name).parent_path());
    WriteText("App/" + name, "x");
  }
  // What Windows takes: a device name inside a longer name, COM0, any script.
  for (const char* fine : {"console.txt", "COM0", "LPT10.txt", "\xE6\x97\xA5\xE6\x9C\xAC.txt", "\xF0\x9F\x8E\x89"})
    WriteText(std::string("App/") + fine, "fine");
  SetToolRun r = Build({"App", "Media"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cannot ship 10 names in '"), std::string::npos) << r.err;
  for (const auto& [name, why] : bad) {
    std::string rel = name;
    std::replace(rel.begin(), rel.end(), '/', '\\');
    if (rel.rfind("AUX", 0) == 0) rel = "AUX.tar.gz";  // the folder, not again what it holds
    if (rel.rfind("latin", 0) == 0) rel = "latin\xEF\xBF\xBD.txt";
    EXPECT_NE(r.err.find("  '" + rel + "': "), std::string::npos) << rel << "\n" << r.err;
    EXPECT_NE(r.err.find(why), std::string::npos) << why;
  }
  EXPECT_EQ(r.err.find("inside.txt"), std::string::npos);
  EXPECT_FALSE(fs::exists("Media/disk.001"));
}

TEST_F(BuildMedia, NonAsciiNamesAndTextsTravelAsUnicode) {
  MakeApp("App");
  const std::string cafe = "caf\xC3\xA9.txt", cyrillic = "\xD0\xB6\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB",
                    emoji = "\xF0\x9F\x8E\x89.dat";
  WriteText("App/" + cafe, "latin");
  fs::create_directories(test::U8Path("App/" + cyrillic));
  WriteText("App/" + cyrillic + "/" + emoji, "emoji");
  const std::string title = "\xE6\x97\xA5\xE6\x9C\xAC Writer";  // 日本 Writer
  WriteText("App/vurerode.prj", "[Setup]\nTitle = " + title + "\n");
  ASSERT_EQ(Build({"App", "Media"}).status, 0);
  for (const char* file : {"Media/finstall.cfg", "Media/install.cfg"})
    EXPECT_EQ(Text(file).substr(0, 2), "\xFF\xFE") << file << " is UTF-16 with its mark";
  const std::string files = MediaFileText(Text("Media/finstall.cfg"));
  EXPECT_NE(files.find("Installation Directory,C:\\Source\\App\\" + cafe + "\r\n"), std::string::npos) << files;
  EXPECT_NE(files.find("Installation Directory," + cyrillic + ",C:\\Source\\App\\" + cyrillic + "\\" + emoji),
            std::string::npos)
      << files;
  EXPECT_NE(MediaFileText(Text("Media/install.cfg")).find("Text Line 1=" + title + "\r\n"), std::string::npos);
  SetToolRun list = Tool({"list", "Media/disk.001"});
  EXPECT_NE(list.out.find("C:\\Source\\App\\" + cyrillic + "\\" + emoji), std::string::npos) << list.out;
  ASSERT_EQ(Tool({"test", "Media/disk.001"}).status, 0);
  ASSERT_EQ(Tool({"unpack", "Media/disk.001", "-C", "out"}).status, 0);
  EXPECT_EQ(Text("out/Source/App/" + cafe), "latin");
  EXPECT_EQ(Text("out/Source/App/" + cyrillic + "/" + emoji), "emoji");
}

// A shortcut's target and an INI file's path must fit Windows' MAX_PATH where the default
// installation puts them; the files themselves may lie deeper.
TEST_F(BuildMedia, ShortcutTargetsAndIniPathsLongerThanWindowsAllowsAreRefused) {
#ifdef _WIN32
  GTEST_SKIP() << "the source tree lies deeper than MAX_PATH, and the C++ library's folder reader on a Windows host "
                  "stops there";
#endif
  MakeApp("App");
  const std::string deep = std::string(120, 'd') + "/" + std::string(120, 'e');
  fs::create_directories("App/" + deep);
  WriteText("App/" + deep + "/tool.exe", "deep");
  // "C:\\Program Files\\App" and "\\" + 120 + "\\" + 120 + "\\tool.exe": 20 + 251 = 271 characters.
  const std::string target = std::string(120, 'd') + "\\" + std::string(120, 'e') + "\\tool.exe";
  const std::string ini = std::string(250, 'i') + ".ini";
  WriteText("App/vurerode.prj", "[Setup]\nMain Directory = App\n[Shortcuts]\nDeep = " + target +
                                    "\nShallow = App.exe\n[INI Files]\n" + ini + ", S, K, V\nshort.ini, S, K, V\n");
  SetToolRun r = Build({"App", "Media"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("the shortcut 'Deep' to: C:\\Program Files\\App\\" + target +
                       " would be 271 characters long in C:\\Program Files\\App; Windows allows 259"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("the INI file of INIREG 0: C:\\Windows\\" + ini + " would be 265"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("Shallow"), std::string::npos);
  EXPECT_EQ(r.err.find("short.ini"), std::string::npos);
  EXPECT_FALSE(fs::exists("Media/disk.001"));
  // Installed below C:\\App the target is 257 characters long: it fits, and the file lies as deep.
  WriteText("App/vurerode.prj",
            "[Setup]\nMain Directory = App\nUnder Program Files = 0\n[Shortcuts]\nDeep = " + target + "\n");
  r = Build({"App", "Media"});
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(BuildMedia, OldSegmentsGoAndAnOutputFolderInsideTheSourceIsLeftOut) {
  MakeApp("App");
  fs::create_directories("App/media");
  WriteText("App/media/disk.009", "stale");
  WriteText("App/media/SHA256SUMS", "stale");
  WriteText("App/media/notes.txt", "kept");
  ASSERT_EQ(Build({"App", "App/media"}).status, 0);
  EXPECT_FALSE(fs::exists("App/media/disk.009"));
  EXPECT_EQ(Text("App/media/SHA256SUMS").find("stale"), std::string::npos);
  EXPECT_TRUE(fs::exists("App/media/notes.txt"));
  EXPECT_EQ(Text("App/media/finstall.cfg").find("media"), std::string::npos);
}

TEST_F(BuildMedia, UsageErrors) {
  MakeApp("App");
  const std::vector<std::vector<std::string>> cases = {
      {"App"},
      {"--segment-size", "1000", "App", "M"},
      {"--segment-size", "big", "App", "M"},
      {"--as", "Source\\App", "App", "M"},
      {"--as", "C:\\A,B", "App", "M"},
      {"-m", "zip", "App", "M"},
      {"-j", "0", "App", "M"},
      {"App", "App"},
      {"missing", "M"},
  };
  for (const auto& args : cases) {
    SetToolRun r = Build(args);
    EXPECT_EQ(r.status, 2) << args.back() << ": " << r.err;
  }
  SetToolRun noSetup = Tool({"build", "--setup", "nowhere.exe", "App", "M"});
  EXPECT_EQ(noSetup.status, 1);
  EXPECT_NE(noSetup.err.find("nowhere.exe"), std::string::npos);
}

// Media must start on Windows: a --setup file that is not a Windows program is refused before
// anything is written.
TEST_F(BuildMedia, OnlyAWindowsProgramShipsAsSetup) {
  MakeApp("App");
  std::vector<uint8_t> peBeyondTheEnd(0x40, 0);
  peBeyondTheEnd[0] = 'M';
  peBeyondTheEnd[1] = 'Z';
  peBeyondTheEnd[0x3C] = 0x40;
  std::vector<uint8_t> wrongSignature = ReadFileBytes("setup.exe");
  wrongSignature[0x43] = 1;
  const std::pair<const char*, std::vector<uint8_t>> refused[] = {
      {"elf", test::Bytes("\x7F"
                          "ELF the native setup")},
      {"text", test::Bytes("MZ the installer")},
      {"dos-only", peBeyondTheEnd},
      {"wrong-signature", wrongSignature},
      {"empty", {}},
  };
  for (const auto& [name, bytes] : refused) {
    WriteFileBytes(name, bytes);
    SetToolRun r = Tool({"build", "--setup", name, "App", "M"});
    EXPECT_EQ(r.status, 1) << name;
    EXPECT_NE(
        r.err.find("'" + std::string(name) + "' is not a Windows program (setup.exe must be the Windows installer)"),
        std::string::npos)
        << r.err;
    EXPECT_FALSE(fs::exists("M/disk.001")) << name;
  }
}

// Without --setup the Windows build's setup.exe is found from the tool's folder, in either tree.
TEST_F(BuildMedia, TheDefaultInstallerIsTheWindowsBuildOfThisTree) {
  struct Case {
    std::vector<std::string> programs;  // Windows programs in the tree
    std::vector<std::string> others;    // files of that name that are not
    const char* found;
  };
  const Case cases[] = {
      {{"build/windows/ui/setup.exe"}, {}, "build/windows/ui/setup.exe"},
      {{"build/windows/ui/setup.exe"}, {"build/native/ui/setup.exe"}, "build/windows/ui/setup.exe"},
      {{"build/native/ui/setup.exe", "build/windows/ui/setup.exe"}, {}, "build/native/ui/setup.exe"},
      {{"build/native/tools/setup.exe", "build/native/ui/setup.exe"}, {}, "build/native/tools/setup.exe"},
      {{}, {"build/native/tools/setup.exe", "build/windows/ui/setup.exe"}, ""},
      {{"build/windows/app/setup.exe"}, {}, ""},
  };
  for (const Case& c : cases) {
    fs::remove_all("build");
    fs::create_directories("build/native/tools");
    for (const std::string& p : c.programs) {
      fs::create_directories(fs::path(p).parent_path());
      test::WriteWindowsProgramStub(p);
    }
    for (const std::string& p : c.others) {
      fs::create_directories(fs::path(p).parent_path());
      WriteText(p, "#!/bin/sh\n");
    }
    const fs::path found = WindowsSetupFor("build/native/tools");
    EXPECT_EQ(found.empty() ? "" : found.lexically_normal().generic_string(), c.found) << c.programs.size();
  }
}

TEST(ProjectRules, FirstMatchWinsAndFoldersKeepTheirPath) {
  Project p = ParseProject(
      "[Files]\n"
      "*.DLL = System\n"
      "bin\\keep.dll = Installation Directory\\bin\n"
      "data\\*\\*.dat = Windows\\Data\n"
      "docs\\ = Root\\Docs\n"
      "tmp/ = -\n",
      "p");
  struct Case {
    const char* path;
    bool shipped;
    const char* base;
    std::vector<std::string> folders;
  };
  const Case cases[] = {
      {"a.dll", true, "System", {}},
      {"bin\\keep.dll", true, "System", {}},  // the earlier rule wins
      {"data\\x\\y.dat", true, "Windows", {"Data"}},
      {"data\\y.dat", true, "Installation Directory", {"data"}},
      {"docs\\a\\b\\c.txt", true, "Root", {"Docs", "a", "b"}},
      {"docs.txt", true, "Installation Directory", {}},
      {"tmp\\x.txt", false, "", {}},
      {"src\\tmp\\x.txt", true, "Installation Directory", {"src", "tmp"}},
  };
  for (const Case& c : cases) {
    Placement pl = p.Place(c.path);
    EXPECT_EQ(pl.shipped, c.shipped) << c.path;
    if (!c.shipped) continue;
    EXPECT_EQ(pl.base, c.base) << c.path;
    EXPECT_EQ(pl.folders, c.folders) << c.path;
  }
  EXPECT_EQ(p.PlaceFolder("docs\\empty").folders, (std::vector<std::string>{"Docs", "empty"}));
  EXPECT_FALSE(p.PlaceFolder("tmp\\x").shipped);
  EXPECT_EQ(p.PlaceFolder("other").folders, std::vector<std::string>{"other"});
}

}  // namespace
}  // namespace vurerode::cli
