// Directory searches with an attribute mask, as the installer's code asks for them: entries that
// carry the hidden, system, volume-label or directory bit are reported only when the mask holds that
// bit; plain, read-only and archive entries always are.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/file_system.h"

namespace vurerode::platform {

inline constexpr uint32_t faAnyFile = 0x3F;

struct TSearchRec {
  uint32_t Time = 0;  // packed MS-DOS date and time of the last write
  int64_t Size = 0;
  uint32_t Attr = 0;
  std::string Name;
  std::string ShortName;
};

class TFileSearch {
 public:
  TFileSearch(FileSystem& fs, const std::string& pattern, uint32_t attributeMask);
  TFileSearch(const TFileSearch&) = delete;
  TFileSearch& operator=(const TFileSearch&) = delete;

  // The next entry the mask lets through (the first one on the first call); false at the end.
  bool Next(TSearchRec& rec);
  // Ends the search early, releasing its handle (destruction does the same).
  void Close() { search_.reset(); }

 private:
  std::unique_ptr<DirectorySearch> search_;
  FindData pending_;
  bool havePending_ = false;
  uint32_t exclude_;
};

}  // namespace vurerode::platform
