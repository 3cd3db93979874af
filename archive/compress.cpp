#include "archive/compress.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "archive/codecs.h"
#include "archive/errors.h"
#include "platform/exception.h"
#include "platform/text.h"

namespace vurerode {
namespace {

constexpr int32_t kNoLimit = std::numeric_limits<int32_t>::max();

int32_t Elapsed(std::chrono::steady_clock::time_point since) {
  return static_cast<int32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - since).count());
}

// The directory part of a path, up to and including its last backslash.
std::string DirectoryPart(const std::string& path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A name component made of dots and blanks with at least two dots means the parent folder to
// Windows, which drops trailing dots and blanks.
bool IsParentComponent(const std::string& component) {
  size_t dots = static_cast<size_t>(std::count(component.begin(), component.end(), '.'));
  return dots >= 2 && component.find_first_not_of(". ") == std::string::npos;
}

}  // namespace

TCompress::TCompress(platform::FileSystem& fs) : fs_(fs) {}
TCompress::~TCompress() = default;

void TCompress::SetTargetPath(const std::string& path) {
  targetPath_ = path;
  if (!targetPath_.empty() && targetPath_.back() != '\\') targetPath_ += '\\';
}

// ---------------------------------------------------------------------------------------------
// Listing

void TCompress::ListArchiveFile(const std::string& fileName, TArchiveList& list) {
  auto file = fs_.OpenFile(fileName, platform::FileAccess::Read);
  ListArchiveStream(*file, list);
}

void TCompress::ListArchiveStream(TStream& stream, TArchiveList& list) {
  if (stream.Remaining() < static_cast<int64_t>(kArchiveHeaderSize + kEntryHeaderSize)) return;
  TArchiveHeader header;
  std::string methodId;
  ReadArchiveHeader(stream, header, methodId, OnRecognize);
  archiveMethodId_ = methodId;
  TEntryHeader entry;
  std::string stored;
  while (ReadEntryHeader(stream, entry, stored)) {
    if (entry.CompressedSize < 0) break;  // no data can have a negative size: nothing valid follows
    std::string name = EntryNameText(stored, header.Utf8Names());
    TCompressedFileInfo info;
    info.FileDate = entry.FileDate;
    info.Attributes = entry.Attributes;
    info.OriginalSize = entry.OriginalSize;
    info.CompressedSize = entry.CompressedSize;
    info.Method = static_cast<TCompressionMethod>(entry.Method);
    info.Checksum = entry.Checksum;
    info.HeaderPosition =
        static_cast<int32_t>(stream.Position() - static_cast<int64_t>(kEntryHeaderSize) - entry.NameLength);
    info.Locked = entry.LockMarker > 0;
    list.push_back({std::move(name), info});
    stream.Seek(entry.CompressedSize, SeekOrigin::Current);
  }
}

// ---------------------------------------------------------------------------------------------
// Expansion

std::unique_ptr<platform::TFileStream> TCompress::CreateDestination(const std::string& path) {
  return fs_.CreateFile(path);
}

void TCompress::DiscardDestination(const std::string& path) {
  fs_.DeleteFile(path);
}

void TCompress::ExpandArchiveFile(const std::string& fileName, std::vector<std::string>* selection) {
  auto file = fs_.OpenFile(fileName, platform::FileAccess::Read);
  ExpandArchiveStream(*file, selection);
}

bool TCompress::NameInList(const std::vector<std::string>& list, const std::string& name) {
  for (const std::string& s : list)
    if (platform::SameText(s, name)) return true;
  return false;
}

void TCompress::CheckEntryName(const std::string& name) const {
  if (name.find(':') != std::string::npos) throw EUnsafeEntryName(name);
  size_t start = 0;
  while (start <= name.size()) {
    size_t end = name.find_first_of("\\/", start);
    if (end == std::string::npos) end = name.size();
    if (IsParentComponent(name.substr(start, end - start))) throw EUnsafeEntryName(name);
    start = end + 1;
  }
}

namespace {

// Takes whatever is written to it and keeps nothing.
class DiscardingStream : public TStream {
 public:
  size_t Read(void*, size_t) override { return 0; }
  void Write(const void*, size_t n) override { size_ += static_cast<int64_t>(n); }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    position_ = origin == SeekOrigin::Begin ? offset : origin == SeekOrigin::End ? size_ + offset : position_ + offset;
    return position_;
  }
  int64_t Size() override { return size_; }
  void Truncate() override { size_ = position_; }

 private:
  int64_t size_ = 0;
  int64_t position_ = 0;
};

}  // namespace

void TCompress::PassOver(TStream& source, const TEntryHeader& entry, const std::string& methodId, int64_t next) {
  if (ChainedCustomEntries && entry.Method == coCustom) {
    DiscardingStream nowhere;
    ExpandEntry(nowhere, source, entry, methodId);
  }
  source.SetPosition(next);
}

