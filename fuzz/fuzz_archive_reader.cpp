// Lists and expands arbitrary bytes as an archive into a file system held in memory, so that no
// disk is touched and every written byte is counted. The first six bytes choose the key, the
// component's options and the free disk space, so locked entries, selections, handlers and the
// space check are all reached.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archive/compress.h"
#include "platform/exception.h"
#include "platform/posix/host_file_system.h"

namespace {

using namespace vurerode;

// Enough for several entries of every method. Beyond it a decoder only repeats paths already
// covered, and slowly under instrumentation (the codec targets go further).
constexpr size_t kOutputLimit = 32 << 10;

class MemoryFile : public platform::TFileStream {
 public:
  MemoryFile(std::shared_ptr<std::vector<uint8_t>> data, std::string path, size_t* budget)
      : data_(std::move(data)), path_(std::move(path)), budget_(budget) {}

  size_t Read(void* buffer, size_t n) override {
    size_t have = pos_ < data_->size() ? data_->size() - pos_ : 0;
    size_t got = n < have ? n : have;
    std::copy(data_->begin() + static_cast<std::ptrdiff_t>(pos_),
              data_->begin() + static_cast<std::ptrdiff_t>(pos_ + got), static_cast<uint8_t*>(buffer));
    pos_ += got;
    return got;
  }
  void Write(const void* buffer, size_t n) override {
    if (n > *budget_) throw EWriteError("Unable to write to " + path_ + ": output limit");
    *budget_ -= n;
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
  void SetLastWriteDosTime(uint32_t t) override { time_ = t; }
  uint32_t LastWriteDosTime() override { return time_; }
  const std::string& Path() const override { return path_; }

 private:
  std::shared_ptr<std::vector<uint8_t>> data_;
  std::string path_;
  size_t* budget_;
  size_t pos_ = 0;
  uint32_t time_ = 0;
};

// Overrides everything TCompress asks of a file system; the rest is never reached.
class MemoryFileSystem : public platform::HostFileSystem {
 public:
  uint32_t GetAttributes(const std::string& path) override {
    if (dirs_.count(path)) return platform::faDirectory;
    auto it = files_.find(path);
    return it == files_.end() ? platform::kInvalidAttributes : attributes_[path];
  }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    if (!files_.count(path)) return false;
    attributes_[path] = attributes & ~platform::faDirectory;
    return true;
  }
  std::unique_ptr<platform::TFileStream> OpenFile(const std::string& path, platform::FileAccess) override {
    auto it = files_.find(path);
    if (it == files_.end()) throw EFOpenError(path);
    return std::make_unique<MemoryFile>(it->second, path, &budget_);
  }
  std::unique_ptr<platform::TFileStream> CreateFile(const std::string& path) override {
    // A name the folder-less root cannot hold, as a real file system would refuse some.
    if (path.empty() || path.back() == '\\' || dirs_.count(path)) throw EFCreateError(path);
    auto data = std::make_shared<std::vector<uint8_t>>();
    files_[path] = data;
    attributes_[path] = platform::faArchive;
    return std::make_unique<MemoryFile>(data, path, &budget_);
  }
  bool DeleteFile(const std::string& path) override {
    attributes_.erase(path);
    return files_.erase(path) > 0;
  }
  int CreateDirectory(const std::string& path) override {
    if (files_.count(path)) return 183;  // already exists as a file
    dirs_.insert(path);
    return 0;
  }
  bool RemoveDirectory(const std::string& path) override { return dirs_.erase(path) > 0; }
  double DiskFreeBytes(const std::string&) override { return freeBytes; }

  double freeBytes = 0;

 private:
  std::map<std::string, std::shared_ptr<std::vector<uint8_t>>> files_;
  std::map<std::string, uint32_t> attributes_;
  std::set<std::string> dirs_;
  size_t budget_ = kOutputLimit;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  int32_t key = static_cast<int32_t>(data[0] | data[1] << 8 | data[2] << 16 | uint32_t{data[3]} << 24);
  const uint8_t options = data[4];
  const uint8_t space = data[5];
  std::vector<uint8_t> archive(data + 6, data + size);

  MemoryFileSystem files;
  // A failed disk query, or some free space counted in 4 KiB steps.
  files.freeBytes = (space & 1) ? -1.0 : (space >> 1) * 4096.0;
  TCompress compress(files);
  compress.Key = key;
  compress.SetTargetPath("C:\\target");
  compress.MakeDirectories = options & 1;
  compress.CheckSpaceBeforeExpand = options & 2;
  compress.ExceptionOnFileError = options & 4;
  if (options & 8) compress.OnRecognize = [](const std::string&, bool& ok) { ok = true; };
  if (options & 16) {
    // Custom entries: read a little of the source, write it back, claim a checksum.
    compress.OnExpand = [](TStream& dest, TStream& source, int32_t sourceSize, int32_t, const std::string&,
                           int32_t& checksum) {
      uint8_t buf[64];
      size_t want = sourceSize > 0 && sourceSize < 64 ? static_cast<size_t>(sourceSize) : 64;
      size_t got = source.Read(buf, want);
      dest.Write(buf, got);
      checksum = static_cast<int32_t>(got);
    };
  }
  if (options & 32) {
    int calls = 0;
    compress.OnCheckFile = [calls](std::string& path, TCProcessMode) mutable {
      ++calls;
      if (calls % 3 == 0) path.clear();
      if (calls == 7) path = "*";
    };
  }
  if (options & 64) {
    int calls = 0;
    compress.OnShowProgress = [calls](int32_t& percent) mutable {
      if (++calls == 5) percent = -1;
    };
  }

  TArchiveList list;
  try {
    TMemoryStream stream(archive);
    compress.ListArchiveStream(stream, list);
  } catch (const Exception&) {
  }
  try {
    TMemoryStream stream(archive);
    std::vector<std::string> selection;
    for (size_t i = 0; i < list.size(); i += 2) selection.push_back(list[i].Name);
    compress.ExpandArchiveStream(stream, (options & 128) ? &selection : nullptr);
  } catch (const Exception&) {
  }
  return 0;
}
