#include "tools/set_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <system_error>

#include "platform/ansi.h"
#include "platform/exception.h"
#include "segment/seg_records.h"
#include "tools/host_paths.h"

namespace vurerode::cli {
namespace stdfs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Case-blind lookups

std::string CaseBlindFileSystem::Resolve(const std::string& path) {
  const std::string host = HostPath(path);
  std::error_code ec;
  if (stdfs::exists(stdfs::symlink_status(host, ec))) return host;
  std::string resolved = host.size() > 0 && host[0] == '/' ? "/" : "";
  bool lookingUp = true;
  size_t start = 0;
  while (start <= host.size()) {
    size_t end = host.find('/', start);
    if (end == std::string::npos) end = host.size();
    const std::string part = host.substr(start, end - start);
    start = end + 1;
    if (part.empty()) continue;
    std::string next = resolved.empty() || resolved.back() == '/' ? resolved + part : resolved + "/" + part;
    if (lookingUp && !stdfs::exists(stdfs::symlink_status(next, ec))) {
      lookingUp = false;
      const std::string folder = resolved.empty() ? "." : resolved;
      for (auto it = stdfs::directory_iterator(folder, ec); !ec && it != stdfs::directory_iterator();
           it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (platform::AnsiSameText(name, part)) {
          next = resolved.empty() || resolved.back() == '/' ? resolved + name : resolved + "/" + name;
          lookingUp = true;
          break;
        }
      }
    }
    resolved = next;
  }
  return resolved;
}

uint32_t CaseBlindFileSystem::GetAttributes(const std::string& path) {
  uint32_t a = NativeFileSystem::GetAttributes(path);
  return a != platform::kInvalidAttributes ? a : NativeFileSystem::GetAttributes(Resolve(path));
}

bool CaseBlindFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return NativeFileSystem::SetAttributes(path, attributes) ||
         NativeFileSystem::SetAttributes(Resolve(path), attributes);
}

std::unique_ptr<platform::TFileStream> CaseBlindFileSystem::OpenFile(const std::string& path,
                                                                     platform::FileAccess access) {
  try {
    return NativeFileSystem::OpenFile(path, access);
  } catch (const EFOpenError&) {
    std::string resolved = Resolve(path);
    if (resolved == HostPath(path)) throw;
    return NativeFileSystem::OpenFile(resolved, access);
  }
}

std::unique_ptr<platform::TFileStream> CaseBlindFileSystem::CreateFile(const std::string& path) {
  try {
    return NativeFileSystem::CreateFile(path);
  } catch (const EFCreateError&) {
    std::string resolved = Resolve(path);
    if (resolved == HostPath(path)) throw;
    return NativeFileSystem::CreateFile(resolved);
  }
}

bool CaseBlindFileSystem::DeleteFile(const std::string& path) {
  return NativeFileSystem::DeleteFile(path) || NativeFileSystem::DeleteFile(Resolve(path));
}

int CaseBlindFileSystem::CreateDirectory(const std::string& path) {
  int code = NativeFileSystem::CreateDirectory(path);
  if (code == 0) return 0;
  std::string resolved = Resolve(path);
  return resolved == HostPath(path) ? code : NativeFileSystem::CreateDirectory(resolved);
}

// ---------------------------------------------------------------------------------------------
// Discarded expansion

bool TestingFileSystem::Discarded(const std::string& path) {
  return path.rfind(kDiscardPrefix, 0) == 0;
}

uint32_t TestingFileSystem::GetAttributes(const std::string& path) {
  return Discarded(path) ? discard_.GetAttributes(path) : CaseBlindFileSystem::GetAttributes(path);
}
bool TestingFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return Discarded(path) ? true : CaseBlindFileSystem::SetAttributes(path, attributes);
}
std::unique_ptr<platform::TFileStream> TestingFileSystem::CreateFile(const std::string& path) {
  return Discarded(path) ? discard_.CreateFile(path) : CaseBlindFileSystem::CreateFile(path);
}
bool TestingFileSystem::DeleteFile(const std::string& path) {
  return Discarded(path) ? true : CaseBlindFileSystem::DeleteFile(path);
}
int TestingFileSystem::CreateDirectory(const std::string& path) {
  return Discarded(path) ? 0 : CaseBlindFileSystem::CreateDirectory(path);
}

