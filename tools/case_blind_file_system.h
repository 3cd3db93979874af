// The host's files, looked up as Windows looks them up: a path that does not exist as written is
// matched part by part against the folder's entries without regard to case. Windows itself looks
// names up that way, so there the system's answer is final. Files opened for reading are read
// through a buffer.
#pragma once

#include <memory>
#include <string>

#include "tools/native_file_system.h"

namespace vurerode::cli {

class CaseBlindFileSystem : public NativeFileSystem {
 public:
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<platform::TFileStream> OpenFile(const std::string& path, platform::FileAccess access) override;
  std::unique_ptr<platform::TFileStream> CreateFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  int CreateDirectory(const std::string& path) override;

  // The path as it exists (or, for the parts that do not, as written), in the form the machine's
  // file system takes.
  std::string Resolve(const std::string& path);

  // Paths below this folder (the tool's own work folder, whose names it makes itself) are taken as
  // written: a file missing there is missing, without a search of the folder for other cases.
  void SetExactFolder(const std::string& windowsFolder);

 private:
  bool Exact(const std::string& path) const;
  std::string exactFolder_;
};

}  // namespace vurerode::cli
