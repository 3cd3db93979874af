// Windows command lines: where the program name ends and how the rest splits into arguments.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vurerode::platform::sandbox {

// The ways the program part of a command line can be read, first choice first. A quoted program
// is the quoted text; an unquoted one is ambiguous when it holds spaces, and CreateProcess tries
// each longer reading in turn ("C:\Program" before "C:\Program Files\app").
struct ProgramReading {
  std::string program;
  std::string rest;  // what follows, arguments
};
std::vector<ProgramReading> ProgramReadings(std::string_view commandLine);

// Splits arguments by the C run-time's rules: white space separates, double quotes group, 2n
// backslashes before a quote give n and the quote counts, 2n+1 give n and a literal quote.
std::vector<std::string> SplitArguments(std::string_view text);

}  // namespace vurerode::platform::sandbox
