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
  // Flushes, then puts the data and size on the disk itself; 0 or the host's error number.
  int Sync();
  bool Truncate(int64_t size);

 private:
  explicit HostFile(std::FILE* f) : f_(f) {}
  std::FILE* f_;
};

// Replaces a host file's content so that a failure at any instant leaves either the old content or
// the new one: written beside it as NAME.new, flushed to the disk, then renamed over it. Returns 0,
// or the host's error number (ENOSPC for a full disk); a failed write leaves no NAME.new behind.
int ReplaceHostFileDurably(const stdfs::path& path, const std::string& bytes);
// Puts a folder's entries (names added, removed or renamed in it) on the disk itself; 0 or the
// host's error number. Windows keeps them so with the file system's own log: nothing to do there.
int SyncHostFolder(const stdfs::path& folder);
// Appends one line (and a line break) to a host file and flushes it to the disk; false when that fails.
bool AppendHostLineDurably(const stdfs::path& path, const std::string& line);

// An exclusive lock on a host file, held until it is destroyed and released by the host when the
// process dies. Two locks on one file exclude each other even inside one process.
class HostFileLock {
 public:
  // The lock when it could be taken now; nullptr when another holder has it (or the file cannot be made).
  static std::unique_ptr<HostFileLock> TryTake(const stdfs::path& path);
  ~HostFileLock();
  HostFileLock(const HostFileLock&) = delete;
  HostFileLock& operator=(const HostFileLock&) = delete;

 private:
#if defined(_WIN32)
  explicit HostFileLock(void* handle) : handle_(handle) {}
  void* handle_;
#else
  explicit HostFileLock(int fd) : fd_(fd) {}
  int fd_;
#endif
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
