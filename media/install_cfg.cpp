#include "media/install_cfg.h"

#include "media/fields.h"

namespace vurerode::media {
namespace {

constexpr const char* kTicked = "X";

}  // namespace

std::optional<TScopeSetting> ParseScopeSetting(const std::string& value) {
  std::string v;
  for (char c : value) v += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  if (v.empty() || v == "machine") return TScopeSetting::Machine;
  if (v == "user") return TScopeSetting::User;
  if (v == "choose") return TScopeSetting::Choose;
  return std::nullopt;
}

std::string TitleFault(const std::string& title) {
  for (const char c : title) {
    const auto code = static_cast<unsigned char>(c);
    if (c == '"') return "a double quote (\")";
    if (c == '\\') return "a backslash (\\)";
    if (code < 0x20 || code == 0x7F) {
      static const char kHex[] = "0123456789ABCDEF";
      return std::string("a control character (0x") + kHex[code >> 4] + kHex[code & 15] + ")";
    }
  }
  return {};
}

std::string setup_screen::TextLineKey(int line, const char* suffix) {
  return kTextLine + std::to_string(line) + suffix;
}

TDesktopEntry ParseDesktopEntry(const std::string& keyName) {
  const std::vector<std::string> f = SplitFields(keyName, 8);
  TDesktopEntry e;
  e.Name = f[0];
  e.Program = f[1];
  e.StartMenu = f[2] == kTicked;
  e.Desktop = f[3] == kTicked;
  e.QuickLaunch = f[4] == kTicked;
  e.IconSource = f[5];
  e.Folder = f[6];
  e.IconFile = f[7];
  return e;
}

std::string FormatDesktopEntry(const TDesktopEntry& e) {
  auto tick = [](bool on) { return on ? kTicked : ""; };
  return e.Name + "," + e.Program + "," + tick(e.StartMenu) + "," + tick(e.Desktop) + "," + tick(e.QuickLaunch) + "," +
         e.IconSource + "," + e.Folder + "," + e.IconFile;
}

std::string IniRegistryKey(size_t index) {
  return "INIREG " + std::to_string(index);
}

TConfiguredEntry ParseConfiguredEntry(const std::string& value) {
  const std::vector<std::string> f = SplitFields(value, 4);
  return {f[0], f[1], f[2], f[3]};
}

std::string FormatConfiguredEntry(const TConfiguredEntry& e) {
  return e.Place + "," + e.Section + "," + e.Name + "," + e.Value;
}

TLaunchApplication ParseLaunchApplication(const std::string& keyName) {
  return {keyName};
}

std::string FormatLaunchApplication(const TLaunchApplication& entry) {
  return entry.Program;
}

}  // namespace vurerode::media
