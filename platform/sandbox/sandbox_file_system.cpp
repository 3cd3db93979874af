#include "platform/sandbox/sandbox_file_system.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <set>
#include <system_error>
#include <unordered_map>

#include "platform/dos_time.h"
#include "platform/exception.h"
#include "platform/sandbox/host_io.h"
#include "platform/sandbox/journal.h"
#include "platform/sandbox/short_name.h"
#include "platform/sandbox/user_profile.h"
#include "platform/text.h"
#include "platform/wildcard.h"
#include "platform/windows_path.h"

namespace vurerode::platform::sandbox {

// Windows error codes the directory calls report.
enum : int {
  kErrorPathNotFound = 3,
  kErrorAccessDenied = 5,
  kErrorWriteProtect = 19,
  kErrorInvalidName = 123,
  kErrorAlreadyExists = 183,
};

// Attribute bits the sandbox keeps beside a file (its read-only bit is the host's permission).
constexpr uint32_t kKeptBits = faReadOnly | faHidden | faSysFile | faArchive | 0x100 | 0x1000 | 0x2000;

struct Drive {
  char letter = 'C';
  stdfs::path host;
  bool readOnly = false;
  bool medium = false;  // mounted from elsewhere: its files are never run on the host
  std::optional<int64_t> quota;
  int64_t used = 0;
};

// Files open through the sandbox, by upper-case full path. Every open shares reading only, so a
// reader excludes writers, a writer excludes everyone, and an open file cannot be deleted.
struct OpenTable {
  struct Count {
    int readers = 0;
    int writers = 0;
  };
  std::map<std::string, Count> files;
};

struct SandboxFileSystem::Listing {
  std::string name;                   // as Windows shows it (UTF-8)
  stdfs::path hostName;               // the file name on the host
  HostKind kind = HostKind::Missing;  // as it was when looked up
};

struct SandboxFileSystem::ListingCache {
  struct Folder {
    std::optional<uint64_t> stamp;  // none: not to be kept
    std::vector<Listing> entries;
    // Short names: the entries before aliasedUpTo have theirs, and taken holds every one in use.
    size_t aliasedUpTo = 0;
    std::set<std::string> taken;
  };
  // By the host folder's path as the host spells it: hashing its text costs far less than comparing
  // paths part by part.
  std::unordered_map<stdfs::path::string_type, Folder> folders;
  // Folders whose every part was found to be a real folder of the machine, by the upper-case text
  // of their path: a path below one of them is resolved from there. Only removing a folder (or a
  // host program's run) can change what they stand for.
  struct Dir {
    stdfs::path host;
    std::string full;
  };
  std::unordered_map<std::string, Dir> dirs;
};

struct SandboxFileSystem::Resolved {
  std::shared_ptr<Drive> drive;
  std::string full;  // full Windows path, existing parts spelled as they are; "C:\" for a root
  std::string dir;   // the folder of the last part, without trailing backslash ("C:" at the root)
  std::string name;  // the last part; empty for a root
  stdfs::path host;
  bool exists = false;
  bool parentExists = false;
  bool isDirectory = false;
  bool badName = false;
  bool blocked = false;  // a part is a host link or special file: nothing passes through it
  bool isRoot = false;
};

namespace {

bool HasInvalidCharacters(const std::string& part, bool wildcardsAllowed) {
  for (char c : part) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || std::string_view("<>:\"|").find(c) != std::string_view::npos) return true;
    if ((c == '*' || c == '?') && !wildcardsAllowed) return true;
  }
  return false;
}

bool HostWritable(const stdfs::path& p) {
  std::error_code ec;
  auto st = stdfs::status(p, ec);
  return !ec && (st.permissions() & stdfs::perms::owner_write) != stdfs::perms::none;
}

int64_t FileSize(const stdfs::path& p) {
  if (HostEntryKind(p) != HostKind::File) return 0;
  std::error_code ec;
  auto n = stdfs::file_size(p, ec);
  return ec ? 0 : static_cast<int64_t>(n);
}

// Whether a host name can be shown as a Windows name: one that Windows allows, in valid UTF-8 (bytes
// that are not would read as the replacement character, and two host names must never read as the
// same Windows name).
bool ShowableHostName(const std::string& utf8) {
  if (utf8.empty() || !IsValidUtf8(utf8)) return false;
  for (char c : utf8) {
    auto b = static_cast<unsigned char>(c);
    if (b < 0x20 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) return false;
  }
  return true;
}

// Positions beyond this are refused, so that no sum of a position and a length overflows.
constexpr int64_t kMaxPosition = int64_t{1} << 60;

std::string Key(const std::string& full) {
  return UpperCase(full);
}

