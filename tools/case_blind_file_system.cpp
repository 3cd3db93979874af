#include "tools/case_blind_file_system.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#if !defined(_WIN32)
#include <dirent.h>
#endif

#include "platform/exception.h"
#include "platform/text.h"
#include "tools/buffered_read_file.h"

namespace vurerode::cli {
namespace stdfs = std::filesystem;

namespace {

#if defined(_WIN32)
// The system's own form of a path: Windows takes the backslash form as it is.
std::string HostForm(const std::string& path) {
  return path;
}
constexpr char kSeparator = '\\';
#else
std::string HostForm(const std::string& path) {
  return platform::HostFileSystem::HostPath(path);
}
constexpr char kSeparator = '/';

// The entry of folder whose name matches name without regard to case, or an empty text.
// Read with readdir: a folder is searched for every folder an expansion creates, and the
// library's directory iterator costs far more per entry.
std::string MatchInFolder(const std::string& folder, const std::string& name) {
  std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(folder.empty() ? "." : folder.c_str()), closedir);
  if (!dir) return {};
  while (const dirent* entry = readdir(dir.get())) {
    const std::string_view entryName = entry->d_name;
    if (entryName != "." && entryName != ".." && platform::SameText(entryName, name)) return std::string(entryName);
  }
  return {};
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}
#endif

}  // namespace

#if defined(_WIN32)
std::string CaseBlindFileSystem::Resolve(const std::string& path) {
  return path;
}
#else
std::string CaseBlindFileSystem::Resolve(const std::string& path) {
  const std::string host = HostPath(path);
  std::error_code ec;
  if (stdfs::exists(stdfs::symlink_status(host, ec))) return host;
  // Mostly only the last part differs, or does not exist yet: look in its folder alone.
  const size_t slash = host.find_last_of('/');
  if (slash != std::string::npos && slash + 1 < host.size()) {
    const std::string folder = host.substr(0, slash == 0 ? 1 : slash);
    if (stdfs::is_directory(folder, ec)) {
      std::string found = MatchInFolder(folder, host.substr(slash + 1));
      return found.empty() ? host : Join(host.substr(0, slash), found);
    }
  }
  std::string resolved = !host.empty() && host[0] == '/' ? "/" : "";
  bool lookingUp = true;
  size_t start = 0;
  while (start <= host.size()) {
    size_t end = host.find('/', start);
    if (end == std::string::npos) end = host.size();
    const std::string part = host.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    std::string next = Join(resolved, part);
    if (lookingUp && !stdfs::exists(stdfs::symlink_status(next, ec))) {
      std::string found = MatchInFolder(resolved, part);
      lookingUp = !found.empty();
      if (lookingUp) next = Join(resolved, found);
    }
    resolved = next;
  }
  return resolved;
}
#endif

void CaseBlindFileSystem::SetExactFolder(const std::string& windowsFolder) {
  exactFolder_ = HostForm(windowsFolder);
  if (!exactFolder_.empty() && exactFolder_.back() != kSeparator) exactFolder_ += kSeparator;
}

bool CaseBlindFileSystem::Exact(const std::string& path) const {
  return !exactFolder_.empty() && HostForm(path).compare(0, exactFolder_.size(), exactFolder_) == 0;
}

uint32_t CaseBlindFileSystem::GetAttributes(const std::string& path) {
  uint32_t a = NativeFileSystem::GetAttributes(path);
  return a != platform::kInvalidAttributes || Exact(path) ? a : NativeFileSystem::GetAttributes(Resolve(path));
}

bool CaseBlindFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return NativeFileSystem::SetAttributes(path, attributes) ||
         (!Exact(path) && NativeFileSystem::SetAttributes(Resolve(path), attributes));
}

std::unique_ptr<platform::TFileStream> CaseBlindFileSystem::OpenFile(const std::string& path,
                                                                     platform::FileAccess access) {
  std::unique_ptr<platform::TFileStream> file;
  try {
    file = NativeFileSystem::OpenFile(path, access);
  } catch (const EFOpenError&) {
    if (Exact(path)) throw;
    std::string resolved = Resolve(path);
    if (resolved == HostForm(path)) throw;
    file = NativeFileSystem::OpenFile(resolved, access);
  }
  if (access != platform::FileAccess::Read) return file;
  return std::make_unique<BufferedReadFile>(std::move(file));
}

std::unique_ptr<platform::TFileStream> CaseBlindFileSystem::CreateFile(const std::string& path) {
  try {
    return NativeFileSystem::CreateFile(path);
  } catch (const EFCreateError&) {
    if (Exact(path)) throw;
    std::string resolved = Resolve(path);
    if (resolved == HostForm(path)) throw;
    return NativeFileSystem::CreateFile(resolved);
  }
}

bool CaseBlindFileSystem::DeleteFile(const std::string& path) {
  return NativeFileSystem::DeleteFile(path) || (!Exact(path) && NativeFileSystem::DeleteFile(Resolve(path)));
}

int CaseBlindFileSystem::CreateDirectory(const std::string& path) {
  int code = NativeFileSystem::CreateDirectory(path);
  if (code == 0 || Exact(path)) return code;
  std::string resolved = Resolve(path);
  return resolved == HostForm(path) ? code : NativeFileSystem::CreateDirectory(resolved);
}

}  // namespace vurerode::cli
