// vurerode build: turns an application folder into distribution media. Every file is packed into a
// segmented set (one archive per folder, its template the folder's path on the building machine),
// finstall.cfg places each file below a base directory, install.cfg carries the settings, and the
// installer program itself goes beside them, or carries them all inside itself (--single-file).
#include "tools/cmd_build.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <system_error>
#include <vector>

#include "archive/zstd_method.h"
#include "media/finstall_cfg.h"
#include "media/install_cfg.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "segment/media_sums.h"
#include "segment/seg_comp_ez.h"
#include "segment/seg_names.h"
#include "segment/sha256.h"
#include "segment/single_file.h"
#include "tools/build_plan.h"
#include "tools/cli.h"
#include "tools/code_signer.h"
#include "tools/host_paths.h"
#include "tools/options.h"
#include "tools/progress.h"
#include "tools/set_support.h"
#include "tools/source_date.h"
#include "tools/winget_manifest.h"

namespace vurerode::cli {
namespace fs = std::filesystem;

const char* const kBuildHelp =
    "usage: vurerode build [--segment-size BYTES] [-m METHOD] [-k KEY] [--as WINDOWS_PATH]\n"
    "                      [--setup FILE] [--project FILE] [--sign-command COMMAND]\n"
    "                      [--single-file] [--winget URL] [-v] SOURCE_DIR OUT_DIR\n"
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
    "  -m, --method METHOD   zstd, lh5, lzh, rle or none (default zstd: each archive\n"
    "                        coded as one stream; lh5 keeps streams LHA tools read)\n"
    "  -k, --key KEY         lock the files with this 32-bit number (the installer needs it too)\n"
    "  -j, --jobs N          code N archives at a time (default: one per processor, at most 8)\n"
    "  --as WINDOWS_PATH     the folder's path on the building machine, as the media name it\n"
    "                        (default C:\\Source\\ and the folder's name)\n"
    "  --setup FILE          the Windows installer to ship (default: this build's setup.exe)\n"
    "  --project FILE        the project file (default SOURCE_DIR/vurerode.prj when present)\n"
    "  --sign-command COMMAND  run COMMAND on every Windows program the media ship, before\n"
    "                        their SHA-256 is taken; {} stands for the file's path (quoted for\n"
    "                        the shell). Overrides the project's Sign Command; '' signs nothing\n"
    "  --single-file         write OUT_DIR/setup.exe alone, carrying the whole set inside it\n"
    "  --winget URL          a single file, and its winget manifests in OUT_DIR/winget, for the\n"
    "                        file as downloaded from URL ([Setup] Package Identifier, Display\n"
    "                        Version, Publisher and License describe the package)\n"
    "  -v, --verbose         name each file as it is packed\n"
    "\n"
    "With SOURCE_DATE_EPOCH set (seconds since 1970-01-01 00:00 UTC), no file date stored is\n"
    "later than it, and every date is stored in UTC: builds of the same files give the same\n"
    "bytes.\n"
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

bool IsSegmentName(const std::string& lowerName) {
  const std::string prefix = std::string(kSegmentBaseName) + ".";
  return lowerName.rfind(prefix, 0) == 0 && lowerName.size() > prefix.size() &&
         lowerName.find_first_not_of("0123456789", prefix.size()) == std::string::npos;
}

// An earlier build's SHA256SUMS goes with its segments: left behind by a build that fails, it would
// condemn whatever the folder then holds. A single file replaces a set: the set's files go too, and
// an earlier setup.exe, which a failed build must not leave looking like its result.
void PrepareOutputFolder(const fs::path& dir, bool singleFile) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw Exception("cannot create folder '" + NativePath(dir) + "': " + ec.message());
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = platform::LowerCase(NativePath(it->path().filename()));
    std::error_code removed;
    if (IsSegmentName(name) || name == platform::LowerCase(kMediaSumsFile) ||
        (singleFile && (name == media::kFileListFile || name == media::kInstallConfigFile ||
                        name == platform::LowerCase(kSetupProgramName))))
      fs::remove(it->path(), removed);
  }
}

