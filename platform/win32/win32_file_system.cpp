#include "platform/win32/wide_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <algorithm>
#include <vector>

#include "platform/dos_time.h"
#include "platform/exception.h"
#include "platform/win32/long_path.h"
#include "platform/win32/win32_file_system.h"

namespace vurerode::platform::win32 {

namespace {

constexpr uint32_t kEarliestDos = (0u << 25) | (1u << 21) | (1u << 16);  // 1980-01-01 00:00

class Win32File : public TFileStream {
 public:
  Win32File(HANDLE h, std::string path) : h_(h), path_(std::move(path)) {}
  ~Win32File() override { CloseHandle(h_); }

  size_t Read(void* buffer, size_t n) override {
    size_t done = 0;
    while (done < n) {
      DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD got = 0;
      if (!ReadFile(h_, static_cast<char*>(buffer) + done, want, &got, nullptr)) {
        DWORD code = GetLastError();
        throw EInOutError(static_cast<int>(code), "I/O error " + std::to_string(code) + " reading " + path_);
      }
      if (got == 0) break;
      done += got;
    }
    return done;
  }

  void Write(const void* buffer, size_t n) override {
    size_t done = 0;
    while (done < n) {
      DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
      DWORD put = 0;
      if (!WriteFile(h_, static_cast<const char*>(buffer) + done, want, &put, nullptr) || put == 0) {
        DWORD code = GetLastError();
        throw EWriteError("Unable to write to " + path_ + ": " + SystemMessage(code ? code : ERROR_DISK_FULL));
      }
      done += put;
    }
  }

  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    DWORD method = origin == SeekOrigin::Begin ? FILE_BEGIN : origin == SeekOrigin::Current ? FILE_CURRENT : FILE_END;
    LARGE_INTEGER move, now;
    move.QuadPart = offset;
    if (!SetFilePointerEx(h_, move, &now, method)) {
      // Seeking before the start stops at the start, as memory streams do.
      move.QuadPart = 0;
      SetFilePointerEx(h_, move, &now, FILE_BEGIN);
    }
    return now.QuadPart;
  }

  int64_t Size() override {
    LARGE_INTEGER size;
    return GetFileSizeEx(h_, &size) ? size.QuadPart : 0;
  }

  void Truncate() override {
    if (!SetEndOfFile(h_)) throw EWriteError("Unable to write to " + path_ + ": " + SystemMessage(GetLastError()));
  }

  void SetLastWriteDosTime(uint32_t dosDateTime) override {
    FILETIME local, utc;
    if (!DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local)) return;
    if (!LocalFileTimeToFileTime(&local, &utc)) return;
    SetFileTime(h_, nullptr, nullptr, &utc);
  }

  uint32_t LastWriteDosTime() override {
    FILETIME utc, local;
    WORD date = 0, time = 0;
    if (!GetFileTime(h_, nullptr, nullptr, &utc) || !FileTimeToLocalFileTime(&utc, &local) ||
        !FileTimeToDosDateTime(&local, &date, &time))
      return kEarliestDos;
    return (static_cast<uint32_t>(date) << 16) | time;
  }

  const std::string& Path() const override { return path_; }

  void Sync() override {
    if (!FlushFileBuffers(h_)) {
      DWORD code = GetLastError();
      throw EInOutError(static_cast<int>(code), "I/O error " + std::to_string(code) + " flushing " + path_);
    }
  }

 private:
  HANDLE h_;
  std::string path_;
};

void Fill(const WIN32_FIND_DATAW& w, FindData& fd) {
  fd.name = Utf8(w.cFileName);
  fd.shortName = Utf8(w.cAlternateFileName);
  fd.attributes = w.dwFileAttributes;
  fd.size = (static_cast<int64_t>(w.nFileSizeHigh) << 32) | w.nFileSizeLow;
  FILETIME local;
  WORD date = 0, time = 0;
  if (FileTimeToLocalFileTime(&w.ftLastWriteTime, &local) && FileTimeToDosDateTime(&local, &date, &time))
    fd.lastWriteDosTime = (static_cast<uint32_t>(date) << 16) | time;
  else
    fd.lastWriteDosTime = kEarliestDos;
}

class Win32Search : public DirectorySearch {
 public:
  explicit Win32Search(HANDLE h) : h_(h) {}
  ~Win32Search() override { FindClose(h_); }
  bool Next(FindData& data) override {
    WIN32_FIND_DATAW w;
    if (!FindNextFileW(h_, &w)) return false;
    Fill(w, data);
    return true;
  }

 private:
  HANDLE h_;
};

