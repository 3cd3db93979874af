// The builder refuses what the installer would: media that install for the current user only
// cannot carry an entry such an installation must not write (under HKEY_LOCAL_MACHINE, into the
// Windows folder's INI files, into a directory every user shares). Media whose users choose leave
// the refusal to the installation that asks for the current user.
#pragma once

#include <vector>

#include "media/finstall_cfg.h"
#include "tools/build_config.h"

namespace vurerode::cli {

// Raises Exception naming every such entry of the install.cfg and finstall.cfg to be written, when
// the install.cfg's Scope is user; does nothing for any other scope.
void CheckUserScopeEntries(const IniText& installConfig, const std::vector<media::TInstallFileEntry>& entries);

}  // namespace vurerode::cli
