// The sandbox's command interpreter for batch files such as the uninstaller's cleanup batch: it
// carries out exactly the commands those hold (a drive change, cd, cd.., cd\, del, rd, rem, exit,
// chcp; paths plain or quoted, %% for a percent sign) on the machine's own file system and writes
// each to the journal with what came of it; any other command is journalled as not run. Host
// programs are never started from a batch. Lines are read in the machine's code page, Windows-1252,
// and after "chcp 65001" as UTF-8, as cmd reads them in the console's code page of the moment.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/sandbox/journal.h"

namespace vurerode::platform::sandbox {

class BatchRunner {
 public:
  BatchRunner(FileSystem& fs, Journal& journal) : fs_(fs), journal_(journal) {}
  // Runs the batch file named by a Windows path; false when it cannot be read.
  bool Run(const std::string& batchPath);

 private:
  void Command(const std::string& line);
  void ChangeDirectory(const std::string& argument);
  void Delete(const std::string& argument);
  void RemoveDirectory(const std::string& argument);
  void ChangeCodePage(const std::string& argument);
  void Note(const std::string& command, const std::string& outcome);

  FileSystem& fs_;
  Journal& journal_;
  std::string batch_;
  std::string cwd_;  // the interpreter's current directory, with a trailing backslash
  bool exited_ = false;
  bool utf8_ = false;
};

}  // namespace vurerode::platform::sandbox