void TCompress::ExpandArchiveStream(TStream& stream, std::vector<std::string>* selection) {
  std::vector<std::string> written;
  TArchiveHeader header;
  std::string methodId;
  ReadArchiveHeader(stream, header, methodId, OnRecognize);
  archiveMethodId_ = methodId;
  if (OnArchiveStart) OnArchiveStart(cmExpand, header.TotalSize);
  int64_t running = 0;
  size_t pending = selection ? selection->size() : 0;  // selected names not met yet
  std::string knownFolder;
  TEntryHeader entry;
  std::string stored;
  for (;;) {
    if (!ReadEntryHeader(stream, entry, stored)) break;
    if (entry.CompressedSize < 0) break;
    // Whatever a codec or handler consumes, the next header starts right after this entry's data.
    const int64_t next = stream.Position() + entry.CompressedSize;
    // The walk ends once the entries' sizes reach TotalSize, as it always has. Empty files add
    // nothing to the total, so those after the last file with bytes (or in an archive of empty files
    // alone) are taken as long as whole entries with names follow; padding after an archive (zeros,
    // ^Z) never reads as one.
    if (running >= header.TotalSize && !(entry.OriginalSize == 0 && !stored.empty() && next <= stream.Size())) break;
    const std::string name = EntryNameText(stored, header.Utf8Names());
    if (selection && !NameInList(*selection, name)) {
      // Entries coded as one stream are decoded up to the last one selected, and no further.
      if (pending == 0 && ChainedCustomEntries && entry.Method == coCustom) break;
      PassOver(stream, entry, methodId, next);
      running += entry.OriginalSize;
      continue;
    }
    if (selection && pending > 0) --pending;
    CheckEntryName(name);
    std::string dest = (!name.empty() && name[0] == '\\') ? name : targetPath_ + name;
    if (OnCheckFile) {
      OnCheckFile(dest, cmExpand);
      if (dest.empty()) {
        PassOver(stream, entry, methodId, next);
        continue;
      }
      if (dest == "*") break;
    }
    if (FreeSpaceForFile(dest) < entry.OriginalSize) throw EInsufficientDiskSpace(dest);
    // Entries mostly come folder by folder: a folder made or found for the entry before is not
    // looked up again unless the file cannot be created in it.
    const std::string folder = DirectoryPart(dest);
    const bool folderKnown = MakeDirectories && folder == knownFolder;
    if (MakeDirectories && !folderKnown) MakeDirectoryPath(folder);

    std::unique_ptr<platform::TFileStream> file;
    try {
      try {
        file = CreateDestination(dest);
      } catch (const EFCreateError&) {
        if (!folderKnown || fs_.DirectoryExists(folder)) throw;
        MakeDirectoryPath(folder);
        file = CreateDestination(dest);
      }
    } catch (const EFCreateError&) {
      knownFolder.clear();
      if (ExceptionOnFileError) throw;
      PassOver(stream, entry, methodId, next);
      continue;
    }
    knownFolder = MakeDirectories ? folder : std::string();
    try {
      ExpandEntry(*file, stream, entry, methodId);
    } catch (const EInvalidKey&) {
      file.reset();
      DiscardDestination(dest);
      throw;
    } catch (...) {
      file.reset();
      if (RestoreFileInfo) fs_.SetAttributes(dest, entry.Attributes);
      throw;
    }
    if (RestoreFileInfo) file->SetLastWriteDosTime(static_cast<uint32_t>(entry.FileDate));
    written.push_back(dest);
    const int64_t size = OnFileExpanded ? file->Size() : 0;
    file.reset();
    // A file just created has Archive alone already: setting it again would only cost a call.
    if (RestoreFileInfo && entry.Attributes != platform::faArchive) fs_.SetAttributes(dest, entry.Attributes);
    if (OnFileExpanded) OnFileExpanded(dest, size);
    running += entry.OriginalSize;
    stream.SetPosition(next);
  }
  if (selection) *selection = std::move(written);
}

void TCompress::ExpandEntry(TStream& dest, TStream& source, const TEntryHeader& entry, const std::string& methodId) {
  const bool locked = entry.LockMarker > 0;
  if (locked && Key == 0) throw EInvalidKey();
  int32_t computed = 0;
  // An entry that gives fewer bytes than its header claims is damaged whatever its sum; only an
  // application's own method is taken at its word.
  bool whole = true;
  auto started = std::chrono::steady_clock::now();
  if (entry.Method == coCustom) {
    expandingLocked_ = locked;
    try {
      if (OnExpand) OnExpand(dest, source, entry.CompressedSize, entry.OriginalSize, methodId, computed);
    } catch (const EBadChecksum&) {
      if (locked) throw EInvalidKey();
      throw;
    }
  } else {
    try {
      computed = static_cast<int32_t>(RunCodec(TProcessDirection::Expand, DecoderOf(entry.Method), dest, source,
                                               entry.OriginalSize, entry.CompressedSize, entry.LockMarker == 2));
    } catch (const ELZHBadDecodeTable&) {
      if (locked) throw EInvalidKey();
      throw;
    } catch (const EBadChecksum&) {
      // A decoder that ran out of data: the checksum test's verdict, without the rest of the work.
      if (locked) throw EInvalidKey();
      throw;
    }
    whole = lastBytesWritten_ >= entry.OriginalSize;
  }
  ElapsedTicks = Elapsed(started);
  if (whole && (computed == entry.Checksum || (entry.Checksum == 0 && entry.Method == coNone))) return;
  if (!locked) throw EBadChecksum();
  if (!whole || static_cast<uint32_t>(entry.Checksum) != static_cast<uint32_t>(Key) + static_cast<uint32_t>(computed))
    throw EInvalidKey();
}

