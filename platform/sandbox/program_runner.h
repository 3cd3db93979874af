// Finding and running programs inside the sandbox. A program is looked for as Windows looks for
// it (given folder, current directory, System32, System, the Windows directory; ".exe" added to a
// name without extension). Running real host programs is a test device and off unless asked for:
// then a file the host can run (a script with execute permission) that the caller put into ROOT
// itself, neither on a mounted medium nor written through the sandbox, is run for real in the
// sandbox's current folder (or the one asked for), with VURERODE_SANDBOX naming ROOT and
// VURERODE_SHOW the show state it was asked for, and waited for.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/sandbox/sandbox_file_system.h"

namespace vurerode::platform::sandbox {

class ProgramRunner {
 public:
  ProgramRunner(SandboxFileSystem& fs, bool runHostPrograms) : fs_(fs), runHostPrograms_(runHostPrograms) {}

  // The full Windows path of the file name stands for; empty when there is none. firstFolder, when
  // given, is searched first and is what a relative name is taken against.
  std::string Locate(const std::string& name, const std::string& firstFolder, bool tryBareName);
  // Runs the file when host programs are run and this one may be, in workingFolder (the current
  // directory when empty); its exit code, or nullopt when it is not run.
  std::optional<int> Run(const std::string& path, const std::vector<std::string>& args, int showState,
                         const std::string& workingFolder = {});

 private:
  bool IsFile(const std::string& path) { return fs_.FileExists(path); }

  SandboxFileSystem& fs_;
  bool runHostPrograms_;
};

}  // namespace vurerode::platform::sandbox
