// Carrying out a journal: undoing what an installation that never committed changed, or clearing
// away what one that did commit no longer needs. Both may be cut short by a kill and run again:
// each step leaves the machine so that running it once more changes nothing further.
#pragma once

#include <string>
#include <vector>

#include "install/journal_records.h"
#include "platform/platform.h"

namespace vurerode::setup {

// Undoes the records, the newest first: files and folders made are deleted, saved copies put back
// (and then deleted), old attributes and registry values restored, keys made deleted, temporary
// folders removed. Returns what could not be put back, one line each.
std::vector<std::string> UndoJournal(platform::Platform& machine, const std::vector<TJournalRecord>& records);

// After a commit: the temporary folders and the saved copies go. Returns what could not be removed.
std::vector<std::string> ClearCommittedJournal(platform::Platform& machine, const std::vector<TJournalRecord>& records);

// Puts a saved file (a record of kind FileReplaced or FileContentSaved) back in its place with its
// date and attributes, and then deletes the copy; nothing when the copy is gone. Raises the file
// system's error when the file cannot be written.
void PutBack(platform::FileSystem& fs, const TJournalRecord& record);

// Puts a file renamed aside whole (an entry of a FilesToCreate record with its saved name) back in
// its place, deleting what stands there; nothing when the saved file is not there (the file was
// never moved). Where the file system cannot rename it back, it is copied back with its own date
// and attributes, and the saved file then deleted. Raises the file system's error when the file
// cannot be put back.
void PutBackRenamed(platform::FileSystem& fs, const std::string& path, const std::string& saved);

// The saved copies the records name, whether made yet or not.
std::vector<std::string> SavedCopies(const std::vector<TJournalRecord>& records);

// True when a saved copy the records name is still there: the journal is still needed for it.
bool JournalHoldsCopies(platform::FileSystem& fs, const std::vector<TJournalRecord>& records);

}  // namespace vurerode::setup
