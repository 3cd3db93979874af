// Room on the target drives, checked before an installation changes anything: a full disk found
// halfway would only be rolled back.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vurerode::setup {

// The bytes each drive ("C:") is to receive, added up from the files it receives.
class TDriveNeeds {
 public:
  // A file of that size is written to path (full or not); paths on no drive letter are not counted.
  void Add(platform::FileSystem& fs, const std::string& path, int64_t bytes);
  // One line for each drive that has less room than it needs, giving both figures; nothing for a
  // drive whose free space cannot be read.
  std::vector<std::string> Shortfalls(platform::FileSystem& fs) const;

 private:
  std::map<std::string, int64_t> bytes_;  // by upper-case drive
};

// A byte count as people read it: "512 bytes", "14.2 KB", "3.5 MB", "1.25 GB".
std::string ReadableBytes(uint64_t bytes);

}  // namespace vurerode::setup
