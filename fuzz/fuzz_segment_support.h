// What the segment fuzz targets share: a Windows-like file system held in memory (names compared
// without case, every open file counted, writes capped so that no input runs long), an owner whose
// prompter answers from the input, and the checks every expansion must pass however it ends.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/ansi.h"
#include "platform/exception.h"
#include "platform/posix/host_file_system.h"
#include "segment/seg_comp_ez.h"
#include "segment/seg_records.h"

namespace vurerode::fuzz {

inline constexpr size_t kWriteLimit = 256 << 10;

struct MemoryStore {
  std::map<std::string, std::shared_ptr<std::vector<uint8_t>>> files;  // by upper-case path
  std::map<std::string, uint32_t> attributes;
  std::set<std::string> dirs;
  int open = 0;
  size_t budget = kWriteLimit;
};

class MemoryFile : public platform::TFileStream {
 public:
  MemoryFile(std::shared_ptr<std::vector<uint8_t>> data, std::string path, MemoryStore& store)
      : data_(std::move(data)), path_(std::move(path)), store_(store) {
    ++store_.open;
  }
  ~MemoryFile() override { --store_.open; }
  size_t Read(void* buffer, size_t n) override {
    size_t have = pos_ < data_->size() ? data_->size() - pos_ : 0;
    size_t got = n < have ? n : have;
    std::copy(data_->begin() + static_cast<std::ptrdiff_t>(pos_),
              data_->begin() + static_cast<std::ptrdiff_t>(pos_ + got), static_cast<uint8_t*>(buffer));
    pos_ += got;
    return got;
  }
  void Write(const void* buffer, size_t n) override {
    if (n > store_.budget) throw EWriteError("Unable to write to " + path_ + ": disk full");
    store_.budget -= n;
    if (data_->size() < pos_ + n) data_->resize(pos_ + n);
    std::copy(static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + n,
              data_->begin() + static_cast<std::ptrdiff_t>(pos_));
    pos_ += n;
  }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    int64_t base = origin == SeekOrigin::Begin     ? 0
                   : origin == SeekOrigin::Current ? static_cast<int64_t>(pos_)
                                                   : static_cast<int64_t>(data_->size());
    int64_t to = base + offset;
    pos_ = to < 0 ? 0 : static_cast<size_t>(to);
    return static_cast<int64_t>(pos_);
  }
  int64_t Size() override { return static_cast<int64_t>(data_->size()); }
  void Truncate() override {
    if (pos_ < data_->size()) data_->resize(pos_);
  }
  void SetLastWriteDosTime(uint32_t) override {}
  uint32_t LastWriteDosTime() override { return 0; }
  const std::string& Path() const override { return path_; }

 private:
  std::shared_ptr<std::vector<uint8_t>> data_;
  std::string path_;
  MemoryStore& store_;
  size_t pos_ = 0;
};

// Overrides everything the segment and archive components ask of a file system.
class MemoryFileSystem : public platform::HostFileSystem {
 public:
  static std::string Key(const std::string& path) { return platform::AnsiUpperCase(path); }

