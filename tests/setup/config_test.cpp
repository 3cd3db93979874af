// install.cfg and finstall.cfg read into the settings, lists and controls.
#include "app/text_lines.h"
#include "platform/ini_document.h"
#include "setup_fixture.h"

namespace vurerode::setup::test {
namespace {

class ConfigTest : public SetupTest {
 protected:
  // Reads an install.cfg text (and finstall.cfg) from C:\cfg\ into a fresh main window.
  TDisplayScreen& Read(const std::string& installCfg, const std::string& finstall = "") {
    platform::FileSystem& fs = Machine().fs();
    fs.CreateDirectory("C:\\cfg");
    for (auto [name, text] : {std::pair{"install.cfg", installCfg}, std::pair{"finstall.cfg", finstall}}) {
      auto f = fs.CreateFile(std::string("C:\\cfg\\") + name);
      f->Write(text.data(), text.size());
    }
    fs.ChangeDirectory("C:\\cfg");
    screen_ = std::make_unique<TDisplayScreen>(Machine(), view, false, "");
    screen_->ReadSetupConfig("C:\\cfg\\");
    return *screen_;
  }
};

TEST_F(ConfigTest, DefaultsWithoutASetupScreenSection) {
  TDisplayScreen& s = Read("");
  EXPECT_EQ(s.Main_Dir, "C:\\Program Files\\LKS\\");
  EXPECT_TRUE(s.Settings.DisplayDesktopOptions);
  EXPECT_FALSE(s.reboot.Visible);
  EXPECT_FALSE(s.LaunchItOption.Visible);
  EXPECT_TRUE(s.ReturnToWindows.Visible && s.ReturnToWindows.Checked);
  EXPECT_EQ(s.CreateFolder.Caption, "Applications");
  EXPECT_EQ(s.Screen.ColorStart, 0xFF0000u);
  EXPECT_EQ(s.Screen.BackGroundEffect, bdHorzIn);
  EXPECT_EQ(s.Screen.TitleLine.Font.Height, -32);
}

TEST_F(ConfigTest, ValuesAreReadByTheirTypeRules) {
  TDisplayScreen& s = Read(
      "[Setup Screen]\r\nText Line 1=Acme 1.0\r\nText Line 1 Font Color=0x0000FF\r\n"
      "Text Line 2 Font Color=$FF00\r\nText Line 3 Font Color=white\r\nText Line 2 Font Style=fsBold,fsUnderline,\r\n"
      "Text Line 3 Font Style=fsBold\r\nText Line 4 Font Size=20\r\nText Line 1 Font Height=-40\r\n"
      "From Color=255\r\nDisplay Style=Vertical Out\r\nReBoot Option=1\r\nLaunch Application=<InstallDir>\\a.exe\r\n"
      "Under Program Files=0\r\nMain Directory=Acme\r\nDesktop Folder=Acme Tools\r\nDisplay Desktop Options=0\r\n"
      "Display Version=1.0.2\r\nPublisher=Acme Corp\r\n"
      "[INI\\Registry]\r\nCount=2\r\nINIREG 0=acme.ini,Options,Path,C:\\Acme\r\n"
      "[Launch "
      "Applications]\r\nC:\\Tools\\post.exe=\r\n[Desktop]\r\nAcme,<InstallDir>\\a.exe,X,,,C:\\Src\\a.exe,Acme,=\r\n");
  EXPECT_EQ(s.Screen.TitleLine.Caption, "Acme 1.0");
  EXPECT_EQ(s.Screen.TitleLine.Font.Color, 0x0000FFu);
  EXPECT_EQ(s.Screen.SubtitleLine.Font.Color, 0x00FF00u);
  EXPECT_EQ(s.Screen.NoteLine.Font.Color, 0xFFFFFFu);  // not a number: the default
  EXPECT_EQ(s.Screen.SubtitleLine.Font.Style, fsBold | fsUnderline);
  EXPECT_EQ(s.Screen.NoteLine.Font.Style, 0);       // a name without its comma does not count
  EXPECT_EQ(s.Screen.FooterLine.Font.Height, -27);  // 20 points at 96 pixels per inch
  EXPECT_EQ(s.Screen.TitleLine.Font.Height, -40);   // a height overrides the size
  EXPECT_EQ(s.Screen.ColorStart, 255u);
  EXPECT_EQ(s.Screen.BackGroundEffect, bdVertOut);
  EXPECT_TRUE(s.reboot.Visible && !s.reboot.Checked);
  EXPECT_TRUE(s.LaunchItOption.Visible && s.LaunchItOption.Checked && !s.ReturnToWindows.Checked);
  EXPECT_EQ(s.Main_Dir, "C:\\Acme\\");
  EXPECT_EQ(s.CreateFolder.Caption, "Acme Tools");
  EXPECT_FALSE(s.Settings.DisplayDesktopOptions);
  EXPECT_EQ(s.Settings.DisplayVersion, "1.0.2");
  EXPECT_EQ(s.Settings.Publisher, "Acme Corp");
  EXPECT_EQ(s.Globals.IniRegistry, (std::vector<std::string>{"acme.ini,Options,Path,C:\\Acme", ""}));
  EXPECT_EQ(s.Globals.LaunchApplications, (std::vector<std::string>{s.Globals.ExpandDir + "\\Tools\\post.exe"}));
  EXPECT_EQ(s.Globals.Desktop.size(), 1u);
}

TEST_F(ConfigTest, TheParseTakesTheFilesAsTheyStand) {
  platform::FileSystem& fs = Machine().fs();
  fs.CreateDirectory("C:\\cfg");
  const std::string text =
      "[Setup Screen]\r\nText Line 2=Welcome\r\nLogo File=C:\\Src\\logo.gif\r\nMain Directory=HKEY_LOCAL_MACHINE,"
      "Software\\Acme,Path,Acme\r\n[INI\\Registry]\r\nCount=1\r\nINIREG 0=acme.ini,A,B,C\r\n"
      "[Launch Applications]\r\nC:\\Src\\post.exe=\r\n";
  fs.CreateFile("C:\\cfg\\install.cfg")->Write(text.data(), text.size());
  const TSetupConfig c = ParseSetupConfig(Machine().profile(), fs, "C:\\cfg\\");
  EXPECT_EQ(c.Lines[0].Caption, "Vurerode Setup");  // what a missing line says
  EXPECT_EQ(c.Lines[1].Caption, "Welcome");
  EXPECT_EQ(c.Lines[3].Font.Height, -13);  // the screen's own font where install.cfg gives none
  // Paths and the registry form of Main Directory stand as written: applying them is another step.
  EXPECT_EQ(c.Settings.LogoFile, "C:\\Src\\logo.gif");
  EXPECT_EQ(c.Settings.MainDirectory, "HKEY_LOCAL_MACHINE,Software\\Acme,Path,Acme");
  EXPECT_EQ(c.IniRegistry, std::vector<std::string>{"acme.ini,A,B,C"});
  EXPECT_EQ(c.LaunchApplications, std::vector<std::string>{"C:\\Src\\post.exe"});
  EXPECT_FALSE(c.InstallFiles.has_value());  // no finstall.cfg
}

// The builder writes install.cfg and finstall.cfg as UTF-16 with its mark once their text is not
// ASCII; older media hold Windows-1252. Each form reads back as the same text.
TEST_F(ConfigTest, ConfigFilesOfEveryEncodingReadAlike) {
  auto utf16 = [](const std::string& s) { return platform::EncodeProfileText(s, platform::ProfileEncoding::kUtf16); };
  const std::string title = "Café Ωμέγα 日本 🎉", entry = "Installation Directory,C:\\Src\\Журнал\\ü.exe";
  const struct {
    const char* form;
    std::string installCfg, finstall, title, entry;
  } cases[] = {
      {"UTF-16", utf16("[Setup Screen]\r\nText Line 1=" + title + "\r\n"), utf16(entry + "\r\n"), title, entry},
      {"UTF-8", "\xEF\xBB\xBF[Setup Screen]\r\nText Line 1=" + title + "\r\n", "\xEF\xBB\xBF" + entry + "\r\n", title,
       entry},
      {"Windows-1252", "[Setup Screen]\r\nText Line 1=Caf\xE9 \x80\r\n", "Installation Directory,C:\\Src\\\xFC.exe\r\n",
       "Café €", "Installation Directory,C:\\Src\\ü.exe"},
  };
  platform::FileSystem& fs = Machine().fs();
  fs.CreateDirectory("C:\\cfg");
  for (const auto& c : cases) {
    fs.CreateFile("C:\\cfg\\install.cfg")->Write(c.installCfg.data(), c.installCfg.size());
    fs.CreateFile("C:\\cfg\\finstall.cfg")->Write(c.finstall.data(), c.finstall.size());
    const TSetupConfig config = ParseSetupConfig(Machine().profile(), fs, "C:\\cfg\\");
    EXPECT_EQ(config.Lines[0].Caption, c.title) << c.form;
    EXPECT_EQ(config.InstallFiles, std::vector<std::string>{c.entry}) << c.form;
  }
}

// A licence written by hand is often UTF-8 without a mark; bytes that are not valid UTF-8 are
// Windows-1252, as a licence of older media is.
TEST_F(ConfigTest, TheLicenceMayBeUtf8WithoutAMark) {
  platform::FileSystem& fs = Machine().fs();
  const struct {
    std::string bytes;
    UnmarkedText unmarked;
    std::vector<std::string> lines;
  } cases[] = {
      {"Licence \xC3\xBC\r\n\xCE\xA9\n", UnmarkedText::kUtf8WhenValid, {"Licence ü", "Ω"}},
      {"Licence \xFC\r\n", UnmarkedText::kUtf8WhenValid, {"Licence ü"}},
      {"Licence \xC3\xBC\r\n", UnmarkedText::kAnsi, {"Licence Ã¼"}},
      {std::string("\xFF\xFE"
                   "L\0\xA9\0\r\0\n\0",
                   10),
       UnmarkedText::kUtf8WhenValid,
       {"L©"}},
  };
  for (const auto& c : cases) {
    fs.CreateFile("C:\\LICENSE.TXT")->Write(c.bytes.data(), c.bytes.size());
    EXPECT_EQ(ReadTextLines(fs, "C:\\LICENSE.TXT", c.unmarked), c.lines) << c.bytes;
  }
}

TEST_F(ConfigTest, MainDirectoryFromTheRegistry) {
  const std::string cfg = "[Setup Screen]\r\nMain Directory=HKEY_LOCAL_MACHINE,Software\\Acme\\App,Path,Acme\\App\r\n";
  EXPECT_EQ(Read(cfg).Main_Dir, "C:\\Program Files\\Acme\\App\\");
  Machine()
      .registry()
      .CreateKey(platform::RegistryRoot::LocalMachine, "Software\\Acme\\App")
      ->WriteString("Path", "D:\\Apps\\Acme");
  EXPECT_EQ(Read(cfg).Main_Dir, "D:\\Apps\\Acme\\");
  // Any other root name reads from HKEY_CURRENT_USER.
  EXPECT_EQ(Read("[Setup Screen]\r\nMain Directory=HKEY_CLASSES_ROOT,Software\\Acme\\App,Path,X\r\n").Main_Dir,
            "C:\\Program Files\\X\\");
  Machine().registry().CreateKey(platform::RegistryRoot::CurrentUser, "Software\\Acme\\App")->WriteInteger("Path", 5);
  EXPECT_EQ(Read("[Setup Screen]\r\nMain Directory=HKEY_CURRENT_USER,Software\\Acme\\App,Path,Y\r\n").Main_Dir,
            "C:\\Program Files\\Y\\");  // a value that is not text names no directory
}

TEST_F(ConfigTest, AnInstallFilesEntryThatCannotBeInstalledSafelyIsRefusedByName) {
  try {
    Read("", "Installation Directory,C:\\App\\a.exe\r\nInstallation Directory,..,C:\\App\\b.exe\r\n");
    FAIL() << "the entry was taken";
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("Installation Directory,..,C:\\App\\b.exe"), std::string::npos) << e.what();
  }
}

TEST_F(ConfigTest, AnEntryIntoAProtectedRegistryKeyIsRefusedByName) {
  const struct {
    const char* entry;
    bool refused;
  } cases[] = {
      {"HKEY_LOCAL_MACHINE\\Software,Microsoft,Installed,1", true},
      {"HKEY_LOCAL_MACHINE,Software,X,1", true},
      {"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows,CurrentVersion,X,1", true},
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion,Uninstall\\,X,1", true},
      {"HKEY_LOCAL_MACHINE,System,X,1", true},
      {"HKEY_CURRENT_USER\\Software,Classes,X,1", true},
      {"hkey_local_machine\\\\SOFTWARE,microsoft,X,1", true},
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion,Run,Acme,C:\\Acme\\acme.exe", false},
      {"HKEY_LOCAL_MACHINE\\Software,Acme,Version,1.0", false},
      {"system.ini,Software,X,1", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.entry);
    const std::string cfg =
        std::string("[INI\\Registry]\r\nCount=2\r\nINIREG 0=acme.ini,A,B,C\r\nINIREG 1=") + c.entry + "\r\n";
    try {
      Read(cfg);
      EXPECT_FALSE(c.refused) << "the entry was taken";
    } catch (const Exception& e) {
      EXPECT_TRUE(c.refused) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.entry), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("protected"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace vurerode::setup::test
