#include "platform/sandbox/host_io.h"

#include <chrono>
#include <system_error>

#if defined(_WIN32)
#include <io.h>
#else
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

std::unique_ptr<HostFile> HostFile::Open(const stdfs::path& path, HostOpen mode) {
#if defined(_WIN32)
  const wchar_t* m = mode == HostOpen::Read ? L"rb" : mode == HostOpen::ReadWrite ? L"r+b" : L"w+b";
  std::FILE* f = _wfopen(path.c_str(), m);
#else
  const char* m = mode == HostOpen::Read ? "rb" : mode == HostOpen::ReadWrite ? "r+b" : "w+b";
  std::FILE* f = std::fopen(path.c_str(), m);
#endif
  if (!f) return nullptr;
  return std::unique_ptr<HostFile>(new HostFile(f));
}

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
