#include "install/journal_rollback.h"

#include <optional>

#include "platform/exception.h"
#include "shell/del_tree.h"
#include "shell/file_ops.h"

namespace vurerode::setup {

using platform::kInvalidAttributes;

namespace {

constexpr uint32_t kUndeletable = platform::faReadOnly | platform::faHidden | platform::faSysFile;

std::optional<platform::RegistryRoot> RootOf(uint32_t number) {
  if (number > static_cast<uint32_t>(platform::RegistryRoot::CurrentConfig)) return std::nullopt;
  return static_cast<platform::RegistryRoot>(number);
}

std::string KeyName(platform::RegistryRoot root, const std::string& path) {
  return std::string(platform::RootName(root)) + "\\" + path;
}

class Undo {
 public:
  explicit Undo(platform::Platform& machine) : machine_(machine), fs_(machine.fs()) {}

  void Record(const TJournalRecord& r);
  void RemoveTree(const std::string& dir);
  std::vector<std::string> problems;

 private:
  void DeleteFile(const std::string& path);
  void Restore(const TJournalRecord& r);
  void RestoreRenamed(const TJournalEntry& e);
  void RestoreValue(platform::RegistryRoot root, const TJournalRecord& r);

  platform::Platform& machine_;
  platform::FileSystem& fs_;
};

void Undo::RemoveTree(const std::string& dir) {
  if (!fs_.DirectoryExists(dir)) return;
  // The tree removal walks by changing the current directory; whoever undoes a run goes on in the
  // directory it was in (a setup's start reads its medium and its log from there).
  const std::string current = fs_.CurrentDirectory();
  TMPDelTree tree(machine_, nullptr);
  tree.Path = dir;
  if (!tree.Execute()) problems.push_back(dir + " (the folder could not be removed)");
  fs_.ChangeDirectory(current);
}

void Undo::DeleteFile(const std::string& path) {
  const uint32_t attributes = fs_.GetAttributes(path);
  if (attributes == kInvalidAttributes || (attributes & platform::faDirectory)) return;
  if (attributes & kUndeletable) fs_.SetAttributes(path, 0);
  if (!fs_.DeleteFile(path)) problems.push_back(path + " (the file could not be deleted)");
}

// The copy is deleted only once the file is whole again: a restore cut short is done again from it,
// and a record whose copy is gone was restored already (or its change never happened).
void Undo::Restore(const TJournalRecord& r) {
  try {
    PutBack(fs_, r);
  } catch (const Exception& e) {
    problems.push_back(r.path + " (it could not be put back: " + e.what() + "; the old file is kept as " + r.other +
                       ")");
  }
}

void Undo::RestoreRenamed(const TJournalEntry& e) {
  try {
    PutBackRenamed(fs_, e.path, e.saved);
  } catch (const Exception& ex) {
    problems.push_back(e.path + " (it could not be put back: " + ex.what() + "; the old file is kept as " + e.saved +
                       ")");
  }
}

void Undo::RestoreValue(platform::RegistryRoot root, const TJournalRecord& r) {
  const std::string where = KeyName(root, r.path) + " " + (r.other.empty() ? "(default)" : r.other);
  try {
    if (r.value) {
      auto key = machine_.registry().CreateKey(root, r.path);
      if (!key) throw ERegistryException::CreateFailed(KeyName(root, r.path));
      key->WriteValue(r.other, *r.value);
    } else if (auto key = machine_.registry().OpenKey(root, r.path, platform::RegistryAccess::ReadWrite)) {
      if (key->ReadValue(r.other) && !key->DeleteValue(r.other)) problems.push_back(where + " (could not be deleted)");
    }
  } catch (const Exception& e) {
    problems.push_back(where + " (could not be put back: " + e.what() + ")");
  }
}

void Undo::Record(const TJournalRecord& r) {
  switch (r.kind) {
    case TJournalKind::Title:
    case TJournalKind::Commit: return;
    case TJournalKind::TemporaryFolder:
    case TJournalKind::FolderMade: RemoveTree(r.path); return;
    case TJournalKind::FileCreated: DeleteFile(r.path); return;
    case TJournalKind::FilesToCreate:
      for (auto e = r.entries.rbegin(); e != r.entries.rend(); ++e) {
        if (e->folder)
          RemoveTree(e->path);
        else if (e->saved.empty())
          DeleteFile(e->path);
        else
          RestoreRenamed(*e);
      }
      return;
    case TJournalKind::FileReplaced:
    case TJournalKind::FileContentSaved: Restore(r); return;
    case TJournalKind::FolderRemoved:
      if (!ForceDirectories(fs_, r.path)) problems.push_back(r.path + " (the folder could not be made again)");
      return;
    case TJournalKind::AttributesChanged:
      if (fs_.GetAttributes(r.path) != kInvalidAttributes && !fs_.SetAttributes(r.path, r.number))
        problems.push_back(r.path + " (its attributes could not be put back)");
      return;
    default: break;
  }
  const std::optional<platform::RegistryRoot> root = RootOf(r.number);
  if (!root) return;
  platform::Registry& registry = machine_.registry();
  switch (r.kind) {
    case TJournalKind::RegistryKeyCreated:
      if (registry.OpenKey(*root, r.path, platform::RegistryAccess::Read) && !registry.DeleteKeyTree(*root, r.path))
        problems.push_back(KeyName(*root, r.path) + " (the key could not be deleted)");
      return;
    case TJournalKind::RegistryKeyDeleted:
      if (!registry.CreateKey(*root, r.path))
        problems.push_back(KeyName(*root, r.path) + " (the key could not be made)");
      return;
    case TJournalKind::RegistryValueChanged: RestoreValue(*root, r); return;
    default: return;
  }
}

}  // namespace

// Copied back, not moved: a move would leave the file dated now until its date is set, and a kill
// in between would leave it so.
void PutBack(platform::FileSystem& fs, const TJournalRecord& r) {
  if (!fs.FileExists(r.other)) return;
  const uint32_t now = fs.GetAttributes(r.path);
  if (now != kInvalidAttributes && (now & kUndeletable)) fs.SetAttributes(r.path, 0);
  {
    auto in = fs.OpenFile(r.other, platform::FileAccess::Read);
    auto out = fs.CreateFile(r.path);
    out->CopyFrom(*in, in->Size());
    out->SetLastWriteDosTime(r.time);
  }
  fs.SetAttributes(r.path, r.number & ~platform::faDirectory);
  fs.DeleteFile(r.other);
}

// Renamed back when it can be: the saved file is the old one whole, date and attributes with it.
// The steps may be cut short anywhere and done again: the saved file goes only once the file is
// back in its place.
void PutBackRenamed(platform::FileSystem& fs, const std::string& path, const std::string& saved) {
  if (!fs.FileExists(saved)) return;
  const uint32_t now = fs.GetAttributes(path);
  if (now != kInvalidAttributes) {
    if (now & kUndeletable) fs.SetAttributes(path, 0);
    if (!fs.DeleteFile(path)) throw EFCreateError(path);
  }
  if (fs.RenameFile(saved, path)) return;
  const uint32_t attributes = fs.GetAttributes(saved);
  {
    auto in = fs.OpenFile(saved, platform::FileAccess::Read);
    auto out = fs.CreateFile(path);
    out->CopyFrom(*in, in->Size());
    out->SetLastWriteDosTime(in->LastWriteDosTime());
  }
  fs.SetAttributes(path, attributes & ~platform::faDirectory);
  if (attributes & kUndeletable) fs.SetAttributes(saved, 0);
  fs.DeleteFile(saved);
}

std::vector<std::string> SavedCopies(const std::vector<TJournalRecord>& records) {
  std::vector<std::string> copies;
  for (const TJournalRecord& r : records) {
    if (r.kind == TJournalKind::FileReplaced || r.kind == TJournalKind::FileContentSaved) copies.push_back(r.other);
    if (r.kind == TJournalKind::FilesToCreate)
      for (const TJournalEntry& e : r.entries)
        if (!e.folder && !e.saved.empty()) copies.push_back(e.saved);
  }
  return copies;
}

std::vector<std::string> UndoJournal(platform::Platform& machine, const std::vector<TJournalRecord>& records) {
  auto savedTree = [](const TJournalRecord& r) {
    return (r.kind == TJournalKind::RegistryKeyDeleted || r.kind == TJournalKind::RegistryValueChanged) &&
           r.time == kSavedTreeRecord;
  };
  Undo undo(machine);
  for (size_t i = records.size(); i-- > 0;) {
    if (!savedTree(records[i])) {
      undo.Record(records[i]);
      continue;
    }
    size_t first = i;
    while (first > 0 && savedTree(records[first - 1])) --first;
    for (size_t k = first; k <= i; ++k) undo.Record(records[k]);
    i = first;
  }
  return std::move(undo.problems);
}

std::vector<std::string> ClearCommittedJournal(platform::Platform& machine,
                                               const std::vector<TJournalRecord>& records) {
  Undo undo(machine);
  platform::FileSystem& fs = machine.fs();
  for (const TJournalRecord& r : records)
    if (r.kind == TJournalKind::TemporaryFolder) undo.RemoveTree(r.path);
  for (const std::string& copy : SavedCopies(records)) {
    const uint32_t attributes = fs.GetAttributes(copy);
    if (attributes == kInvalidAttributes || (attributes & platform::faDirectory)) continue;
    if (attributes & kUndeletable) fs.SetAttributes(copy, 0);
    if (!fs.DeleteFile(copy)) undo.problems.push_back(copy + " (a copy no longer needed could not be deleted)");
  }
  return std::move(undo.problems);
}

bool JournalHoldsCopies(platform::FileSystem& fs, const std::vector<TJournalRecord>& records) {
  for (const std::string& copy : SavedCopies(records))
    if (fs.FileExists(copy)) return true;
  return false;
}

}  // namespace vurerode::setup
