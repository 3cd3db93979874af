// Expanding a set: the set header, every scan record (whose list files are expanded into the work
// directory with the application's TCompress handlers muted), then one archive record per archive,
// each archive copied into the temporary archive file and expanded from there.
#include <algorithm>
#include <cstring>
#include <string_view>

#include "platform/file_system.h"
#include "platform/text.h"
#include "segment/muted_handlers.h"
#include "segment/seg_compress.h"
#include "segment/seg_errors.h"
#include "segment/seg_names.h"

namespace vurerode {

namespace {

// Deletes a file the reader wrote, read-only or not (its attributes are cleared only when the file
// resists: each call costs a system call or two).
void RemoveFile(platform::FileSystem& fs, const std::string& path) {
  if (fs.DeleteFile(path)) return;
  fs.SetAttributes(path, platform::faNormal);
  fs.DeleteFile(path);
}

// A list file expanded into memory: its bytes land in the reader's buffer when it is closed.
class ListInMemory : public platform::TFileStream {
 public:
  ListInMemory(std::string path, std::vector<uint8_t>& target) : path_(std::move(path)), target_(target) {}
  ~ListInMemory() override { target_ = std::move(bytes_.data()); }
  size_t Read(void* buffer, size_t n) override { return bytes_.Read(buffer, n); }
  void Write(const void* buffer, size_t n) override { bytes_.Write(buffer, n); }
  int64_t Seek(int64_t offset, SeekOrigin origin) override { return bytes_.Seek(offset, origin); }
  int64_t Size() override { return bytes_.Size(); }
  void Truncate() override { bytes_.Truncate(); }
  void SetLastWriteDosTime(uint32_t) override {}
  uint32_t LastWriteDosTime() override { return 0; }
  const std::string& Path() const override { return path_; }

