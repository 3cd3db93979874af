#include "segment/seg_test_util.h"

#include <algorithm>
#include <cctype>

#include "archive/compress.h"
#include "platform/exception.h"
#include "support/forwarding_file_stream.h"
#include "support/test_support.h"

namespace vurerode::test {

namespace {

class WatchedFile : public ForwardingFileStream {
 public:
  WatchedFile(std::unique_ptr<platform::TFileStream> inner, WatchedFileSystem& fs, bool budgeted)
      : ForwardingFileStream(std::move(inner)), fs_(fs), budgeted_(budgeted) {
    ++fs_.openFiles;
  }
  ~WatchedFile() override { --fs_.openFiles; }
  void Write(const void* b, size_t n) override {
    if (budgeted_ && fs_.writeBudget >= 0) {
      std::lock_guard<std::mutex> lock(fs_.mutex);
      if (static_cast<int64_t>(n) > fs_.writeBudget) {
        size_t part = static_cast<size_t>(fs_.writeBudget.load());
        Inner().Write(b, part);
        fs_.writeBudget = 0;
        throw EWriteError("Unable to write to " + Path() + ": No space left on device");
      }
      fs_.writeBudget -= static_cast<int64_t>(n);
    }
    Inner().Write(b, n);
  }

 private:
  WatchedFileSystem& fs_;
  bool budgeted_;
};

}  // namespace

std::unique_ptr<platform::TFileStream> WatchedFileSystem::Watch(std::unique_ptr<platform::TFileStream> inner,
                                                                bool budgeted) {
  return std::make_unique<WatchedFile>(std::move(inner), *this, budgeted);
}

std::unique_ptr<platform::TFileStream> WatchedFileSystem::OpenFile(const std::string& path,
                                                                   platform::FileAccess access) {
  const std::string seen = Win(path);
  int before;
  {
    std::lock_guard<std::mutex> lock(mutex);
    before = static_cast<int>(std::count(opened.begin(), opened.end(), seen));
    opened.push_back(seen);
  }
  if (beforeOpen) beforeOpen(seen, before);
  return Watch(NativeFileSystem::OpenFile(path, access), access != platform::FileAccess::Read);
}

std::unique_ptr<platform::TFileStream> WatchedFileSystem::CreateFile(const std::string& path) {
  auto file = Watch(NativeFileSystem::CreateFile(path), true);
  std::lock_guard<std::mutex> lock(mutex);
  created.push_back(Win(path));
  return file;
}

std::vector<uint8_t> ArchiveBytes(const std::vector<std::pair<std::string, std::vector<uint8_t>>>& files,
                                  TCompressionMethod method, int32_t key) {
  NativeFileSystem host;
  TCompress compress(host);
  compress.Key = key;
  TMemoryStream archive;
  auto header = MakeArchiveHeader(kMethodIdentifiers[method], caMulti, 0, key).Pack();
  archive.Write(header.data(), header.size());
  int32_t total = 0;
  for (const auto& [name, data] : files) {
    TMemoryStream source(data);
    compress.AppendEntry(archive, source, static_cast<int32_t>(data.size()), name, 0x58210000u, platform::faArchive,
                         method);
    total += static_cast<int32_t>(data.size());
  }
  header = MakeArchiveHeader(kMethodIdentifiers[method], caMulti, total, key).Pack();
  std::copy(header.begin(), header.end(), archive.data().begin());
  return archive.data();
}

std::vector<uint8_t> ListBytes(const std::vector<std::string>& names, size_t recordLength, char pad) {
  std::vector<uint8_t> out;
  for (const std::string& n : names) {
    std::string r = n;
    r.resize(recordLength, pad);
    out.insert(out.end(), r.begin(), r.end());
  }
  return out;
}

RawSet& RawSet::Header(uint16_t count, TSegId id) {
  TSetHeader h;
  h.Id = id;
  h.ArchiveCount = count;
  auto packed = h.Pack();
  return Bytes(std::vector<uint8_t>(packed.begin(), packed.end()));
}

RawSet& RawSet::Scan(const std::string& templ, const std::vector<uint8_t>& listData, int32_t recordLength,
                     uint8_t attribute, TSegId id) {
  TScanRecord r;
  r.Id = id;
  r.TemplateLength = static_cast<uint16_t>(templ.size());
  r.Attribute = attribute;
  r.ListRecordLength = recordLength;
  r.ListDataSize = static_cast<int32_t>(listData.size());
  auto packed = r.Pack();
  Bytes(std::vector<uint8_t>(packed.begin(), packed.end()));
  Bytes(std::vector<uint8_t>(templ.begin(), templ.end()));
  return Bytes(listData);
}

RawSet& RawSet::ScanNames(const std::string& templ, const std::vector<std::string>& names) {
  if (names.empty()) return Scan(templ, {}, 1);
  size_t longest = 1;
  for (const std::string& n : names) longest = std::max(longest, n.size());
  return Scan(templ, ArchiveBytes({{"files.lst", ListBytes(names, longest)}}), static_cast<int32_t>(longest));
}

RawSet& RawSet::Arc(uint16_t sequence, const std::vector<uint8_t>& data, TSegId id) {
  TSegArcHeader h;
  h.Id = id;
  h.Sequence = sequence;
  h.DataSize = static_cast<int32_t>(data.size());
  auto packed = h.Pack();
  Bytes(std::vector<uint8_t>(packed.begin(), packed.end()));
  return Bytes(data);
}

RawSet& RawSet::Bytes(const std::vector<uint8_t>& raw) {
  bytes.insert(bytes.end(), raw.begin(), raw.end());
  return *this;
}

std::vector<uint8_t> SegmentFile(uint16_t number, const std::vector<uint8_t>& payload) {
  TSegmentHeader h;
  h.Id = kSegmentId;
  h.Number = number;
  auto packed = h.Pack();
  std::vector<uint8_t> out(packed.size() + payload.size());
  std::copy(packed.begin(), packed.end(), out.begin());
  std::copy(payload.begin(), payload.end(), out.begin() + static_cast<std::ptrdiff_t>(packed.size()));
  return out;
}

int WriteSegments(const std::filesystem::path& dir, const std::string& base, const std::vector<uint8_t>& stream,
                  const std::vector<size_t>& payloadSizes) {
  size_t at = 0;
  int number = 0;
  for (size_t i = 0; i <= payloadSizes.size(); ++i) {
    size_t n = i < payloadSizes.size() ? std::min(payloadSizes[i], stream.size() - at) : stream.size() - at;
    ++number;
    std::vector<uint8_t> payload(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                 stream.begin() + static_cast<std::ptrdiff_t>(at + n));
    std::string ext = std::to_string(number);
    ext.insert(0, ext.size() < 3 ? 3 - ext.size() : 0, '0');
    WriteFileBytes(dir / (base + "." + ext), SegmentFile(static_cast<uint16_t>(number), payload));
    at += n;
  }
  return number;
}

std::set<std::string> FolderEntries(const std::filesystem::path& dir) {
  std::set<std::string> out;
  std::error_code ec;
  for (auto it = std::filesystem::directory_iterator(dir, ec); !ec && it != std::filesystem::directory_iterator();
       it.increment(ec))
    out.insert(it->path().filename().string());
  return out;
}

bool SamePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

void CopyOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::filesystem::remove(to);
  std::filesystem::copy_file(from, to);
}

}  // namespace vurerode::test
