// TSegCompress: the archive component extended to segmented sets. Reading finds the numbered
// segment files one after another (asking the user for a missing or wrong one), reads the set's
// records across segment boundaries, copies each embedded archive into a temporary file and expands
// the listed files from it. Writing builds such a set from a list of archives.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/compress.h"
#include "segment/seg_arc.h"
#include "segment/seg_owner.h"
#include "segment/seg_records.h"

namespace vurerode {

enum TSegMode : uint8_t { smBuild = 0, smExpand = 1 };

using TSegBeforeEvent = std::function<void(TSegMode SegMode, const std::string& SegName, uint16_t SegNumber)>;
using TSegAfterEvent = std::function<void(TSegMode SegMode, const std::string& SegName, uint16_t SegNumber)>;
using TSegBeforeExpandEvent = std::function<void(TSegArcList& SegArcList)>;
using TSegAfterArchiveEvent = std::function<void(const TSegArcHeader& SegArcHdr, const std::string& Template)>;
using TSegShowProgressEvent = std::function<void(int32_t PercentageDone)>;

// One archive of a set to build: its template (a path of the building machine whose directory part
// is where the files are expanded), the scan record's attribute byte, and its files. Each file's
// EntryName is the name it is stored and listed under, relative to the template's directory.
struct TSegBuildArchive {
  std::string Template;
  uint8_t Attribute = 0;
  std::vector<TArchiveMember> Files;
  // The members' bytes, when known: with several threads larger archives are coded first.
  int64_t Bytes = 0;
};

class TSegCompress : public TCompress {
 public:
  TSegCompress(platform::FileSystem& fs, TSegOwner& owner);
  ~TSegCompress() override;

  // ---- properties ----
  const std::string& SegBaseName() const { return segBaseName_; }
  // Empty gives "SegData"; otherwise the file-name part, in lower case.
  void SetSegBaseName(const std::string& value);
  const std::string& SegDir() const { return segDir_; }
  // Empty gives "a:\"; otherwise the full path, in lower case.
  void SetSegDir(const std::string& value);
  const std::string& SegExt() const { return segExt_; }
  // At most three characters are kept.
  void SetSegExt(const std::string& value);
  bool SegPopUp = true;
  int32_t SegSize() const { return segSize_; }
  // Values below 16384 give 16384.
  void SetSegSize(int32_t value);
  const std::string& SegTmpDir() const { return segTmpDir_; }
  // Empty gives the current directory; one trailing backslash is removed; then lower case.
  void SetSegTmpDir(const std::string& value);

  TSegBeforeEvent OnSegBefore;
  TSegAfterEvent OnSegAfter;
  TSegBeforeExpandEvent OnSegBeforeExpand;
  TSegAfterArchiveEvent OnSegAfterArchive;
  TSegShowProgressEvent OnSegShowProgress;

  TSegMode SegMode() const { return segMode_; }

  // How many threads code archives while a set is built. With more than one, each has its own
  // archive component, the file system must take calls from several threads, and OnCheckFile,
  // OnShowProgress and OnCompress are called from those threads, one call at a time.
  int BuildThreads = 1;
  // Called with each worker's archive component before it codes anything, to give it handlers
  // of its own (a custom method that keeps state from entry to entry cannot share one). Unset, the
  // workers call this component's OnCompress, one call at a time.
  std::function<void(TCompress&)> PrepareWorkerComponent;

  // Writes each archive's list stored instead of coded. For a set whose segments are coded whole
  // afterwards (inside a single file): a stored list shrinks there with the names it shares with the
  // archives' entries, where a coded one would not shrink at all.
  bool StoreListArchives = false;

  // Reads embedded archives of up to 1 MiB into memory instead of the temporary archive file,
  // which saves creating, reading and deleting a file for each. Off, every archive passes through
  // the file, for applications whose handlers read it there.
  bool SmallArchivesInMemory = false;

  // Expands the set named by SegDir, SegBaseName and SegExt into the templates' directories (or
  // wherever OnCheckFile sends each file), filling the list with one entry per archive.
  void SegExpandArchives(TSegArcList& SegArcList);

  // Writes the archives as a set into SegDir, cut into segment files of at most SegSize bytes, the
  // data coded with method. Returns the number of segment files written. On failure every segment
  // file it wrote and its temporary archives are deleted.
  uint16_t SegCompressArchives(const std::vector<TSegBuildArchive>& archives, TCompressionMethod method);

  // Where the reader and the writer keep one archive at a time: SegTmpDir\<SegBaseName>.$A$.
  std::string TempArchivePath() const;

 protected:
  TSegOwner& owner() { return owner_; }

 private:
  class SegmentWriter;

  // ---- reading the segment stream ----
  void BuildSegmentPath();
  void LocateSegment(uint16_t number);
  bool AskForSegmentDir();
  void StepPastSegmentHeader();
  void ReadSegmentStream(uint8_t* dest, size_t count);
  void CopySegmentStream(TStream& dest, int64_t count, bool showProgress);
  void SkipSegmentStream(int64_t count);
  void CloseSegment();

  // ---- records ----
  void ReadScanRecord(TSegArc& arc);
  // An embedded archive read from the set: in memory, or in the temporary archive file.
  struct EmbeddedArchive {
    std::unique_ptr<TStream> stream;
    bool inFile = false;
  };
  EmbeddedArchive ReadEmbeddedArchive(int64_t size, bool showProgress);
  void ReleaseEmbeddedArchive(EmbeddedArchive& archive);
  void ExpandListData(TSegArc& arc, int32_t recordLength, EmbeddedArchive archive);
  void ReadListFile(const std::string& path, int32_t recordLength, std::vector<std::string>& names);
  // The names of a list file, one fixed-length record each, trailing spaces dropped; false when the
  // stream could not give a whole record.
  bool ReadListRecords(TStream& list, int32_t recordLength, std::vector<std::string>& names);
  std::unique_ptr<platform::TFileStream> CreateDestination(const std::string& path) override;
  void DiscardDestination(const std::string& path) override;
  void ExpandArchive(TSegArc& arc);
  void WriteTempArchive(int64_t size, bool showProgress);
  void DeleteTempArchive();

  TSegOwner& owner_;
  std::string segBaseName_ = "SegData";
  std::string segDir_ = "a:\\";
  std::string segExt_;
  int32_t segSize_ = kDefaultSegSize;
  std::string segTmpDir_;

  TSegMode segMode_ = smBuild;
  uint16_t segNumber_ = 0;
  std::string segName_;
  std::string segPath_;
  int64_t segLeft_ = 0;
  std::unique_ptr<platform::TFileStream> segFile_;
  std::vector<uint8_t> buffer_;
  // While a list file is expanded into memory: its bytes, replaced by each entry of its name.
  // Whether the set being read keeps its templates and list-file names in UTF-8.
  bool utf8Set_ = false;
  bool listInMemory_ = false;
  std::vector<uint8_t> listBytes_;
};

}  // namespace vurerode
