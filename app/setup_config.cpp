// Reading install.cfg and finstall.cfg, and applying what they say to the settings, the lists and the
// controls.
#include "app/setup_config.h"

#include <cctype>

#include "app/display_screen.h"
#include "app/text_lines.h"
#include "media/fields.h"
#include "media/finstall_cfg.h"
#include "media/install_cfg.h"
#include "media/registry_keys.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "platform/windows_path.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

namespace {

const char* const kSection = media::kSetupScreenSection;

// What the four lines say when install.cfg does not say otherwise.
const char* const kDefaultLines[4] = {"Vurerode Setup", "Installation Wizard", "", "Vurerode Setup System | Vurerode"};

class ConfigReader {
 public:
  ConfigReader(platform::Profile& profile, std::string file) : profile_(profile), file_(std::move(file)) {}

  std::string String(const std::string& key, const std::string& def) {
    return profile_.ReadString(file_, kSection, key, def);
  }
  long long Integer(const std::string& key, long long def) {
    long long v;
    return ParseConfigInteger(String(key, ""), v) ? v : def;
  }
  uint32_t Colour(const std::string& key, uint32_t def) { return static_cast<uint32_t>(Integer(key, def)); }
  bool Boolean(const std::string& key, bool def) { return Integer(key, def ? 1 : 0) != 0; }
  std::vector<std::string> KeyNames(const std::string& section) { return profile_.ReadKeyNames(file_, section); }
  std::string Value(const std::string& section, const std::string& key) {
    return profile_.ReadString(file_, section, key, "");
  }

 private:
  platform::Profile& profile_;
  std::string file_;
};

void ReadTextLine(ConfigReader& cfg, int n, TShadowLabel& label) {
  const std::string k = media::setup_screen::TextLineKey(n);
  label.Caption = cfg.String(k, kDefaultLines[n - 1]);
  label.Font.Name = cfg.String(k + media::setup_screen::kFontName, label.Font.Name);
  label.Font.SetSize(static_cast<int>(cfg.Integer(k + media::setup_screen::kFontSize, label.Font.Size())));
  label.Font.PixelsPerInch =
      static_cast<int>(cfg.Integer(k + media::setup_screen::kFontPitch, label.Font.PixelsPerInch));
  label.Font.Color = cfg.Colour(k + media::setup_screen::kFontColor, label.Font.Color);
  label.Font.Height = static_cast<int>(cfg.Integer(k + media::setup_screen::kFontHeight, label.Font.Height));
  label.Font.Style = ParseFontStyle(cfg.String(k + media::setup_screen::kFontStyle, ""));
  label.ShadowColor = cfg.Colour(k + media::setup_screen::kShadowColor, label.ShadowColor);
}

TSetupSettings ReadSettings(ConfigReader& cfg) {
  TSetupSettings s;
  s.DisplayStyle = cfg.String(media::setup_screen::kDisplayStyle, "Horiz In");
  s.LogoPos = cfg.String(media::setup_screen::kLogoPos, "Upper Right");
  s.LogoFile = cfg.String(media::setup_screen::kLogoFile, "");
  s.BitMap = cfg.String(media::setup_screen::kBitMap, "");
  s.RebootOption = cfg.Boolean(media::setup_screen::kReBootOption, false);
  s.RestartOption = cfg.Boolean(media::setup_screen::kReStartOption, false);
  s.LaunchApplication = cfg.String(media::setup_screen::kLaunchApplication, "");
  s.MainDirectory = cfg.String(media::setup_screen::kMainDirectory, "LKS");
  s.Bit16App = cfg.Boolean(media::setup_screen::k16BitApp, false);
  s.Bit32App = cfg.Boolean(media::setup_screen::k32BitApp, true);
  s.UnderProgramFiles = cfg.Boolean(media::setup_screen::kUnderProgramFiles, true);
  s.DesktopFolder = cfg.String(media::setup_screen::kDesktopFolder, media::setup_screen::kDefaultDesktopFolder);
  s.DisplayDesktopOptions = cfg.Boolean(media::setup_screen::kDisplayDesktopOptions, true);
  s.DisplayVersion = cfg.String(media::setup_screen::kDisplayVersion, "");
  s.Publisher = cfg.String(media::setup_screen::kPublisher, "");
  return s;
}

std::string DropDrive(const std::string& value) {
  return std::string(platform::Utf16Tail(value, 3));
}

}  // namespace

bool ParseConfigInteger(const std::string& text, long long& value) {
  std::string t = text;
  int base = 10;
  size_t at = 0;
  bool negative = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    negative = t[0] == '-';
    at = 1;
  }
  if (t.size() > at && t[at] == '$') {
    base = 16;
    ++at;
  } else if (t.size() > at + 2 && t[at] == '0' && (t[at + 1] == 'x' || t[at + 1] == 'X')) {
    base = 16;
    at += 2;
  }
  if (at >= t.size()) return false;
  unsigned long long v = 0;
  for (size_t i = at; i < t.size(); ++i) {
    int d;
    char c = t[i];
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && std::isxdigit(static_cast<unsigned char>(c)))
      d = std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
    else
      return false;
    v = v * base + d;
    if (v > 0xFFFFFFFFull) return false;
  }
  // Hexadecimal values are 32-bit patterns (colours such as $80000005), kept unsigned.
  value = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
  return true;
}

