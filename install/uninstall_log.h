// The uninstall log, uninstaller.cfg in the installation directory: an INI file whose keys name
// what to remove (sections Files, Folder and Registry, empty values) and whose section Name holds
// the application's title. The uninstall registration lets Windows list the application and start
// the uninstaller.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/uninstall_log_format.h"
#include "platform/platform.h"

namespace vurerode::setup {

class TUninstallLog {
 public:
  explicit TUninstallLog(platform::Profile& profile) : profile_(profile) {}

  // Deletes an old log in dir (a failure is ignored) and writes the new one there from now on.
  void Create(platform::FileSystem& fs, const std::string& dir);
  // Opens the log in dir for reading.
  void Open(const std::string& dir) { path_ = dir + media::kUninstallLogFile; }
  // Raise EIniFileException "Unable to write to %s" when the log cannot be written.
  void AddEntry(const std::string& section, const std::string& key);
  // Several keys of one section in one write of the log.
  void AddEntries(const std::string& section, const std::vector<std::string>& keys);
  void SetTitle(const std::string& title);
  void SetFormat(const std::string& format);
  std::string ReadFormat();
  std::vector<std::string> ReadEntries(const std::string& section);
  std::string ReadTitle();
  const std::string& Path() const { return path_; }

 private:
  platform::Profile& profile_;
  std::string path_;
};

// What Add/Remove Programs shows for an installation.
struct TUninstallRegistration {
  std::string Title;
  std::string InstallDir;  // ends with a backslash
  std::string DisplayIcon;
  std::string DisplayVersion;
  std::string Publisher;
  uint32_t EstimatedSizeKB = 0;
  // HKEY_CURRENT_USER for an installation for the current user only.
  platform::RegistryRoot Root = platform::RegistryRoot::LocalMachine;
};

// What the uninstall entry recorded of the installation: its folder and its log's SHA-256 (empty
// when the entry or the value is not there, as for installations of earlier versions).
struct TRecordedInstallation {
  std::string InstallLocation;
  std::string LogDigest;
};
// The UninstallString of the entry of that title; empty when there is none (or it is not text).
// Each takes the entry below root: HKEY_LOCAL_MACHINE for a machine-wide installation, HKEY_CURRENT_USER
// for one for the current user only.
std::string ReadUninstallString(platform::Platform& platform, const std::string& title,
                                platform::RegistryRoot root = platform::RegistryRoot::LocalMachine);

TRecordedInstallation ReadRecordedInstallation(platform::Platform& platform, const std::string& title,
                                               platform::RegistryRoot root = platform::RegistryRoot::LocalMachine);
// Records the SHA-256 of the finished log in the entry; nothing when the entry cannot be opened.
void RecordLogDigest(platform::Platform& platform, const std::string& title, const std::string& digest,
                     platform::RegistryRoot root = platform::RegistryRoot::LocalMachine);

// The root whose uninstall entry of title belongs to the installation in installDir: the machine's
// when it has an entry of that title that names no other folder (entries of earlier versions name
// none), else the current user's when it has one; the machine's when neither has.
platform::RegistryRoot UninstallEntryRoot(platform::Platform& platform, const std::string& title,
                                          const std::string& installDir);

// Writes the uninstall entry under the registration's root. Nothing when the key cannot be opened;
// raises ERegistryException when a value cannot be written.
void RegisterUninstall(platform::Platform& platform, const TUninstallRegistration& registration);

}  // namespace vurerode::setup
