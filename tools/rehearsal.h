// A rehearsal of distribution media: install them unattended into a fresh sandbox machine, then
// remove the installation through its uninstall entry, and tell what was installed and what was
// left behind.
#pragma once

#include <filesystem>
#include <iosfwd>
#include <string>
#include <vector>

namespace vurerode::cli {

// Everything of a sandbox machine a removal should give back: the files and folders of drive C:
// (Windows paths, folders ending with a backslash) and the registry file's lines.
struct MachineState {
  std::vector<std::string> paths;
  std::vector<std::string> registryLines;
};
MachineState ReadMachineState(const std::filesystem::path& root);

struct RehearsalResult {
  bool installed = false;
  bool removed = false;
  std::vector<std::string> leftByDesign;  // the cleanup batch, system files the removal declined
  std::vector<std::string> leftOver;      // anything else still there
};

// Runs the round trip in root (made when missing; it should be empty); writes the report to out.
RehearsalResult Rehearse(const std::filesystem::path& media, const std::filesystem::path& root, std::ostream& out);

}  // namespace vurerode::cli
