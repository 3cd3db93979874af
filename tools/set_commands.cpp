// list, test and unpack for segmented sets. The reader goes through the whole set as the installer
// does; the commands differ in what happens to each file: nothing (list), thrown away as decoded
// (test) or written below a folder (unpack). A set carried inside a setup program is read through
// a file system that shows its files in the program's folder, as the installer reads it.
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <set>

#include "archive/zstd_method.h"
#include "media/finstall_cfg.h"
#include "platform/exception.h"
#include "platform/write_behind_file_system.h"
#include "segment/embedded_set_file_system.h"
#include "segment/seg_names.h"
#include "tools/archive_entries.h"
#include "tools/build_config.h"
#include "tools/cli.h"
#include "tools/host_paths.h"
#include "tools/media_sums_check.h"
#include "tools/progress.h"
#include "tools/set_support.h"
#include "tools/terminal.h"

namespace vurerode::cli {
namespace {

platform::FileSystem& Below(CaseBlindFileSystem& files, platform::WriteBehindFileSystem* writeBehind) {
  return writeBehind ? static_cast<platform::FileSystem&>(*writeBehind) : files;
}

// The reader with its owner and prompter, set up on the set.
struct SetSession {
  // With a write-behind file system over files, the reader writes through it.
  SetSession(CaseBlindFileSystem& files, const SetOperand& set, std::ostream& err,
             platform::WriteBehindFileSystem* writeBehind = nullptr)
      : writeBehind(writeBehind),
        embedded(set.single ? std::make_unique<TEmbeddedSetFileSystem>(Below(files, writeBehind), *set.single)
                            : nullptr),
        media(embedded ? static_cast<platform::FileSystem&>(*embedded) : Below(files, writeBehind)),
        prompter(std::cin, err, StandardInputIsTerminal()),
        owner(prompter),
        reader(media, owner),
        setup(reader, set.segmentPath) {
    files.SetExactFolder(setup.WorkFolderPath());
    reader.YieldToOtherThreads = false;  // the tool has no window to keep alive
    UseZstdMethod(reader);
    if (writeBehind) writeBehind->SetDirectFolder(setup.WorkFolderPath());
  }
  // The work folder goes only after the files queued for it were written.
  ~SetSession() {
    if (writeBehind) writeBehind->Wait();
  }
  platform::WriteBehindFileSystem* writeBehind;
  std::unique_ptr<TEmbeddedSetFileSystem> embedded;
  platform::FileSystem& media;  // where the set's files are read: the folder, or the single file
  ConsolePrompter prompter;
  ConsoleSegOwner owner;
  TSegCompEZ reader;
  SetReaderSetup setup;
};

// A progress bar over the set's files, made once the lists are known.
class FileProgress {
 public:
  FileProgress(std::ostream& err, std::string label) : err_(err), label_(std::move(label)) {}
  void Start(const TSegArcList& list) {
    int64_t total = 0;
    for (size_t i = 0; i < list.Count(); ++i) total += static_cast<int64_t>(list[i].FileList.size());
    bar_ = std::make_unique<ProgressBar>(err_, label_, total);
  }
  void Step() {
    if (bar_) bar_->Update(++done_);
  }
  void Clear() {
    if (bar_) bar_->Clear();
  }

