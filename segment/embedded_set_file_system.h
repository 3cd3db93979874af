// The folder a single file lies in, seen as the set it carries: the set's files (disk.001...,
// install.cfg, finstall.cfg, SHA256SUMS) are read from inside the program, and the program itself
// reads as the uninstaller, the program without its medium. Everything else, and every change, goes
// to the file system below, so the setup program and the tool read a single file exactly as they
// read a set.
#pragma once

#include <memory>
#include <string>

#include "platform/file_system.h"
#include "segment/single_file.h"

namespace vurerode {

class TEmbeddedSetFileSystem : public platform::FileSystem {
 public:
  // medium is the single file found at medium.Path(); its folder is where the set's files appear.
  TEmbeddedSetFileSystem(platform::FileSystem& inner, TSingleFile medium);

  const TSingleFile& Medium() const { return medium_; }
  // The folder the set's files appear in, ending with a backslash.
  const std::string& Folder() const { return folder_; }

  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<platform::TFileStream> OpenFile(const std::string& path, platform::FileAccess access) override;
  std::unique_ptr<platform::TFileStream> CreateFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  int64_t RelocateFile(const std::string& source, const std::string& target) override;
  bool RenameFile(const std::string& source, const std::string& target) override;
  bool ReplaceAtRestart(const std::string& source, const std::string& target) override;
  int CreateDirectory(const std::string& path) override { return inner_.CreateDirectory(path); }
  bool RemoveDirectory(const std::string& path) override { return inner_.RemoveDirectory(path); }
  std::unique_ptr<platform::DirectorySearch> FindFirst(const std::string& pattern, platform::FindData& first) override;
  std::string CurrentDirectory() override { return inner_.CurrentDirectory(); }
  bool ChangeDirectory(const std::string& path) override { return inner_.ChangeDirectory(path); }
  std::string WindowsDirectory() override { return inner_.WindowsDirectory(); }
  std::string ShortPathName(const std::string& path) override;
  std::string FullPathName(const std::string& path) override { return inner_.FullPathName(path); }
  double DiskFreeBytes(const std::string& root) override { return inner_.DiskFreeBytes(root); }

 private:
  // What a path names: a member of the medium, the program, or neither.
  struct Target {
    const TEmbeddedMember* member = nullptr;
    bool program = false;
    bool Embedded() const { return member || program; }
  };
  Target Resolve(const std::string& path);

  platform::FileSystem& inner_;
  TSingleFile medium_;
  std::string folder_;
  std::string programName_;
};

}  // namespace vurerode
