#include "platform/posix/host_file_system.h"

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

#include "platform/dos_time.h"
#include "platform/exception.h"
#include "platform/wildcard.h"

namespace vurerode::platform {
namespace {

class HostFile : public TFileStream {
 public:
  HostFile(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
  ~HostFile() override { ::close(fd_); }

  size_t Read(void* buffer, size_t n) override {
    size_t done = 0;
    while (done < n) {
      ssize_t got = ::read(fd_, static_cast<char*>(buffer) + done, n - done);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) throw EInOutError(errno, "I/O error " + std::to_string(errno) + " reading " + path_);
      if (got == 0) break;
      done += static_cast<size_t>(got);
    }
    return done;
  }

  void Write(const void* buffer, size_t n) override {
    size_t done = 0;
    while (done < n) {
      ssize_t put = ::write(fd_, static_cast<const char*>(buffer) + done, n - done);
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        int code = put < 0 ? errno : ENOSPC;
        throw EWriteError("Unable to write to " + path_ + ": " + std::strerror(code));
      }
      done += static_cast<size_t>(put);
    }
  }

  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (pos < 0) {
      // Seeking before the start stops at the start, as memory streams do.
      pos = ::lseek(fd_, 0, SEEK_SET);
    }
    return static_cast<int64_t>(pos);
  }

  int64_t Size() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return 0;
    return static_cast<int64_t>(st.st_size);
  }

  void Truncate() override {
    off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    if (pos < 0 || ::ftruncate(fd_, pos) != 0)
      throw EWriteError("Unable to write to " + path_ + ": " + std::strerror(errno));
  }

  void SetLastWriteDosTime(uint32_t dosDateTime) override {
    int64_t when = DosDateTimeToEpoch(dosDateTime);
    if (when < 0) return;  // not a valid date: leave the time the system gave the file
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(when);
    times[1].tv_nsec = 0;
    ::futimens(fd_, times);
  }

  uint32_t LastWriteDosTime() override {
    struct stat st;
    if (::fstat(fd_, &st) != 0) return PackDosDateTime({1980, 1, 1, 0, 0, 0});
    return EpochToDosDateTime(static_cast<int64_t>(st.st_mtime));
  }

  const std::string& Path() const override { return path_; }

  void Sync() override {
    while (::fsync(fd_) != 0)
      if (errno != EINTR) throw EInOutError(errno, "I/O error " + std::to_string(errno) + " flushing " + path_);
  }

 private:
  int fd_;
  std::string path_;
};

// The host has no search handles: the matches are gathered at once, in name order.
class HostSearch : public DirectorySearch {
 public:
  explicit HostSearch(std::vector<FindData> entries) : entries_(std::move(entries)) {}
  bool Next(FindData& data) override {
    if (next_ >= entries_.size()) return false;
    data = entries_[next_++];
    return true;
  }

 private:
  std::vector<FindData> entries_;
  size_t next_ = 0;
};

}  // namespace

HostFileSystem::HostFileSystem(std::string windowsDirectory) : windowsDirectory_(std::move(windowsDirectory)) {
  if (windowsDirectory_.empty()) {
    std::error_code ec;
    windowsDirectory_ = std::filesystem::temp_directory_path(ec).string();
    if (ec || windowsDirectory_.empty()) windowsDirectory_ = "/tmp";
  }
  while (windowsDirectory_.size() > 1 && windowsDirectory_.back() == '/') windowsDirectory_.pop_back();
}