// ---------------------------------------------------------------------------------------------
// Questions on the terminal

bool ConsolePrompter::StandardInputIsTerminal() {
  return ::isatty(STDIN_FILENO) != 0;
}

PromptResult ConsolePrompter::Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                                      PromptIcon) {
  std::string shown = text;
  for (size_t at; (at = shown.find("\n\r")) != std::string::npos;) shown.replace(at, 2, "\n");
  out_ << (caption.empty() ? "" : caption + ": ") << shown << '\n';
  const bool cancellable = buttons == PromptButtons::OkCancel || buttons == PromptButtons::YesNoCancel;
  if (!interactive_) return cancellable ? PromptResult::Cancel : PromptResult::Ok;
  out_ << (cancellable ? "[Enter = OK, c = Cancel] " : "[Enter = OK] ") << std::flush;
  std::string answer;
  if (!std::getline(in_, answer)) return cancellable ? PromptResult::Cancel : PromptResult::Ok;
  if (cancellable && !answer.empty() && (answer[0] == 'c' || answer[0] == 'C')) return PromptResult::Cancel;
  return PromptResult::Ok;
}

bool ConsolePrompter::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  out_ << caption << '\n';
  if (!interactive_) return false;
  out_ << prompt << " [" << value << "] (empty line keeps it, a single '-' cancels) " << std::flush;
  std::string answer;
  if (!std::getline(in_, answer) || answer == "-") return false;
  if (!answer.empty()) value = answer;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Sets

bool IsSegmentFile(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  char id[4] = {};
  return in.read(id, 4) && TSegId{id[0], id[1], id[2], id[3]} == kSegmentId;
}

WorkFolder::WorkFolder() {
  std::random_device rd;
  std::error_code ec;
  stdfs::path tmp = stdfs::temp_directory_path(ec);
  if (ec) tmp = ".";
  for (;;) {
    stdfs::path candidate = tmp / ("vurerode-work-" + std::to_string(rd()));
    if (stdfs::create_directory(candidate, ec)) {
      path_ = candidate.string();
      return;
    }
    if (ec) throw Exception("cannot create a work folder in " + tmp.string() + ": " + ec.message());
  }
}

WorkFolder::~WorkFolder() {
  std::error_code ec;
  stdfs::remove_all(path_, ec);
}

SetReaderSetup::SetReaderSetup(TSegCompEZ& reader, const std::string& segmentPath) {
  stdfs::path p(segmentPath);
  std::string name = p.filename().string();
  size_t dot = name.rfind('.');
  std::string base = dot == std::string::npos ? name : name.substr(0, dot);
  std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
  bool numbered = !ext.empty() && ext.find_first_not_of("0123456789") == std::string::npos;
  reader.SetSegBaseName(base);
  reader.SetSegExt(numbered ? "" : ext);
  reader.SetSegDir(WindowsDirectory(p.has_parent_path() ? p.parent_path().string() : "."));
  reader.SegPopUp = false;
  reader.SetSegTmpDir(WindowsDirectory(work_.path()));
}

std::string PlaceBelow(const std::string& dir, const std::string& path) {
  std::string rest = path;
  if (rest.size() >= 2 && rest[1] == ':') rest.erase(0, 2);
  size_t first = rest.find_first_not_of('\\');
  rest = first == std::string::npos ? std::string() : rest.substr(first);
  size_t start = 0;
  while (start <= rest.size()) {
    size_t end = rest.find('\\', start);
    if (end == std::string::npos) end = rest.size();
    std::string part = rest.substr(start, end - start);
    if (part.find_first_not_of(". ") == std::string::npos && part.find("..") != std::string::npos)
      throw Exception("refusing to place \"" + path + "\": it would leave " + dir);
    start = end + 1;
  }
  return dir + platform::AnsiToUtf8(rest);
}

}  // namespace vurerode::cli
