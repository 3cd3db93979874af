#include "install/journal_ledger.h"

#include <vector>

#include "install/journal_rollback.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "platform/windows_path.h"

namespace vurerode::setup {

using platform::kInvalidAttributes;

std::string TJournalLedger::Full(const std::string& path) {
  const std::string full = fs_.FullPathName(path);
  return full.empty() ? path : full;
}

std::string TJournalLedger::Key(const std::string& full) {
  return platform::UpperCase(platform::ExcludeTrailingBackslash(full));
}

std::string TJournalLedger::RegistryKeyId(platform::RegistryRoot root, const std::string& path) {
  std::string p = path;
  while (!p.empty() && p.front() == '\\') p.erase(p.begin());
  while (!p.empty() && p.back() == '\\') p.pop_back();
  return std::to_string(static_cast<int>(root)) + "\\" + platform::UpperCase(p);
}

bool TJournalLedger::Covered(const std::string& key) const {
  if (files_.count(key)) return true;
  for (size_t end = key.size(); end != std::string::npos && end > 0; end = key.rfind('\\', end - 1))
    if (trees_.count(key.substr(0, end))) return true;
  return false;
}

bool TJournalLedger::KeyCovered(const std::string& id) const {
  // The root's number before the first backslash is never a key of its own.
  const size_t rootEnd = id.find('\\');
  for (size_t end = id.size(); end != std::string::npos && end > rootEnd; end = id.rfind('\\', end - 1))
    if (keys_.count(id.substr(0, end))) return true;
  return false;
}

void TJournalLedger::NoteTemporaryFolder(const std::string& dir) {
  const std::string full = Full(dir);
  if (active_) Append(MakeRecord(TJournalKind::TemporaryFolder, platform::ExcludeTrailingBackslash(full)));
  trees_.insert(Key(full));
}

void TJournalLedger::ExpectNew(const std::vector<std::string>& files, const std::vector<std::string>& folders) {
  if (!active_) return;
  TJournalRecord record = MakeRecord(TJournalKind::FilesToCreate);
  std::vector<std::string> newFolders, newFiles;
  std::unordered_map<std::string, std::string> announced;
  for (const std::string& folder : folders) {
    const std::string full = platform::ExcludeTrailingBackslash(Full(folder));
    if (Covered(Key(full)) || fs_.GetAttributes(full) != kInvalidAttributes) continue;
    record.entries.push_back({true, full});
    newFolders.push_back(Key(full));
  }
  for (const std::string& file : files) {
    const std::string full = Full(file);
    const std::string key = Key(full);
    if (Covered(key) || announced_.count(key) || announced.count(key)) continue;
    const uint32_t attributes = fs_.GetAttributes(full);
    if (attributes == kInvalidAttributes) {
      record.entries.push_back({false, full});
      newFiles.push_back(key);
    } else if (!(attributes & platform::faDirectory)) {
      // Its saved name is settled now: the rename aside that comes later needs no record.
      const std::string saved = journal_.NewSavedCopy();
      record.entries.push_back({false, full, saved});
      announced.emplace(key, saved);
    }
  }
  if (record.entries.empty()) return;
  journal_.Append(record, true);
  trees_.insert(newFolders.begin(), newFolders.end());
  files_.insert(newFiles.begin(), newFiles.end());
  announced_.merge(announced);
}

std::string TJournalLedger::MoveAnnounced(const std::string& full) {
  const std::string key = Key(full);
  auto it = announced_.find(key);
  if (!active_ || it == announced_.end()) return {};
  // Tried once: a file that cannot be renamed now is saved the slower way when it is replaced.
  const std::string saved = it->second;
  announced_.erase(it);
  if (!fs_.RenameFile(full, saved)) return {};
  files_.insert(key);
  copies_.push_back(saved);
  moved_[saved] = {MakeRecord(TJournalKind::FileReplaced, full, saved), true};
  return saved;
}

std::string TJournalLedger::BeforeFileChange(const std::string& full, TJournalKind kind, uint32_t refusing,
                                             bool creates, bool moveAside) {
  const std::string key = Key(full);
  if (!active_ || Covered(key)) return {};
  const uint32_t attributes = fs_.GetAttributes(full);
  if (attributes == kInvalidAttributes) {
    if (!creates) return {};
    Append(MakeRecord(TJournalKind::FileCreated, full));
    files_.insert(key);
    return {};
  }
  if (attributes & platform::faDirectory) return {};
  if (attributes & refusing) return {};
  if (moveAside) {
    if (std::string saved = MoveAnnounced(full); !saved.empty()) return saved;
  }
  // A move is recorded (and synced) before it is made: killed before it, the record names a copy
  // that is not there, which a rollback passes over, the file being in its place still. (Moved,
  // the file may lose its date and attributes; the record keeps them.) A copy is made whole, and
  // synced, before its record, or a rollback could put a part of the file back.
  TJournalRecord save;
  bool moved = false, renamed = false;
  platform::FindData found;
  if (moveAside && movesWork_ && fs_.FindFirst(full, found)) {
    save = MakeRecord(kind, full, journal_.NewSavedCopy(), attributes, found.lastWriteDosTime);
    journal_.Append(save, true);
    renamed = fs_.RenameFile(full, save.other);
    moved = renamed || fs_.RelocateFile(full, save.other) >= 0;
    // A file system that does not move files is not asked again.
    if (!moved && fs_.FileExists(full)) movesWork_ = false;
  }
  if (!moved) {
    const std::string copy = journal_.NewSavedCopy();
    const uint32_t time = CopyAside(full, copy);
    save = MakeRecord(kind, full, copy, attributes, time);
    try {
      journal_.Append(save, true);
    } catch (...) {
      fs_.DeleteFile(copy);
      throw;
    }
  } else {
    moved_[save.other] = {save, renamed};
  }
  files_.insert(key);
  copies_.push_back(save.other);
  return save.other;
}

uint32_t TJournalLedger::CopyAside(const std::string& full, const std::string& copy) {
  std::unique_ptr<platform::TFileStream> in;
  try {
    in = fs_.OpenFile(full, platform::FileAccess::Read);
  } catch (const EFOpenError&) {
    // A file that cannot even be read is held by another program: it cannot be replaced now either.
    throw EFileInUse(full);
  }
  try {
    auto out = fs_.CreateFile(copy);
    std::vector<uint8_t> buffer(64 * 1024);
    while (size_t got = in->Read(buffer.data(), buffer.size())) out->Write(buffer.data(), got);
    out->Sync();
    return in->LastWriteDosTime();
  } catch (...) {
    fs_.DeleteFile(copy);
    throw;
  }
}

void TJournalLedger::Discard(const std::string& full, const std::string& copy) {
  if (copy.empty()) return;
  // The record stays; with its copy gone a rollback passes over it.
  if (auto it = moved_.find(copy); it != moved_.end()) {
    try {
      if (it->second.renamed)
        PutBackRenamed(fs_, full, copy);
      else
        PutBack(fs_, it->second.record);
    } catch (const Exception&) {
      return;  // the copy stays, and with it the record, for the rollback
    }
    moved_.erase(it);
  } else {
    fs_.DeleteFile(copy);
  }
  files_.erase(Key(full));
}

void TJournalLedger::DiscardAnnounced(const std::string& full, const std::string& saved) {
  Discard(full, saved);
  if (saved.empty() || moved_.count(saved)) return;  // still aside: the rollback puts it back
  announced_.emplace(Key(full), saved);
  if (!copies_.empty() && copies_.back() == saved) copies_.pop_back();
}

bool TJournalLedger::BeforeFolderMade(const std::string& full) {
  if (!active_ || Covered(Key(full)) || fs_.GetAttributes(full) != kInvalidAttributes) return false;
  Append(MakeRecord(TJournalKind::FolderMade, platform::ExcludeTrailingBackslash(full)));
  return true;
}

void TJournalLedger::BeforeFolderRemoved(const std::string& full) {
  if (!active_ || Covered(Key(full)) || !fs_.DirectoryExists(full)) return;
  journal_.Append(MakeRecord(TJournalKind::FolderRemoved, platform::ExcludeTrailingBackslash(full)), true);
}

void TJournalLedger::BeforeAttributes(const std::string& full) {
  const std::string key = Key(full);
  if (!active_ || Covered(key) || attributes_.count(key)) return;
  const uint32_t attributes = fs_.GetAttributes(full);
  if (attributes == kInvalidAttributes) return;
  Append(MakeRecord(TJournalKind::AttributesChanged, full, {}, attributes));
  attributes_.insert(key);
}

void TJournalLedger::BeforeKeyCreated(platform::Registry& registry, platform::RegistryRoot root,
                                      const std::string& path) {
  if (!active_ || KeyCovered(RegistryKeyId(root, path))) return;
  std::string prefix;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      prefix += (prefix.empty() ? "" : "\\") + path.substr(start, end - start);
      if (!registry.OpenKey(root, prefix, platform::RegistryAccess::Read)) {
        Append(MakeRecord(TJournalKind::RegistryKeyCreated, prefix, {}, static_cast<uint32_t>(root)));
        keys_.insert(RegistryKeyId(root, prefix));
        return;
      }
    }
    start = end + 1;
  }
}

