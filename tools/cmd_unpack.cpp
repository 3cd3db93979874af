#include <filesystem>
#include <iostream>

#include "archive/compress.h"
#include "archive/zstd_method.h"
#include "platform/exception.h"
#include "platform/write_behind_file_system.h"
#include "tools/cli.h"
#include "tools/host_paths.h"
#include "tools/native_file_system.h"
#include "tools/options.h"
#include "tools/progress.h"
#include "tools/set_support.h"

namespace vurerode::cli {

const char* const kUnpackHelp =
    "usage: vurerode unpack [-k KEY] [-v] ARCHIVE|SET -C DIR\n"
    "\n"
    "Expands every entry below DIR (created when missing); the '\\' in names become\n"
    "folders. Existing files are replaced. Names that start with '\\' are placed below\n"
    "DIR too.\n"
    "\n"
    "A SET is named by one of its segment files (disk.001), or by the setup.exe that carries\n"
    "it (single-file media). Each file it lists lands below\n"
    "DIR by its path on the building machine without the drive: C:\\Source\\App\\a.exe\n"
    "becomes DIR/Source/App/a.exe. A missing segment is asked for on the terminal.\n"
    "\n"
    "  -C, --directory DIR  where to expand (default: the current folder)\n"
    "  -k, --key KEY        the key locked entries were written with\n"
    "  -v, --verbose        name each file as it is written\n";

int RunUnpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o(args, {"-k", "--key", "-C", "--directory"}, {"-v", "--verbose"});
  if (o.Help()) {
    out << kUnpackHelp;
    return kExitOk;
  }
  if (o.Operands().size() != 1) throw UsageError{"unpack needs exactly one archive or set"};
  const bool verbose = o.Has("-v") || o.Has("--verbose");
  std::string dir = ".";
  if (auto d = o.Value("-C")) dir = *d;
  if (auto d = o.Value("--directory")) dir = *d;
  const std::string archive = o.Operands()[0];
  const int32_t key = KeyOption(o);
  if (auto set = FindSetOperand(archive)) return UnpackSet(*set, dir, key, verbose, out, err);

  NativeFileSystem native;
  // The files are written by a second thread while the next ones are decoded.
  platform::WriteBehindFileSystem files(native);
  TArchiveList entries;
  TCompress compress(files);
  UseZstdMethod(compress);
  compress.ListArchiveFile(archive, entries);
  int64_t total = 0;
  for (const auto& e : entries) total += e.Info.OriginalSize > 0 ? e.Info.OriginalSize : 0;

  std::error_code ec;
  std::filesystem::create_directories(HostPath(dir), ec);
  if (ec) throw Exception("cannot create folder '" + dir + "': " + ec.message());
  const std::string target = WindowsDirectory(dir);
  compress.SetTargetPath(target);
  compress.Key = key;
  compress.YieldToOtherThreads = false;  // the tool has no window to keep alive
  compress.MakeDirectories = true;
  compress.ExceptionOnFileError = true;

  ProgressBar bar(err, "unpacking", total);
  size_t index = 0;
  int64_t doneBefore = 0;
  compress.OnCheckFile = [&](std::string& path, TCProcessMode) {
    // A name that starts with a backslash would land outside DIR: root it there instead.
    if (path.compare(0, target.size(), target) != 0) path = target + path.substr(path.find_first_not_of('\\'));
    if (index > 0 && index <= entries.size()) doneBefore += entries[index - 1].Info.OriginalSize;
    ++index;
    if (verbose) {
      bar.Clear();
      out << path.substr(target.size()) << '\n';
    }
  };
  compress.OnShowProgress = [&](int32_t& percent) {
    int64_t size = index > 0 && index <= entries.size() ? entries[index - 1].Info.OriginalSize : 0;
    bar.Update(doneBefore + size * (percent < 0 ? 0 : percent) / 100);
  };
  try {
    compress.ExpandArchiveFile(archive);
  } catch (...) {
    files.Finish();  // a file that could not be written is the cause of what failed after it
    throw;
  }
  files.Finish();
  return kExitOk;
}

}  // namespace vurerode::cli