  void Put(const std::string& path, std::vector<uint8_t> bytes) {
    store.files[Key(path)] = std::make_shared<std::vector<uint8_t>>(std::move(bytes));
    store.attributes[Key(path)] = platform::faArchive;
  }
  uint32_t GetAttributes(const std::string& path) override {
    if (store.dirs.count(Key(path))) return platform::faDirectory;
    auto it = store.attributes.find(Key(path));
    return it == store.attributes.end() ? platform::kInvalidAttributes : it->second;
  }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    if (!store.files.count(Key(path))) return false;
    store.attributes[Key(path)] = attributes & ~platform::faDirectory;
    return true;
  }
  std::unique_ptr<platform::TFileStream> OpenFile(const std::string& path, platform::FileAccess) override {
    auto it = store.files.find(Key(path));
    if (it == store.files.end()) throw EFOpenError(path);
    return std::make_unique<MemoryFile>(it->second, path, store);
  }
  std::unique_ptr<platform::TFileStream> CreateFile(const std::string& path) override {
    if (path.empty() || path.back() == '\\' || store.dirs.count(Key(path))) throw EFCreateError(path);
    auto attr = store.attributes.find(Key(path));
    if (attr != store.attributes.end() && (attr->second & platform::faReadOnly)) throw EFCreateError(path);
    auto data = std::make_shared<std::vector<uint8_t>>();
    store.files[Key(path)] = data;
    store.attributes[Key(path)] = platform::faArchive;
    return std::make_unique<MemoryFile>(data, path, store);
  }
  bool DeleteFile(const std::string& path) override {
    auto attr = store.attributes.find(Key(path));
    if (attr != store.attributes.end() && (attr->second & platform::faReadOnly)) return false;
    store.attributes.erase(Key(path));
    return store.files.erase(Key(path)) > 0;
  }
  int CreateDirectory(const std::string& path) override {
    if (store.files.count(Key(path))) return 183;
    store.dirs.insert(Key(path));
    return 0;
  }
  bool RemoveDirectory(const std::string& path) override { return store.dirs.erase(Key(path)) > 0; }
  double DiskFreeBytes(const std::string&) override { return 1e9; }
  std::string CurrentDirectory() override { return "C:\\CURRENT"; }
  std::string FullPathName(const std::string& path) override { return path; }

  MemoryStore store;
};

// Answers questions from a few bytes of the input: OK or Cancel, and typed folders.
class InputPrompter : public Prompter {
 public:
  explicit InputPrompter(uint8_t script) : script_(script) {}
  PromptResult Message(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
    // At most a few retries, so that no input loops.
    return (++asked_ <= (script_ & 3)) ? PromptResult::Ok : PromptResult::Cancel;
  }
  bool InputQuery(const std::string&, const std::string&, std::string& value) override {
    ++asked_;
    if (asked_ > 6) return false;
    if ((script_ >> 2) & 1) value = (asked_ & 1) ? "" : "C:\\SET";
    return true;
  }

 private:
  uint8_t script_;
  int asked_ = 0;
};

class FuzzOwner : public TSegOwner {
 public:
  explicit FuzzOwner(uint8_t script) : prompter_(script) {}
  Prompter& SegPrompter() override { return prompter_; }

 private:
  InputPrompter prompter_;
};

// One segment file: the 8-byte header and a payload.
inline std::vector<uint8_t> Segment(uint16_t number, const uint8_t* payload, size_t n) {
  TSegmentHeader h;
  h.Id = kSegmentId;
  h.Number = number;
  auto packed = h.Pack();
  std::vector<uint8_t> out(packed.begin(), packed.end());
  out.insert(out.end(), payload, payload + n);
  return out;
}

// Runs one expansion and checks what must hold however it ends: no file open, nothing of the
// reader's own left in the work folder (a set may send its data files there), the application's
// handlers back in place. Only the library's own errors may escape the expansion; anything else
// reaches libFuzzer as a crash. checkFile, when given, is the application's OnCheckFile.
inline void ExpandAndCheck(MemoryFileSystem& files, TSegCompEZ& seg, std::function<void(std::string&)> checkFile = {}) {
  int handlerCalls = 0;
  std::set<std::string> dataFiles;
  seg.OnShowProgress = [&](int32_t&) { ++handlerCalls; };
  seg.OnCheckFile = [&](std::string& path, TCProcessMode) {
    if (checkFile) checkFile(path);
    dataFiles.insert(MemoryFileSystem::Key(path));
  };
  try {
    seg.SegExpand();
  } catch (const Exception&) {
  }
  if (files.store.open != 0) abort();
  for (const auto& [path, bytes] : files.store.files)
    if (path.rfind("C:\\WORK\\", 0) == 0 && !dataFiles.count(path)) abort();
  const int before = handlerCalls;
  int32_t percent = 0;
  if (!seg.OnShowProgress) abort();
  seg.OnShowProgress(percent);
  if (handlerCalls != before + 1) abort();
}

}  // namespace vurerode::fuzz
