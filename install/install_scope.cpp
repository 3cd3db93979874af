#include "install/install_scope.h"

#include "install/configured_entries.h"
#include "media/finstall_cfg.h"
#include "platform/exception.h"
#include "platform/text.h"

namespace vurerode::setup {

TInstallScope ResolveInstallScope(media::TScopeSetting setting, std::optional<TInstallScope> requested) {
  if (setting == media::TScopeSetting::Choose) return requested.value_or(TInstallScope::Machine);
  const TInstallScope fixed = setting == media::TScopeSetting::User ? TInstallScope::User : TInstallScope::Machine;
  if (requested && *requested != fixed)
    throw Exception(std::string(*requested == TInstallScope::User ? kCurrentUserSwitch : kAllUsersSwitch) +
                    ": this application installs " +
                    (fixed == TInstallScope::User ? "for the current user only" : "for all users only") +
                    "; start setup without the switch.");
  return fixed;
}

platform::RegistryRoot ScopeRoot(TInstallScope scope) {
  return scope == TInstallScope::User ? platform::RegistryRoot::CurrentUser : platform::RegistryRoot::LocalMachine;
}

TShellSet ShellSetOf(TInstallScope scope) {
  return scope == TInstallScope::User ? TShellSet::UserProfile : TShellSet::Classic;
}

std::string UserProgramsFolder(platform::Platform& platform) {
  return UserShellFolder(platform, "Local AppData") + "Programs\\";
}

std::string ResolveAutoRoot(const std::string& entry, TInstallScope scope) {
  const std::string auto_ = kAutoRootName;
  if (platform::UpperCase(entry.substr(0, auto_.size())) != auto_) return entry;
  const std::string rest = entry.substr(auto_.size());
  if (!rest.empty() && rest[0] != '\\' && rest[0] != ',') return entry;  // HKEY_AUTOMATIC names no root
  return std::string(platform::RootName(ScopeRoot(scope))) + rest;
}

std::string UserScopeEntryRefusal(const std::string& entry) {
  const media::TConfiguredEntry e = media::ParseConfiguredEntry(entry);
  if (entry.empty()) return {};
  if (IsIniEntry(e.Place)) return "it writes the INI file " + e.Place + " in the Windows folder";
  if (RegistryPlaceOf(e.Place).root == platform::RegistryRoot::LocalMachine)
    return "it writes under HKEY_LOCAL_MACHINE";
  return {};
}

std::string UserScopeFileRefusal(const std::string& entry) {
  const media::TInstallFileEntry e = media::ParseInstallFileEntry(entry);
  for (const std::string& token : e.Tokens) {
    const int base = media::BaseDirectoryIndex(token);
    if (base > 0) return "it goes to " + token + ", which every user shares";
    if (base == 0) return {};
  }
  return {};
}

}  // namespace vurerode::setup
