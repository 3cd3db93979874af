// vurerode build: turns an application folder into distribution media. Every file is packed into a
// segmented set (one archive per folder, its template the folder's path on the building machine),
// finstall.cfg places each file below a base directory, install.cfg carries the settings, and the
// installer program itself goes beside them.
#include "tools/cmd_build.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <system_error>

#include "media/finstall_cfg.h"
#include "media/install_cfg.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "segment/media_sums.h"
#include "segment/seg_comp_ez.h"
#include "segment/seg_names.h"
#include "tools/build_plan.h"
#include "tools/cli.h"
#include "tools/host_paths.h"
#include "tools/options.h"
#include "tools/progress.h"
#include "tools/set_support.h"

namespace vurerode::cli {
namespace fs = std::filesystem;

const char* const kBuildHelp =
    "usage: vurerode build [--segment-size BYTES] [-m METHOD] [-k KEY] [--as WINDOWS_PATH]\n"
    "                      [--setup FILE] [--project FILE] [-v] SOURCE_DIR OUT_DIR\n"
    "\n"
    "Builds distribution media from an application folder: OUT_DIR receives the segment\n"
    "files disk.001, disk.002, ..., finstall.cfg (every file placed below the installation\n"
    "directory, keeping its sub-folders, unless the project file says otherwise),\n"
    "install.cfg (SOURCE_DIR/install.cfg when there is one, else a minimal one titled after\n"
    "the folder), setup.exe, the installer, and SHA256SUMS, the SHA-256 of each of these\n"
    "files (sha256sum -c SHA256SUMS checks them). An uninstaller.cfg that would land in the\n"
    "installation directory is left out with a warning: the installer writes its own.\n"
    "\n"
    "  --segment-size BYTES  largest size of one segment file (default 1440000, at least 16384)\n"
    "  -m, --method METHOD   none, rle, lzh or lh5 (default lh5)\n"
    "  -k, --key KEY         lock the files with this 32-bit number (the installer needs it too)\n"
    "  -j, --jobs N          code N archives at a time (default: one per processor, at most 8)\n"
    "  --as WINDOWS_PATH     the folder's path on the building machine, as the media name it\n"
    "                        (default C:\\Source\\ and the folder's name)\n"
    "  --setup FILE          the Windows installer to ship (default: this build's setup.exe)\n"
    "  --project FILE        the project file (default SOURCE_DIR/vurerode.prj when present)\n"
    "  -v, --verbose         name each file as it is packed\n"
    "\n"
    "The project file (settings, where files go, shortcuts, registry and INI entries,\n"
    "programs to run) is described in docs/building-media.md.\n";

namespace {

constexpr const char* kSegmentBaseName = "disk";
constexpr const char* kSetupProgramName = "setup.exe";

void WriteText(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw Exception("cannot write '" + NativePath(p) + "'");
}

// An earlier build's SHA256SUMS goes with its segments: left behind by a build that fails, it would
// condemn whatever the folder then holds.
void PrepareOutputFolder(const fs::path& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw Exception("cannot create folder '" + NativePath(dir) + "': " + ec.message());
  const std::string segmentPrefix = std::string(kSegmentBaseName) + ".";
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = platform::LowerCase(NativePath(it->path().filename()));
    if ((name.rfind(segmentPrefix, 0) == 0 && name.size() > segmentPrefix.size() &&
         name.find_first_not_of("0123456789", segmentPrefix.size()) == std::string::npos) ||
        name == platform::LowerCase(kMediaSumsFile))
      fs::remove(it->path(), ec);
  }
}

// Packs the plan's archives into segment files in the output folder; returns how many there are.
uint16_t WriteSegments(CaseBlindFileSystem& files, const BuildPlan& plan, std::ostream& out, std::ostream& err) {
  const BuildOptions& o = plan.options;
  ConsolePrompter prompter(std::cin, err, false);
  ConsoleSegOwner owner(prompter);
  TSegCompEZ writer(files, owner);
  WorkFolder work;
  writer.SetSegBaseName(kSegmentBaseName);
  writer.SetSegDir(WindowsDirectory(NativePath(o.target)));
  writer.SetSegTmpDir(WindowsDirectory(work.path()));
  writer.SetSegSize(o.segmentSize);
  writer.Key = o.key;
  writer.YieldToOtherThreads = false;  // the tool has no window to keep alive
  writer.BuildThreads = o.jobs;

  // Archives are coded on several threads: the handlers below are called one at a time, from any
  // of them, and progress counts the bytes of the files taken up so far.
  ProgressBar bar(err, "building", plan.totalBytes);
  std::map<std::string, int64_t> sizes;
  for (const SourceFile& f : plan.files) sizes[NativePath(f.host)] = f.size;
  int64_t started = 0;
  writer.OnCheckFile = [&](std::string& path, TCProcessMode) {
    bar.Update(started);
    started += sizes[path];
    if (o.verbose) {
      bar.Clear();
      out << path << '\n';
    }
  };
  const uint16_t count = writer.SegCompressArchives(plan.archives, o.method);
  bar.Clear();
  return count;
}

void WriteConfigurationAndInstaller(const BuildPlan& plan) {
  const fs::path& target = plan.options.target;
  std::vector<std::string> lines;
  for (const media::TInstallFileEntry& e : plan.entries) lines.push_back(media::FormatInstallFileEntry(e));
  WriteText(target / media::kFileListFile, MediaFileBytes(CrLfLines(lines)));
  WriteText(target / media::kInstallConfigFile, MediaFileBytes(plan.installConfig.Text()));
  // An earlier build's installer goes first: libstdc++'s overwrite option fails on Windows.
  std::error_code ec;
  fs::remove(target / kSetupProgramName, ec);
  fs::copy_file(plan.options.setup, target / kSetupProgramName, ec);
  if (ec)
    throw Exception("cannot copy '" + NativePath(plan.options.setup) + "' to '" + NativePath(target) +
                    "': " + ec.message());
}

// Written last, from the files as they lie in the output folder; returns how many it lists.
size_t WriteSums(CaseBlindFileSystem& files, const fs::path& target, uint16_t segments) {
  std::vector<std::string> shipped;
  for (uint16_t n = 1; n <= segments; ++n) shipped.push_back(SegmentFileName(kSegmentBaseName, "", n));
  shipped.insert(shipped.end(), {media::kFileListFile, media::kInstallConfigFile, kSetupProgramName});
  std::vector<std::pair<std::string, std::string>> sums;
  const std::string outDir = WindowsDirectory(NativePath(target));
  for (const std::string& name : shipped) sums.emplace_back(name, Sha256OfFile(files, outDir + name));
  WriteText(target / kMediaSumsFile, TMediaSums::Format(sums));
  return sums.size();
}

std::string Counted(size_t n, const char* one, const char* many) {
  return std::to_string(n) + (n == 1 ? one : many);
}

void PrintSummary(const BuildPlan& plan, uint16_t segments, size_t summed, std::ostream& out) {
  const BuildOptions& o = plan.options;
  int64_t packed = 0;
  std::error_code ec;
  for (uint16_t n = 1; n <= segments; ++n)
    packed += static_cast<int64_t>(fs::file_size(o.target / SegmentFileName(kSegmentBaseName, "", n), ec));
  out << NativePath(o.target) << ": " << Counted(segments, " segment", " segments") << " ("
      << SegmentFileName(kSegmentBaseName, "", 1)
      << (segments > 1 ? " to " + SegmentFileName(kSegmentBaseName, "", segments) : std::string()) << "), "
      << Counted(plan.files.size(), " file", " files") << " in "
      << Counted(plan.archives.size(), " archive", " archives") << ", " << plan.totalBytes << " bytes packed to "
      << packed << '\n'
      << "  " << media::kFileListFile << ": " << Counted(plan.entries.size(), " entry", " entries") << '\n'
      << "  " << media::kInstallConfigFile << ": " << plan.installConfigOrigin
      << (o.projectFile.empty() ? "" : ", with " + NativePath(o.projectFile)) << '\n'
      << "  " << kSetupProgramName << ": from " << NativePath(o.setup) << '\n'
      << "  " << kMediaSumsFile << ": SHA-256 of " << summed << " files\n";
}

}  // namespace

int RunBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o(args, {"--segment-size", "-m", "--method", "-k", "--key", "-j", "--jobs", "--as", "--setup", "--project"},
            {"-v", "--verbose"});
  if (o.Help()) {
    out << kBuildHelp;
    return kExitOk;
  }
  const BuildPlan plan = PlanBuild(ReadBuildOptions(o));
  for (const std::string& warning : plan.warnings) err << "warning: " << warning << '\n';
  PrepareOutputFolder(plan.options.target);
  CaseBlindFileSystem files;
  const uint16_t segments = WriteSegments(files, plan, out, err);
  WriteConfigurationAndInstaller(plan);
  const size_t summed = WriteSums(files, plan.options.target, segments);
  PrintSummary(plan, segments, summed, out);
  return kExitOk;
}

}  // namespace vurerode::cli
