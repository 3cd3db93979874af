// Running the peer tools the platform tests check against (lnkinfo; under Wine also the prefix's
// own reg and regedit) and reading what they print.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vurerode::test {

// Runs a host program (a Unix path such as /usr/bin/lnkinfo, also from a Windows test program
// running under Wine) and returns what it wrote to standard output; nullopt when it is not there or
// could not run.
std::optional<std::string> RunHostTool(const std::string& unixPath, const std::vector<std::string>& args);

// The value of a "Name : value" line of lnkinfo's report; empty when there is none.
std::string LnkinfoField(const std::string& report, const std::string& name);

}  // namespace vurerode::test