class SandboxFile : public TFileStream {
 public:
  SandboxFile(std::unique_ptr<HostFile> file, std::string path, stdfs::path host, bool writable,
              std::shared_ptr<Drive> drive, std::shared_ptr<OpenTable> open, std::string key, bool newName = false)
      : file_(std::move(file)),
        path_(std::move(path)),
        host_(std::move(host)),
        writable_(writable),
        drive_(std::move(drive)),
        open_(std::move(open)),
        key_(std::move(key)),
        newName_(newName) {
    size_ = file_->Size();
    auto& c = open_->files[key_];
    (writable_ ? c.writers : c.readers)++;
  }

  ~SandboxFile() override {
    file_.reset();
    auto it = open_->files.find(key_);
    if (it == open_->files.end()) return;
    (writable_ ? it->second.writers : it->second.readers)--;
    if (it->second.readers == 0 && it->second.writers == 0) open_->files.erase(it);
  }

  size_t Read(void* buffer, size_t n) override {
    Switch(false);
    size_t got = file_->Read(buffer, n);
    pos_ += static_cast<int64_t>(got);
    return got;
  }

  void Write(const void* buffer, size_t n) override {
    if (n == 0) return;
    if (!writable_) throw EWriteError("Unable to write to " + path_ + ": Access is denied.");
    Switch(true);
    int64_t asked = static_cast<int64_t>(std::min<size_t>(n, static_cast<size_t>(kMaxPosition)));
    int64_t end = pos_ + asked;
    int64_t growth = end > size_ ? end - size_ : 0;
    size_t fits = n;
    if (drive_->quota && drive_->used + growth > *drive_->quota) {
      // A write past the end fills the gap before it too, so the gap counts against the room.
      int64_t room = std::max<int64_t>(0, *drive_->quota - drive_->used) + (size_ - pos_);
      fits = static_cast<size_t>(std::clamp<int64_t>(room, 0, asked));
    }
    size_t put = file_->Write(buffer, fits);
    Advance(put);
    if (put < n) throw EWriteError("Unable to write to " + path_ + ": There is not enough space on the disk.");
  }

  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? pos_ : size_;
    int64_t target = std::clamp<int64_t>(offset, -kMaxPosition, kMaxPosition) + base;
    target = std::clamp<int64_t>(target, 0, kMaxPosition);
    file_->Seek(target);
    pos_ = target;
    lastWasWrite_.reset();
    return pos_;
  }

  int64_t Size() override { return size_; }

  void Sync() override {
    // Windows flushes only a file opened for writing.
    if (!writable_) throw EWriteError("Unable to write to " + path_ + ": Access is denied.");
    if (int error = file_->Sync())
      throw EInOutError(error, "I/O error " + std::to_string(error) + " flushing " + path_);
    // A file made here lasts only once its folder's entry for it is on the disk too, as the
    // file system's own log keeps it on Windows.
    if (!newName_) return;
    if (int error = SyncHostFolder(host_.parent_path()))
      throw EInOutError(error, "I/O error " + std::to_string(error) + " flushing " + path_);
    newName_ = false;
  }

  void Truncate() override {
    if (!writable_) throw EWriteError("Unable to write to " + path_);
    // Setting the end beyond the data grows the file as writing would, and takes room as well.
    if (pos_ > size_ && drive_->quota && drive_->used + (pos_ - size_) > *drive_->quota)
      throw EWriteError("Unable to write to " + path_ + ": There is not enough space on the disk.");
    if (!file_->Truncate(pos_)) throw EWriteError("Unable to write to " + path_);
    drive_->used += pos_ - size_;
    size_ = pos_;
  }

  void SetLastWriteDosTime(uint32_t dosDateTime) override {
    // A file opened for reading changes nothing, its date included.
    if (!writable_) return;
    int64_t when = DosDateTimeToEpoch(dosDateTime);
    if (when < 0) return;
    file_->Flush();
    SetHostWriteTime(host_, when);
  }

  uint32_t LastWriteDosTime() override {
    file_->Flush();
    int64_t t = HostWriteTime(host_);
    return t < 0 ? PackDosDateTime({1980, 1, 1, 0, 0, 0}) : EpochToDosDateTime(t);
  }

  const std::string& Path() const override { return path_; }

 private:
  // The C library wants a seek between a read and a write on the same stream.
  void Switch(bool write) {
    if (lastWasWrite_ && *lastWasWrite_ != write) file_->Seek(pos_);
    lastWasWrite_ = write;
  }

  void Advance(size_t put) {
    if (put == 0) return;  // nothing written grows nothing, wherever the position is
    int64_t end = pos_ + static_cast<int64_t>(put);
    if (end > size_) {
      drive_->used += end - size_;
      size_ = end;
    }
    pos_ = end;
  }

  std::unique_ptr<HostFile> file_;
  std::string path_;
  stdfs::path host_;
  bool writable_;
  std::shared_ptr<Drive> drive_;
  std::shared_ptr<OpenTable> open_;
  std::string key_;
  int64_t pos_ = 0;
  int64_t size_ = 0;
  std::optional<bool> lastWasWrite_;
  bool newName_;  // the file was made by this stream: its folder is synced with it once
};