 private:
  std::string path_;
  std::vector<uint8_t>& target_;
  TMemoryStream bytes_;
};

// The text of a fixed-length field: up to the first zero byte, as UTF-8.
std::string FieldText(const uint8_t* bytes, size_t n, bool utf8) {
  const uint8_t* end = std::find(bytes, bytes + n, uint8_t{0});
  const std::string_view stored(reinterpret_cast<const char*>(bytes), static_cast<size_t>(end - bytes));
  if (!utf8) return platform::Cp1252ToUtf8(stored);
  if (!platform::IsValidUtf8(stored)) throw ESegError(seg_msg::kNameText);
  return std::string(stored);
}

}  // namespace

void TSegCompress::SegExpandArchives(TSegArcList& SegArcList) {
  segMode_ = smExpand;
  buffer_.assign(kSegBufferSize, 0);
  struct Guard {
    TSegCompress& self;
    ~Guard() {
      self.CloseSegment();
      std::vector<uint8_t>().swap(self.buffer_);
    }
  } guard{*this};

  if (segTmpDir_.empty()) throw Exception("Unable to create directory");
  try {
    MakeDirectoryPath(segTmpDir_);
  } catch (const Exception&) {
    // Reported when the temporary archive cannot be created in it.
  }
  SegArcList.Clear();

  LocateSegment(1);
  StepPastSegmentHeader();
  uint8_t raw[kSetHeaderSize] = {};
  ReadSegmentStream(raw, sizeof raw);
  const TSetHeader header = TSetHeader::Unpack(raw);
  if (header.Id != kSetHeaderId) throw ESegError(seg_msg::kSetHeaderId);
  utf8Set_ = header.Utf8Names();

  {
    MutedHandlers muted(*this);
    for (uint16_t i = 0; i < header.ArchiveCount; ++i) {
      auto arc = std::make_unique<TSegArc>();
      ReadScanRecord(*arc);
      arc->Index = i;
      SegArcList.Add(std::move(arc));
    }
  }

  if (OnSegBeforeExpand) OnSegBeforeExpand(SegArcList);
  for (size_t i = 0; i < SegArcList.Count(); ++i) ExpandArchive(SegArcList[i]);
}

// ---------------------------------------------------------------------------------------------
// Scan records and list files

void TSegCompress::ReadScanRecord(TSegArc& arc) {
  uint8_t raw[kScanRecordSize] = {};
  ReadSegmentStream(raw, sizeof raw);
  const TScanRecord scan = TScanRecord::Unpack(raw);
  if (scan.Id != kScanId) throw ESegError(seg_msg::kScanId);
  if (scan.TemplateLength > kMaxTemplateLength) throw ESegError(seg_msg::kTemplateLength);
  if (scan.ListDataSize < 0) throw ESegError(seg_msg::kDataSize);
  // The record length only means something when there is a list to cut into records.
  if (scan.ListDataSize > 0 && (scan.ListRecordLength < 1 || scan.ListRecordLength > kMaxListRecordLength))
    throw ESegError(seg_msg::kRecordLength);

  std::fill(buffer_.begin(), buffer_.end(), uint8_t{0});
  ReadSegmentStream(buffer_.data(), scan.TemplateLength);
  arc.Template = FieldText(buffer_.data(), scan.TemplateLength, utf8Set_);
  arc.Path = PathDirectoryPart(arc.Template);
  arc.Attribute = scan.Attribute;
  arc.FileList.clear();
  if (scan.ListDataSize == 0) return;

  ExpandListData(arc, scan.ListRecordLength, ReadEmbeddedArchive(scan.ListDataSize, false));
}

// The largest embedded archive held in memory: a larger one goes through the temporary archive
// file, so that memory stays small whatever the set holds.
constexpr int64_t kArchiveInMemory = int64_t{1} << 20;

TSegCompress::EmbeddedArchive TSegCompress::ReadEmbeddedArchive(int64_t size, bool showProgress) {
  EmbeddedArchive archive;
  if (SmallArchivesInMemory && size <= kArchiveInMemory) {
    auto memory = std::make_unique<TMemoryStream>();
    memory->data().reserve(static_cast<size_t>(size));
    CopySegmentStream(*memory, size, showProgress);
    memory->SetPosition(0);
    archive.stream = std::move(memory);
    return archive;
  }
  WriteTempArchive(size, showProgress);
  archive.inFile = true;
  try {
    archive.stream = fs().OpenFile(TempArchivePath(), platform::FileAccess::Read);
  } catch (...) {
    DeleteTempArchive();
    throw;
  }
  return archive;
}

void TSegCompress::ReleaseEmbeddedArchive(EmbeddedArchive& archive) {
  archive.stream.reset();
  if (archive.inFile) DeleteTempArchive();
  archive.inFile = false;
}

// A list expanded into memory has no file: nothing on the disk is created, dated, or removed for it.
std::unique_ptr<platform::TFileStream> TSegCompress::CreateDestination(const std::string& path) {
  if (!listInMemory_) return TCompress::CreateDestination(path);
  return std::make_unique<ListInMemory>(path, listBytes_);
}

void TSegCompress::DiscardDestination(const std::string& path) {
  if (!listInMemory_) TCompress::DiscardDestination(path);
}

// Only the first entry of the list data is the list file; it alone is expanded (together with any
// entry of the same name, as the selection compares names), so nothing else reaches the work
// directory.
void TSegCompress::ExpandListData(TSegArc& arc, int32_t recordLength, EmbeddedArchive archive) {
  const std::string tempName = platform::LowerCase(PathFileNamePart(TempArchivePath()));
  const std::string savedTarget = TargetPath();
  SetTargetPath(segTmpDir_ + "\\");
  std::vector<std::string> written;
  std::string candidate;  // where the list file lands, removed after a failure unless it was there before
  // A list held in memory never touches the work directory: not even the attributes of a file
  // that happens to bear its name there.
  struct InMemory {
    TSegCompress& self;
    bool restore;
    explicit InMemory(TSegCompress& s, bool on) : self(s), restore(s.RestoreFileInfo) {
      self.listInMemory_ = on;
      self.listBytes_.clear();
      if (on) self.RestoreFileInfo = false;
    }
    ~InMemory() {
      self.listInMemory_ = false;
      self.RestoreFileInfo = restore;
    }
  } inMemory(*this, SmallArchivesInMemory);
  try {
    TArchiveList listed;
    ListArchiveStream(*archive.stream, listed);
    if (!listed.empty()) {
      const std::string& name = listed.front().Name;
      // The work directory stays flat, and the temporary archive is never overwritten while it is read.
      if (name.empty() || name.find_first_of("\\/:") != std::string::npos || platform::LowerCase(name) == tempName)
        throw ESegError(seg_msg::kListName);
      if (!listInMemory_ && !fs().FileExists(TargetPath() + name)) candidate = TargetPath() + name;
      written.push_back(name);
      archive.stream->SetPosition(0);
      ExpandArchiveStream(*archive.stream, &written);
    }
  } catch (...) {
    SetTargetPath(savedTarget);
    ReleaseEmbeddedArchive(archive);
    if (!candidate.empty()) RemoveFile(fs(), candidate);
    throw;
  }
  SetTargetPath(savedTarget);
  ReleaseEmbeddedArchive(archive);

  if (listInMemory_) {
    if (written.empty()) throw ESegError(seg_msg::kStreamOpen);
    TMemoryStream list(std::move(listBytes_));
    if (!ReadListRecords(list, recordLength, arc.FileList)) throw ESegError(seg_msg::kStreamRead);
    return;
  }
  struct Cleanup {
    platform::FileSystem& fs;
    const std::vector<std::string>& files;
    ~Cleanup() {
      for (const std::string& f : files) RemoveFile(fs, f);
    }
  } cleanup{fs(), written};
  if (written.empty()) throw ESegError(seg_msg::kStreamOpen);
  ReadListFile(written.front(), recordLength, arc.FileList);
}

void TSegCompress::ReadListFile(const std::string& path, int32_t recordLength, std::vector<std::string>& names) {
  std::unique_ptr<platform::TFileStream> file;
  try {
    file = fs().OpenFile(path, platform::FileAccess::Read);
  } catch (const Exception&) {
    RemoveFile(fs(), path);
    throw ESegError(seg_msg::kStreamOpen);
  }
  if (!ReadListRecords(*file, recordLength, names)) {
    file.reset();
    RemoveFile(fs(), path);
    throw ESegError(seg_msg::kStreamRead);
  }
  file.reset();
  RemoveFile(fs(), path);
}

bool TSegCompress::ReadListRecords(TStream& list, int32_t recordLength, std::vector<std::string>& names) {
  int64_t remaining = list.Size();
  while (remaining > 0) {
    std::fill(buffer_.begin(), buffer_.end(), uint8_t{0});
    size_t n = static_cast<size_t>(std::min<int64_t>(recordLength, remaining));
    size_t got = 0;
    try {
      got = list.Read(buffer_.data(), n);
    } catch (const Exception&) {
      got = 0;
    }
    if (got != n) return false;
    remaining -= static_cast<int64_t>(n);
    std::string name = FieldText(buffer_.data(), n, utf8Set_);
    name.erase(name.find_last_not_of(' ') + 1);
    names.push_back(std::move(name));
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// Archive records

void TSegCompress::ExpandArchive(TSegArc& arc) {
  TSegArcHeader record;
  for (;;) {
    uint8_t raw[kArchiveRecordSize] = {};
    ReadSegmentStream(raw, sizeof raw);
    record = TSegArcHeader::Unpack(raw);
    if (record.Id != kArchiveId) throw ESegError(seg_msg::kArchiveId);
    if (record.Sequence > arc.Index) throw ESegError(seg_msg::kSequence);
    if (record.DataSize < 0) throw ESegError(seg_msg::kDataSize);
    if (record.Sequence == arc.Index) break;
    SkipSegmentStream(record.DataSize);  // an archive the application took off the list
  }

  EmbeddedArchive archive = ReadEmbeddedArchive(record.DataSize, true);
  try {
    MakeDirectories = true;
    SetTargetPath(arc.Path);
    ExpandArchiveStream(*archive.stream, &arc.FileList);
    archive.stream.reset();  // the handler may read the temporary archive itself
    if (OnSegAfterArchive) OnSegAfterArchive(record, arc.Template);
  } catch (...) {
    ReleaseEmbeddedArchive(archive);
    throw;
  }
  ReleaseEmbeddedArchive(archive);
}

void TSegCompress::WriteTempArchive(int64_t size, bool showProgress) {
  const std::string path = TempArchivePath();
  fs().DeleteFile(path);
  std::unique_ptr<platform::TFileStream> file;
  try {
    file = fs().CreateFile(path);
  } catch (const Exception&) {
    throw ESegError(seg_msg::kStreamOpen);
  }
  try {
    CopySegmentStream(*file, size, showProgress);
  } catch (...) {
    file.reset();
    fs().DeleteFile(path);
    throw;
  }
}

void TSegCompress::DeleteTempArchive() {
  fs().DeleteFile(TempArchivePath());
}

}  // namespace vurerode
