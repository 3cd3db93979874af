// Shared pieces of the segment tests: an owner that answers from a script, a host file system that
// counts open files and can run out of space, and builders for raw set bytes so that tests can cut
// and damage sets at any byte.
#pragma once

#include <atomic>
#include <filesystem>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "archive/format.h"
#include "platform/native_file_system.h"
#include "segment/scripted_prompter.h"
#include "segment/seg_owner.h"
#include "segment/seg_records.h"

namespace vurerode::test {

using platform::NativeFileSystem;

// Windows compares paths without regard to case, and the segment reader lower-cases its folders.
bool SamePath(const std::string& a, const std::string& b);
// Copies a file over another (libstdc++'s overwrite option fails on Windows builds).
void CopyOver(const std::filesystem::path& from, const std::filesystem::path& to);

class TestOwner : public TSegOwner {
 public:
  Prompter& SegPrompter() override { return prompter; }
  void Repaint() override { ++repaints; }
  void ProcessMessages() override { ++messageRuns; }

  ScriptedPrompter prompter;
  int repaints = 0;
  int messageRuns = 0;
};

// The host file system, watched: counts the files open at any moment, remembers every file created,
// can refuse writes beyond a byte budget (a full disk) and can swap a file's bytes on a given open.
// Safe to call from several threads (a set can be built by several).
class WatchedFileSystem : public NativeFileSystem {
 public:
  std::unique_ptr<platform::TFileStream> OpenFile(const std::string& path, platform::FileAccess access) override;
  std::unique_ptr<platform::TFileStream> CreateFile(const std::string& path) override;

  std::atomic<int> openFiles = 0;
  std::atomic<int64_t> writeBudget = -1;  // bytes all created files together may take; -1 for no limit
  std::mutex mutex;                       // guards the lists
  // Paths as opened and created, with every slash read as a backslash.
  std::vector<std::string> created;
  std::vector<std::string> opened;
  // Runs before every OpenFile with the path (as recorded) and how often it was opened before.
  std::function<void(const std::string& path, int timesBefore)> beforeOpen;

 private:
  std::unique_ptr<platform::TFileStream> Watch(std::unique_ptr<platform::TFileStream> inner, bool budgeted);
};

// An archive in memory: entries (name, bytes), coded with method.
std::vector<uint8_t> ArchiveBytes(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files,
                                  TCompressionMethod method = coNone, int32_t key = 0);

// A list file: each name in a record of recordLength bytes, padded with pad.
std::vector<uint8_t> ListBytes(const std::vector<std::string>& names, size_t recordLength, char pad = '\0');

// Raw segment-stream bytes, record by record, so tests can write anything a damaged set may hold.
class RawSet {
 public:
  RawSet& Header(uint16_t count, TSegId id = kSetHeaderId);
  // A scan record with its template and list data (an archive holding the list file).
  RawSet& Scan(const std::string& templ, const std::vector<uint8_t>& listData, int32_t recordLength,
               uint8_t attribute = 0, TSegId id = kScanId);
  // A scan record whose list archive holds a list of names padded with zeros to the longest.
  RawSet& ScanNames(const std::string& templ, const std::vector<std::string>& names);
  RawSet& Arc(uint16_t sequence, const std::vector<uint8_t>& data, TSegId id = kArchiveId);
  RawSet& Bytes(const std::vector<uint8_t>& raw);

  std::vector<uint8_t> bytes;
};

// Writes the stream as segment files base.001, base.002, ... in dir: the payloads take the given
// sizes in turn and the last takes the rest. Returns the number of segments.
int WriteSegments(const std::filesystem::path& dir, const std::string& base, const std::vector<uint8_t>& stream,
                  const std::vector<size_t>& payloadSizes);
std::vector<uint8_t> SegmentFile(uint16_t number, const std::vector<uint8_t>& payload);

// The names of the entries of a folder (not recursive).
std::set<std::string> FolderEntries(const std::filesystem::path& dir);

}  // namespace vurerode::test