class SnapshotSearch : public DirectorySearch {
 public:
  explicit SnapshotSearch(std::vector<FindData> entries) : entries_(std::move(entries)) {}
  bool Next(FindData& data) override {
    if (next_ >= entries_.size()) return false;
    data = entries_[next_++];
    return true;
  }

 private:
  std::vector<FindData> entries_;
  size_t next_ = 0;
};

}  // namespace

namespace {

// ROOT is taken once as an absolute path: the sandbox's host paths, and the programs it runs, must
// not depend on whatever folder the host process is in later.
stdfs::path AbsolutePath(const stdfs::path& p) {
  std::error_code ec;
  stdfs::path abs = stdfs::absolute(p, ec);
  return ec ? p : abs.lexically_normal();
}

}  // namespace

SandboxFileSystem::SandboxFileSystem(stdfs::path root)
    : root_(AbsolutePath(root)),
      listings_(std::make_unique<ListingCache>()),
      open_(std::make_shared<OpenTable>()),
      metadata_(root_ / "metadata.txt") {
  std::error_code ec;
  stdfs::create_directories(root_ / "drive_c", ec);
  for (const auto& entry : stdfs::directory_iterator(root_, ec)) {
    std::string name = HostName(entry.path().filename());
    // A drive folder that is a link would lead out of ROOT: it is no drive.
    if (name.size() == 7 && name.compare(0, 6, "drive_") == 0 && std::isalpha(static_cast<unsigned char>(name[6])) &&
        HostEntryKind(entry.path()) == HostKind::Folder)
      AddDrive(static_cast<char>(std::toupper(static_cast<unsigned char>(name[6]))), entry.path(), false, false);
  }
  LayOut();
}

SandboxFileSystem::~SandboxFileSystem() = default;

void SandboxFileSystem::LayOut() {
  // Created in the order a fresh Windows installation made them, which fixes their aliases.
  for (const char* dir :
       {"C:\\WINDOWS", "C:\\WINDOWS\\System", "C:\\WINDOWS\\System32", "C:\\WINDOWS\\Fonts", "C:\\WINDOWS\\Temp",
        "C:\\WINDOWS\\Desktop", "C:\\WINDOWS\\Start Menu", "C:\\WINDOWS\\Start Menu\\Programs",
        "C:\\WINDOWS\\Start Menu\\Programs\\StartUp", "C:\\WINDOWS\\Application Data",
        "C:\\WINDOWS\\Application Data\\Microsoft", "C:\\WINDOWS\\Application Data\\Microsoft\\Internet Explorer",
        "C:\\WINDOWS\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch", "C:\\Program Files"})
    if (!DirectoryExists(dir)) CreateDirectory(dir);
  // The user's profile came later, as it did to Windows: the classic folders' aliases stay.
  for (const char* dir : kUserProfileFolders)
    if (!DirectoryExists(dir)) CreateDirectory(dir);
  metadata_.Flush();
}

void SandboxFileSystem::Mount(char letter, const stdfs::path& hostFolder, bool readOnly) {
  AddDrive(letter, AbsolutePath(hostFolder), readOnly, true);
}

void SandboxFileSystem::AddDrive(char letter, const stdfs::path& hostFolder, bool readOnly, bool medium) {
  letter = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  auto d = std::make_shared<Drive>();
  d->letter = letter;
  d->host = hostFolder;
  d->readOnly = readOnly;
  d->medium = medium;
  drives_[letter] = d;
  ForgetListings();
}

void SandboxFileSystem::SetQuota(char letter, std::optional<int64_t> bytes) {
  auto d = DriveOf(letter);
  if (!d) return;
  d->quota = bytes;
  CountUsed(*d);
}

void SandboxFileSystem::CountUsed(Drive& drive) {
  drive.used = 0;
  std::error_code ec;
  for (auto it = stdfs::recursive_directory_iterator(drive.host, ec);
       !ec && it != stdfs::recursive_directory_iterator(); it.increment(ec))
    drive.used += FileSize(it->path());
}

void SandboxFileSystem::SetFilesInUse(const std::vector<std::string>& paths) {
  inUse_.clear();
  for (const std::string& p : paths)
    if (!p.empty()) inUse_.insert(Key(MakeFullPath(p, cwd_)));
}

void SandboxFileSystem::Reload() {
  metadata_.Reload();
  ForgetListings();
  for (auto& [letter, drive] : drives_)
    if (drive->quota) CountUsed(*drive);
}

std::shared_ptr<Drive> SandboxFileSystem::DriveOf(char letter) {
  auto it = drives_.find(static_cast<char>(std::toupper(static_cast<unsigned char>(letter))));
  return it == drives_.end() ? nullptr : it->second;
}

