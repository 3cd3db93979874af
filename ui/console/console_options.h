// The console front end's command line: its own options (--sandbox, --media, ...), the switches
// Windows administrators know (/SILENT, /DIR=, /LOG=, /ALLUSERS, /CURRENTUSER), and the remaining arguments, which the
// program joins as Windows would.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/setup_session.h"
#include "install/install_scope.h"

namespace vurerode::setup::console {

struct ConsoleOptions {
  std::optional<std::string> sandboxRoot;  // a host folder
  std::optional<std::string> media;        // a host folder mounted as A:
  bool runHostPrograms = false;
  std::map<char, uint64_t> quotas;  // --quota: a size per sandbox drive
  bool silent = false;
  std::optional<std::string> dir;  // /DIR=
  std::optional<std::string> log;  // /LOG=
  // /ALLUSERS or /CURRENTUSER: which scope the installation asks for.
  std::optional<TInstallScope> scope;
  // The hidden switch of the run setup starts of itself with administrator rights.
  bool elevated = false;
  bool help = false;
  std::vector<std::string> commandLine;  // every argument as given, for that elevated start
  std::vector<std::string> args;         // what remains, in order
};

// A sandbox drive's quota as --quota gives it, "C=BYTES": the drive letter (any case; returned in
// upper case) and a decimal number of bytes, which may end with K, M or G (times 1024 each).
// Raises std::invalid_argument for anything else.
std::pair<char, uint64_t> ParseDriveQuota(const std::string& text);

// Raises std::invalid_argument with a usage message for options it cannot read.
ConsoleOptions ParseConsoleOptions(const std::vector<std::string>& argv);

extern const char* const kConsoleHelp;

}  // namespace vurerode::setup::console
