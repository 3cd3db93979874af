#include "tools/path_limits.h"

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "app/setup_settings.h"
#include "media/fields.h"
#include "media/install_cfg.h"
#include "platform/exception.h"
#include "platform/text.h"

namespace vurerode::cli {
namespace key = media::setup_screen;
namespace {

// The installer's path tokens but the installation directory's, and what each stands for on a
// machine with Windows in C:\Windows.
const std::array<std::pair<const char*, const char*>, 6> kTokenPlaces = {{
    {"<ProgramFiles>\\", "C:\\Program Files\\"},
    {"<Windows>\\System\\", "C:\\Windows\\System\\"},
    {"<Windows>\\System32\\", "C:\\Windows\\System32\\"},
    {"<Windows>\\Fonts", "C:\\Windows\\Fonts\\"},
    {"<Windows>\\", "C:\\Windows\\"},
    {"<Root>\\", "C:\\"},
}};

std::string TooLong(const std::string& what, const std::string& path, const std::string& installDir) {
  return "  " + what + ": " + path + " would be " + std::to_string(platform::Utf8ToUtf16(path).size()) +
         " characters long in " + installDir + "; Windows allows " + std::to_string(kMaxWindowsPathUnits);
}

}  // namespace

std::string DefaultInstallDirectory(const IniText& ini) {
  std::string main = ini.Value(media::kSetupScreenSection, key::kMainDirectory);
  if (!ini.HasKey(media::kSetupScreenSection, key::kMainDirectory)) main = "LKS";
  if (platform::UpperCase(main.substr(0, 5)) == "HKEY_") {
    for (int field = 0; field < 3; ++field) media::TakeField(main, ',');
  }
  long long under = 1;
  const std::string underText = ini.Value(media::kSetupScreenSection, key::kUnderProgramFiles);
  if (!setup::ParseConfigInteger(underText, under)) under = 1;
  return std::string("C:\\") + (under != 0 ? "Program Files\\" : "") + main;
}

std::string DefaultMachinePath(const std::string& path, const std::string& installDir) {
  const std::string installToken = "<InstallDir>\\";
  if (path.rfind(installToken, 0) == 0) return installDir + "\\" + path.substr(installToken.size());
  for (const auto& [token, place] : kTokenPlaces)
    if (path.rfind(token, 0) == 0) return place + path.substr(std::string_view(token).size());
  const bool absolute = (path.size() >= 3 && path[1] == ':' && path[2] == '\\') || path.rfind('\\', 0) == 0;
  return absolute ? path : installDir + "\\" + path;
}

void CheckPathLengths(const IniText& ini) {
  const std::string installDir = DefaultInstallDirectory(ini);
  std::vector<std::string> refused;
  for (const auto& [name, value] : ini.Entries(media::kDesktopSection)) {
    const media::TDesktopEntry shortcut = media::ParseDesktopEntry(name);
    const std::string target = DefaultMachinePath(shortcut.Program, installDir);
    if (platform::Utf8ToUtf16(target).size() > kMaxWindowsPathUnits)
      refused.push_back(TooLong("the shortcut '" + shortcut.Name + "' to", target, installDir));
  }
  for (const auto& [name, value] : ini.Entries(media::kIniRegistrySection)) {
    if (platform::SameText(name, media::kIniRegistryCountKey)) continue;
    const media::TConfiguredEntry entry = media::ParseConfiguredEntry(value);
    if (platform::UpperCase(entry.Place).find(".INI") == std::string::npos) continue;
    // The installer writes INI values into files of the Windows folder.
    const std::string file = "C:\\Windows\\" + entry.Place;
    if (platform::Utf8ToUtf16(file).size() > kMaxWindowsPathUnits)
      refused.push_back(TooLong("the INI file of " + name, file, installDir));
  }
  if (refused.empty()) return;
  std::string message = "paths longer than Windows allows for a shortcut's target or an INI file:";
  for (const std::string& line : refused) message += "\n" + line;
  throw Exception(message);
}

}  // namespace vurerode::cli