 private:
  std::ostream& err_;
  std::string label_;
  std::unique_ptr<ProgressBar> bar_;
  int64_t done_ = 0;
};

// The reader keeps the paths of the files written in its list; the commands need only their
// number, so each archive's list is emptied once it is done and memory does not grow with the set.
void ForgetWrittenPaths(TSegCompEZ& reader, size_t& files) {
  reader.OnSegAfterArchive = [&reader, &files](const TSegArcHeader& record, const std::string&) {
    for (size_t i = 0; i < reader.SegArcList.Count(); ++i) {
      TSegArc& arc = reader.SegArcList[i];
      if (arc.Index != record.Sequence) continue;
      files += arc.FileList.size();
      std::vector<std::string>().swap(arc.FileList);
    }
  };
}

// The set holds files only: the folders to create empty are the finstall.cfg entries ending with a
// backslash, made below target as the files are when finstall.cfg lies beside the set.
void MakeEmptyFolders(platform::FileSystem& files, const std::filesystem::path& setFolder, const std::string& target,
                      std::ostream* verbose) {
  const std::string list = WindowsDirectory(setFolder.empty() ? "." : NativePath(setFolder)) + media::kFileListFile;
  if (!files.FileExists(list)) return;
  auto file = files.OpenFile(list, platform::FileAccess::Read);
  std::string text(static_cast<size_t>(file->Size()), '\0');
  file->ReadBuffer(text.data(), text.size());
  TCompress maker(files);
  for (const std::string& path : InstallFolderPaths(MediaFileText(text))) {
    const std::string folder = PlaceBelow(target, path);
    maker.MakeDirectoryPath(folder);
    if (verbose) *verbose << folder.substr(target.size()) << '\n';
  }
}

std::string Plural(size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

int ListSet(const SetOperand& set, std::ostream& out, std::ostream& err) {
  CaseBlindFileSystem files;
  SetSession s(files, set, err);
  std::vector<std::vector<std::string>> listed;
  // Nothing is expanded: each archive is listed from the reader's temporary copy instead.
  s.reader.OnSegBeforeExpand = [&](TSegArcList& list) {
    for (size_t i = 0; i < list.Count(); ++i) {
      listed.push_back(list[i].FileList);
      list[i].FileList.clear();
    }
  };
  char line[160];
  int64_t original = 0, packed = 0;
  size_t entries = 0, archives = 0;
  out << "    Original      Packed  Ratio Method Date                Attr Lock   Name\n";
  s.reader.OnSegAfterArchive = [&](const TSegArcHeader& record, const std::string& templ) {
    TCompress lister(files);
    UseZstdMethod(lister);
    TArchiveList list;
    lister.ListArchiveFile(s.reader.TempArchivePath(), list);
    const std::vector<std::string>& names = listed.at(record.Sequence);
    const std::string dir = PathDirectoryPart(templ);
    out << "archive " << record.Sequence << ": " << templ << '\n';
    for (const TListedEntry& e : list) {
      const TCompressedFileInfo& i = e.Info;
      std::snprintf(line, sizeof line, "%12d %11d %s %-6s %s %s %-6s ", i.OriginalSize, i.CompressedSize,
                    RatioText(i.OriginalSize, i.CompressedSize).c_str(),
                    MethodName(i.Method, lister.ArchiveMethodId()).c_str(),
                    DosDateText(static_cast<uint32_t>(i.FileDate)).c_str(), AttributeText(i.Attributes).c_str(),
                    i.Locked ? "locked" : "");
      const bool installed = TCompress::NameInList(names, e.Name);
      out << line << dir << e.Name << (installed ? "" : "  (not listed: never expanded)") << '\n';
      original += i.OriginalSize;
      packed += i.CompressedSize;
      ++entries;
    }
    ++archives;
  };
  s.reader.SegExpand();
  std::snprintf(line, sizeof line, "%12lld %11lld %s ", static_cast<long long>(original),
                static_cast<long long>(packed), RatioText(original, packed).c_str());
  out << "------------ ----------- ------\n"
      << line << Plural(entries, "entry", "entries") << " in " << Plural(archives, "archive", "archives") << '\n';
  return kExitOk;
}

int TestSet(const SetOperand& set, int32_t key, bool verbose, std::ostream& out, std::ostream& err) {
  const std::string& segmentPath = set.shown;
  TestingFileSystem files;
  SetSession s(files, set, err);
  const std::filesystem::path folder = HostPath(set.segmentPath).parent_path();
  std::optional<MediaSumsCheck> sums;
  try {
    // A single file's own digest covers every byte of it before anything is read from it.
    if (set.single) set.single->Verify(files);
    sums.emplace(s.media, WindowsDirectory(folder.empty() ? "." : NativePath(folder)),
                 set.single ? set.shown + ": " : NativePath(folder / ""));
  } catch (const ESingleFileDamaged& e) {
    err << "vurerode: " << set.shown << ": " << e.what() << '\n';
    return kExitFailure;
  } catch (const MediaDamage& e) {
    err << "vurerode: " << e.what() << '\n';
    return kExitFailure;
  }
  // Each segment is checked before the reader takes anything from it. The tool reads a set from one
  // folder (it never asks for another), the one SHA256SUMS lies in.
  s.reader.OnSegBefore = [&](TSegMode, const std::string& name, uint16_t) { sums->CheckSegment(name); };
  size_t tested = 0;
  ForgetWrittenPaths(s.reader, tested);
  s.reader.Key = key;
  s.reader.ExceptionOnFileError = true;
  FileProgress progress(err, "testing");
  s.reader.OnSegBeforeExpand = [&](TSegArcList& list) { progress.Start(list); };
  std::string current;
  s.reader.OnCheckFile = [&](std::string& path, TCProcessMode) {
    if (verbose && !current.empty()) {
      progress.Clear();
      out << "OK   " << current << '\n';
    }
    current = path;
    path = TestingFileSystem::kDiscardPrefix + PlaceBelow("", path);
    progress.Step();
  };
  size_t summed = 0;
  try {
    s.reader.SegExpand();
    summed = sums->CheckTheRest();
  } catch (const MediaDamage& e) {
    progress.Clear();
    err << "vurerode: " << e.what() << '\n';
    return kExitFailure;
  } catch (const Exception& e) {
    progress.Clear();
    err << "vurerode: " << segmentPath << (current.empty() ? "" : ": " + current) << ": " << e.what() << '\n';
    return kExitFailure;
  }
  progress.Clear();
  if (verbose && !current.empty()) out << "OK   " << current << '\n';
  out << segmentPath << ": " << Plural(tested, "file", "files") << " in "
      << Plural(s.reader.SegArcList.Count(), "archive", "archives") << " OK"
      << (sums->Active() ? ", " + Plural(summed, "file", "files") + " match " + kMediaSumsFile : "") << '\n';
  return kExitOk;
}

int UnpackSet(const SetOperand& set, const std::string& dir, int32_t key, bool verbose, std::ostream& out,
              std::ostream& err) {
  std::error_code ec;
  std::filesystem::create_directories(HostPath(dir), ec);
  if (ec) throw Exception("cannot create folder '" + dir + "': " + ec.message());
  const std::string target = WindowsDirectory(dir);

  CaseBlindFileSystem files;
  // The files are written by a second thread while the reader decodes the next ones.
  platform::WriteBehindFileSystem writer(files);
  SetSession s(files, set, err, &writer);
  size_t written = 0;
  ForgetWrittenPaths(s.reader, written);
  s.reader.Key = key;
  s.reader.ExceptionOnFileError = true;
  FileProgress progress(err, "unpacking");
  s.reader.OnSegBeforeExpand = [&](TSegArcList& list) { progress.Start(list); };
  s.reader.OnCheckFile = [&](std::string& path, TCProcessMode) {
    path = PlaceBelow(target, path);
    progress.Step();
    if (verbose) {
      progress.Clear();
      out << path.substr(target.size()) << '\n';
    }
  };
  try {
    s.reader.SegExpand();
  } catch (...) {
    // A file that could not be written makes the reader fail at whatever it does next (opening a
    // segment, say): the write failure is the cause to report.
    writer.Finish();
    throw;
  }
  writer.Finish();
  progress.Clear();
  MakeEmptyFolders(set.single ? s.media : files, HostPath(set.segmentPath).parent_path(), target,
                   verbose ? &out : nullptr);
  return kExitOk;
}

}  // namespace vurerode::cli
