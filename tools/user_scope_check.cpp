#include "tools/user_scope_check.h"

#include <string>

#include "install/install_scope.h"
#include "media/install_cfg.h"
#include "platform/exception.h"
#include "platform/text.h"

namespace vurerode::cli {

void CheckUserScopeEntries(const IniText& installConfig, const std::vector<media::TInstallFileEntry>& entries) {
  const std::string scope = installConfig.Value(media::kSetupScreenSection, media::setup_screen::kScope);
  if (media::ParseScopeSetting(scope) != media::TScopeSetting::User) return;
  // Every entry at fault is named, so that one build shows the publisher all there is to change.
  std::string refused;
  for (const auto& [name, value] : installConfig.Entries(media::kIniRegistrySection)) {
    if (platform::SameText(name, media::kIniRegistryCountKey)) continue;
    // The installer reads HKEY_AUTO as the user's own root before it judges the entry.
    const std::string entry = setup::ResolveAutoRoot(value, setup::TInstallScope::User);
    if (const std::string why = setup::UserScopeEntryRefusal(entry); !why.empty())
      refused +=
          "\n  install.cfg [" + std::string(media::kIniRegistrySection) + "] " + name + " \"" + value + "\": " + why;
  }
  for (const media::TInstallFileEntry& e : entries) {
    const std::string entry = media::FormatInstallFileEntry(e);
    if (const std::string why = setup::UserScopeFileRefusal(entry); !why.empty())
      refused += "\n  finstall.cfg entry \"" + entry + "\": " + why;
  }
  if (!refused.empty())
    throw Exception("[Setup] Scope '" + scope +
                    "' installs for the current user only, which cannot install:" + refused);
}

}  // namespace vurerode::cli
