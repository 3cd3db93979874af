// What the journal must hear before a change to the machine, decided once for every part of the
// journalled platform: a file that was not there is noted as created, one that was is moved or
// copied aside first, a folder made or a registry key created is noted as the installation's, so that nothing
// made inside it needs a record of its own, and a registry value's old content is kept before it
// changes. Whatever lies in a temporary folder, a folder or key the installation made, or a file
// it already noted, needs no further record. The journal is synced to the disk before a change
// that destroys what was there, so that a power loss cannot take the record and leave the change.
#pragma once

#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "install/journal_file.h"
#include "platform/file_system.h"
#include "platform/registry.h"

namespace vurerode::setup {

class TJournalLedger {
 public:
  TJournalLedger(platform::FileSystem& fs, TJournalFile& journal) : fs_(fs), journal_(journal) {}

  // After the commit the machine's new state is kept: nothing is journalled any more.
  void Stop() { active_ = false; }
  bool Active() const { return active_; }
  void Append(const TJournalRecord& record) { journal_.Append(record); }
  // The path made full as the file system makes it.
  std::string Full(const std::string& path);

  void NoteTemporaryFolder(const std::string& dir);
  // Files and folders (full paths) about to be made, in one record synced once: those not there
  // yet need no record of their own when they are made, and each file that is there is announced
  // with the name it will be renamed aside to, so that replacing it needs no record or sync either.
  void ExpectNew(const std::vector<std::string>& files, const std::vector<std::string>& folders);
  // Renames a file announced by ExpectNew aside to its announced name; returns that name, or empty
  // when the file was not announced or could not be renamed (it is then still in its place).
  std::string MoveAnnounced(const std::string& full);

  // Before a file is created (creates), written over, written in place or deleted. kind says what
  // a file that is there becomes (FileReplaced or FileContentSaved). Returns the copy it was saved
  // to, empty when nothing was saved. A file with any of the attributes refusing is left alone: the
  // call fails on it as it always did, and there is nothing to save. With moveAside, for a change
  // that replaces the whole file, the file is moved to its copy where the file system can (to its
  // announced name without a record, when it was announced): no bytes are copied, and it is then
  // no longer in its place (MovedAside).
  std::string BeforeFileChange(const std::string& full, TJournalKind kind, uint32_t refusing, bool creates,
                               bool moveAside = false);
  bool MovedAside(const std::string& copy) const { return !copy.empty() && moved_.count(copy) > 0; }
  // True when the path needs no record: nothing is journalled, or it lies in a tree that is the
  // installation's, or it was noted already.
  bool Covers(const std::string& full) const { return !active_ || Covered(Key(full)); }
  // The change did not happen after all: a file moved aside goes back, a copy is not needed.
  void Discard(const std::string& full, const std::string& copy);
  // The same for a file MoveAnnounced moved aside, which stays announced: the copy that replaces it
  // next renames it aside again, at no cost to the journal.
  void DiscardAnnounced(const std::string& full, const std::string& saved);
  // True when the folder is to be noted as made; AfterFolderMade then says whether it was.
  bool BeforeFolderMade(const std::string& full);
  void AfterFolderMade(const std::string& full) { trees_.insert(Key(full)); }
  void BeforeFolderRemoved(const std::string& full);
  void BeforeAttributes(const std::string& full);

  void BeforeKeyCreated(platform::Registry& registry, platform::RegistryRoot root, const std::string& path);
  void BeforeValueChanged(platform::RegistryKey& key, platform::RegistryRoot root, const std::string& path,
                          const std::string& name);
  void BeforeKeyTreeDeleted(platform::Registry& registry, platform::RegistryRoot root, const std::string& path);

  // Saved copies made so far.
  const std::vector<std::string>& Copies() const { return copies_; }

 private:
  static std::string Key(const std::string& full);
  static std::string RegistryKeyId(platform::RegistryRoot root, const std::string& path);
  // Inside a temporary folder or a folder made here, or a file noted already.
  bool Covered(const std::string& key) const;
  bool KeyCovered(const std::string& id) const;
  // Copies a file to copy, on the disk itself when this returns; returns its date.
  uint32_t CopyAside(const std::string& full, const std::string& copy);
  // A file moved aside whole: how it was saved, and whether the move kept its date and attributes
  // (a rename) or the record holds them (a relocation).
  struct Moved {
    TJournalRecord record;
    bool renamed = false;
  };
  void SaveKeyTree(platform::Registry& registry, platform::RegistryRoot root, const std::string& path,
                   std::vector<TJournalRecord>& records);

  platform::FileSystem& fs_;
  TJournalFile& journal_;
  bool active_ = true;
  std::unordered_set<std::string> trees_;  // folders whose whole tree is the installation's
  std::unordered_set<std::string> files_;  // files created or saved already
  std::unordered_set<std::string> attributes_;
  std::unordered_set<std::string> keys_;    // registry keys whose whole tree is the installation's
  std::unordered_set<std::string> values_;  // registry values whose old content is kept
  std::vector<std::string> copies_;
  std::unordered_map<std::string, std::string> announced_;  // files announced, by key: their saved names
  std::unordered_map<std::string, Moved> moved_;            // files moved aside, by their saved names
  bool movesWork_ = true;                                   // the file system moves files
};

}  // namespace vurerode::setup
