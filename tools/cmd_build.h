// The build command (distribution media from an application folder).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vurerode::cli {

int RunBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
extern const char* const kBuildHelp;

}  // namespace vurerode::cli