uint8_t ParseFontStyle(const std::string& text) {
  static const std::pair<const char*, uint8_t> kNames[] = {
      {"fsBold", fsBold}, {"fsItalic", fsItalic}, {"fsUnderline", fsUnderline}, {"fsStrikeOut", fsStrikeOut}};
  uint8_t style = 0;
  std::string rest = text;
  while (rest.find(',') != std::string::npos) {
    std::string name = media::TakeField(rest, ',');
    for (const auto& [n, bit] : kNames)
      if (name == n) style |= bit;
  }
  return style;
}

std::vector<std::string> TDisplayScreen::FilesShownBeforeInstall(const std::string& dir) {
  ConfigReader cfg(platform().profile(), dir + media::kInstallConfigFile);
  std::vector<std::string> files;
  for (const char* key : {media::setup_screen::kLogoFile, media::setup_screen::kBitMap})
    if (std::string file = DropDrive(cfg.String(key, "")); !file.empty()) files.push_back(Globals.ExpandDir + file);
  for (const std::string& entry : cfg.KeyNames(media::kDesktopSection))
    if (std::string program = DropDrive(media::ParseDesktopEntry(entry).IconSource); !program.empty())
      files.push_back(Globals.ExpandDir + program);
  return files;
}

TSetupConfig ParseSetupConfig(platform::Profile& profile, platform::FileSystem& fs, const std::string& dir) {
  ConfigReader cfg(profile, dir + media::kInstallConfigFile);
  TSetupConfig c;
  const TSetupScreenState screen;
  c.Lines = {screen.TitleLine, screen.SubtitleLine, screen.NoteLine, screen.FooterLine};
  for (int n = 1; n <= 4; ++n) ReadTextLine(cfg, n, c.Lines[n - 1]);
  c.ColorStart = cfg.Colour(media::setup_screen::kFromColor, kClBlue);
  c.ColorEnd = cfg.Colour(media::setup_screen::kToColor, kClBlack);
  c.ImageBorderColor = cfg.Colour(media::setup_screen::kImageBorderColor, kClBtnFace);
  c.Settings = ReadSettings(cfg);
  c.AutoexecBat = cfg.KeyNames(media::kAutoexecBatSection);
  long long count = 0;
  if (!ParseConfigInteger(cfg.Value(media::kIniRegistrySection, media::kIniRegistryCountKey), count)) count = -1;
  for (long long i = 0; i < count; ++i)
    c.IniRegistry.push_back(cfg.Value(media::kIniRegistrySection, media::IniRegistryKey(static_cast<size_t>(i))));
  for (const std::string& name : cfg.KeyNames(media::kLaunchApplicationsSection))
    c.LaunchApplications.push_back(media::ParseLaunchApplication(name).Program);
  c.Desktop = cfg.KeyNames(media::kDesktopSection);
  try {
    c.InstallFiles = ReadTextLines(fs, dir + media::kFileListFile);
  } catch (const Exception&) {
    // A missing finstall.cfg leaves the list as it was.
  }
  return c;
}

media::TScopeSetting MediumScope(platform::Platform& platform, const std::string& dir) {
  const std::string value =
      platform.profile().ReadString(dir + media::kInstallConfigFile, kSection, media::setup_screen::kScope, "");
  const std::optional<media::TScopeSetting> scope = media::ParseScopeSetting(value);
  if (!scope) throw Exception("install.cfg: Scope '" + value + "' is none of machine, user, choose.");
  return *scope;
}

std::string ConfiguredInstallDirectory(platform::Platform& platform, const TSetupSettings& s, TInstallScope scope) {
  const std::string base = scope == TInstallScope::User
                               ? UserProgramsFolder(platform)
                               : WindowsDrive(platform) + (s.UnderProgramFiles ? "Program Files\\" : "");
  if (s.MainDirectory.compare(0, 5, "HKEY_") != 0) return base + s.MainDirectory;
  std::string rest = s.MainDirectory;
  const std::string root = media::TakeField(rest, ',');
  std::string keyPath = media::TakeField(rest, ',');
  const std::string valueName = media::TakeField(rest, ',');
  if (keyPath.empty() || keyPath[0] != '\\') keyPath = "\\" + keyPath;
  const auto hive =
      root == "HKEY_LOCAL_MACHINE" ? platform::RegistryRoot::LocalMachine : platform::RegistryRoot::CurrentUser;
  std::string found;
  if (auto key = platform.registry().OpenKey(hive, keyPath, platform::RegistryAccess::Read)) {
    try {
      found = key->ReadString(valueName).value_or("");
    } catch (const ERegistryException&) {
      found.clear();  // a value that is not text names no directory
    }
  }
  return found.empty() ? base + rest : found;
}

