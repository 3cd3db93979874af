// A rehearsal of distribution media: install them unattended into a fresh sandbox machine, then
// remove the installation through its uninstall entry, and tell what was installed and what was
// left behind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <map>
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

struct RehearsalOptions {
  std::map<char, uint64_t> quotas;  // sandbox drives given a size, to rehearse a full disk
  // The media folder's program that carries the set (single-file media); empty for a set.
  std::string singleFile;
  // Install for the current user only (/CURRENTUSER), and check that the installation wrote nothing
  // outside the user's profile and nothing under HKEY_LOCAL_MACHINE.
  bool currentUser = false;
};

struct RehearsalResult {
  bool installed = false;
  bool restartNeeded = false;  // installed, with a file replaced only at the next restart
  bool recovered = false;      // a setup found an interrupted installation and undid it
  bool removed = false;
  std::vector<std::string> leftByDesign;  // the cleanup batch, system files the removal declined
  std::vector<std::string> leftOver;      // anything else still there (after a failed installation: all
                                          // it did not undo)
  // With currentUser: what the installation wrote outside the user's profile or under
  // HKEY_LOCAL_MACHINE.
  std::vector<std::string> outsideUser;
};

// What after holds that before did not, outside the sandbox user's profile (paths) or under
// HKEY_LOCAL_MACHINE (registry lines, with their key).
std::vector<std::string> WrittenOutsideUser(const MachineState& before, const MachineState& after);

// Runs the round trip in root (made when missing; it should be empty); writes the report to out.
// An installation that fails is checked to have left the machine as it was.
RehearsalResult Rehearse(const std::filesystem::path& media, const std::filesystem::path& root, std::ostream& out,
                         const RehearsalOptions& options = {});

}  // namespace vurerode::cli
