// The sandbox's own access to the host it runs on: plain files and folders through the standard
// library, with the few calls it lacks (truncation, starting a program) kept here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vurerode::platform::sandbox {

namespace stdfs = std::filesystem;

// Host paths are built from UTF-8 names.
stdfs::path HostPath(const std::string& utf8);
std::string HostName(const stdfs::path& p);  // the UTF-8 form of a path or name

enum class HostOpen { Read, ReadWrite, Create };

// An open host file. Errors are reported by result, never raised.
class HostFile {
 public:
  static std::unique_ptr<HostFile> Open(const stdfs::path& path, HostOpen mode);
  ~HostFile();
  HostFile(const HostFile&) = delete;
  HostFile& operator=(const HostFile&) = delete;

  size_t Read(void* buffer, size_t n);
  size_t Write(const void* buffer, size_t n);
  bool Seek(int64_t position);
  int64_t Tell();
  int64_t Size();
  bool Flush();
  bool Truncate(int64_t size);

 private:
  explicit HostFile(std::FILE* f) : f_(f) {}
  std::FILE* f_;
};

// Seconds since 1970 (UTC) of the last write; -1 when it cannot be read.
int64_t HostWriteTime(const stdfs::path& path);
bool SetHostWriteTime(const stdfs::path& path, int64_t seconds);

// Whether the host can run this file as a program (execute permission; on Windows, its extension).
bool IsHostProgram(const stdfs::path& path);
// Runs a host program with arguments and extra environment variables ("NAME=value") in a folder,
// and waits for it. Returns its exit code, or nullopt when it could not be started.
std::optional<int> RunHostProgram(const stdfs::path& program, const std::vector<std::string>& args,
                                  const stdfs::path& directory, const std::vector<std::string>& environment);

}  // namespace vurerode::platform::sandbox
