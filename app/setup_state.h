// The process-wide paths and lists of one run of the setup program: where it runs from, where the
// archive set is expanded, and the lists the configuration fills. One instance lives from the main
// window's creation to its destruction; every part of the installer reads it.
#pragma once

#include <string>
#include <vector>

namespace vurerode::setup {

struct TSetupGlobals {
  bool UninstallMode = false;
  std::string SourceDir;  // ends with a backslash
  std::string ExpandDir;  // ends with a backslash
  std::string TempDir;    // ends with a backslash

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
};

}  // namespace vurerode::setup
