#include "platform/sandbox/host_io.h"

#include <cerrno>
#include <chrono>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vurerode::platform::sandbox {

stdfs::path HostPath(const std::string& utf8) {
  return stdfs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
}

std::string HostName(const stdfs::path& p) {
  std::u8string s = p.u8string();
  return std::string(reinterpret_cast<const char*>(s.data()), s.size());
}

HostKind HostEntryKind(const stdfs::path& path) {
  std::error_code ec;
  stdfs::file_status st = stdfs::symlink_status(path, ec);
  if (ec || !stdfs::exists(st)) return HostKind::Missing;
  if (stdfs::is_regular_file(st)) return HostKind::File;
  if (stdfs::is_directory(st)) return HostKind::Folder;
  return HostKind::Other;
}

#if defined(_WIN32)

std::unique_ptr<HostFile> HostFile::Open(const stdfs::path& path, HostOpen mode) {
  if (HostEntryKind(path) == HostKind::Other) return nullptr;
  const wchar_t* m = mode == HostOpen::Read ? L"rb" : mode == HostOpen::ReadWrite ? L"r+b" : L"w+b";
  std::FILE* f = _wfopen(path.c_str(), m);
  if (!f) return nullptr;
  return std::unique_ptr<HostFile>(new HostFile(f));
}

#else

std::unique_ptr<HostFile> HostFile::Open(const stdfs::path& path, HostOpen mode) {
  // O_NONBLOCK keeps a pipe put in the file's place from hanging the open; it is refused below.
  int flags = O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (mode == HostOpen::Read ? O_RDONLY : O_RDWR);
  if (mode == HostOpen::Create) flags |= O_CREAT;
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) return nullptr;
  struct stat st;
  bool usable = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (usable && mode != HostOpen::Read) {
    // Truncation waits until the file is known to be the sandbox's own. A file system without
    // permissions may refuse the change of mode; the sandbox's own record of what it wrote still
    // keeps such a file from being run.
    usable = st.st_nlink <= 1;
    if (usable && (st.st_mode & 0111) != 0) (void)::fchmod(fd, st.st_mode & 0666);
    if (usable && mode == HostOpen::Create) usable = ::ftruncate(fd, 0) == 0;
  }
  if (usable) usable = ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) == 0;
  std::FILE* f = usable ? ::fdopen(fd, mode == HostOpen::Read ? "rb" : "r+b") : nullptr;
  if (!f) {
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<HostFile>(new HostFile(f));
}

#endif

#if defined(_WIN32)

bool SetHostReadOnly(const stdfs::path& path, bool readOnly) {
  if (HostEntryKind(path) != HostKind::File) return false;
  std::error_code ec;
  if (readOnly)
    stdfs::permissions(path, stdfs::perms::owner_write | stdfs::perms::group_write | stdfs::perms::others_write,
                       stdfs::perm_options::remove, ec);
  else
    stdfs::permissions(path, stdfs::perms::owner_write, stdfs::perm_options::add, ec);
  return !ec;
}

#else

bool SetHostReadOnly(const stdfs::path& path, bool readOnly) {
  int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool done = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_nlink <= 1 &&
              ::fchmod(fd, readOnly ? (st.st_mode & 07555) : ((st.st_mode & 07777) | S_IWUSR)) == 0;
  ::close(fd);
  return done;
}

#endif

HostFile::~HostFile() {
  std::fclose(f_);
}

size_t HostFile::Read(void* buffer, size_t n) {
  return std::fread(buffer, 1, n, f_);
}

size_t HostFile::Write(const void* buffer, size_t n) {
  return std::fwrite(buffer, 1, n, f_);
}

