#include "platform/posix/host_file_system.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstring>
#include <ctime>

#include "platform/dos_time.h"
#include "platform/exception.h"

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

 private:
  int fd_;
  std::string path_;
};

}  // namespace

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
  return ::chmod(host.c_str(), mode) == 0;
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

bool HostFileSystem::DeleteFile(const std::string& path) { return ::unlink(HostPath(path).c_str()) == 0; }

int HostFileSystem::CreateDirectory(const std::string& path) {
  return ::mkdir(HostPath(path).c_str(), 0777) == 0 ? 0 : errno;
}

bool HostFileSystem::RemoveDirectory(const std::string& path) { return ::rmdir(HostPath(path).c_str()) == 0; }

double HostFileSystem::DiskFreeBytes(const std::string& root) {
  // Drive letters mean nothing on the host: every drive is the file system of the current folder.
  std::string host = root.size() >= 2 && root[1] == ':' ? std::string(".") : (root.empty() ? "." : HostPath(root));
  struct statvfs vfs;
  if (::statvfs(host.c_str(), &vfs) != 0) return -1;
  return static_cast<double>(vfs.f_bavail) * static_cast<double>(vfs.f_frsize);
}

}  // namespace vurerode::platform