const std::vector<SandboxFileSystem::Listing>& SandboxFileSystem::ListFolder(const stdfs::path& hostDir) {
  std::error_code ec;
  const std::optional<uint64_t> stamp = HostFolderStamp(hostDir);
  ListingCache::Folder& folder = listings_->folders[hostDir.native()];
  if (stamp && folder.stamp == stamp) return folder.entries;
  folder.entries.clear();
  folder.aliasedUpTo = 0;
  folder.stamp = stamp;
  for (const auto& entry : stdfs::directory_iterator(hostDir, ec)) {
    stdfs::path name = entry.path().filename();
    std::string utf8 = HostName(name);
    // Links and special files are not shown, nor names Windows could not hold.
    HostKind kind = HostEntryKind(entry.path());
    if ((kind == HostKind::File || kind == HostKind::Folder) && ShowableHostName(utf8))
      folder.entries.push_back(Listing{utf8, name, kind});
  }
  return folder.entries;
}

void SandboxFileSystem::ForgetListings() {
  listings_->folders.clear();
  listings_->dirs.clear();
}

void SandboxFileSystem::NoteAdded(const stdfs::path& hostDir, const stdfs::path& hostName) {
  auto it = listings_->folders.find(hostDir.native());
  if (it == listings_->folders.end()) return;
  const std::optional<uint64_t> stamp = HostFolderStamp(hostDir);
  // Only a listing that was current before the change is carried over.
  if (!stamp) {
    listings_->folders.erase(it);
    return;
  }
  std::string utf8 = HostName(hostName);
  if (ShowableHostName(utf8)) it->second.entries.push_back(Listing{utf8, hostName, HostEntryKind(hostDir / hostName)});
  it->second.stamp = stamp;
}

void SandboxFileSystem::NoteRemoved(const stdfs::path& hostDir, const stdfs::path& hostName) {
  auto it = listings_->folders.find(hostDir.native());
  if (it == listings_->folders.end()) return;
  const std::optional<uint64_t> stamp = HostFolderStamp(hostDir);
  auto& entries = it->second.entries;
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const Listing& l) { return l.hostName.native() == hostName.native(); }),
                entries.end());
  it->second.aliasedUpTo = 0;  // a freed alias may be given again
  if (!stamp)
    listings_->folders.erase(it);
  else
    it->second.stamp = stamp;
}

std::optional<SandboxFileSystem::Listing> SandboxFileSystem::LookupChild(const std::string& dir,
                                                                         const stdfs::path& hostDir,
                                                                         const std::string& part) {
#if !defined(_WIN32)
  // A host that tells case apart finds the exact spelling directly.
  stdfs::path exact = HostPath(part);
  if (HostKind kind = HostEntryKind(hostDir / exact); kind != HostKind::Missing) return Listing{part, exact, kind};
#endif
  // A kept listing may be older than the entry: its kind is looked at afresh.
  for (const Listing& l : ListFolder(hostDir))
    if (SameText(l.name, part)) return Listing{l.name, l.hostName, HostEntryKind(hostDir / l.hostName)};
  if (part.find('~') == std::string::npos) return std::nullopt;
  // Giving aliases may read the folder again: the listing is taken as it is now.
  const std::vector<Listing> entries = ListFolder(hostDir);
  std::string longName = metadata_.LongNameOfAlias(dir, part);
  if (longName.empty()) {
    EnsureAliases(dir, hostDir);
    longName = metadata_.LongNameOfAlias(dir, part);
  }
  for (const Listing& l : entries)
    if (!longName.empty() && SameText(l.name, longName))
      return Listing{l.name, l.hostName, HostEntryKind(hostDir / l.hostName)};
  return std::nullopt;
}

void SandboxFileSystem::EnsureAliases(const std::string& dir, const stdfs::path& hostDir) {
  const std::vector<Listing>& entries = ListFolder(hostDir);
  ListingCache::Folder& folder = listings_->folders[hostDir.native()];
  // Names that have their alias already keep it: only those listed since the last pass are looked at.
  if (folder.aliasedUpTo == 0) folder.taken.clear();
  std::set<std::string>& taken = folder.taken;
  std::vector<std::string> needing;
  for (size_t i = folder.aliasedUpTo; i < entries.size(); ++i) {
    const Listing& l = entries[i];
    if (FitsShortName(l.name)) {
      taken.insert(UpperCase(l.name));
      continue;
    }
    const MetadataStore::Entry* e = metadata_.Find(dir, l.name);
    if (e && !e->alias.empty())
      taken.insert(UpperCase(e->alias));
    else
      needing.push_back(l.name);
  }
  folder.aliasedUpTo = entries.size();
  if (needing.empty()) return;
  std::sort(needing.begin(), needing.end(),
            [](const std::string& a, const std::string& b) { return CompareText(a, b) < 0; });
  for (const std::string& name : needing) {
    std::string alias = MakeShortName(name, [&](const std::string& candidate) { return taken.count(candidate) > 0; });
    if (alias.empty()) continue;  // every alias tried is taken: the name goes without one
    taken.insert(alias);
    metadata_.Get(dir, name).alias = alias;
  }
}