void TDisplayScreen::ReadSetupConfig(const std::string& dir) {
  const TSetupConfig config = ParseSetupConfig(platform().profile(), platform().fs(), dir);
  ApplySettings(config);
  TakeLists(config);
  Screen.LogoFrameVisible = false;
  LoadLogo();
  Screen.BackgroundBitmap.clear();
  if (!Settings.BitMap.empty() && platform().fs().FileExists(Globals.ExpandDir + Settings.BitMap))
    Screen.BackgroundBitmap = Globals.ExpandDir + Settings.BitMap;
  AdjustFonts();
  PlaceLogo();
  ApplyDisplayStyle();
  ProcessMessages();
  Repaint();
}

// The setup screen's lines and colours, the settings, the finish page's choices and the destination.
void TDisplayScreen::ApplySettings(const TSetupConfig& config) {
  TShadowLabel* lines[4] = {&Screen.TitleLine, &Screen.SubtitleLine, &Screen.NoteLine, &Screen.FooterLine};
  for (size_t n = 0; n < 4; ++n) *lines[n] = config.Lines[n];
  Screen.ColorStart = config.ColorStart;
  Screen.ColorEnd = config.ColorEnd;
  Screen.ImageBorderColor = config.ImageBorderColor;
  Settings = config.Settings;
  TSetupSettings& s = Settings;
  reboot.Visible = s.RebootOption;
  // Installed, the pictures lie beside setup.exe; on the medium, below ExpandDir by their path.
  s.LogoFile = Globals.UninstallMode ? platform::ExtractFileName(s.LogoFile) : DropDrive(s.LogoFile);
  s.BitMap = Globals.UninstallMode ? platform::ExtractFileName(s.BitMap) : DropDrive(s.BitMap);
  CreateFolder.Caption = s.DesktopFolder;
  Main_Dir = ConfiguredInstallDirectory(platform(), s, Scope);
  ReturnToWindows.Visible = true;
  const bool launch = !s.LaunchApplication.empty();
  LaunchItOption.Visible = LaunchIt.Visible = launch;
  if (launch) LaunchIt.Caption = s.LaunchApplication;
  SelectFinishChoice(launch ? LaunchItOption : ReturnToWindows);
}

// The lists, and the pairs of source and destination of the files to install.
void TDisplayScreen::TakeLists(const TSetupConfig& config) {
  Globals.AutoexecBat = config.AutoexecBat;
  // HKEY_AUTO is settled here, so that everything after (the checks, the log) sees the root written.
  Globals.IniRegistry.clear();
  for (const std::string& entry : config.IniRegistry) Globals.IniRegistry.push_back(ResolveAutoRoot(entry, Scope));
  Globals.LaunchApplications.clear();
  for (const std::string& name : config.LaunchApplications)
    Globals.LaunchApplications.push_back(Globals.ExpandDir + std::string(platform::Utf16Tail(name, 2)));
  Globals.Desktop = config.Desktop;
  if (config.InstallFiles) Globals.InstallFiles = *config.InstallFiles;
  // Entries that cannot be installed safely are refused now, not half way through the copying.
  if (!Globals.UninstallMode) {
    for (const std::string& entry : Globals.InstallFiles)
      if (std::string why = CheckInstallFileEntry(entry); !why.empty())
        throw Exception("finstall.cfg entry \"" + entry + "\" cannot be installed: " + why + ".");
    // A key Windows or every program shares is refused as the builder refuses it, before anything is installed.
    for (const std::string& entry : Globals.IniRegistry) {
      if (entry.empty()) continue;  // a missing entry writes nothing
      const media::TConfiguredEntry e = media::ParseConfiguredEntry(entry);
      if (std::string why = media::ProtectedKeyReason(e); !why.empty())
        throw Exception("install.cfg entry \"" + entry + "\" cannot be installed: the registry key " + e.Place + "\\" +
                        e.Section + " is protected (" + why + ").");
    }
    // For the current user only, nothing may go where every user's settings and files are.
    if (Scope == TInstallScope::User) {
      for (const std::string& entry : Globals.IniRegistry)
        if (std::string why = UserScopeEntryRefusal(entry); !why.empty())
          throw Exception("install.cfg entry \"" + entry + "\" cannot be installed for the current user only: " + why +
                          ".");
      for (const std::string& entry : Globals.InstallFiles)
        if (std::string why = UserScopeFileRefusal(entry); !why.empty())
          throw Exception("finstall.cfg entry \"" + entry + "\" cannot be installed for the current user only: " + why +
                          ".");
    }
  }
  BuildInstallFileLists(platform(), Globals, Main_Dir);
}

}  // namespace vurerode::setup
