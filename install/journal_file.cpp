#include "install/journal_file.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "platform/exception.h"
#include "platform/windows_path.h"
#include "shell/del_tree.h"
#include "shell/file_ops.h"

namespace vurerode::setup {

TJournalFile::TJournalFile(platform::FileSystem& fs)
    : fs_(fs),
      folder_(platform::IncludeTrailingBackslash(fs.WindowsDirectory()) + "Vurerode\\Journal"),
      path_(folder_ + "\\setup.journal"),
      saved_(folder_ + "\\saved") {}

void TJournalFile::Append(const TJournalRecord* records, size_t count, bool durable) {
  std::vector<uint8_t> bytes;
  for (size_t k = 0; k < count; ++k) {
    const std::vector<uint8_t> one = EncodeJournalRecord(records[k]);
    bytes.insert(bytes.end(), one.begin(), one.end());
  }
  std::unique_ptr<platform::TFileStream> file;
  if (appending_ || fs_.FileExists(path_)) {
    file = fs_.OpenFile(path_, platform::FileAccess::ReadWrite);
    file->Seek(0, SeekOrigin::End);
  } else {
    if (!ForceDirectories(fs_, folder_)) throw EFCreateError(path_);
    file = fs_.CreateFile(path_);
    file->Write(kJournalMagic.data(), kJournalMagic.size());
  }
  file->Write(bytes.data(), bytes.size());
  appending_ = true;
  if (durable) file->Sync();
}

TJournalContents TJournalFile::Read() {
  if (!fs_.FileExists(path_)) return {};
  auto file = fs_.OpenFile(path_, platform::FileAccess::Read);
  std::vector<uint8_t> bytes(static_cast<size_t>(file->Size()));
  if (!bytes.empty()) bytes.resize(file->Read(bytes.data(), bytes.size()));
  return DecodeJournal(bytes);
}

std::string TJournalFile::NewSavedCopy() {
  // The folder is looked at once: a copy some earlier setup left there is never written over, and
  // the names after the last one are free.
  if (nextCopy_ == 0) {
    if (!ForceDirectories(fs_, saved_)) throw EFCreateError(saved_);
    nextCopy_ = 1;
    platform::FindData found;
    if (auto search = fs_.FindFirst(saved_ + "\\*.SAV", found)) do {
        nextCopy_ = std::max(nextCopy_, static_cast<unsigned>(std::strtoul(found.name.c_str(), nullptr, 10)) + 1);
      } while (search->Next(found));
  }
  char name[16];
  std::snprintf(name, sizeof name, "%08u.SAV", nextCopy_++);
  return saved_ + "\\" + name;
}

void TJournalFile::Remove() {
  // The journal goes first: copies it no longer names are only clutter, which the next recovery
  // clears, while a journal naming copies that are gone would restore nothing.
  fs_.DeleteFile(path_);
  appending_ = false;
  nextCopy_ = 0;
  DeleteFilesByMask(fs_, saved_ + "\\", "*.SAV");
  fs_.RemoveDirectory(saved_);
  fs_.RemoveDirectory(folder_);
  fs_.RemoveDirectory(platform::ExcludeTrailingBackslash(platform::ExtractFilePath(folder_)));
}

}  // namespace vurerode::setup
