// install.cfg, the installer's settings and lists: an INI file beside setup.exe, in the ANSI code
// page while it is all ASCII, UTF-16LE after FF FE otherwise (as Windows' profile functions read
// it). [Setup Screen] holds the settings as KEY=VALUE; the lists ([Desktop], [Launch Applications],
// [Autoexec.bat]) are the key names of their sections, with empty values, and [INI\Registry]
// numbers its entries. Paths "on the building machine" are full paths with a drive
// (C:\Source\App\app.exe): the installer finds such a file in the expanded set by its path below
// the drive.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace vurerode::media {

inline constexpr const char* kInstallConfigFile = "install.cfg";

inline constexpr const char* kSetupScreenSection = "Setup Screen";
inline constexpr const char* kDesktopSection = "Desktop";
inline constexpr const char* kIniRegistrySection = "INI\\Registry";
inline constexpr const char* kLaunchApplicationsSection = "Launch Applications";
inline constexpr const char* kAutoexecBatSection = "Autoexec.bat";

// The [Setup Screen] keys the installer reads. Numbers are decimal or hexadecimal ($80000005 or
// 0x...); colours are 32-bit patterns; switches are numbers, 0 for off.
namespace setup_screen {

// The four lines of text on the setup screen are "Text Line 1" to "Text Line 4"; each has its own
// font and shadow, keyed by the line's key followed by one of these.
inline constexpr const char* kTextLine = "Text Line ";
inline constexpr const char* kFontName = " Font Name";
inline constexpr const char* kFontSize = " Font Size";
inline constexpr const char* kFontPitch = " Font Pitch";
inline constexpr const char* kFontColor = " Font Color";
inline constexpr const char* kFontHeight = " Font Height";
inline constexpr const char* kFontStyle = " Font Style";  // fsBold,fsItalic,... each followed by a comma
inline constexpr const char* kShadowColor = " Shadow Color";
// "Text Line N" followed by suffix (empty for the line's text itself).
std::string TextLineKey(int line, const char* suffix = "");

inline constexpr const char* kFromColor = "From Color";  // the background's gradient
inline constexpr const char* kToColor = "To Color";
inline constexpr const char* kDisplayStyle = "Display Style";
inline constexpr const char* kLogoPos = "Logo Pos";
inline constexpr const char* kLogoFile = "Logo File";  // a path on the building machine
inline constexpr const char* kImageBorderColor = "Image Border Color";
inline constexpr const char* kBitMap = "BitMap";  // a path on the building machine
inline constexpr const char* kReBootOption = "ReBoot Option";
inline constexpr const char* kReStartOption = "ReStart Option";
inline constexpr const char* kLaunchApplication = "Launch Application";  // offered on the last page
inline constexpr const char* kMainDirectory = "Main Directory";
inline constexpr const char* k16BitApp = "16Bit App";
inline constexpr const char* k32BitApp = "32Bit App";
inline constexpr const char* kUnderProgramFiles = "Under Program Files";
inline constexpr const char* kDesktopFolder = "Desktop Folder";
inline constexpr const char* kDefaultDesktopFolder = "Applications";  // what the installer takes without one
inline constexpr const char* kDisplayDesktopOptions = "Display Desktop Options";
inline constexpr const char* kDisplayVersion = "Display Version";
inline constexpr const char* kPublisher = "Publisher";
// Who the installation is for: "machine" (every user, the default), "user" (the one running setup,
// without administrator rights), or "choose" (the /ALLUSERS and /CURRENTUSER switches decide).
inline constexpr const char* kScope = "Scope";

}  // namespace setup_screen

// [Setup Screen] Scope, read without regard to case. Media without the key install for the machine,
// as every medium did before the setting.
enum class TScopeSetting { Machine, User, Choose };
// Nothing for a value that is none of "machine", "user", "choose"; an empty value is Machine.
std::optional<TScopeSetting> ParseScopeSetting(const std::string& value);

// Why a title ("Text Line 1") cannot name an installation: it names the uninstall entry's key and
// travels quoted on the entry's command line, so a backslash would nest the key, a double quote
// would end the quoted argument early and a control character would not survive either. The
// character is named ("a backslash"); empty when the title can round-trip. An empty title is
// refused on its own.
std::string TitleFault(const std::string& title);

// A [Desktop] key name: one program's shortcuts, eight comma-separated fields.
struct TDesktopEntry {
  std::string Name;     // the shortcut's name (no comma)
  std::string Program;  // what it starts, usually with a path token: <InstallDir>\app.exe
  // Whether the wizard offers each place ticked. A field is ticked when it is exactly "X".
  bool StartMenu = false;
  bool Desktop = false;
  bool QuickLaunch = false;
  // The program's path on the building machine, drive included: the wizard shows the icon of that
  // file in the expanded set. Empty when the media do not ship it.
  std::string IconSource;
  std::string Folder;    // the program folder below the start menu's Programs
  std::string IconFile;  // an icon file, taken by its name from the installation directory; may be empty

  bool operator==(const TDesktopEntry&) const = default;
};

// The eight fields of a key name; missing ones are empty (unticked), text after an eighth comma is
// dropped.
TDesktopEntry ParseDesktopEntry(const std::string& keyName);
// The key name (without the "=" that makes it an INI line).
std::string FormatDesktopEntry(const TDesktopEntry& entry);

// An [INI\Registry] entry, four comma-separated fields. An entry whose place holds ".INI" (any case)
// writes an INI value, anything else a registry value (below HKEY_LOCAL_MACHINE when the place
// names it, HKEY_CURRENT_USER otherwise). The uninstaller removes the INI file (but for Windows'
// own) or the key Place\Section.
struct TConfiguredEntry {
  std::string Place;    // an INI file's name (in the Windows folder), or a registry root and key
  std::string Section;  // the INI section, or the sub-key below Place
  std::string Name;     // the value's name
  std::string Value;    // the text written; path tokens such as <InstallDir> stay as written

  bool operator==(const TConfiguredEntry&) const = default;
};

inline constexpr const char* kIniRegistryCountKey = "Count";
// The key of entry i (from 0): "INIREG i". The installer reads Count of them.
std::string IniRegistryKey(size_t index);

// Missing fields are empty; text after a fourth comma is dropped (a value cannot hold a comma).
TConfiguredEntry ParseConfiguredEntry(const std::string& value);
std::string FormatConfiguredEntry(const TConfiguredEntry& entry);

// A [Launch Applications] key name: a program the installer runs when it has finished, named by
// its path on the building machine (drive included); it runs from the expanded set.
struct TLaunchApplication {
  std::string Program;

  bool operator==(const TLaunchApplication&) const = default;
};

TLaunchApplication ParseLaunchApplication(const std::string& keyName);
// The key name (without the "=" that makes it an INI line).
std::string FormatLaunchApplication(const TLaunchApplication& entry);

}  // namespace vurerode::media
