// The install.cfg `vurerode build` ships: the folder's own install.cfg when it has one, else a
// minimal one titled after the folder, with the project file's settings and lists put in.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tools/build_config.h"
#include "tools/build_plan.h"
#include "tools/build_project.h"

namespace vurerode::cli {

// origin receives "written", or "from" and the path of the folder's own install.cfg. Raises
// Exception for a Logo File, BitMap or program to run that is not a file the media ship.
IniText MakeInstallConfig(const std::filesystem::path& source, const Project& project,
                          const std::vector<SourceFile>& files, const std::string& as, std::string& origin);

}  // namespace vurerode::cli