// ---------------------------------------------------------------------------------------------
// The stream driver

CodecRun DecoderOf(uint8_t method) {
  switch (method) {
    case coNone: return [](CodecIO& io, int64_t) { CopyStored(io); };
    case coRLE: return [](CodecIO& io, int64_t) { DecodeRLE(io); };
    case coLZH: return DecodeLZH;
    case coLZH5: return DecodeLZH5;
    default: return [](CodecIO&, int64_t) {};
  }
}

uint32_t TCompress::RunCodec(TProcessDirection direction, CodecRun code, TStream& dest, TStream& source,
                             int32_t uncompressedSize, int32_t compressedSize, bool unscramble, int64_t* bytesWritten) {
  const bool expanding = direction == TProcessDirection::Expand;
  if (bytesWritten) *bytesWritten = 0;
  lastBytesRead_ = 0;
  lastBytesWritten_ = 0;
  lastAbandoned_ = false;
  if (OnShowProgress) {
    int32_t percent = 0;
    OnShowProgress(percent);
    if (percent == -1) {
      lastAbandoned_ = true;
      return 0;
    }
  }
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &dest;
  setup.inputSize = expanding ? compressedSize : uncompressedSize;
  setup.outputBudget = expanding ? int64_t{kNoLimit} : int64_t{uncompressedSize} - StoreMargin;
  setup.key = Key;
  setup.unscrambleInput = expanding && unscramble;
  setup.scrambleOutput = !expanding;
  setup.sumInput = !expanding;
  setup.yield = YieldToOtherThreads;
  setup.progress = &OnShowProgress;
  // A handler that codes another entry on this component while one is being coded gets a CodecIO
  // of its own.
  std::unique_ptr<CodecIO> nested;
  CodecIO* io = nullptr;
  if (codecIOBusy_) {
    nested = std::make_unique<CodecIO>(setup);
    io = nested.get();
  } else if (codecIO_) {
    codecIO_->Reset(setup);
    io = codecIO_.get();
  } else {
    codecIO_ = std::make_unique<CodecIO>(setup);
    io = codecIO_.get();
  }
  struct BusyFlag {
    bool& flag;
    bool was;
    explicit BusyFlag(bool& f) : flag(f), was(f) { flag = true; }
    ~BusyFlag() { flag = was; }
  } busy(codecIOBusy_);

  code(*io, uncompressedSize);
  io->Finish();
  lastBytesRead_ = io->BytesRead();
  lastBytesWritten_ = io->BytesWritten();
  lastAbandoned_ = io->Abandoned();
  if (OnShowProgress) {
    int32_t percent = 100;
    OnShowProgress(percent);
  }
  if (expanding) return io->WriteSum();
  if (bytesWritten) *bytesWritten = io->BytesWritten();
  return io->ReadSum();
}

// ---------------------------------------------------------------------------------------------
// Space and directories

int32_t TCompress::FreeSpaceForFile(const std::string& path) {
  if (!CheckSpaceBeforeExpand) return kNoLimit;
  std::string upper = path;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  int drive = (upper.size() > 1 && upper[1] == ':') ? upper[0] - 64 : 0;
  std::string root = drive == 0 ? std::string() : std::string(1, static_cast<char>(drive + 64)) + ":\\";
  // Single precision, as the free-space figure has always been kept.
  float free = static_cast<float>(fs_.DiskFreeBytes(root));
  if (free >= 2147483647.0f) return kNoLimit;
  int32_t result = static_cast<int32_t>(free);
  if (fs_.FileExists(path)) {
    int64_t size;
    try {
      size = fs_.OpenFile(path, platform::FileAccess::Read)->Size();
    } catch (const EFOpenError&) {
      throw EInOutError(5);
    }
    if (static_cast<double>(size) + free >= 2147483647.0) return kNoLimit;
    result += static_cast<int32_t>(size);
  }
  return result;
}

void TCompress::MakeDirectoryPath(const std::string& path) {
  if (path.empty()) return;
  std::string dir = path;
  if (dir.back() == '\\') dir.pop_back();
  if (dir.size() < 3 || fs_.DirectoryExists(dir)) return;
  MakeDirectoryPath(DirectoryPart(dir));
  if (int code = fs_.CreateDirectory(dir); code != 0 && !fs_.DirectoryExists(dir)) throw EInOutError(code);
}

}  // namespace vurerode
