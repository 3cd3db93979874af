#include "tools/set_support.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <system_error>
#include <vector>

#include "platform/ansi.h"
#include "platform/exception.h"
#include "segment/seg_records.h"
#include "tools/host_paths.h"

namespace vurerode::cli {
namespace stdfs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Buffered reading

namespace {

// Reads a file opened for reading through an 8 KiB buffer: the archive component reads entry
// headers and names a few bytes at a time and seeks over data, which would otherwise each be a
// system call.
class BufferedReadFile : public platform::TFileStream {
 public:
  explicit BufferedReadFile(std::unique_ptr<platform::TFileStream> inner)
      : inner_(std::move(inner)), size_(inner_->Size()), buffer_(8 * 1024) {}

  size_t Read(void* out, size_t n) override {
    uint8_t* dest = static_cast<uint8_t*>(out);
    size_t done = 0;
    while (done < n) {
      if (pos_ < start_ || pos_ >= start_ + filled_) {
        MoveInner();
        if (n - done >= buffer_.size()) {  // large reads go straight through
          size_t got = inner_->Read(dest + done, n - done);
          pos_ += static_cast<int64_t>(got);
          innerPos_ = pos_;
          return done + got;
        }
        start_ = pos_;
        filled_ = static_cast<int64_t>(inner_->Read(buffer_.data(), buffer_.size()));
        innerPos_ = start_ + filled_;
        if (filled_ == 0) break;
      }
      size_t k = std::min(n - done, static_cast<size_t>(start_ + filled_ - pos_));
      std::copy_n(buffer_.data() + (pos_ - start_), k, dest + done);
      done += k;
      pos_ += static_cast<int64_t>(k);
    }
    return done;
  }
  void Write(const void* b, size_t n) override {
    filled_ = 0;
    MoveInner();
    inner_->Write(b, n);
    pos_ += static_cast<int64_t>(n);
    innerPos_ = pos_;
    size_ = inner_->Size();
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? pos_ : size_;
    pos_ = std::max<int64_t>(0, base + offset);
    return pos_;
  }
  int64_t Size() override { return size_; }
  void Truncate() override {
    filled_ = 0;
    MoveInner();
    inner_->Truncate();
    size_ = inner_->Size();
  }
  void SetLastWriteDosTime(uint32_t t) override { inner_->SetLastWriteDosTime(t); }
  uint32_t LastWriteDosTime() override { return inner_->LastWriteDosTime(); }
  const std::string& Path() const override { return inner_->Path(); }

 private:
  // The inner file's position is kept here, so that reading on where the last read stopped takes no
  // seek.
  void MoveInner() {
    if (innerPos_ != pos_) innerPos_ = inner_->Seek(pos_, SeekOrigin::Begin);
  }

  std::unique_ptr<platform::TFileStream> inner_;
  int64_t size_;
  std::vector<uint8_t> buffer_;
  int64_t start_ = 0, filled_ = 0, pos_ = 0;
  int64_t innerPos_ = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Case-blind lookups

namespace {

// The entry of folder whose name matches name without regard to case, or an empty text.
std::string MatchInFolder(const std::string& folder, const std::string& name) {
  std::error_code ec;
  for (auto it = stdfs::directory_iterator(folder.empty() ? "." : folder, ec); !ec && it != stdfs::directory_iterator();
       it.increment(ec)) {
    std::string entry = it->path().filename().string();
    if (platform::AnsiSameText(entry, name)) return entry;
  }
  return {};
}

std::string Join(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

}  // namespace

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

void CaseBlindFileSystem::SetExactFolder(const std::string& windowsFolder) {
  exactFolder_ = HostPath(windowsFolder);
  if (!exactFolder_.empty() && exactFolder_.back() != '/') exactFolder_ += '/';
}

bool CaseBlindFileSystem::Exact(const std::string& path) const {
  return !exactFolder_.empty() && HostPath(path).compare(0, exactFolder_.size(), exactFolder_) == 0;
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
    if (resolved == HostPath(path)) throw;
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
    if (resolved == HostPath(path)) throw;
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
  // The system's line break is LF CR; a terminal wants LF alone.
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i > 0 && text[i - 1] == '\n')) shown += text[i];
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
  workFolder_ = WindowsDirectory(work_.path());
  reader.SetSegTmpDir(workFolder_);
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
