// TCompress: lists, expands and writes archives. Expansion places each entry below TargetPath,
// restoring its date and attributes, checking free space, creating folders, verifying checksums and
// keys; the application steers it through events. Writing adds files to an archive with a chosen
// method, storing entries that would not shrink.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/codec_io.h"
#include "archive/format.h"
#include "platform/file_system.h"
#include "platform/stream.h"

namespace vurerode {

enum TCProcessMode : uint8_t { cmCompress = 0, cmExpand = 1 };

using TExpandEvent = std::function<void(TStream& dest, TStream& source, int32_t Sourcesize, int32_t Destsize,
                                        const std::string& CompressID, int32_t& checksum)>;
using TCompressEvent = std::function<void(TStream& dest, TStream& source, std::string& CompressID, int32_t& Outputsize,
                                          int32_t& checksum)>;
using TFilenameCheckEvent = std::function<void(std::string& filepath, TCProcessMode mode)>;
using TFileExpandedEvent = std::function<void(const std::string& filepath, int64_t size)>;
// Before the entries of an archive are read or written: bytes is the archive's TotalSize when
// expanding, and an upper bound of the members' bytes when writing.
using TArchiveStartEvent = std::function<void(TCProcessMode mode, int64_t bytes)>;

// One listed entry: its name as stored and its information record.
struct TListedEntry {
  std::string Name;
  TCompressedFileInfo Info;
};
using TArchiveList = std::vector<TListedEntry>;

// One file to add to an archive: where its bytes come from and the name it is stored under.
struct TArchiveMember {
  std::string SourcePath;
  std::string EntryName;
};

enum class TProcessDirection { Expand, Compress };

class TCompress {
 public:
  explicit TCompress(platform::FileSystem& fs);
  virtual ~TCompress();
  TCompress(const TCompress&) = delete;
  TCompress& operator=(const TCompress&) = delete;

  // ---- properties ----
  int32_t ElapsedTicks = 0;
  TCompressEvent OnCompress;
  TExpandEvent OnExpand;
  TRecognizeEvent OnRecognize;
  TFilenameCheckEvent OnCheckFile;
  // After a file has been written whole, checked and closed: where it is and how many bytes it
  // holds.
  TFileExpandedEvent OnFileExpanded;
  TShowProgressEvent OnShowProgress;
  TArchiveStartEvent OnArchiveStart;
  // The identifier an archive written with coCustom carries when no entry's handler reported one.
  std::string CustomMethodId = kMethodIdentifiers[coCustom];
  // Custom entries are coded as one stream, each entry relying on those before it: an entry that
  // expansion skips is still decoded (and checked), and entries are never appended to an archive
  // that holds custom entries already.
  bool ChainedCustomEntries = false;
  bool MakeDirectories = false;
  int32_t Key = 0;
  bool ExceptionOnFileError = false;
  bool CheckSpaceBeforeExpand = false;
  int32_t StoreMargin = 0;
  // Give up the processor at every 8 KiB of input and output, so that an application's other
  // threads (a window's) run during long work. A program with nothing else to run turns it off: on a
  // busy machine every yield may hand a whole time slice to another process.
  bool YieldToOtherThreads = true;
  // How AppendEntry stores names: as UTF-8 (the archive header then carries kUtf8NamesFlag) or in
  // the Windows-1252 code page. CompressToStream and CompressFiles set it for the archive they write.
  bool Utf8Names = false;
  // Give each expanded file its entry's date and attributes. Off, a file is left as newly written
  // (dated now, Archive alone), as a copy of it would be.
  bool RestoreFileInfo = true;

  // The method identifier in the header of the archive listed or expanded last.
  const std::string& ArchiveMethodId() const { return archiveMethodId_; }
  // Whether the entry being expanded is locked: a custom method's handler unscrambles its data then.
  bool ExpandingLockedEntry() const { return expandingLocked_; }

  const std::string& TargetPath() const { return targetPath_; }
  // Stores the path with a backslash appended unless it is empty or already ends with one.
  void SetTargetPath(const std::string& path);

  // ---- listing and expansion ----
  void ListArchiveFile(const std::string& fileName, TArchiveList& list);
  void ListArchiveStream(TStream& stream, TArchiveList& list);
  // With a selection, only entries named in it (compared as Windows compares names) are expanded,
  // and on success it is replaced by the destination paths of the files written.
  void ExpandArchiveFile(const std::string& fileName, std::vector<std::string>* selection = nullptr);
  void ExpandArchiveStream(TStream& stream, std::vector<std::string>* selection = nullptr);

