// Building a set: the set header, a scan record per archive (template, then its list file packed as
// a one-entry archive of fixed-length records), then an archive record per archive followed by the
// archive, which is coded into a temporary file first because its size leads it. The stream is
// cut into segment files of at most SegSize bytes, each opened only when a byte needs it.
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <limits>
#include <mutex>
#include <set>
#include <thread>

#include "platform/file_system.h"
#include "platform/text.h"
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
    if (!paths_.insert(platform::LowerCase(path)).second)
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

// Whether the set's templates and list-file names need the UTF-8 flag: some are not ASCII.
bool NeedUtf8Names(const std::vector<TSegBuildArchive>& archives) {
  for (const TSegBuildArchive& a : archives) {
    if (!platform::IsAscii(a.Template)) return true;
    for (const TArchiveMember& f : a.Files)
      if (!platform::IsAscii(f.EntryName)) return true;
  }
  return false;
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

// Codes the set's archives into temporary archive files ahead of the writer, which copies them into
// the segment stream in order. With one thread the owner codes each archive itself when the writer
// asks for it; with more, worker threads each with their own archive component code archives ahead
// of the writer (the largest first, while what waits for the writer stays within bounds), and the
// owner's handlers are called from them one at a time.
class ArchivePacker {
 public:
  ArchivePacker(TSegCompress& owner, platform::FileSystem& fs, const std::vector<TSegBuildArchive>& archives,
                TCompressionMethod method, int threads)
      : owner_(owner),
        fs_(fs),
        archives_(archives),
        method_(method),
        slots_(archives.size()),
        waiting_(archives.size()) {
    const int workers = std::min<int>(threads, static_cast<int>(archives.size()));
    for (int t = 0; workers > 1 && t < workers; ++t) workers_.emplace_back([this] { Work(); });
  }

  ~ArchivePacker() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : workers_) t.join();
    for (size_t i = taken_; i < slots_.size(); ++i)
      if (slots_[i].state == Slot::kDone) fs_.DeleteFile(slots_[i].path);
  }

  ArchivePacker(const ArchivePacker&) = delete;
  ArchivePacker& operator=(const ArchivePacker&) = delete;

  // The temporary file holding archive i; the caller deletes it. Archives are taken in order.
  std::string Take(size_t i) {
    if (workers_.empty()) {
      const std::string path = PathOf(i);
      Pack(owner_, i, path);
      taken_ = i + 1;
      return path;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    taken_ = i;
    changed_.notify_all();
    changed_.wait(lock, [&] { return slots_[i].state == Slot::kDone || slots_[i].state == Slot::kFailed; });
    taken_ = i + 1;
    aheadBytes_ -= slots_[i].bytes;
    changed_.notify_all();
    if (slots_[i].state == Slot::kFailed) std::rethrow_exception(slots_[i].error);
    return slots_[i].path;
  }

 private:
  struct Slot {
    enum State { kWaiting, kPacking, kDone, kFailed } state = kWaiting;
    std::string path;
    std::exception_ptr error;
    int64_t bytes = 0;  // of the temporary archive, once packed
  };

  // Workers run ahead of the writer while the archives packed and not yet taken hold less than
  // this: one large archive then does not keep the other workers idle, and the temporary files
  // stay bounded.
  static constexpr int64_t kAheadBytes = 64 << 20;
  static constexpr size_t kAheadArchives = 1024;

  std::string PathOf(size_t i) const {
    return SegmentFilePath(owner_.SegTmpDir(), owner_.SegBaseName() + ".$" + std::to_string(i) + "$");
  }

  int64_t Pack(TCompress& compress, size_t i, const std::string& path) {
    fs_.DeleteFile(path);
    try {
      auto file = fs_.CreateFile(path);
      compress.CompressToStream(*file, archives_[i].Files, method_);
      return file->Size();
    } catch (...) {
      fs_.DeleteFile(path);
      throw;
    }
  }

  void Work() {
    TCompress compress(fs_);
    compress.Key = owner_.Key;
    compress.StoreMargin = owner_.StoreMargin;
    compress.YieldToOtherThreads = owner_.YieldToOtherThreads;
    compress.OnCheckFile = [this](std::string& path, TCProcessMode mode) {
      std::lock_guard<std::mutex> lock(events_);
      if (owner_.OnCheckFile) owner_.OnCheckFile(path, mode);
    };
    compress.OnShowProgress = [this](int32_t& percent) {
      std::lock_guard<std::mutex> lock(events_);
      if (owner_.OnShowProgress) owner_.OnShowProgress(percent);
    };
    if (owner_.OnCompress) {
      compress.OnCompress = [this](TStream& dest, TStream& source, std::string& id, int32_t& size, int32_t& sum) {
        std::lock_guard<std::mutex> lock(events_);
        owner_.OnCompress(dest, source, id, size, sum);
      };
    }
    if (owner_.PrepareWorkerComponent) owner_.PrepareWorkerComponent(compress);
    for (;;) {
      size_t i = kNone;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return stop_ || waiting_ == 0 || (i = PickNext()) != kNone; });
        if (stop_ || waiting_ == 0) return;
        --waiting_;
        slots_[i].state = Slot::kPacking;
        slots_[i].path = PathOf(i);
      }
      std::exception_ptr error;
      int64_t bytes = 0;
      try {
        bytes = Pack(compress, i, slots_[i].path);
      } catch (...) {
        error = std::current_exception();
      }
      {
        std::lock_guard<std::mutex> lock(mutex_);
        slots_[i].state = error ? Slot::kFailed : Slot::kDone;
        slots_[i].error = error;
        slots_[i].bytes = bytes;  // the writer, waiting at or before i, takes it off again
        aheadBytes_ += bytes;
      }
      changed_.notify_all();
    }
  }

  static constexpr size_t kNone = static_cast<size_t>(-1);

  // The archive a worker codes next, or kNone when none may start now: the largest not yet started
  // within reach, so that large archives are not left for the end while the other workers idle;
  // once the archives waiting for the writer reach their bound, only the one it needs next.
  // Needs the mutex.
  size_t PickNext() const {
    const size_t end = std::min(slots_.size(), taken_ + kAheadArchives);
    size_t first = taken_;
    while (first < end && slots_[first].state != Slot::kWaiting) ++first;
    if (first == end) return kNone;
    if (aheadBytes_ >= kAheadBytes) return first == taken_ ? first : kNone;
    size_t best = first;
    for (size_t i = first + 1; i < end; ++i)
      if (slots_[i].state == Slot::kWaiting && archives_[i].Bytes > archives_[best].Bytes) best = i;
    return best;
  }

  TSegCompress& owner_;
  platform::FileSystem& fs_;
  const std::vector<TSegBuildArchive>& archives_;
  TCompressionMethod method_;
  std::vector<Slot> slots_;
  std::vector<std::thread> workers_;
  std::mutex mutex_;
  std::mutex events_;
  std::condition_variable changed_;
  size_t waiting_;  // archives no worker has started
  size_t taken_ = 0;
  int64_t aheadBytes_ = 0;
  bool stop_ = false;
};

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
  try {
    TSetHeader header;
    header.Id = kSetHeaderId;
    header.ArchiveCount = static_cast<uint16_t>(archives.size());
    if (NeedUtf8Names(archives)) header.Spare[0] |= kSetUtf8NamesFlag;
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
          // The application's own method is muted here: lists of custom sets are coded with -lh5-,
          // which every reader knows.
          const TCompressionMethod listMethod = StoreListArchives ? coNone : method == coCustom ? coLZH5 : method;
          std::vector<uint8_t> records = ListFileBytes(a.Files, recordLength);
          TMemoryStream source(std::move(records));
          const int32_t size = static_cast<int32_t>(source.Size());
          Utf8Names = !platform::IsAscii(segBaseName_);
          auto archiveHeader = MakeArchiveHeader(kMethodIdentifiers[listMethod], caMulti, size, 0, Utf8Names).Pack();
          list.Write(archiveHeader.data(), archiveHeader.size());
          AppendEntry(list, source, size, segBaseName_ + ".lst", 0x00210000u, platform::faArchive, listMethod);
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
    ArchivePacker packer(*this, fs(), archives, method, BuildThreads);
    for (size_t i = 0; i < archives.size(); ++i) {
      const std::string packed = packer.Take(i);
      struct Remove {
        platform::FileSystem& fs;
        const std::string& path;
        ~Remove() { fs.DeleteFile(path); }
      } remove{fs(), packed};
      auto file = fs().OpenFile(packed, platform::FileAccess::Read);
      const int64_t size = file->Size();
      if (size > std::numeric_limits<int32_t>::max())
        throw ESegError("(TSegCompress) Archive " + std::to_string(i) + " is larger than a set can hold (2 GiB)");
      TSegArcHeader record;
      record.Id = kArchiveId;
      record.Sequence = static_cast<uint16_t>(i);
      record.DataSize = static_cast<int32_t>(size);
      auto recordBytes = record.Pack();
      out.Write(recordBytes.data(), recordBytes.size());
      int64_t done = 0;
      while (done < size) {
        size_t n = static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(block.size()), size - done));
        file->ReadBuffer(block.data(), n);
        out.Write(block.data(), n);
        done += static_cast<int64_t>(n);
        if (OnSegShowProgress) OnSegShowProgress(static_cast<int32_t>(done * 100 / size));
      }
    }
    return out.Finish();
  } catch (...) {
    out.Discard();
    throw;
  }
}

}  // namespace vurerode