SandboxFileSystem::Resolved SandboxFileSystem::Resolve(const std::string& path) {
  Resolved r;
  std::string full = MakeFullPath(path, cwd_);
  SplitPath sp = SplitFullPath(full);
  if (sp.drive.size() != 2) return r;  // no drive letter: network paths lie outside the machine
  r.drive = DriveOf(sp.drive[0]);
  if (!r.drive) return r;
  std::error_code ec;
  r.host = r.drive->host;
  r.full = sp.drive;
  r.dir = sp.drive;
  r.isRoot = sp.parts.empty();
  // The folder that holds the last part, when it was resolved before (its drive is there too).
  std::string parentKey;
  size_t start = 0;
  bool existing = false;
  if (sp.parts.size() > 1) {
    parentKey = UpperCase(sp.drive);
    for (size_t i = 0; i + 1 < sp.parts.size(); ++i) parentKey += "\\" + UpperCase(sp.parts[i]);
    auto known = listings_->dirs.find(parentKey);
    if (known != listings_->dirs.end()) {
      r.host = known->second.host;
      r.full = known->second.full;
      start = sp.parts.size() - 1;
      existing = true;
    }
  }
  if (start == 0) existing = stdfs::is_directory(r.host, ec);
  r.parentExists = existing;
  for (size_t i = start; i < sp.parts.size(); ++i) {
    const std::string& part = sp.parts[i];
    bool last = i + 1 == sp.parts.size();
    if (HasInvalidCharacters(part, false)) r.badName = true;
    if (last) {
      r.dir = r.full;
      r.parentExists = existing;
      if (start == 0 && !parentKey.empty() && existing && !r.badName && !r.blocked)
        listings_->dirs[parentKey] = ListingCache::Dir{r.host, r.full};
    }
    std::optional<Listing> child;
    if (existing && !r.badName && !r.blocked) child = LookupChild(r.full, r.host, part);
    if (child) {
      r.host /= child->hostName;
      r.full += "\\" + child->name;
      if (last) r.name = child->name;
      const HostKind kind = child->kind;
      if (kind == HostKind::Other) r.blocked = true;
      existing = kind == HostKind::Folder || (last && kind == HostKind::File);
      if (last) r.isDirectory = kind == HostKind::Folder;
    } else {
      r.host /= HostPath(part);
      r.full += "\\" + part;
      if (last) r.name = part;
      existing = false;
    }
  }
  if (r.isRoot) r.full += "\\";
  r.exists = existing && !r.badName && !r.blocked;
  if (r.isRoot) r.isDirectory = existing;
  r.isDirectory = r.exists && r.isDirectory;
  return r;
}

uint32_t SandboxFileSystem::AttributesOf(const Resolved& r) {
  if (r.isRoot) return faDirectory;
  const MetadataStore::Entry* e = metadata_.Find(r.dir, r.name);
  bool kept = e && e->attributes;
  if (r.isDirectory) {
    uint32_t a = faDirectory | (kept ? (*e->attributes & kKeptBits) : 0);
    if (r.drive->readOnly) a |= faReadOnly;
    return a;
  }
  uint32_t a = kept ? (*e->attributes & kKeptBits & ~faReadOnly) : faArchive;
  if (r.drive->readOnly || !HostWritable(r.host)) a |= faReadOnly;
  return a == 0 ? faNormal : a;
}

uint32_t SandboxFileSystem::GetAttributes(const std::string& path) {
  Resolved r = Resolve(path);
  return r.exists ? AttributesOf(r) : kInvalidAttributes;
}

bool SandboxFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  Resolved r = Resolve(path);
  if (!r.exists || r.isRoot || r.drive->readOnly) return false;
  uint32_t keep = attributes & kKeptBits;
  if (!AllowChange()) return false;
  if (!r.isDirectory) {
    const bool readOnly = (keep & faReadOnly) != 0;
    if (HostWritable(r.host) == readOnly && !SetHostReadOnly(r.host, readOnly)) return false;
    keep &= ~faReadOnly;
    // Archive alone is what a file without kept bits shows: nothing to remember.
    const MetadataStore::Entry* e = metadata_.Find(r.dir, r.name);
    if (keep == faArchive && (!e || !e->attributes)) return true;
  }
  metadata_.Get(r.dir, r.name).attributes = keep;
  return true;
}