// Packs the plan's archives into segment files in dir; returns how many there are.
uint16_t WriteSegments(CaseBlindFileSystem& files, const BuildPlan& plan, const fs::path& dir, std::ostream& out,
                       std::ostream& err) {
  const BuildOptions& o = plan.options;
  ConsolePrompter prompter(std::cin, err, false);
  ConsoleSegOwner owner(prompter);
  TSegCompEZ writer(files, owner);
  WorkFolder work;
  writer.SetSegBaseName(kSegmentBaseName);
  writer.SetSegDir(WindowsDirectory(NativePath(dir)));
  writer.SetSegTmpDir(WindowsDirectory(work.path()));
  writer.SetSegSize(o.segmentSize);
  writer.Key = o.key;
  writer.YieldToOtherThreads = false;  // the tool has no window to keep alive
  writer.BuildThreads = o.jobs;
  // A single file codes its segments whole, lists included.
  writer.StoreListArchives = o.singleFile;
  if (o.method == coCustom) {
    // Each worker codes its archives as streams of its own.
    UseZstdMethod(writer);
    writer.PrepareWorkerComponent = [](TCompress& worker) { UseZstdMethod(worker); };
  }

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

void WriteConfiguration(const BuildPlan& plan, const fs::path& dir) {
  std::vector<std::string> lines;
  for (const media::TInstallFileEntry& e : plan.entries) lines.push_back(media::FormatInstallFileEntry(e));
  WriteText(dir / media::kFileListFile, MediaFileBytes(CrLfLines(lines)));
  WriteText(dir / media::kInstallConfigFile, MediaFileBytes(plan.installConfig.Text()));
}

// An earlier build's file goes first: libstdc++'s overwrite option fails on Windows.
void CopyProgram(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::remove(to, ec);
  fs::copy_file(from, to, ec);
  if (ec) throw Exception("cannot copy '" + NativePath(from) + "' to '" + NativePath(to) + "': " + ec.message());
}

// Puts a finished file in its place in one step where the folders share a drive; a copy otherwise,
// under another name until it is whole.
void MoveInto(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::remove(to, ec);
  fs::rename(from, to, ec);
  if (!ec) return;
  fs::path part = to;
  part += ".part";
  CopyProgram(from, part);
  fs::rename(part, to, ec);
  if (ec) {
    fs::remove(part, ec);
    throw Exception("cannot write '" + NativePath(to) + "'");
  }
}

std::vector<std::string> SegmentNames(uint16_t segments) {
  std::vector<std::string> names;
  for (uint16_t n = 1; n <= segments; ++n) names.push_back(SegmentFileName(kSegmentBaseName, "", n));
  return names;
}

// Written last, from the files as they lie in dir; returns how many it lists.
size_t WriteSums(CaseBlindFileSystem& files, const fs::path& dir, const std::vector<std::string>& shipped) {
  std::vector<std::pair<std::string, std::string>> sums;
  const std::string folder = WindowsDirectory(NativePath(dir));
  for (const std::string& name : shipped) sums.emplace_back(name, Sha256OfFile(files, folder + name));
  WriteText(dir / kMediaSumsFile, TMediaSums::Format(sums));
  return sums.size();
}

std::string Counted(size_t n, const char* one, const char* many) {
  return std::to_string(n) + (n == 1 ? one : many);
}

// What went where: the first line names what was written (the folder of a set, the single file),
// the others what the media hold.
void PrintSummary(const BuildPlan& plan, const fs::path& setFolder, uint16_t segments, size_t summed,
                  const std::string& signCommand, std::ostream& out) {
  const BuildOptions& o = plan.options;
  int64_t packed = 0;
  std::error_code ec;
  for (uint16_t n = 1; n <= segments; ++n)
    packed += static_cast<int64_t>(fs::file_size(setFolder / SegmentFileName(kSegmentBaseName, "", n), ec));
  const std::string segmentsText =
      Counted(segments, " segment", " segments") + " (" + SegmentFileName(kSegmentBaseName, "", 1) +
      (segments > 1 ? " to " + SegmentFileName(kSegmentBaseName, "", segments) : std::string()) + ")";
  if (o.singleFile) {
    const fs::path single = o.target / kSetupProgramName;
    out << NativePath(single) << ": single file of " << fs::file_size(single, ec) << " bytes carrying " << segmentsText;
  } else {
    out << NativePath(o.target) << ": " << segmentsText;
  }
  out << ", " << Counted(plan.files.size(), " file", " files") << " in "
      << Counted(plan.archives.size(), " archive", " archives") << ", " << plan.totalBytes << " bytes packed to "
      << packed << '\n'
      << "  " << media::kFileListFile << ": " << Counted(plan.entries.size(), " entry", " entries") << '\n'
      << "  " << media::kInstallConfigFile << ": " << plan.installConfigOrigin
      << (o.projectFile.empty() ? "" : ", with " + NativePath(o.projectFile)) << '\n'
      << "  " << kSetupProgramName << ": from " << NativePath(o.setup) << (signCommand.empty() ? "" : ", signed")
      << '\n'
      << "  " << kMediaSumsFile << ": SHA-256 of " << summed << " files"
      << (o.singleFile ? std::string(" (inside ") + kSetupProgramName + ")" : "") << '\n';
}

// The files the archives are read through: with a source date, no file is dated after it.
std::unique_ptr<CaseBlindFileSystem> SourceFiles(const BuildOptions& o) {
  if (o.sourceDate) return std::make_unique<SourceDatedFileSystem>(*o.sourceDate);
  return std::make_unique<CaseBlindFileSystem>();
}

// The set, its configuration and SHA256SUMS written to dir; returns how many segments it has and how
// many files SHA256SUMS lists. The program goes beside them unless it is null.
std::pair<uint16_t, size_t> WriteSet(CaseBlindFileSystem& files, const BuildPlan& plan, const fs::path& dir,
                                     const fs::path* program, std::ostream& out, std::ostream& err) {
  const uint16_t segments = WriteSegments(files, plan, dir, out, err);
  WriteConfiguration(plan, dir);
  std::vector<std::string> shipped = SegmentNames(segments);
  shipped.insert(shipped.end(), {media::kFileListFile, media::kInstallConfigFile});
  if (program) {
    CopyProgram(*program, dir / kSetupProgramName);
    shipped.push_back(kSetupProgramName);
  }
  return {segments, WriteSums(files, dir, shipped)};
}

// The single file: the set built in a private folder, then carried inside the program, which the
// signer signs on its own first (the uninstaller the installation copies) and again as a whole.
std::pair<uint16_t, size_t> WriteSingleFileMedia(CaseBlindFileSystem& files, const BuildPlan& plan,
                                                 const fs::path& program, const CodeSigner& signer,
                                                 const fs::path& work, std::ostream& out, std::ostream& err) {
  const fs::path setFolder = work / "set";
  std::error_code ec;
  fs::create_directories(setFolder, ec);
  if (ec) throw Exception("cannot create folder '" + NativePath(setFolder) + "': " + ec.message());
  const auto [segments, summed] = WriteSet(files, plan, setFolder, nullptr, out, err);

  TSingleFileSource source;
  source.program = NativePath(program);
  std::vector<std::string> members = SegmentNames(segments);
  members.insert(members.end(), {media::kInstallConfigFile, media::kFileListFile, kMediaSumsFile});
  const std::string folder = WindowsDirectory(NativePath(setFolder));
  for (const std::string& name : members) source.members.emplace_back(name, folder + name);
  // The texts shrink to a tenth; the segments, coded already, by what their headers and names give.
  source.coded = members;
  source.threads = plan.options.jobs;
  const fs::path single = work / kSetupProgramName;
  WriteSingleFile(files, source, WindowsDirectory(NativePath(work)) + kSetupProgramName);
  signer.Sign(single, std::string("the single file ") + kSetupProgramName);
  MoveInto(single, plan.options.target / kSetupProgramName);
  return {segments, summed};
}

// The package winget installs: the single file at the URL given, described by the project's [Setup].
TWingetPackage WingetPackage(const BuildPlan& plan, const std::string& sha256) {
  const auto setting = [&](const std::string& key) {
    return plan.installConfig.Value(media::kSetupScreenSection, key);
  };
  TWingetPackage p;
  p.identifier = setting("Package Identifier");
  if (p.identifier.empty())
    throw UsageError{"--winget needs the package's identifier: give [Setup] Package Identifier = Publisher.Product"};
  p.version = setting("Display Version");
  p.publisher = setting("Publisher");
  p.license = setting("License");
  p.name = setting(media::setup_screen::TextLineKey(1));
  p.productCode = p.name;
  p.installerUrl = *plan.options.wingetUrl;
  p.sha256 = sha256;
  // The configuration's Scope was checked when it was made.
  p.scope = media::ParseScopeSetting(setting(media::setup_screen::kScope)).value_or(media::TScopeSetting::Machine);
  return p;
}

std::string Sha256OfHostFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  Sha256 sha;
  std::vector<char> piece(1 << 16);
  while (in.read(piece.data(), static_cast<std::streamsize>(piece.size())) || in.gcount() > 0)
    sha.Update(piece.data(), static_cast<size_t>(in.gcount()));
  if (in.bad()) throw Exception("cannot read '" + NativePath(file) + "'");
  return Sha256::Hex(sha.Final());
}

}  // namespace

int RunBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o(args,
            {"--segment-size", "-m", "--method", "-k", "--key", "-j", "--jobs", "--as", "--setup", "--project",
             "--sign-command", "--winget"},
            {"-v", "--verbose", "--single-file"});
  if (o.Help()) {
    out << kBuildHelp;
    return kExitOk;
  }
  const BuildPlan plan = PlanBuild(ReadBuildOptions(o));
  // What winget would refuse is refused before the long packing.
  if (plan.options.wingetUrl) FormatWingetManifests(WingetPackage(plan, std::string(64, '0')));
  for (const std::string& warning : plan.warnings) err << "warning: " << warning << '\n';
  const BuildOptions& options = plan.options;
  // The private folder holds the signed program and the single file's set; it goes on every way out.
  WorkFolder work;
  const fs::path workPath = HostPath(work.path());
  // The program is signed first, before the long packing and before any digest of it is taken.
  const CodeSigner signer(plan.signCommand);
  fs::path program = options.setup;
  if (signer.Active()) {
    program = workPath / "signed" / kSetupProgramName;
    std::error_code ec;
    fs::create_directories(program.parent_path(), ec);
    CopyProgram(options.setup, program);
    signer.Sign(program, options.singleFile ? std::string("the uninstaller (") + kSetupProgramName + ")"
                                            : std::string(kSetupProgramName));
  }
  PrepareOutputFolder(options.target, options.singleFile);
  const std::unique_ptr<CaseBlindFileSystem> files = SourceFiles(options);
  const auto [segments, summed] = options.singleFile
                                      ? WriteSingleFileMedia(*files, plan, program, signer, workPath, out, err)
                                      : WriteSet(*files, plan, options.target, &program, out, err);
  PrintSummary(plan, options.singleFile ? workPath / "set" : options.target, segments, summed, plan.signCommand, out);
  if (options.wingetUrl) {
    const fs::path dir = options.target / "winget";
    const TWingetPackage package = WingetPackage(plan, Sha256OfHostFile(options.target / kSetupProgramName));
    WriteWingetManifests(package, dir);
    out << "  winget: " << NativePath(dir) << ", " << package.identifier << " " << package.version << " from "
        << package.installerUrl << '\n';
  }
  return kExitOk;
}

}  // namespace vurerode::cli
