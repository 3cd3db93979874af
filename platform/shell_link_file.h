// Shortcut (.lnk) files in the MS-SHLLINK binary format: a header, the link information (the
// target's local path and its volume) and the string data (working directory, icon location). This
// is what the shell itself writes for a link to a local file, minus the shell's own item list, which
// the format makes optional.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vurerode::platform {

struct ShellLinkData {
  std::string targetPath;  // full path
  std::string workingDirectory;
  std::string iconLocation;
  int iconIndex = 0;
  uint32_t showCommand = 1;  // SW_SHOWNORMAL
  // What is known of the target when the link is saved (all zero when it does not exist).
  uint32_t fileAttributes = 0;
  uint64_t creationTime = 0;  // FILETIME: 100 ns units since 1601-01-01 UTC
  uint64_t accessTime = 0;
  uint64_t writeTime = 0;
  uint32_t fileSize = 0;
  // The volume the target lies on.
  uint32_t driveType = 3;  // DRIVE_FIXED
  uint32_t volumeSerial = 0;
  std::string volumeLabel;
};

std::vector<uint8_t> BuildShellLinkFile(const ShellLinkData& link);

// FILETIME from seconds since 1970 (UTC).
uint64_t EpochToFileTime(int64_t seconds);

}  // namespace vurerode::platform
