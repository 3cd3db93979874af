// The native file system with every file the archive library creates thrown away as it is written:
// lets `test` run the whole expansion (codecs, checksums, keys) without touching the disk.
#pragma once

#include <string>

#include "tools/native_file_system.h"

namespace vurerode::cli {

class DiscardingFileSystem : public NativeFileSystem {
 public:
  std::unique_ptr<platform::TFileStream> CreateFile(const std::string& path) override;
  bool SetAttributes(const std::string&, uint32_t) override { return true; }
  bool DeleteFile(const std::string&) override { return true; }
  int CreateDirectory(const std::string&) override { return 0; }
  uint32_t GetAttributes(const std::string& path) override;
};

}  // namespace vurerode::cli
