// The file system of a virtual Windows machine kept in a host folder ROOT. Drive letters map to
// folders (C: to ROOT/drive_c, any ROOT/drive_<letter> to its letter, and host folders mounted as
// drives, read-only when asked). Windows rules hold inside: names compared without regard to case
// and kept as created, attribute bits kept (read-only files and folders refuse deletion), files in
// use refuse deletion and conflicting opens, a folder that is some process's current directory
// cannot be removed, long names get 8.3 aliases, and a drive can be given a quota so that it fills.
// Nothing outside the drives' folders is reached: host links and special files are neither shown
// nor passed through, and host names Windows could not hold are not shown.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/sandbox/change_faults.h"
#include "platform/sandbox/metadata_store.h"

namespace vurerode::platform::sandbox {

struct Drive;
struct OpenTable;

class SandboxFileSystem : public FileSystem {
 public:
  // Opens (and on first use lays out) the machine in root: C:\WINDOWS with Temp, System, System32,
  // Fonts, Desktop, Start Menu\Programs\StartUp and Application Data\Microsoft\Internet
  // Explorer\Quick Launch, and C:\Program Files.
  explicit SandboxFileSystem(std::filesystem::path root);
  ~SandboxFileSystem() override;

  // Makes a host folder drive letter's content; a read-only drive refuses every change. A mounted
  // folder is a medium: nothing on it is ever run on the host.
  void Mount(char letter, const std::filesystem::path& hostFolder, bool readOnly);
  // Limits the bytes the files of a drive may take; nullopt lifts the limit. What the drive holds is
  // counted once now, and kept up to date by the sandbox's own writes, truncations and deletions.
  void SetQuota(char letter, std::optional<int64_t> bytes);
  // Counts each change against a fault device (see change_faults.h); nullptr: none.
  void SetChangeFaults(ChangeFaults* faults) { faults_ = faults; }
  // Files another program holds open without sharing (a test device): creating, deleting or
  // moving them fails as for a file in use (CreateFile raises EFileInUse).
  void SetFilesInUse(const std::vector<std::string>& paths);
  // Reads again what another process may have changed since: metadata.txt, the folders' listings
  // and the room the drives with a quota take.
  void Reload();
  // Writes metadata.txt now when it changed (see MetadataStore::Flush for what it raises).
  void FlushMetadata() { metadata_.Flush(); }
  // The host path a Windows path stands for (existing parts in their real spelling); empty when
  // it lies on no drive.
  std::filesystem::path ToHostPath(const std::string& path);
  // The host program a Windows path names when the host may run it: a file the host can run that
  // lies on no mounted medium and was never written through the sandbox; empty otherwise.
  std::filesystem::path HostProgram(const std::string& path);
  // The Windows path of a host path inside one of the drives; empty when it lies outside them.
  std::string FromHostPath(const std::filesystem::path& host);
  const std::filesystem::path& root() const { return root_; }
  // Drops what the machine remembers of its folders' listings, after something other than the
  // sandbox (a host program) may have changed them.
  void ForgetListings();

  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<TFileStream> OpenFile(const std::string& path, FileAccess access) override;
  std::unique_ptr<TFileStream> CreateFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  int64_t RelocateFile(const std::string& source, const std::string& target) override;
  // A host rename on the drive; the file keeps its date, attributes and write permission.
  bool RenameFile(const std::string& source, const std::string& target) override;
  // Records the pair as Windows queues it: a line in ROOT/journal.log ("MoveFileEx SOURCE TARGET
  // DELAY_UNTIL_REBOOT") and a line "SOURCE<TAB>TARGET" (full paths, CR LF) in
  // ROOT/pending-renames.txt. The source must be a file and the target lie on its drive.
  bool ReplaceAtRestart(const std::string& source, const std::string& target) override;
  int CreateDirectory(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  double DiskFreeBytes(const std::string& root) override;
  std::unique_ptr<DirectorySearch> FindFirst(const std::string& pattern, FindData& first) override;
  std::string CurrentDirectory() override { return cwd_; }
  bool ChangeDirectory(const std::string& path) override;
  std::string WindowsDirectory() override { return "C:\\WINDOWS"; }
  std::string ShortPathName(const std::string& path) override;
  std::string FullPathName(const std::string& path) override;

 private:
  struct Resolved;
  struct Listing;

  Resolved Resolve(const std::string& path);
  std::optional<Listing> LookupChild(const std::string& dir, const std::filesystem::path& hostDir,
                                     const std::string& part);
  // A folder's entries as the machine shows them. Listings are kept while the folder's time stamp
  // stays the same, and kept up to date by the sandbox's own changes, so that filling a folder of
  // N files does not read the folder N times.
  const std::vector<Listing>& ListFolder(const std::filesystem::path& hostDir);
  void NoteAdded(const std::filesystem::path& hostDir, const std::filesystem::path& hostName);
  void NoteRemoved(const std::filesystem::path& hostDir, const std::filesystem::path& hostName);
  void EnsureAliases(const std::string& dir, const std::filesystem::path& hostDir);
  uint32_t AttributesOf(const Resolved& r);
  std::shared_ptr<Drive> DriveOf(char letter);
  void AddDrive(char letter, const std::filesystem::path& hostFolder, bool readOnly, bool medium);
  void LayOut();
  void CountUsed(Drive& drive);
  // False when the fault device refuses the change about to be made.
  bool AllowChange() { return !faults_ || faults_->Allow(); }
  bool InUse(const std::string& key) const { return inUse_.count(key) > 0; }

  std::filesystem::path root_;
  struct ListingCache;
  std::unique_ptr<ListingCache> listings_;
  std::map<char, std::shared_ptr<Drive>> drives_;
  std::shared_ptr<OpenTable> open_;
  MetadataStore metadata_;
  std::string cwd_ = "C:\\";
  ChangeFaults* faults_ = nullptr;
  std::set<std::string> inUse_;  // upper-case full paths
};

}  // namespace vurerode::platform::sandbox
