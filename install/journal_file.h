// Where the installation's journal lives and how it is written: one file,
// <Windows directory>\Vurerode\Journal\setup.journal, with the copies of what the installation
// replaced in the folder saved\ beside it. Only administrators write below the Windows directory,
// so no other user can steer a rollback; and one setup runs at a time, so one journal is enough.
#pragma once

#include <string>

#include "install/journal_records.h"
#include "platform/file_system.h"

namespace vurerode::setup {

class TJournalFile {
 public:
  // fs is the machine's own file system: the journal is never journalled.
  explicit TJournalFile(platform::FileSystem& fs);

  const std::string& Path() const { return path_; }
  const std::string& Folder() const { return folder_; }
  bool Exists() { return fs_.FileExists(path_); }

  // Appends one record, creating the journal with its header for the first. The file is closed
  // before this returns, so the record is the system's, not this process's: a process killed after
  // it loses nothing of it. (The seam has no flush to the disk itself; power lost before the
  // system wrote it back can still lose the latest records.)
  void Append(const TJournalRecord& record);
  // The whole records there are; no journal reads as not valid.
  TJournalContents Read();
  // A name for the next saved copy, in the saved folder, which is made when missing.
  std::string NewSavedCopy();
  // Deletes the journal and the saved copies still there, then the folders they leave empty.
  void Remove();

 private:
  platform::FileSystem& fs_;
  std::string folder_, path_, saved_;
  unsigned nextCopy_ = 0;   // 0: the saved folder not looked at yet
  bool appending_ = false;  // the journal is there, written by this one
};

}  // namespace vurerode::setup