// Calls an API that fills a buffer of UTF-16 units and tells the size it needs when the buffer is too
// small; what it gave, as Windows gave it.
template <typename Call>
std::wstring Grow(Call call) {
  std::wstring buf(MAX_PATH + 1, L'\0');
  for (int tries = 0; tries < 4; ++tries) {
    DWORD n = call(static_cast<DWORD>(buf.size()), buf.data());
    if (n == 0) return {};
    if (n < buf.size()) return buf.substr(0, n);
    buf.assign(n + 1, L'\0');
  }
  return {};
}

}  // namespace

Win32FileSystem::Win32FileSystem() : api_(RealWideApi()) {}

uint32_t Win32FileSystem::GetAttributes(const std::string& path) {
  DWORD a = api_.GetFileAttributesW(WidePath(path).c_str());
  return a == INVALID_FILE_ATTRIBUTES ? kInvalidAttributes : a;
}

bool Win32FileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return api_.SetFileAttributesW(WidePath(path).c_str(), attributes ? attributes : FILE_ATTRIBUTE_NORMAL) != 0;
}

std::unique_ptr<TFileStream> Win32FileSystem::OpenFile(const std::string& path, FileAccess access) {
  DWORD rights = access == FileAccess::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
  HANDLE h = api_.CreateFileW(WidePath(path).c_str(), rights, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) throw EFOpenError(path);
  return std::make_unique<Win32File>(h, path);
}

std::unique_ptr<TFileStream> Win32FileSystem::CreateFile(const std::string& path) {
  HANDLE h = api_.CreateFileW(WidePath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD code = GetLastError();
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) throw EFileInUse(path);
    throw EFCreateError(path);
  }
  return std::make_unique<Win32File>(h, path);
}

bool Win32FileSystem::DeleteFile(const std::string& path) {
  return api_.DeleteFileW(WidePath(path).c_str()) != 0;
}

bool Win32FileSystem::RenameFile(const std::string& source, const std::string& target) {
  // Without MOVEFILE_COPY_ALLOWED a move to another volume fails rather than copying, and without
  // MOVEFILE_REPLACE_EXISTING a target that is there stays.
  return api_.MoveFileExW(WidePath(source).c_str(), WidePath(target).c_str(), 0) != 0;
}

bool Win32FileSystem::ReplaceAtRestart(const std::string& source, const std::string& target) {
  return api_.MoveFileExW(WidePath(source).c_str(), WidePath(target).c_str(),
                          MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING) != 0;
}

int Win32FileSystem::CreateDirectory(const std::string& path) {
  return api_.CreateDirectoryW(WidePath(path).c_str(), nullptr) ? 0 : static_cast<int>(GetLastError());
}

bool Win32FileSystem::RemoveDirectory(const std::string& path) {
  return api_.RemoveDirectoryW(WidePath(path).c_str()) != 0;
}

double Win32FileSystem::DiskFreeBytes(const std::string& root) {
  ULARGE_INTEGER available, total, free;
  const std::wstring wide = WidePath(root);
  if (!api_.GetDiskFreeSpaceExW(root.empty() ? nullptr : wide.c_str(), &available, &total, &free)) return -1;
  return static_cast<double>(available.QuadPart);
}

std::unique_ptr<DirectorySearch> Win32FileSystem::FindFirst(const std::string& pattern, FindData& first) {
  WIN32_FIND_DATAW w;
  HANDLE h = api_.FindFirstFileW(WidePattern(pattern).c_str(), &w);
  if (h == INVALID_HANDLE_VALUE) return nullptr;
  Fill(w, first);
  return std::make_unique<Win32Search>(h);
}

// The current directory cannot be set to, or given as, the \\?\ form: its paths stay as they are,
// and so within MAX_PATH.
std::string Win32FileSystem::CurrentDirectory() {
  return Utf8(Grow([](DWORD n, wchar_t* b) { return GetCurrentDirectoryW(n, b); }));
}

bool Win32FileSystem::ChangeDirectory(const std::string& path) {
  return SetCurrentDirectoryW(Wide(path).c_str()) != 0;
}

std::string Win32FileSystem::WindowsDirectory() {
  return Utf8(Grow([](DWORD n, wchar_t* b) { return GetWindowsDirectoryW(b, n); }));
}

std::string Win32FileSystem::ShortPathName(const std::string& path) {
  const std::wstring wide = WidePath(path);
  return SeamPath(Grow([&](DWORD n, wchar_t* b) { return api_.GetShortPathNameW(wide.c_str(), b, n); }));
}

std::string Win32FileSystem::FullPathName(const std::string& path) {
  const std::wstring wide = WidePath(path);
  return SeamPath(Grow([&](DWORD n, wchar_t* b) { return api_.GetFullPathNameW(wide.c_str(), n, b, nullptr); }));
}

}  // namespace vurerode::platform::win32
