// Registry keys as the builder, the installer and the uninstaller name them, and the keys that no
// installation may ever delete because every program (or Windows itself) keeps its data below them.
#pragma once

#include <string>

#include "media/install_cfg.h"
#include "platform/registry.h"

namespace vurerode::media {

// A key named as the lists name it: a first component that starts with "HKEY_" (any case) names the
// root, HKEY_LOCAL_MACHINE when it says so and HKEY_CURRENT_USER otherwise; without one the whole
// text is a path below HKEY_CURRENT_USER. The path has its separators collapsed and no backslash at
// either end; an empty path is the root itself.
struct TRegistryKeyName {
  platform::RegistryRoot Root = platform::RegistryRoot::CurrentUser;
  std::string Path;

  // Root name, backslash, path: the form the uninstall log keeps.
  std::string FullName() const;
};
TRegistryKeyName ParseRegistryKeyName(const std::string& key);

// A key path with doubled separators read as one and none at either end ("A\\B\" becomes "A\B").
std::string CollapseKeySeparators(const std::string& path);

// Why deleting the key (named as ParseRegistryKeyName reads it) would destroy what others keep: a
// root, Software, Software\Microsoft and its Windows and CurrentVersion keys, the Uninstall key
// itself, System, Software\Classes. The list holds under every root, whichever root the name gives,
// and the comparison ignores case and doubled separators. Empty when the key may be deleted.
std::string ProtectedKeyReason(const std::string& key);
// The same for the key an [INI\Registry] entry writes into (Place\Section); empty for an INI entry.
std::string ProtectedKeyReason(const TConfiguredEntry& entry);

}  // namespace vurerode::media
