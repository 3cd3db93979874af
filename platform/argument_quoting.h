// Windows hands a program one command line, which the program splits into arguments itself
// (CommandLineToArgvW, the C run-time): arguments passed on must be quoted so that the split gives
// them back exactly.
#pragma once

#include <string>
#include <vector>

namespace vurerode::platform {

// One argument as it must appear on a command line: as it is when it needs no quotes, otherwise in
// double quotes, with the backslashes before a quote (or the closing quote) doubled and each quote
// escaped.
std::string QuoteArgument(const std::string& arg);
// The arguments quoted and separated by single spaces.
std::string QuoteArguments(const std::vector<std::string>& args);

}  // namespace vurerode::platform
