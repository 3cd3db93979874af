// The host's own POSIX file system behind the seam. Windows paths are mapped by turning every
// backslash into a slash; attributes are derived from the mode bits (read-only when no write bit).
#pragma once

#include <string>

#include "platform/file_system.h"

namespace vurerode::platform {

class HostFileSystem : public FileSystem {
 public:
  explicit HostFileSystem(std::string windowsDirectory = {});

  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<TFileStream> OpenFile(const std::string& path, FileAccess access) override;
  std::unique_ptr<TFileStream> CreateFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  int CreateDirectory(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  double DiskFreeBytes(const std::string& root) override;
  std::unique_ptr<DirectorySearch> FindFirst(const std::string& pattern, FindData& first) override;
  std::string CurrentDirectory() override;
  bool ChangeDirectory(const std::string& path) override;
  std::string WindowsDirectory() override { return windowsDirectory_; }
  std::string ShortPathName(const std::string& path) override;
  std::string FullPathName(const std::string& path) override;

  static std::string HostPath(const std::string& windowsPath);

 private:
  std::string windowsDirectory_;
};

}  // namespace vurerode::platform
