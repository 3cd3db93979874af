// The sandbox's own access to the host it runs on: plain files and folders through the standard
// library, with the few calls it lacks (truncation, starting a program) kept here. The sandbox is a
// boundary: what it opens is never reached through a symbolic link, and what it writes is never
// left executable, so the host-specific calls that make sure of that live here too.
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

// What a host name is, without following a link: links, devices, pipes and sockets are Other,
// which the sandbox neither shows nor passes through.
enum class HostKind { Missing, File, Folder, Other };
HostKind HostEntryKind(const stdfs::path& path);

enum class HostOpen { Read, ReadWrite, Create };

// An open host file. Errors are reported by result, never raised. Only a plain file is opened, never
// through a link in its last part; a file opened to be written must have no other hard link (it
// would change a file elsewhere) and loses its execute permission (what the sandbox wrote is data).
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

// Takes away or gives back the write permission of a plain file (never through a link, and not of
// a file with another hard link, whose permission is that of a file elsewhere too).
bool SetHostReadOnly(const stdfs::path& path, bool readOnly);

// A folder's change stamp at the finest grain the host keeps (nanoseconds, or 100 ns units on
// Windows): it changes when an entry is added or removed. Nullopt when it cannot be read.
std::optional<uint64_t> HostFolderStamp(const stdfs::path& path);

// Seconds since 1970 (UTC) of the last write; -1 when it cannot be read.
int64_t HostWriteTime(const stdfs::path& path);
bool SetHostWriteTime(const stdfs::path& path, int64_t seconds);

// Whether the host can run this file as a program (a plain file, not a link, with execute
// permission; on Windows, its extension).
bool IsHostProgram(const stdfs::path& path);
// Runs a host program (by its absolute path, whatever folder it starts in) with arguments and extra
// environment variables ("NAME=value") in a folder, and waits for it. Returns its exit code, or nullopt when it could
// not be started.
std::optional<int> RunHostProgram(const stdfs::path& program, const std::vector<std::string>& args,
                                  const stdfs::path& directory, const std::vector<std::string>& environment);

}  // namespace vurerode::platform::sandbox
