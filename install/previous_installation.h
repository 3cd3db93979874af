// An upgrade: a second installation under the same title takes over what the first one left for its
// removal. The first one's log is read before the new installation changes anything (the new log
// replaces it); once the new log holds its own entries, the first one's that it lacks are added, so
// that one removal takes both versions away.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace vurerode::setup {

class TUninstallLog;

// One section of an uninstall log: its name and its key names, in the order of the file.
struct TLogSection {
  std::string Name;
  std::vector<std::string> Keys;

  bool operator==(const TLogSection&) const = default;
};

// What an earlier installation under a title left, and what of it a new log may take over.
struct TPreviousInstallation {
  std::string Title;
  // Its folder, with a trailing backslash: InstallLocation, or for an entry of an earlier version
  // the folder of the setup.exe its UninstallString starts (where the removal finds the log). Empty
  // when there is no uninstall entry.
  std::string InstallDir;
  std::string LogPath;  // its uninstaller.cfg; empty when there is none
  // The log has the SHA-256 the uninstall entry recorded: everything it names is carried over.
  bool Vouched = false;
  // Every section of the log and its keys, as the file holds them.
  std::vector<TLogSection> Log;
  // What the new log takes over: the sections the removal reads, in the log's order, each key once.
  std::vector<TLogSection> Carried;
  // What is not taken over, one line each: the entry and why.
  std::vector<std::string> Dropped;
};

// Reads the uninstall entry of title (HKEY_LOCAL_MACHINE) and the log it leads to, and decides what
// may be carried over. Everything, when the log has the digest the entry recorded; otherwise
// (a log changed since, or an entry of an earlier version that recorded none) only the files and
// folders inside the installation's folder, as the removal of a changed log takes them; the rest
// is listed as dropped. A file mask (from logs without Format=2) becomes the names of the files it
// matches now. No entry or no log: nothing to carry.
// root: where the scope of the new installation keeps its entry (an installation for the current
// user only updates the user's own earlier one).
TPreviousInstallation ReadPreviousInstallation(platform::Platform& platform, const std::string& title,
                                               platform::RegistryRoot root = platform::RegistryRoot::LocalMachine);

// Adds to newLog every carried entry it does not hold yet (keys compared without regard to case),
// section by section in the old log's order. Call it once the new log holds all of its own entries,
// and before its digest is recorded. Returns the dropped entries, for the run to list. Raises
// EIniFileException when the log cannot be written.
std::vector<std::string> CarryOverPreviousEntries(const TPreviousInstallation& previous, TUninstallLog& newLog);

}  // namespace vurerode::setup
