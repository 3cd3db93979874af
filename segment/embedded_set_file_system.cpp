#include "segment/embedded_set_file_system.h"

#include <algorithm>
#include <vector>

#include "platform/text.h"
#include "platform/wildcard.h"
#include "platform/windows_path.h"

namespace vurerode {
namespace {

class ListedSearch : public platform::DirectorySearch {
 public:
  explicit ListedSearch(std::vector<platform::FindData> rest) : rest_(std::move(rest)) {}
  bool Next(platform::FindData& data) override {
    if (next_ == rest_.size()) return false;
    data = rest_[next_++];
    return true;
  }

 private:
  std::vector<platform::FindData> rest_;
  size_t next_ = 0;
};

// The full form of a path, with either separator read as a backslash (the host's file system gives
// its own).
std::string Full(platform::FileSystem& fs, const std::string& path) {
  std::string full = fs.FullPathName(path);
  if (full.empty()) full = path;
  std::replace(full.begin(), full.end(), '/', '\\');
  return full;
}

std::string FolderOf(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

}  // namespace

TEmbeddedSetFileSystem::TEmbeddedSetFileSystem(platform::FileSystem& inner, TSingleFile medium)
    : inner_(inner), medium_(std::move(medium)) {
  const std::string full = Full(inner_, medium_.Path());
  folder_ = FolderOf(full);
  programName_ = full.substr(folder_.size());
}

TEmbeddedSetFileSystem::Target TEmbeddedSetFileSystem::Resolve(const std::string& path) {
  const std::string full = Full(inner_, path);
  const std::string folder = FolderOf(full);
  if (!platform::SameText(folder, folder_)) return {};
  const std::string name = full.substr(folder.size());
  if (platform::SameText(name, programName_) || platform::SameText(name, "setup.exe")) return {nullptr, true};
  return {medium_.Find(name), false};
}

uint32_t TEmbeddedSetFileSystem::GetAttributes(const std::string& path) {
  const Target t = Resolve(path);
  if (t.member) return platform::faArchive | platform::faReadOnly;
  return inner_.GetAttributes(t.program ? medium_.Path() : path);
}

bool TEmbeddedSetFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  return Resolve(path).Embedded() ? false : inner_.SetAttributes(path, attributes);
}

std::unique_ptr<platform::TFileStream> TEmbeddedSetFileSystem::OpenFile(const std::string& path,
                                                                        platform::FileAccess access) {
  const Target t = Resolve(path);
  if (!t.Embedded()) return inner_.OpenFile(path, access);
  if (access != platform::FileAccess::Read) throw EFOpenError(path);
  if (t.member) return medium_.OpenMember(inner_, *t.member);
  const uint32_t dosTime = inner_.OpenFile(medium_.Path(), platform::FileAccess::Read)->LastWriteDosTime();
  // The uninstaller is held in memory: it is the size of the program, and is only ever copied.
  return std::make_unique<TReadOnlyMemoryFile>(medium_.Uninstaller(inner_), path, dosTime);
}

// The medium's files cannot be changed, as on a disc: the program is running, and its set is
// inside it.
std::unique_ptr<platform::TFileStream> TEmbeddedSetFileSystem::CreateFile(const std::string& path) {
  if (Resolve(path).Embedded()) throw EFCreateError(path);
  return inner_.CreateFile(path);
}

bool TEmbeddedSetFileSystem::DeleteFile(const std::string& path) {
  return Resolve(path).Embedded() ? false : inner_.DeleteFile(path);
}

int64_t TEmbeddedSetFileSystem::RelocateFile(const std::string& source, const std::string& target) {
  return Resolve(source).Embedded() || Resolve(target).Embedded() ? -1 : inner_.RelocateFile(source, target);
}

bool TEmbeddedSetFileSystem::RenameFile(const std::string& source, const std::string& target) {
  return Resolve(source).Embedded() || Resolve(target).Embedded() ? false : inner_.RenameFile(source, target);
}

bool TEmbeddedSetFileSystem::ReplaceAtRestart(const std::string& source, const std::string& target) {
  return Resolve(source).Embedded() || Resolve(target).Embedded() ? false : inner_.ReplaceAtRestart(source, target);
}

std::string TEmbeddedSetFileSystem::ShortPathName(const std::string& path) {
  const Target t = Resolve(path);
  if (!t.member) return inner_.ShortPathName(path);
  const std::string folder = inner_.ShortPathName(folder_);
  return folder.empty() ? std::string() : platform::IncludeTrailingBackslash(folder) + t.member->name;
}

std::unique_ptr<platform::DirectorySearch> TEmbeddedSetFileSystem::FindFirst(const std::string& pattern,
                                                                             platform::FindData& first) {
  const std::string full = Full(inner_, pattern);
  if (!platform::SameText(FolderOf(full), folder_)) return inner_.FindFirst(pattern, first);
  const std::string mask = full.substr(folder_.size());
  std::vector<platform::FindData> found;
  platform::FindData data;
  if (auto search = inner_.FindFirst(pattern, data)) do {
      found.push_back(data);
    } while (search->Next(data));
  const uint32_t dosTime = inner_.OpenFile(medium_.Path(), platform::FileAccess::Read)->LastWriteDosTime();
  for (const TEmbeddedMember& m : medium_.Members()) {
    if (!platform::MatchesWildcard(m.name, mask)) continue;
    if (std::any_of(found.begin(), found.end(),
                    [&](const platform::FindData& f) { return platform::SameText(f.name, m.name); }))
      continue;  // the set's own file wins over one that lies beside the program
    found.push_back({m.name, "", platform::faArchive | platform::faReadOnly, static_cast<int64_t>(m.size), dosTime});
  }
  if (found.empty()) return nullptr;
  first = found.front();
  found.erase(found.begin());
  return std::make_unique<ListedSearch>(std::move(found));
}

}  // namespace vurerode
