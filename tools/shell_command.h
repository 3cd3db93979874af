// A publisher's command run through the host's shell (/bin/sh -c on POSIX, cmd.exe /d /s /c on
// Windows), in the current folder, with its output and errors gathered for the message when it
// fails.
#pragma once

#include <string>

namespace vurerode::cli {

struct ShellResult {
  bool started = false;  // false when the shell itself could not be started
  int status = -1;       // the exit status; -1 when the command was ended by a signal
  int signal = 0;        // the signal that ended it, POSIX only
  std::string output;    // what it wrote to its standard output and standard error, interleaved
  std::string why;       // why it could not be started
};

ShellResult RunShellCommand(const std::string& command);

// A path as one word of that shell's command line: in single quotes for /bin/sh, in double quotes
// for cmd.exe (Windows names cannot hold one).
std::string ShellQuoted(const std::string& path);

}  // namespace vurerode::cli