std::string HostFileSystem::HostPath(const std::string& windowsPath) {
  std::string p = windowsPath;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

uint32_t HostFileSystem::GetAttributes(const std::string& path) {
  struct stat st;
  if (::stat(HostPath(path).c_str(), &st) != 0) return kInvalidAttributes;
  uint32_t a = S_ISDIR(st.st_mode) ? faDirectory : faArchive;
  if ((st.st_mode & S_IWUSR) == 0) a |= faReadOnly;
  std::string name = HostPath(path);
  while (name.size() > 1 && name.back() == '/') name.pop_back();
  size_t slash = name.rfind('/');
  std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
  if (base.size() > 1 && base[0] == '.' && base != "..") a |= faHidden;
  return a;
}

bool HostFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  std::string host = HostPath(path);
  struct stat st;
  if (::stat(host.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (attributes & faReadOnly)
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  // Most files written keep the mode they were created with: no call for them.
  return mode == (st.st_mode & 07777) || ::chmod(host.c_str(), mode) == 0;
}

std::unique_ptr<TFileStream> HostFileSystem::OpenFile(const std::string& path, FileAccess access) {
  int flags = (access == FileAccess::Read ? O_RDONLY : O_RDWR) | O_CLOEXEC;
  int fd = ::open(HostPath(path).c_str(), flags);
  if (fd < 0) throw EFOpenError(path);
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    throw EFOpenError(path);
  }
  return std::make_unique<HostFile>(fd, path);
}

std::unique_ptr<TFileStream> HostFileSystem::CreateFile(const std::string& path) {
  int fd = ::open(HostPath(path).c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) throw EFCreateError(path);
  return std::make_unique<HostFile>(fd, path);
}

bool HostFileSystem::DeleteFile(const std::string& path) {
  return ::unlink(HostPath(path).c_str()) == 0;
}

int HostFileSystem::CreateDirectory(const std::string& path) {
  if (::mkdir(HostPath(path).c_str(), 0777) == 0) return 0;
  // A name that is taken reads as Windows reports it, so callers can create a folder of their own in one step.
  return errno == EEXIST ? 183 : errno;
}

bool HostFileSystem::RemoveDirectory(const std::string& path) {
  return ::rmdir(HostPath(path).c_str()) == 0;
}

double HostFileSystem::DiskFreeBytes(const std::string& root) {
  // Drive letters mean nothing on the host: every drive is the file system of the current folder.
  std::string host = root.size() >= 2 && root[1] == ':' ? std::string(".") : (root.empty() ? "." : HostPath(root));
  struct statvfs vfs;
  if (::statvfs(host.c_str(), &vfs) != 0) return -1;
  return static_cast<double>(vfs.f_bavail) * static_cast<double>(vfs.f_frsize);
}

}  // namespace vurerode::platform

namespace vurerode::platform {

std::unique_ptr<DirectorySearch> HostFileSystem::FindFirst(const std::string& pattern, FindData& first) {
  std::string host = HostPath(pattern);
  size_t slash = host.rfind('/');
  std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : host.substr(0, slash));
  std::string mask = slash == std::string::npos ? host : host.substr(slash + 1);
  DIR* d = ::opendir(dir.c_str());
  if (!d) return nullptr;
  std::vector<FindData> found;
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (!MatchesWildcard(name, mask)) continue;
    std::string full = dir + "/" + name;
    struct stat st;
    if (::stat(full.c_str(), &st) != 0) continue;
    FindData fd;
    fd.name = name;
    fd.attributes = GetAttributes(full);
    fd.size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    fd.lastWriteDosTime = EpochToDosDateTime(static_cast<int64_t>(st.st_mtime));
    found.push_back(std::move(fd));
  }
  ::closedir(d);
  if (found.empty()) return nullptr;
  std::sort(found.begin(), found.end(), [](const FindData& a, const FindData& b) { return a.name < b.name; });
  first = found.front();
  found.erase(found.begin());
  return std::make_unique<HostSearch>(std::move(found));
}

std::string HostFileSystem::CurrentDirectory() {
  std::error_code ec;
  std::string cwd = std::filesystem::current_path(ec).string();
  return ec ? std::string() : cwd;
}

bool HostFileSystem::ChangeDirectory(const std::string& path) {
  return ::chdir(HostPath(path).c_str()) == 0;
}

std::string HostFileSystem::ShortPathName(const std::string& path) {
  // POSIX names have no 8.3 aliases: an existing path is its own short form.
  return GetAttributes(path) == kInvalidAttributes ? std::string() : path;
}

std::string HostFileSystem::FullPathName(const std::string& path) {
  std::string host = HostPath(path);
  if (host.empty()) return {};
  std::filesystem::path p = host;
  if (p.is_relative()) p = std::filesystem::path(CurrentDirectory()) / p;
  return p.lexically_normal().string();
}

}  // namespace vurerode::platform
