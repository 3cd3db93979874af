// Removal services: TMPDelTree deletes a folder with everything below it, hidden, system and
// read-only files included, and can show the first failure of a run to the user;
// DeleteFilesByMask deletes the files of one folder that match a mask and reports nothing.
#pragma once

#include <functional>
#include <string>

#include "platform/file_search.h"
#include "platform/platform.h"
#include "platform/prompter.h"

namespace vurerode {

class TMPDelTree;

// Called before each file is deleted; setting Cancel ends the whole run.
using TMPDelTreeEvent = std::function<void(TMPDelTree& Sender, const std::string& FileName,
                                           const platform::TSearchRec& SearchRec, bool& Cancel)>;

class TMPDelTree {
 public:
  // prompter shows the Verbose messages; it may be null when Verbose stays false.
  TMPDelTree(platform::Platform& platform, Prompter* prompter) : platform_(platform), prompter_(prompter) {}

  std::string Path = "<..>";
  bool Verbose = false;
  TMPDelTreeEvent OnProcessFile;

  // Deletes the tree at Path. True when all of it went or when Path does not exist; false when the
  // run was cancelled or something stayed. A drive's root, the Windows directory and its System,
  // System32 and Fonts folders are refused (false, nothing touched).
  bool Execute();

 private:
  bool DeleteTree(const std::string& dir);
  void Report(const std::string& format, const std::string& argument);

  platform::Platform& platform_;
  Prompter* prompter_;
  bool errorShown_ = false;
  bool cancelled_ = false;
};

// Deletes the files of dir (ending with a backslash) that match mask; failures are ignored, and
// folders and read-only files stay. A drive's root is refused: nothing is deleted there.
void DeleteFilesByMask(platform::FileSystem& fs, const std::string& dir, const std::string& mask);

}  // namespace vurerode
