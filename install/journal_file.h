// Where the installation's journal lives and how it is written: one file,
// <Windows directory>\Vurerode\Journal\setup.journal, with the copies of what the installation
// replaced in folders below saved\ beside it. Only administrators write below the Windows directory,
// so no other user can steer a rollback; and one setup runs at a time, so one journal is enough.
// An installation for the current user only keeps its journal in the same folders below the user's
// own local application data, which no other user writes either, and which a user without
// administrator rights can write.
#pragma once

#include <string>

#include "install/journal_records.h"
#include "platform/file_system.h"

namespace vurerode::setup {

class TJournalFile {
 public:
  // fs is the machine's own file system: the journal is never journalled.
  explicit TJournalFile(platform::FileSystem& fs);
  // The journal below base (a folder with its trailing backslash): the user's local application data.
  TJournalFile(platform::FileSystem& fs, const std::string& base);

  const std::string& Path() const { return path_; }
  const std::string& Folder() const { return folder_; }
  bool Exists() { return fs_.FileExists(path_); }

  // Appends records, creating the journal with its header for the first. The file is closed
  // before this returns, so the records are the system's, not this process's: a process killed
  // after it loses nothing of them. With durable the journal is also synced to the disk itself,
  // with every record before them, so that they outlast a power loss: needed before a change that
  // destroys what was there, not before one that makes something new (a later sync takes those
  // records along, and a new thing lost with its record is lost whole).
  void Append(const TJournalRecord& record, bool durable = false) { Append(&record, 1, durable); }
  void Append(const std::vector<TJournalRecord>& records, bool durable) {
    Append(records.data(), records.size(), durable);
  }
  // The whole records there are; no journal reads as not valid.
  TJournalContents Read();
  // A name for the next saved copy, in a folder below saved\, which is made when missing.
  std::string NewSavedCopy();
  // Deletes the journal and the saved copies still there, then the folders they leave empty.
  void Remove();

 private:
  void Append(const TJournalRecord* records, size_t count, bool durable);
  std::string CopyFolder(unsigned number) const;

  platform::FileSystem& fs_;
  std::string folder_, path_, saved_;
  unsigned nextCopy_ = 0;    // 0: the saved folder not looked at yet
  bool folderMade_ = false;  // the folder of nextCopy_ is there
  bool appending_ = false;   // the journal is there, written by this one
};

}  // namespace vurerode::setup
