// install.cfg and finstall.cfg as read, before anything of them is applied: the setup screen's four
// lines and colours, the single settings, and the lists. Reading changes nothing.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "app/setup_screen.h"
#include "app/setup_settings.h"
#include "install/install_scope.h"
#include "platform/platform.h"

namespace vurerode::setup {

struct TSetupConfig {
  // The four text lines with their fonts; a value install.cfg does not give keeps the screen's own.
  std::array<TShadowLabel, 4> Lines;
  uint32_t ColorStart = kClBlue;
  uint32_t ColorEnd = kClBlack;
  uint32_t ImageBorderColor = kClBtnFace;
  // The pictures' paths stand as install.cfg gives them (a path of the building machine).
  TSetupSettings Settings;
  std::vector<std::string> AutoexecBat;
  // "Count" entries of INI\Registry, in order; an entry that is not there reads empty.
  std::vector<std::string> IniRegistry;
  std::vector<std::string> Desktop;
  // The follow-up programs as install.cfg names them (a path of the building machine).
  std::vector<std::string> LaunchApplications;
  // finstall.cfg's lines; nothing when there is no finstall.cfg.
  std::optional<std::vector<std::string>> InstallFiles;
};

// Reads install.cfg and finstall.cfg in dir (which ends with a backslash).
TSetupConfig ParseSetupConfig(platform::Profile& profile, platform::FileSystem& fs, const std::string& dir);

// install.cfg's Scope in dir (which ends with a backslash), read before anything is expanded; Machine
// without one. Raises Exception for a value setup does not know.
media::TScopeSetting MediumScope(platform::Platform& platform, const std::string& dir);

// The installation directory install.cfg asks for: "Main Directory" on the Windows drive (below
// Program Files when "Under Program Files"), or the directory a registry value names when "Main
// Directory" is "HKEY_...,key,value,fallback". For the current user only, the folder (or the
// fallback) lies in the user's own Programs folder instead.
std::string ConfiguredInstallDirectory(platform::Platform& platform, const TSetupSettings& settings,
                                       TInstallScope scope = TInstallScope::Machine);

}  // namespace vurerode::setup
