// Finding and running programs inside the sandbox. A program is looked for as Windows looks for
// it (given folder, current directory, System32, System, the Windows directory; ".exe" added to a
// name without extension). When the file it finds is something the host can run (a script with
// execute permission), it is run for real, in the sandbox's current folder (or the one asked for), with
// VURERODE_SANDBOX naming ROOT and VURERODE_SHOW the show state it was asked for, and waited for.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/sandbox/sandbox_file_system.h"

namespace vurerode::platform::sandbox {

class ProgramRunner {
 public:
  explicit ProgramRunner(SandboxFileSystem& fs) : fs_(fs) {}

  // The full Windows path of the file name stands for; empty when there is none. firstFolder, when
  // given, is searched first and is what a relative name is taken against.
  std::string Locate(const std::string& name, const std::string& firstFolder, bool tryBareName);
  // Runs the file when the host can, in workingFolder (the current directory when empty); its
  // exit code, or nullopt when it is not a program the host can start.
  std::optional<int> Run(const std::string& path, const std::vector<std::string>& args, int showState,
                         const std::string& workingFolder = {});

 private:
  bool IsFile(const std::string& path) { return fs_.FileExists(path); }

  SandboxFileSystem& fs_;
};

}  // namespace vurerode::platform::sandbox