  // ---- writing ----
  // Writing calls OnCheckFile with each member's source path and cmCompress before reading it: an
  // empty path skips the member, "*" stops adding members.
  //
  // Appends the members to an archive file, creating it when it does not exist. An existing
  // archive keeps its entries; its TotalSize grows by the new entries' sizes. Its names keep their
  // form: an archive of Windows-1252 names that are not all ASCII takes only names that code page
  // holds (Exception otherwise); one of ASCII names takes any, and is flagged UTF-8 when needed.
  void CompressFiles(const std::string& archiveFile, const std::vector<TArchiveMember>& members,
                     TCompressionMethod method);
  // Writes a new archive of the members at the stream's position.
  void CompressToStream(TStream& archive, const std::vector<TArchiveMember>& members, TCompressionMethod method);
  // Appends one entry read from source (size bytes) to an archive positioned at its end; returns
  // the entry's record. When the source delivers fewer bytes (the progress handler abandoned it, or
  // the file shrank) nothing of the entry stays in the archive and ECompressionAbandoned or
  // EReadError is raised. The archive header's TotalSize is the caller's to update. For coCustom the
  // identifier OnCompress reports comes back in customId.
  TCompressedFileInfo AppendEntry(TStream& archive, TStream& source, int32_t size, const std::string& name,
                                  uint32_t fileDate, uint16_t attributes, TCompressionMethod method,
                                  std::string* customId = nullptr);

  // Runs one codec over one entry's bytes: the sum of the bytes written when expanding, the sum of
  // the bytes read when compressing (then bytesWritten receives the coded size). An LZ decoder
  // that needs bits past the entry's data raises EBadChecksum.
  uint32_t ProcessStream(TProcessDirection direction, TStream& dest, TStream& source, uint8_t method,
                         int32_t uncompressedSize, int32_t compressedSize, bool unscramble,
                         int64_t* bytesWritten = nullptr);

  // Free space for a destination file: the drive's free bytes plus the size of a file it replaces,
  // capped at 2^31 - 1; 2^31 - 1 when space is not checked.
  int32_t FreeSpaceForFile(const std::string& path);
  // Creates the folder and its missing parents; raises EInOutError ("I/O error %d") on failure.
  void MakeDirectoryPath(const std::string& path);
  static bool NameInList(const std::vector<std::string>& list, const std::string& name);

 protected:
  platform::FileSystem& fs() { return fs_; }
  // Where an expanded file's bytes go: a new file at path (raising EFCreateError when it cannot be
  // created), unless a derived component keeps them elsewhere.
  virtual std::unique_ptr<platform::TFileStream> CreateDestination(const std::string& path);
  // Removes what CreateDestination made for a file that must not stay (its entry is locked).
  virtual void DiscardDestination(const std::string& path);

 private:
  // ProcessStream with the codec chosen: the decoders' callers name no encoder.
  uint32_t RunCodec(TProcessDirection direction, void (*code)(CodecIO& io, int64_t count), TStream& dest,
                    TStream& source, int32_t uncompressedSize, int32_t compressedSize, bool unscramble,
                    int64_t* bytesWritten = nullptr);
  // Codes one entry's data for AppendEntry; false when the source did not deliver all its bytes.
  bool CodeEntryData(TStream& archive, TStream& source, uint8_t method, int32_t size, uint32_t& checksum,
                     int64_t& coded);
  void ExpandEntry(TStream& dest, TStream& source, const TEntryHeader& entry, const std::string& methodId);
  void CheckEntryName(const std::string& name) const;
  // Decodes a skipped entry whose successors rely on it into nothing; otherwise moves past it.
  void PassOver(TStream& source, const TEntryHeader& entry, const std::string& methodId, int64_t next);

  platform::FileSystem& fs_;
  std::string targetPath_;
  // One CodecIO serves entry after entry, so that its buffers and the codecs' tables are taken
  // from the heap once; busy while a codec runs on it.
  std::unique_ptr<CodecIO> codecIO_;
  bool codecIOBusy_ = false;
  // What the last ProcessStream took from its source and gave to its destination.
  int64_t lastBytesRead_ = 0;
  int64_t lastBytesWritten_ = 0;
  bool lastAbandoned_ = false;
  bool expandingLocked_ = false;
  std::string archiveMethodId_;
};

}  // namespace vurerode