void TJournalLedger::BeforeValueChanged(platform::RegistryKey& key, platform::RegistryRoot root,
                                        const std::string& path, const std::string& name) {
  const std::string id = RegistryKeyId(root, path);
  if (!active_ || KeyCovered(id)) return;
  if (!values_.insert(id + "\n" + platform::UpperCase(name)).second) return;
  TJournalRecord record = MakeRecord(TJournalKind::RegistryValueChanged, path, name, static_cast<uint32_t>(root));
  record.value = key.ReadValue(name);
  // Only a value that was there is destroyed by the change.
  journal_.Append(record, record.value.has_value());
}

void TJournalLedger::BeforeKeyTreeDeleted(platform::Registry& registry, platform::RegistryRoot root,
                                          const std::string& path) {
  if (!active_ || KeyCovered(RegistryKeyId(root, path))) return;
  std::vector<TJournalRecord> records;
  SaveKeyTree(registry, root, path, records);
  if (!records.empty()) journal_.Append(records, true);
}

void TJournalLedger::SaveKeyTree(platform::Registry& registry, platform::RegistryRoot root, const std::string& path,
                                 std::vector<TJournalRecord>& records) {
  auto key = registry.OpenKey(root, path, platform::RegistryAccess::Read);
  if (!key) return;
  const auto number = static_cast<uint32_t>(root);
  records.push_back(MakeRecord(TJournalKind::RegistryKeyDeleted, path, {}, number, kSavedTreeRecord));
  for (const std::string& name : key->ValueNames()) {
    TJournalRecord record = MakeRecord(TJournalKind::RegistryValueChanged, path, name, number, kSavedTreeRecord);
    record.value = key->ReadValue(name);
    records.push_back(std::move(record));
  }
  for (const std::string& sub : key->SubKeyNames()) SaveKeyTree(registry, root, path + "\\" + sub, records);
}

}  // namespace vurerode::setup
