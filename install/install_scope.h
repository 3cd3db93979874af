// Who an installation is for. A machine-wide one goes below Program Files and registers under
// HKEY_LOCAL_MACHINE, which takes an administrator; one for the current user only goes into the
// user's own folders and registry, which the user may write without one, and touches nothing that
// other users share.
#pragma once

#include <optional>
#include <string>

#include "media/install_cfg.h"
#include "platform/platform.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

enum class TInstallScope { Machine, User };

// The switches that ask for a scope.
inline constexpr const char* kAllUsersSwitch = "/ALLUSERS";
inline constexpr const char* kCurrentUserSwitch = "/CURRENTUSER";

// The registry root an entry of HKEY_AUTO stands for, which also holds the uninstall entry.
inline constexpr const char* kAutoRootName = "HKEY_AUTO";

// The scope a run installs for: the media's setting, or under Choose the switch's (machine-wide
// without one, as before the setting). Raises Exception naming the switch when it asks for the
// scope the media do not offer; the switch that matches a fixed setting is accepted.
TInstallScope ResolveInstallScope(media::TScopeSetting setting, std::optional<TInstallScope> requested);

platform::RegistryRoot ScopeRoot(TInstallScope scope);
TShellSet ShellSetOf(TInstallScope scope);

// Where programs installed for the current user go: the user's local application data's Programs
// folder, with a trailing backslash.
std::string UserProgramsFolder(platform::Platform& platform);

// An [INI\Registry] entry whose place starts with HKEY_AUTO, with the scope's root in its stead;
// any other entry as it is. The log and the record then name the root that was written.
std::string ResolveAutoRoot(const std::string& entry, TInstallScope scope);

// Why an installation for the current user cannot install a configured entry (one that writes under
// HKEY_LOCAL_MACHINE, or an INI file, which lies in the Windows folder); empty when it can.
std::string UserScopeEntryRefusal(const std::string& entry);
// The same for a finstall.cfg entry: only the installation directory is the user's own.
std::string UserScopeFileRefusal(const std::string& entry);

}  // namespace vurerode::setup