std::unique_ptr<TFileStream> SandboxFileSystem::OpenFile(const std::string& path, FileAccess access) {
  Resolved r = Resolve(path);
  if (!r.exists || r.isDirectory) throw EFOpenError(path);
  bool write = access == FileAccess::ReadWrite;
  if (write && (r.drive->readOnly || !HostWritable(r.host))) throw EFOpenError(path);
  std::string key = Key(r.full);
  auto it = open_->files.find(key);
  if (it != open_->files.end() && (it->second.writers > 0 || write)) throw EFOpenError(path);
  auto file = HostFile::Open(r.host, write ? HostOpen::ReadWrite : HostOpen::Read);
  if (!file) throw EFOpenError(path);
  if (write) metadata_.Get(r.dir, r.name).written = true;
  return std::make_unique<SandboxFile>(std::move(file), path, r.host, write, r.drive, open_, key);
}

std::unique_ptr<TFileStream> SandboxFileSystem::CreateFile(const std::string& path) {
  Resolved r = Resolve(path);
  if (!r.drive || r.badName || r.blocked || r.isRoot || !r.parentExists || r.drive->readOnly) throw EFCreateError(path);
  std::string key = Key(r.full);
  if (InUse(key)) throw EFileInUse(path);
  stdfs::path parentHost = r.host.parent_path();
  if (r.exists) {
    // Replacing a file: refused for folders, read-only, hidden and system files, and files in use.
    if (r.isDirectory || (AttributesOf(r) & (faReadOnly | faHidden | faSysFile)) || open_->files.count(key))
      throw EFCreateError(path);
  } else {
    EnsureAliases(r.dir, parentHost);
  }
  int64_t replaced = r.exists ? FileSize(r.host) : 0;
  if (!AllowChange()) throw EFCreateError(path);
  auto file = HostFile::Open(r.host, HostOpen::Create);
  if (!file) throw EFCreateError(path);  // the old file is still there, and still counted
  r.drive->used -= replaced;
  if (r.exists && metadata_.Find(r.dir, r.name)) metadata_.Get(r.dir, r.name).attributes.reset();
  if (!r.exists) {
    NoteAdded(parentHost, r.host.filename());
    EnsureAliases(r.dir, parentHost);
  }
  metadata_.Get(r.dir, r.name).written = true;
  return std::make_unique<SandboxFile>(std::move(file), path, r.host, true, r.drive, open_, key, !r.exists);
}

bool SandboxFileSystem::DeleteFile(const std::string& path) {
  Resolved r = Resolve(path);
  if (!r.exists || r.isDirectory || r.drive->readOnly || !HostWritable(r.host)) return false;
  if (open_->files.count(Key(r.full)) || InUse(Key(r.full))) return false;
  int64_t size = FileSize(r.host);
  if (!AllowChange()) return false;
  std::error_code ec;
  if (!stdfs::remove(r.host, ec)) return false;
  NoteRemoved(r.host.parent_path(), r.host.filename());
  r.drive->used -= size;
  metadata_.Remove(r.dir, r.name);
  return true;
}

int64_t SandboxFileSystem::RelocateFile(const std::string& source, const std::string& target) {
  Resolved from = Resolve(source);
  if (!from.exists || from.isDirectory || from.drive->readOnly || open_->files.count(Key(from.full))) return -1;
  if (InUse(Key(from.full))) return -1;
  // A file with another hard link would take that link's file along.
  std::error_code ec;
  if (stdfs::hard_link_count(from.host, ec) != 1 || ec) return -1;
  Resolved to = Resolve(target);
  if (to.drive != from.drive || to.exists || !to.parentExists || to.badName || to.blocked || to.isRoot) return -1;
  if (InUse(Key(to.full))) return -1;
  // Nor is a host entry the machine does not show (a link, say) ever replaced.
  if (HostEntryKind(to.host) != HostKind::Missing) return -1;
  const stdfs::path toParent = to.host.parent_path();
  EnsureAliases(to.dir, toParent);
  const auto bytes = stdfs::file_size(from.host, ec);
  if (ec) return -1;
  const auto size = static_cast<int64_t>(bytes);
  if (!AllowChange()) return -1;
  stdfs::rename(from.host, to.host, ec);
  if (ec) return -1;
  NoteRemoved(from.host.parent_path(), from.host.filename());
  metadata_.Remove(from.dir, from.name);
  NoteAdded(toParent, to.host.filename());
  EnsureAliases(to.dir, toParent);
  metadata_.Get(to.dir, to.name).written = true;
  // Left as a fresh copy would be: writable, written now.
  if (!HostWritable(to.host)) SetHostReadOnly(to.host, false);
  stdfs::last_write_time(to.host, stdfs::file_time_type::clock::now(), ec);
  return size;
}

