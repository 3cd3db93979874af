// The process-wide paths and lists of one run of the setup program: where it runs from, where the
// archive set is expanded, and the lists the configuration fills. One instance lives from the main
// window's creation to its destruction; every part of the installer reads it.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

namespace vurerode::setup {

struct TSetupGlobals {
  bool UninstallMode = false;
  std::string SourceDir;  // ends with a backslash
  std::string ExpandDir;  // ends with a backslash
  std::string TempDir;    // ends with a backslash
  // The medium is the running program's own file and its digest matched. Setup holds that file
  // open for the rest of the run, and Windows then lets nobody write, rename or delete it, so its
  // files need no check of their own. (A sandbox's host file is not held so: a rehearsal trusts
  // its host.)
  bool MediumVerified = false;

  // Filled by the configuration reader, in file order.
  std::vector<std::string> InstallFiles;        // finstall.cfg
  std::vector<std::string> AutoexecBat;         // [Autoexec.bat]
  std::vector<std::string> IniRegistry;         // [INI\Registry]
  std::vector<std::string> Desktop;             // [Desktop]
  std::vector<std::string> LaunchApplications;  // [Launch Applications]
  // Parallel: pair k is (expanded copy below ExpandDir, destination; a trailing backslash marks a
  // directory to create).
  std::vector<std::string> InstallSources;
  std::vector<std::string> InstallTargets;
  // The files of the set that the bootstrap left in it for the installation to place (FileKey of
  // their paths below ExpandDir); empty when everything was expanded.
  std::unordered_set<std::string> DeferredFiles;

  void ClearLists() {
    for (auto* list :
         {&InstallFiles, &AutoexecBat, &IniRegistry, &Desktop, &LaunchApplications, &InstallSources, &InstallTargets})
      list->clear();
  }
};

// The follow-up programs run from the expanded files: the expansion directory stays until they ran.
inline bool KeepExpandDirForFinish(const TSetupGlobals& g) {
  return !g.LaunchApplications.empty();
}

}  // namespace vurerode::setup
