#include "install/journal_file.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "platform/exception.h"
#include "platform/windows_path.h"
#include "shell/del_tree.h"
#include "shell/file_ops.h"

namespace vurerode::setup {

TJournalFile::TJournalFile(platform::FileSystem& fs)
    : TJournalFile(fs, platform::IncludeTrailingBackslash(fs.WindowsDirectory())) {}

TJournalFile::TJournalFile(platform::FileSystem& fs, const std::string& base)
    : fs_(fs), folder_(base + "Vurerode\\Journal"), path_(folder_ + "\\setup.journal"), saved_(folder_ + "\\saved") {}

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

namespace {

// Copies go kCopiesPerFolder to a folder. Windows finds a name in a large folder quickly, but Wine
// (like any case-insensitive lookup done by hand) reads the whole folder for a name that is not
// there yet: one flat folder made an upgrade of a few thousand files many times slower than the
// first installation.
constexpr unsigned kCopiesPerFolder = 256;

// number in decimal, with zeros before it up to width digits.
std::string ZeroPadded(unsigned number, size_t width) {
  std::string digits = std::to_string(number);
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return digits;
}

// The number a saved copy's or copy folder's name starts with; 0 for any other name.
unsigned NumberOf(const std::string& name) {
  return static_cast<unsigned>(std::strtoul(name.c_str(), nullptr, 10));
}

bool IsCopyFolder(const platform::FindData& found) {
  return (found.attributes & platform::faDirectory) && !found.name.empty() &&
         std::all_of(found.name.begin(), found.name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The highest copy number in a folder, 0 for none.
unsigned HighestCopy(platform::FileSystem& fs, const std::string& dir) {
  unsigned highest = 0;
  platform::FindData found;
  if (auto search = fs.FindFirst(dir + "\\*.SAV", found)) do {
      highest = std::max(highest, NumberOf(found.name));
    } while (search->Next(found));
  return highest;
}

}  // namespace

std::string TJournalFile::CopyFolder(unsigned number) const {
  return saved_ + "\\" + ZeroPadded(number / kCopiesPerFolder, 6);
}

std::string TJournalFile::NewSavedCopy() {
  // The folders are looked at once: a copy some earlier setup left there (loose in saved\, as
  // older setups wrote them, or in a copy folder) is never written over, and the names after the
  // last one are free.
  if (nextCopy_ == 0) {
    if (!ForceDirectories(fs_, saved_)) throw EFCreateError(saved_);
    nextCopy_ = HighestCopy(fs_, saved_) + 1;
    platform::FindData found;
    unsigned lastFolder = 0;
    bool anyFolder = false;
    if (auto search = fs_.FindFirst(saved_ + "\\*", found)) do {
        if (!IsCopyFolder(found)) continue;
        lastFolder = std::max(lastFolder, NumberOf(found.name));
        anyFolder = true;
      } while (search->Next(found));
    if (anyFolder) {
      const std::string dir = CopyFolder(lastFolder * kCopiesPerFolder);
      nextCopy_ = std::max({nextCopy_, lastFolder * kCopiesPerFolder, HighestCopy(fs_, dir) + 1});
    }
    folderMade_ = false;
  }
  const unsigned number = nextCopy_++;
  const std::string dir = CopyFolder(number);
  if (!folderMade_ || number % kCopiesPerFolder == 0) {
    if (!ForceDirectories(fs_, dir)) throw EFCreateError(dir);
    folderMade_ = true;
  }
  return dir + "\\" + ZeroPadded(number, 8) + ".SAV";
}

void TJournalFile::Remove() {
  // The journal goes first: copies it no longer names are only clutter, which the next recovery
  // clears, while a journal naming copies that are gone would restore nothing.
  fs_.DeleteFile(path_);
  appending_ = false;
  nextCopy_ = 0;
  DeleteFilesByMask(fs_, saved_ + "\\", "*.SAV");
  std::vector<std::string> folders;
  platform::FindData found;
  if (auto search = fs_.FindFirst(saved_ + "\\*", found)) do {
      if (IsCopyFolder(found)) folders.push_back(saved_ + "\\" + found.name);
    } while (search->Next(found));
  for (const std::string& dir : folders) {
    DeleteFilesByMask(fs_, dir + "\\", "*.SAV");
    fs_.RemoveDirectory(dir);
  }
  fs_.RemoveDirectory(saved_);
  fs_.RemoveDirectory(folder_);
  fs_.RemoveDirectory(platform::ExcludeTrailingBackslash(platform::ExtractFilePath(folder_)));
}

}  // namespace vurerode::setup
