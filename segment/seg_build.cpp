// Building a set: the set header, a scan record per archive (template, then its list file packed as
// a one-entry archive of fixed-length records), then an archive record per archive followed by the
// archive, which is coded into the temporary archive file first because its size leads it. The
// stream is cut into segment files of at most SegSize bytes, each opened only when a byte needs it.
#include <algorithm>
#include <limits>
#include <set>

#include "platform/file_system.h"
#include "segment/muted_handlers.h"
#include "segment/seg_compress.h"
#include "segment/seg_errors.h"
#include "segment/seg_names.h"

namespace vurerode {

class TSegCompress::SegmentWriter {
 public:
  explicit SegmentWriter(TSegCompress& owner) : s_(owner) {}
  ~SegmentWriter() { file_.reset(); }
  SegmentWriter(const SegmentWriter&) = delete;
  SegmentWriter& operator=(const SegmentWriter&) = delete;

  void Write(const uint8_t* data, size_t n) {
    while (n > 0) {
      if (!file_ || room_ == 0) NextSegment();
      size_t k = static_cast<size_t>(std::min<int64_t>(room_, static_cast<int64_t>(n)));
      file_->Write(data, k);
      data += k;
      n -= k;
      room_ -= static_cast<int64_t>(k);
    }
  }

  // Closes the last segment; returns how many were written.
  uint16_t Finish() {
    file_.reset();
    return number_;
  }

  // Deletes every segment written so far (after a failure).
  void Discard() {
    file_.reset();
    for (const std::string& p : written_) s_.fs().DeleteFile(p);
  }

 private:
  void NextSegment() {
    if (file_) {
      file_.reset();
      if (s_.OnSegAfter) s_.OnSegAfter(smBuild, name_, number_);
    }
    if (number_ == std::numeric_limits<uint16_t>::max())
      throw ESegError("(TSegCompress) Too many segments: a set holds at most 65535");
    ++number_;
    name_ = SegmentFileName(s_.segBaseName_, s_.segExt_, number_);
    // The handler may point SegDir at the next disk.
    if (s_.OnSegBefore) s_.OnSegBefore(smBuild, name_, number_);
    const std::string path = SegmentFilePath(s_.segDir_, name_);
    if (!paths_.insert(AnsiLowerCase(path)).second)
      throw ESegError("(TSegCompress) Segment " + std::to_string(number_) + " would overwrite an earlier one at " +
                      path);
    file_ = s_.fs().CreateFile(path);
    written_.push_back(path);
    TSegmentHeader header;
    header.Id = kSegmentId;
    header.Number = number_;
    auto bytes = header.Pack();
    file_->Write(bytes.data(), bytes.size());
    room_ = s_.segSize_ - static_cast<int64_t>(kSegmentHeaderSize);
  }