bool HostFile::Seek(int64_t position) {
#if defined(_WIN32)
  return _fseeki64(f_, position, SEEK_SET) == 0;
#else
  return fseeko(f_, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

int64_t HostFile::Tell() {
#if defined(_WIN32)
  return _ftelli64(f_);
#else
  return static_cast<int64_t>(ftello(f_));
#endif
}

int64_t HostFile::Size() {
  int64_t pos = Tell();
#if defined(_WIN32)
  _fseeki64(f_, 0, SEEK_END);
#else
  fseeko(f_, 0, SEEK_END);
#endif
  int64_t size = Tell();
  Seek(pos);
  return size;
}

bool HostFile::Flush() {
  return std::fflush(f_) == 0;
}

int HostFile::Sync() {
  if (std::fflush(f_) != 0) return errno ? errno : EIO;
#if defined(_WIN32)
  return _commit(_fileno(f_)) == 0 ? 0 : (errno ? errno : EIO);
#else
  while (::fsync(fileno(f_)) != 0)
    if (errno != EINTR) return errno;
  return 0;
#endif
}

bool HostFile::Truncate(int64_t size) {
  if (std::fflush(f_) != 0) return false;
#if defined(_WIN32)
  return _chsize_s(_fileno(f_), size) == 0;
#else
  return ftruncate(fileno(f_), static_cast<off_t>(size)) == 0;
#endif
}

int64_t HostWriteTime(const stdfs::path& path) {
  std::error_code ec;
  auto t = stdfs::last_write_time(path, ec);
  if (ec) return -1;
  auto sys = std::chrono::file_clock::to_sys(t);
  return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

bool SetHostWriteTime(const stdfs::path& path, int64_t seconds) {
  std::chrono::sys_seconds sys{std::chrono::seconds(seconds)};
  std::error_code ec;
  stdfs::last_write_time(path, std::chrono::file_clock::from_sys(sys), ec);
  return !ec;
}

}  // namespace vurerode::platform::sandbox

namespace vurerode::platform::sandbox {

std::optional<uint64_t> HostFolderStamp(const stdfs::path& path) {
#if defined(_WIN32)
  // The C library's stat keeps whole seconds only, too coarse to tell two changes apart.
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  return (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime;
#else
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return std::nullopt;
  return uint64_t(st.st_mtim.tv_sec) * 1000000000u + uint64_t(st.st_mtim.tv_nsec);
#endif
}

}  // namespace vurerode::platform::sandbox

namespace vurerode::platform::sandbox {

#if defined(_WIN32)

int ReplaceHostFileDurably(const stdfs::path& path, const std::string& bytes) {
  stdfs::path temp = path;
  temp += ".new";
  std::FILE* f = _wfopen(temp.c_str(), L"wb");
  if (!f) return errno ? errno : EIO;
  bool written =
      std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size() && std::fflush(f) == 0 && _commit(_fileno(f)) == 0;
  int error = written ? 0 : (errno ? errno : ENOSPC);
  if (std::fclose(f) != 0 && written) error = errno ? errno : ENOSPC;
  if (error == 0 && !MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    error = EIO;
  if (error != 0) _wremove(temp.c_str());
  return error;
}

int SyncHostFolder(const stdfs::path&) {
  return 0;
}

bool AppendHostLineDurably(const stdfs::path& path, const std::string& line) {
  std::FILE* f = _wfopen(path.c_str(), L"ab");
  if (!f) return false;
  std::string text = line + "\r\n";
  bool ok =
      std::fwrite(text.data(), 1, text.size(), f) == text.size() && std::fflush(f) == 0 && _commit(_fileno(f)) == 0;
  return std::fclose(f) == 0 && ok;
}

std::unique_ptr<HostFileLock> HostFileLock::TryTake(const stdfs::path& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  OVERLAPPED at{};
  if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
    CloseHandle(h);
    return nullptr;
  }
  return std::unique_ptr<HostFileLock>(new HostFileLock(h));
}

HostFileLock::~HostFileLock() {
  OVERLAPPED at{};
  UnlockFileEx(handle_, 0, 1, 0, &at);
  CloseHandle(handle_);
}

#else

namespace {

// Writes all of bytes; the host's error number, or 0.
int WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : ENOSPC;
    done += static_cast<size_t>(n);
  }
  return 0;
}

}  // namespace

int SyncHostFolder(const stdfs::path& folder) {
  int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return errno;
  int error = ::fsync(fd) == 0 ? 0 : errno;
  ::close(fd);
  return error;
}

int ReplaceHostFileDurably(const stdfs::path& path, const std::string& bytes) {
  stdfs::path temp = path;
  temp += ".new";
  ::unlink(temp.c_str());  // whatever an interrupted write left there, link or file, is not written through
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return errno;
  int error = WriteAll(fd, bytes);
  if (error == 0 && ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temp.c_str());
    return error;
  }
  // The rename itself lasts only once the folder that records it is on the disk.
  return SyncHostFolder(path.parent_path());
}

bool AppendHostLineDurably(const stdfs::path& path, const std::string& line) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, line + "\r\n") == 0 && ::fsync(fd) == 0;
  return ::close(fd) == 0 && ok;
}

std::unique_ptr<HostFileLock> HostFileLock::TryTake(const stdfs::path& path) {
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  // flock, not fcntl: its lock belongs to the open file, so two machines in one process exclude each other too.
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    ::close(fd);
    return nullptr;
  }
  return std::unique_ptr<HostFileLock>(new HostFileLock(fd));
}

HostFileLock::~HostFileLock() {
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
}

#endif

}  // namespace vurerode::platform::sandbox
