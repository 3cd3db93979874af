// The file-system half of the seam on Windows itself, through the ANSI functions of the API.
#pragma once

#include "platform/file_system.h"

namespace vurerode::platform::win32 {

class Win32FileSystem : public FileSystem {
 public:
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<TFileStream> OpenFile(const std::string& path, FileAccess access) override;
  std::unique_ptr<TFileStream> CreateFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  // MoveFileExA without a copy or a replacement: the file keeps its date, attributes and access.
  bool RenameFile(const std::string& source, const std::string& target) override;
  // MoveFileExA with MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING.
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
};

}  // namespace vurerode::platform::win32
