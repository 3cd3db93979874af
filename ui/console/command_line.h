// setup's arguments as the system hands them over, in UTF-8. On Windows they come from the wide
// command line (the ANSI argv would turn characters outside the code page into '?'), split as the
// shell splits it.
#pragma once

#include <string>
#include <vector>

namespace vurerode::setup::console {

// Without the program's own name.
std::vector<std::string> ProgramArguments(int argc, char** argv);

#ifdef _WIN32
// A command line split as CommandLineToArgvW splits it, its first word (the program) left out.
std::vector<std::string> SplitCommandLine(const wchar_t* commandLine);
#endif

}  // namespace vurerode::setup::console