bool SandboxFileSystem::RenameFile(const std::string& source, const std::string& target) {
  Resolved from = Resolve(source);
  if (!from.exists || from.isDirectory || from.drive->readOnly || open_->files.count(Key(from.full))) return false;
  if (InUse(Key(from.full))) return false;
  // A file with another hard link would take that link's file along.
  std::error_code ec;
  if (stdfs::hard_link_count(from.host, ec) != 1 || ec) return false;
  Resolved to = Resolve(target);
  if (to.drive != from.drive || to.exists || !to.parentExists || to.badName || to.blocked || to.isRoot) return false;
  if (InUse(Key(to.full)) || HostEntryKind(to.host) != HostKind::Missing) return false;
  // The file keeps what it was: its attributes and whether the sandbox wrote it go with it. A
  // source without an entry is taken for data the sandbox wrote: it may be one a process renamed
  // and was killed before metadata.txt was written, and a file the sandbox wrote is never to be
  // run on the host.
  MetadataStore::Entry carried;
  carried.written = true;
  if (const MetadataStore::Entry* entry = metadata_.Find(from.dir, from.name)) carried = *entry;
  const stdfs::path toParent = to.host.parent_path();
  EnsureAliases(to.dir, toParent);
  if (!AllowChange()) return false;
  stdfs::rename(from.host, to.host, ec);
  if (ec) return false;
  NoteRemoved(from.host.parent_path(), from.host.filename());
  metadata_.Remove(from.dir, from.name);
  NoteAdded(toParent, to.host.filename());
  EnsureAliases(to.dir, toParent);
  MetadataStore::Entry& entry = metadata_.Get(to.dir, to.name);
  entry.attributes = carried.attributes;
  entry.written = carried.written;
  return true;
}

bool SandboxFileSystem::ReplaceAtRestart(const std::string& source, const std::string& target) {
  Resolved from = Resolve(source);
  Resolved to = Resolve(target);
  if (!from.exists || from.isDirectory || from.drive->readOnly) return false;
  if (to.drive != from.drive || to.badName || to.blocked || to.isRoot || to.isDirectory) return false;
  if (!AllowChange()) return false;
  if (!AppendHostLineDurably(root_ / "pending-renames.txt", from.full + "\t" + to.full)) return false;
  Journal(root_ / "journal.log")
      .Record("MoveFileEx " + JournalQuote(from.full) + " " + JournalQuote(to.full) + " DELAY_UNTIL_REBOOT");
  return true;
}

int SandboxFileSystem::CreateDirectory(const std::string& path) {
  Resolved r = Resolve(path);
  if (r.badName) return kErrorInvalidName;
  if (!r.drive) return kErrorPathNotFound;
  if (r.blocked) return kErrorAccessDenied;
  if (r.exists) return kErrorAlreadyExists;
  if (!r.parentExists) return kErrorPathNotFound;
  if (r.drive->readOnly) return kErrorWriteProtect;
  stdfs::path parentHost = r.host.parent_path();
  EnsureAliases(r.dir, parentHost);
  if (!AllowChange()) return kErrorAccessDenied;
  std::error_code ec;
  if (!stdfs::create_directory(r.host, ec)) return kErrorAccessDenied;
  NoteAdded(parentHost, r.host.filename());
  EnsureAliases(r.dir, parentHost);
  return 0;
}

bool SandboxFileSystem::RemoveDirectory(const std::string& path) {
  Resolved r = Resolve(path);
  if (!r.exists || !r.isDirectory || r.isRoot || r.drive->readOnly) return false;
  if (AttributesOf(r) & faReadOnly) return false;
  // The current directory is held open, as every process's is on Windows.
  std::string mine = Key(IncludeTrailingBackslash(r.full));
  if (Key(IncludeTrailingBackslash(cwd_)).compare(0, mine.size(), mine) == 0) return false;
  std::error_code ec;
  if (!stdfs::is_empty(r.host, ec) || ec) return false;
  if (!AllowChange()) return false;
  if (!stdfs::remove(r.host, ec)) return false;
  NoteRemoved(r.host.parent_path(), r.host.filename());
  listings_->dirs.clear();
  metadata_.Remove(r.dir, r.name);
  return true;
}

double SandboxFileSystem::DiskFreeBytes(const std::string& root) {
  Resolved r = Resolve(root.empty() ? cwd_ : root);
  if (!r.exists || !r.isDirectory) return -1;
  // A drive with a quota is a disk of that size, whatever room the host has.
  if (r.drive->quota) return static_cast<double>(std::max<int64_t>(0, *r.drive->quota - r.drive->used));
  std::error_code ec;
  auto space = stdfs::space(r.drive->host, ec);
  if (ec) return -1;
  return static_cast<double>(space.available);
}

