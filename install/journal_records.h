// The records of the installation's journal, and their bytes. A journal file is the 8 bytes
// "VRJOURN1", then records one after the other, each framed so that a reader can tell a whole
// record from the torn end of a file that was being appended to when the machine stopped:
//   u32 length of the body, u32 CRC-32 of the body, then the body.
// Every body has the same fields, a kind telling which of them mean something:
//   u8 kind, str path, str other, u32 number, u32 time, u8 has value, [u32 type, str data],
//   u32 count, count x (u8 what, str path, [str saved])
// where what is 0 for a file, 1 for a folder, and 2 for a file that is there now and will be
// renamed aside to saved before it is replaced (saved follows only then).
// with u32 little-endian and str a u32 length followed by that many bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace vurerode::setup {

enum class TJournalKind : uint8_t {
  Title = 1,                 // path: the installation's title
  TemporaryFolder = 2,       // path: a folder whose whole tree goes, committed or not
  FileCreated = 3,           // path: a file that was not there
  FilesToCreate = 4,         // entries: files and folders about to be made, and files about to be replaced
  FileReplaced = 5,          // path, saved at other, number: attributes, time: DOS date and time
  FileContentSaved = 6,      // the same, for a file changed in place (a profile file)
  FolderMade = 7,            // path: a folder that was not there; its whole tree is the installation's
  RegistryKeyCreated = 8,    // number: root, path: the topmost key that was not there
  RegistryValueChanged = 9,  // number: root, path: key, other: value name, value: old one or none
  AttributesChanged = 10,    // path, number: its attributes before
  RegistryKeyDeleted = 11,   // number: root, path: a key that stood and goes with its tree
  FolderRemoved = 12,        // path: an empty folder that stood
  Commit = 13,               // the installation is complete: keep it
};

struct TJournalEntry {
  TJournalEntry() = default;
  TJournalEntry(bool isFolder, std::string where, std::string savedAs = {})
      : folder(isFolder), path(std::move(where)), saved(std::move(savedAs)) {}
  bool folder = false;
  std::string path;
  // For a file that is there: the name it is renamed to, whole, with its date and attributes,
  // before it is replaced. A rollback renames it back when it is there; when it is not, the file
  // was never moved and is still in its place.
  std::string saved;
  bool operator==(const TJournalEntry&) const = default;
};

struct TJournalRecord {
  TJournalKind kind = TJournalKind::Title;
  std::string path;
  std::string other;
  uint32_t number = 0;
  uint32_t time = 0;
  std::optional<platform::RegistryValueData> value;
  std::vector<TJournalEntry> entries;
  bool operator==(const TJournalRecord&) const = default;
};

// The time of the records that save a registry tree before it is deleted (the key, its values,
// then each sub-key the same way): a run of them is put back in its own order, so that keys come
// back before their sub-keys and values in the order they had.
inline constexpr uint32_t kSavedTreeRecord = 1;

inline TJournalRecord MakeRecord(TJournalKind kind, std::string path = {}, std::string other = {}, uint32_t number = 0,
                                 uint32_t time = 0) {
  TJournalRecord r;
  r.kind = kind;
  r.path = std::move(path);
  r.other = std::move(other);
  r.number = number;
  r.time = time;
  return r;
}

inline constexpr std::string_view kJournalMagic = "VRJOURN1";

uint32_t Crc32(const uint8_t* data, size_t size);

// One record framed for appending.
std::vector<uint8_t> EncodeJournalRecord(const TJournalRecord& record);

struct TJournalContents {
  bool valid = false;  // the file starts as a journal does
  std::vector<TJournalRecord> records;
  bool torn = false;  // bytes after the last whole record were left unread
};
// Every whole record up to the first that is cut short, fails its CRC or does not parse.
TJournalContents DecodeJournal(const std::vector<uint8_t>& bytes);

}  // namespace vurerode::setup
