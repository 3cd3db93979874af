// InstallApplication: copies the files into place, makes the program folders and shortcuts, writes
// the configured INI and registry entries, logs every item for the uninstaller and registers it.
// It works on the platform with the run's paths and lists and what the user chose, reports through
// a progress interface and returns what came of it; it shows no page of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "install/engine_progress.h"
#include "install/install_scope.h"
#include "install/setup_state.h"
#include "platform/platform.h"

namespace vurerode::setup {

// The shortcut rows of one Desktop entry, as ticked.
struct TShortcutTicks {
  bool StartMenu = false;
  bool Desktop = false;
  bool QuickLaunch = false;
};

// What the user chose on the wizard, and the settings of install.cfg the installation uses.
struct TInstallChoices {
  std::string InstallDir;  // the destination; a trailing backslash is added
  bool FolderOnStartMenu = false;
  bool FolderOnDesktop = false;
  // One per entry of the Desktop list, in its order; an entry without one makes no single shortcut.
  std::vector<TShortcutTicks> Shortcuts;
  std::string Title;  // names the uninstall entry
  // Pictures the uninstaller shows, relative to ExpandDir; copied into the installation directory.
  std::string LogoFile;
  std::string BitMap;
  std::string DisplayVersion;
  std::string Publisher;
  // Machine-wide, or for the current user only: where the shortcuts and the uninstall entry go.
  TInstallScope Scope = TInstallScope::Machine;
};

// Failed and Cancelled: the installation was undone, and the machine is as it was before it.
enum class TInstallOutcome { Installed, Failed, Cancelled };

struct TInstallResult {
  TInstallOutcome Outcome = TInstallOutcome::Installed;
  // What stopped the installation, with the reason: the file or folder that could not be
  // installed, or the drive without room for it.
  std::vector<std::string> Failures;
  int64_t BytesInstalled = 0;
  std::string InstallDir;  // as the installation used it, with its trailing backslash
  // Installed, but a file another program held is replaced only at the next restart.
  bool RestartNeeded = false;
  // Entries of an earlier installation's log (same title) that its changed log could not vouch
  // for: the new log does not take them over, so the removal leaves them. One line each.
  std::vector<std::string> NotCarriedOver;
  // The message that tells the user what failed or that it was cancelled; empty when neither.
  std::string FailureText() const;
};

// How a file another program holds is waited for before it is left to the next restart.
struct TInUseRetry {
  int Retries = 3;
  std::chrono::milliseconds Interval{200};
  // Waits that long; empty: the thread sleeps. Tests give one that only counts.
  std::function<void(std::chrono::milliseconds)> Wait;
};

// Runs the whole installation. Before it changes anything it checks that each drive has room for
// the files it receives, and fails when one has not. It stops at the first file or folder that
// cannot be installed (Failed) and at the first item after progress.CancelRequested() (Cancelled),
// leaving what it did for the caller to roll back (see install/setup_transaction.h). A file held by
// another program is tried again, then written beside its place and replaced at the next restart
// (RestartNeeded); an installation for the current user only, which may not ask for that, fails
// instead. Errors of the INI and registry layers that nothing can go on from raise. The globals'
// Install Files list gains the installer's own three files and the pairs are rebuilt.
TInstallResult InstallApplication(platform::Platform& platform, TSetupGlobals& globals, const TInstallChoices& choices,
                                  TInstallProgress& progress, const TInUseRetry& inUse = {});

// The folder chain of a shortcut group: G, then G without its last part, down to the first part,
// which is listed twice (A\B\C gives A\B\C, A\B, A, A); an empty or single G gives G once.
std::vector<std::string> FolderChain(const std::string& folder);

}  // namespace vurerode::setup