std::unique_ptr<DirectorySearch> SandboxFileSystem::FindFirst(const std::string& pattern, FindData& first) {
  // The mask is taken as given; only the folder part is made full.
  size_t cut = pattern.find_last_of("\\/:");
  std::string mask = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
  std::string folder = cut == std::string::npos ? std::string(".") : pattern.substr(0, cut + 1);
  if (mask.empty() || HasInvalidCharacters(mask, true)) return nullptr;
  Resolved dir = Resolve(folder);
  if (!dir.exists || !dir.isDirectory) return nullptr;
  std::string dirPath = ExcludeTrailingBackslash(dir.full);
  EnsureAliases(dirPath, dir.host);

  bool wild = HasWildcards(mask);
  std::vector<FindData> found;
  auto consider = [&](const std::string& name, const std::string& alias, const stdfs::path& host, uint32_t attrs) {
    bool match = wild ? (MatchesWildcard(name, mask) || (!alias.empty() && MatchesWildcard(alias, mask)))
                      : (SameText(name, mask) || (!alias.empty() && SameText(alias, mask)));
    if (!match) return;
    FindData fd;
    fd.name = name;
    fd.shortName = alias;
    fd.attributes = attrs;
    std::error_code ec;
    fd.size = (attrs & faDirectory) ? 0 : FileSize(host);
    int64_t t = HostWriteTime(host);
    fd.lastWriteDosTime = t < 0 ? PackDosDateTime({1980, 1, 1, 0, 0, 0}) : EpochToDosDateTime(t);
    found.push_back(std::move(fd));
  };
  if (!dir.isRoot) {
    consider(".", "", dir.host, AttributesOf(dir));
    consider("..", "", dir.host.parent_path(), faDirectory);
  }
  std::vector<Listing> entries = ListFolder(dir.host);
  std::sort(entries.begin(), entries.end(),
            [](const Listing& a, const Listing& b) { return CompareText(a.name, b.name) < 0; });
  for (const Listing& l : entries) {
    Resolved child;
    child.drive = dir.drive;
    child.dir = dirPath;
    child.name = l.name;
    child.host = dir.host / l.hostName;
    child.exists = true;
    std::error_code ec;
    child.isDirectory = stdfs::is_directory(child.host, ec);
    const MetadataStore::Entry* e = metadata_.Find(dirPath, l.name);
    consider(l.name, e ? e->alias : std::string(), child.host, AttributesOf(child));
  }
  if (found.empty()) return nullptr;
  first = found.front();
  found.erase(found.begin());
  return std::make_unique<SnapshotSearch>(std::move(found));
}

bool SandboxFileSystem::ChangeDirectory(const std::string& path) {
  Resolved r = Resolve(path);
  if (!r.exists || !r.isDirectory) return false;
  cwd_ = r.full;
  return true;
}

std::string SandboxFileSystem::ShortPathName(const std::string& path) {
  Resolved r = Resolve(path);
  if (!r.exists) return {};
  SplitPath sp = SplitFullPath(r.full);
  std::string out = sp.drive;
  std::string dir = sp.drive;
  stdfs::path host = r.drive->host;
  for (const std::string& part : sp.parts) {
    std::string name = part;
    if (!FitsShortName(part)) {
      EnsureAliases(dir, host);
      const MetadataStore::Entry* e = metadata_.Find(dir, part);
      if (e && !e->alias.empty()) name = e->alias;
    }
    out += "\\" + name;
    dir += "\\" + part;
    host /= HostPath(part);
  }
  if (sp.parts.empty() || (!path.empty() && IsPathDelimiter(path.back()))) out += "\\";
  return out;
}

std::string SandboxFileSystem::FullPathName(const std::string& path) {
  return MakeFullPath(path, cwd_);
}

stdfs::path SandboxFileSystem::ToHostPath(const std::string& path) {
  Resolved r = Resolve(path);
  return r.drive && !r.blocked ? r.host : stdfs::path();
}

stdfs::path SandboxFileSystem::HostProgram(const std::string& path) {
  Resolved r = Resolve(path);
  if (!r.exists || r.isDirectory || r.drive->medium) return {};
  const MetadataStore::Entry* e = metadata_.Find(r.dir, r.name);
  if (e && e->written) return {};
  return IsHostProgram(r.host) ? r.host : stdfs::path();
}

std::string SandboxFileSystem::FromHostPath(const stdfs::path& host) {
  std::error_code ec;
  stdfs::path abs = stdfs::weakly_canonical(host, ec);
  for (const auto& [letter, drive] : drives_) {
    stdfs::path base = stdfs::weakly_canonical(drive->host, ec);
    stdfs::path rel = abs.lexically_relative(base);
    if (rel.empty() || HostName(rel).compare(0, 2, "..") == 0) continue;
    std::string out{letter, ':'};
    for (const auto& part : rel) {
      if (HostName(part) == ".") continue;
      out += '\\';
      out += HostName(part);
    }
    if (out.size() == 2) out += '\\';  // the drive's root
    return out;
  }
  return {};
}

}  // namespace vurerode::platform::sandbox