  TSegCompress& s_;
  std::unique_ptr<platform::TFileStream> file_;
  uint16_t number_ = 0;
  std::string name_;
  int64_t room_ = 0;
  std::set<std::string> paths_;
  std::vector<std::string> written_;
};

namespace {

// A name the reader would give back differently (cut at a zero, trailing spaces stripped) or could
// not hold in one record cannot go into a list file.
void CheckListName(const std::string& name) {
  if (name.empty() || name.size() > static_cast<size_t>(kMaxListRecordLength) || name.find('\0') != std::string::npos ||
      name.back() == ' ')
    throw ESegError("(TSegCompress) File name cannot be listed in a set: \"" + name + "\"");
}

// The list file: one record per name, each padded with zeros to the longest name's length.
std::vector<uint8_t> ListFileBytes(const std::vector<TArchiveMember>& files, int32_t& recordLength) {
  size_t longest = 1;
  for (const TArchiveMember& f : files) longest = std::max(longest, f.EntryName.size());
  if (files.size() > static_cast<size_t>(std::numeric_limits<int32_t>::max()) / longest)
    throw ESegError("(TSegCompress) File list too large for a set");
  recordLength = static_cast<int32_t>(longest);
  std::vector<uint8_t> bytes(files.size() * longest, 0);
  for (size_t i = 0; i < files.size(); ++i)
    std::copy(files[i].EntryName.begin(), files[i].EntryName.end(), bytes.begin() + i * longest);
  return bytes;
}

}  // namespace

uint16_t TSegCompress::SegCompressArchives(const std::vector<TSegBuildArchive>& archives, TCompressionMethod method) {
  segMode_ = smBuild;
  if (archives.size() > std::numeric_limits<uint16_t>::max())
    throw ESegError("(TSegCompress) Too many archives: a set holds at most 65535");
  for (const TSegBuildArchive& a : archives) {
    if (a.Template.size() > static_cast<size_t>(kMaxTemplateLength) || a.Template.find('\0') != std::string::npos)
      throw ESegError("(TSegCompress) Template cannot be stored in a set: \"" + a.Template.substr(0, 64) + "\"");
    for (const TArchiveMember& f : a.Files) CheckListName(f.EntryName);
  }
  if (segTmpDir_.empty()) throw Exception("Unable to create directory");
  MakeDirectoryPath(segTmpDir_);
  MakeDirectoryPath(segDir_);

  SegmentWriter out(*this);
  const std::string temp = TempArchivePath();
  try {
    TSetHeader header;
    header.Id = kSetHeaderId;
    header.ArchiveCount = static_cast<uint16_t>(archives.size());
    auto headerBytes = header.Pack();
    out.Write(headerBytes.data(), headerBytes.size());

    for (const TSegBuildArchive& a : archives) {
      // The list archive is small: it is built in memory, unlocked, and the application's handlers
      // see nothing of it.
      TMemoryStream list;
      int32_t recordLength = 1;
      if (!a.Files.empty()) {
        MutedHandlers muted(*this);
        const int32_t key = Key;
        Key = 0;
        try {
          std::vector<uint8_t> records = ListFileBytes(a.Files, recordLength);
          TMemoryStream source(std::move(records));
          const int32_t size = static_cast<int32_t>(source.Size());
          auto archiveHeader = MakeArchiveHeader(kMethodIdentifiers[method], caMulti, size, 0).Pack();
          list.Write(archiveHeader.data(), archiveHeader.size());
          AppendEntry(list, source, size, segBaseName_ + ".lst", 0x00210000u, platform::faArchive, method);
        } catch (...) {
          Key = key;
          throw;
        }
        Key = key;
      }
      TScanRecord scan;
      scan.Id = kScanId;
      scan.TemplateLength = static_cast<uint16_t>(a.Template.size());
      scan.Attribute = a.Attribute;
      scan.ListRecordLength = recordLength;
      scan.ListDataSize = static_cast<int32_t>(list.Size());
      auto scanBytes = scan.Pack();
      out.Write(scanBytes.data(), scanBytes.size());
      out.Write(reinterpret_cast<const uint8_t*>(a.Template.data()), a.Template.size());
      out.Write(list.data().data(), list.data().size());
    }

    std::vector<uint8_t> block(65536);
    for (size_t i = 0; i < archives.size(); ++i) {
      fs().DeleteFile(temp);
      int64_t size = 0;
      {
        auto file = fs().CreateFile(temp);
        CompressToStream(*file, archives[i].Files, method);
        size = file->Size();
      }
      if (size > std::numeric_limits<int32_t>::max())
        throw ESegError("(TSegCompress) Archive " + std::to_string(i) + " is larger than a set can hold (2 GiB)");
      TSegArcHeader record;
      record.Id = kArchiveId;
      record.Sequence = static_cast<uint16_t>(i);
      record.DataSize = static_cast<int32_t>(size);
      auto recordBytes = record.Pack();
      out.Write(recordBytes.data(), recordBytes.size());

      auto file = fs().OpenFile(temp, platform::FileAccess::Read);
      int64_t done = 0;
      while (done < size) {
        size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(block.size()), size - done));
        file->ReadBuffer(block.data(), n);
        out.Write(block.data(), n);
        done += static_cast<int64_t>(n);
        if (OnSegShowProgress) OnSegShowProgress(static_cast<int32_t>(done * 100 / size));
      }
      file.reset();
      fs().DeleteFile(temp);
    }
    return out.Finish();
  } catch (...) {
    out.Discard();
    fs().DeleteFile(temp);
    throw;
  }
}

}  // namespace vurerode
