// A Windows-like file system held in memory for the fuzz targets: names compared without case,
// read-only files kept, every open file counted, writes capped so that no input runs long.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"
#include "platform/exception.h"
#include "platform/posix/host_file_system.h"

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
  static std::string Key(const std::string& path) { return platform::UpperCase(path); }

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
  double DiskFreeBytes(const std::string&) override { return freeBytes; }
  std::string CurrentDirectory() override { return "C:\\CURRENT"; }
  std::string FullPathName(const std::string& path) override { return path; }

  MemoryStore store;
  double freeBytes = 1e9;
};

}  // namespace vurerode::fuzz
