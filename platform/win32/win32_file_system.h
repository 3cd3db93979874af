// The file-system half of the seam on Windows itself, through the wide functions of the API; every
// path passes through WidePath (long_path.h) on its way there.
#pragma once

#include "platform/file_system.h"

namespace vurerode::platform::win32 {

struct WideApi;

class Win32FileSystem : public FileSystem {
 public:
  // The real functions, or the table given (which must outlive the file system).
  Win32FileSystem();
  explicit Win32FileSystem(const WideApi& api) : api_(api) {}
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<TFileStream> OpenFile(const std::string& path, FileAccess access) override;
  std::unique_ptr<TFileStream> CreateFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  // MoveFileExW without a copy or a replacement: the file keeps its date, attributes and access.
  bool RenameFile(const std::string& source, const std::string& target) override;
  // MoveFileExW with MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING.
  bool ReplaceAtRestart(const std::string& source, const std::string& target) override;
  int CreateDirectory(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  double DiskFreeBytes(const std::string& root) override;
  std::unique_ptr<DirectorySearch> FindFirst(const std::string& pattern, FindData& first) override;
  std::string CurrentDirectory() override;
  bool ChangeDirectory(const std::string& path) override;
  std::string WindowsDirectory() override;
  std::string ShortPathName(const std::string& path) override;
  std::string FullPathName(const std::string& path) override;

 private:
  const WideApi& api_;
};

}  // namespace vurerode::platform::win32
