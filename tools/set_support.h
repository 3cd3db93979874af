// What the tool's commands need to read segmented sets on the host: a file system that finds names
// without regard to letter case (the segment component keeps its folder and base name in lower
// case, as Windows lets it), a prompter for the terminal, and the recognition of a set by the path
// of one of its segment files.
#pragma once

#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "segment/seg_comp_ez.h"
#include "segment/single_file.h"
#include "tools/case_blind_file_system.h"
#include "tools/console_prompter.h"
#include "tools/discarding_file_system.h"

namespace vurerode::cli {

// Files created below the discard prefix are thrown away as written; everything else is a real
// file. Lets `test` run a whole expansion while the reader's own work files stay real.
class TestingFileSystem : public CaseBlindFileSystem {
 public:
  static constexpr const char* kDiscardPrefix = "\\\\?\\discard\\";
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<platform::TFileStream> CreateFile(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  int CreateDirectory(const std::string& path) override;

 private:
  static bool Discarded(const std::string& path);
  DiscardingFileSystem discard_;
};

// True when the file begins with a segment header: the operand names a set, not an archive.
bool IsSegmentFile(const std::string& hostPath);

// A set as a command's operand names it: by one of its segment files, or by the setup program that
// carries it (a single file), whose set appears in the program's folder.
struct SetOperand {
  std::string segmentPath;            // the segment file the reader is pointed at
  std::optional<TSingleFile> single;  // the single file, when the operand is one
  std::string shown;                  // the operand as given, for messages
};
// nullopt when the operand names neither (an archive). Raises ESingleFileDamaged, naming the file,
// for a setup program whose medium is cut short or does not hold together.
std::optional<SetOperand> FindSetOperand(const std::string& operand);

// A fresh folder below the system's temporary folder, removed with its contents when it goes.
class WorkFolder {
 public:
  WorkFolder();
  ~WorkFolder();
  WorkFolder(const WorkFolder&) = delete;
  WorkFolder& operator=(const WorkFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Points a reader at the set one of whose segment files is given (disk.001, DISK.002, data.dat):
// its folder, its base name and, for a name whose extension is not a number, that fixed extension.
// Also gives it a fresh work folder, removed again when the returned guard goes.
class SetReaderSetup {
 public:
  SetReaderSetup(TSegCompEZ& reader, const std::string& segmentPath);
  // The reader's work folder, in Windows form.
  const std::string& WorkFolderPath() const { return workFolder_; }

 private:
  std::string workFolder_;
  WorkFolder work_;
};

// A path of the building machine placed below a host folder: the drive letter and colon dropped,
// leading backslashes dropped, the rest joined to dir (Windows form, ending with a backslash).
// Raises Exception for a path with a ".." component, which would leave dir.
std::string PlaceBelow(const std::string& dir, const std::string& path);

// The commands' work on sets, called when their operand names one.
int ListSet(const SetOperand& set, std::ostream& out, std::ostream& err);
int TestSet(const SetOperand& set, int32_t key, bool verbose, std::ostream& out, std::ostream& err);
int UnpackSet(const SetOperand& set, const std::string& dir, int32_t key, bool verbose, std::ostream& out,
              std::ostream& err);

}  // namespace vurerode::cli
