// The file-system half of the seam to the operating system. Paths are Windows paths: backslash
// separated, in UTF-8 (any character Windows allows in a name). Each implementation maps them to its own world: the
// real Win32 API, a virtual Windows machine in a host folder, or the host's POSIX file system.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/stream.h"

namespace vurerode::platform {

// Windows file attribute bits.
enum : uint32_t {
  faReadOnly = 0x01,
  faHidden = 0x02,
  faSysFile = 0x04,
  faVolumeID = 0x08,
  faDirectory = 0x10,
  faArchive = 0x20,
  faNormal = 0x80,
};
inline constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;

// An open file: a stream that can also take its last-write time.
class TFileStream : public TStream {
 public:
  // Sets the last-write time from a packed MS-DOS date and time (local time), as the archive
  // stores it: bits 0-4 seconds/2, 5-10 minutes, 11-15 hours, 16-20 day, 21-24 month, 25-31 years
  // since 1980.
  virtual void SetLastWriteDosTime(uint32_t dosDateTime) = 0;
  // The last-write time packed the same way (local time); 1980-01-01 00:00 for earlier times.
  virtual uint32_t LastWriteDosTime() = 0;
  virtual const std::string& Path() const = 0;
  // Puts the file's data and size on the disk itself, so that they outlast a power loss, not only
  // the process (fsync, FlushFileBuffers). Raises EWriteError or EInOutError when the system
  // cannot. A file with no disk below it has nothing to put there.
  virtual void Sync() {}
};

// One entry found by a directory search, as FindFirstFile/FindNextFile report it.
struct FindData {
  std::string name;       // the long name, without its folder
  std::string shortName;  // the 8.3 alternate name; empty when the long name itself fits 8.3
  uint32_t attributes = 0;
  int64_t size = 0;
  uint32_t lastWriteDosTime = 0;  // packed MS-DOS date and time, local time
};

// An open directory search; closing it (destruction) releases the search handle.
class DirectorySearch {
 public:
  virtual ~DirectorySearch() = default;
  // The next matching entry; false when there is none left.
  virtual bool Next(FindData& data) = 0;
};

enum class FileAccess {
  Read,       // existing file, read only, others may not write meanwhile
  ReadWrite,  // existing file, read and write
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Attributes of a file or directory, kInvalidAttributes when it does not exist.
  virtual uint32_t GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;

  // Opens an existing file; raises EFOpenError ("Cannot open file %s") when it cannot.
  virtual std::unique_ptr<TFileStream> OpenFile(const std::string& path, FileAccess access) = 0;
  // Creates a new empty file, truncating one that exists; raises EFCreateError ("Cannot create
  // file %s") when it cannot, EFileInUse (the same message) when another program holds it.
  virtual std::unique_ptr<TFileStream> CreateFile(const std::string& path) = 0;

  virtual bool DeleteFile(const std::string& path) = 0;
  // Moves a file to a new path on the same drive and leaves it as a fresh copy would be: written
  // now, attributes Archive only, access as its new folder gives it. The target must not exist.
  // Returns the file's size, or -1 when it was not moved (another drive, a target that exists, a
  // file in use, a system that does not): the caller then copies. This one never moves, and Windows
  // keeps it so: a moved file keeps the access list of the folder it left (a user's Temp folder
  // grants other users nothing), and under Wine a rename costs more than the copy.
  virtual int64_t RelocateFile(const std::string& source, const std::string& target) {
    (void)source;
    (void)target;
    return -1;
  }
  // Renames a file to a new path on the same drive in one step, keeping it as it is (date,
  // attributes, access list): MoveFileEx without a copy. The target must not exist. False when the
  // file was not renamed (another drive, a target that exists, a file in use, a system that does
  // not), and nothing changed: the caller then copies.
  virtual bool RenameFile(const std::string& source, const std::string& target) {
    (void)source;
    (void)target;
    return false;
  }
  // Asks Windows to move source onto target (replacing it) at the next restart, when no program
  // holds the target any more (MoveFileEx with MOVEFILE_DELAY_UNTIL_REBOOT). False when the request
  // was not recorded (it needs administrator rights) or the system has no such thing.
  virtual bool ReplaceAtRestart(const std::string& source, const std::string& target) {
    (void)source;
    (void)target;
    return false;
  }
  // Creates one directory (its parent must exist). Returns 0 or the system's error code: 183
  // (ERROR_ALREADY_EXISTS) when the name is taken, so that a caller can create a folder of its own
  // in one step, never checking first.
  virtual int CreateDirectory(const std::string& path) = 0;
  virtual bool RemoveDirectory(const std::string& path) = 0;

  // Starts a search for the entries that match the last part of pattern (which may hold * and ?,
  // matched as Windows matches them, against long and short names alike). Every attribute is
  // reported; filtering by attributes is the caller's business. Returns nullptr when nothing
  // matches or the folder does not exist; otherwise the open search, with the first match in first.
  virtual std::unique_ptr<DirectorySearch> FindFirst(const std::string& pattern, FindData& first) = 0;

  // The process's current directory (no trailing backslash except at a drive's root).
  virtual std::string CurrentDirectory() = 0;
  virtual bool ChangeDirectory(const std::string& path) = 0;
  // The Windows directory, without a trailing backslash ("C:\WINDOWS").
  virtual std::string WindowsDirectory() = 0;
  // The 8.3 form of an existing path; empty when the path does not exist.
  virtual std::string ShortPathName(const std::string& path) = 0;
  // The path made absolute against the current directory, with "." and ".." resolved and
  // doubled separators read as one; the file need not exist.
  virtual std::string FullPathName(const std::string& path) = 0;

  // Free bytes on the drive whose root is given ("A:\"), or on the current drive when the root is
  // empty; -1 when the query fails.
  virtual double DiskFreeBytes(const std::string& root) = 0;

  // Convenience built on the primitives above.
  bool FileExists(const std::string& path) {
    uint32_t a = GetAttributes(path);
    return a != kInvalidAttributes && (a & faDirectory) == 0;
  }
  bool DirectoryExists(const std::string& path) {
    uint32_t a = GetAttributes(path);
    return a != kInvalidAttributes && (a & faDirectory) != 0;
  }
};

}  // namespace vurerode::platform
