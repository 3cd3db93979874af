// vurerode build: turns an application folder into distribution media. Every file is packed into a
// segmented set (one archive per folder, its template the folder's path on the building machine),
// finstall.cfg places each file below a base directory, install.cfg carries the settings, and the
// installer program itself goes beside them.
#include "tools/cmd_build.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <system_error>
#include <thread>

#include "media/finstall_cfg.h"
#include "media/install_cfg.h"
#include "platform/ansi.h"
#include "platform/exception.h"
#include "segment/media_sums.h"
#include "segment/seg_comp_ez.h"
#include "segment/seg_names.h"
#include "tools/build_config.h"
#include "tools/build_project.h"
#include "tools/cli.h"
#include "tools/host_paths.h"
#include "tools/options.h"
#include "tools/progress.h"
#include "tools/set_support.h"
#include "tools/windows_program.h"

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
    "files (sha256sum -c SHA256SUMS checks them).\n"
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

constexpr const char* kProjectFileName = "vurerode.prj";
constexpr int64_t kArchiveBytes = 4 << 20;

struct SourceFile {
  std::string rel;  // ANSI, backslash separated, relative to the folder
  fs::path host;    // where the bytes are
  int64_t size = 0;
  Placement placement;
};

// A name the ANSI code page can hold and Windows accepts, or a reason why not.
std::string AnsiName(const std::string& utf8, const fs::path& where) {
  std::string ansi = platform::Utf8ToAnsi(utf8);
  std::string problem;
  if (platform::AnsiToUtf8(ansi) != utf8) problem = "it holds characters the Windows-1252 code page lacks";
  for (char c : ansi)
    if (static_cast<unsigned char>(c) < 32 || std::string("<>:\"\\|?*").find(c) != std::string::npos)
      problem = "it holds a character Windows does not allow in names";
  if (ansi.find(',') != std::string::npos) problem = "it holds a comma, which finstall.cfg cannot carry";
  if (!ansi.empty() && (ansi.back() == ' ' || ansi.back() == '.')) problem = "it ends with a space or a period";
  if (!problem.empty()) throw Exception("cannot ship '" + where.string() + "': " + problem);
  return ansi;
}

std::string ReadText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw Exception("cannot read '" + p.string() + "'");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteText(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw Exception("cannot write '" + p.string() + "'");
}

// Project texts are UTF-8 as editors write them today; a file that is not is taken as ANSI already.
std::string ToAnsi(const std::string& text) {
  std::string ansi = platform::Utf8ToAnsi(text);
  return platform::AnsiToUtf8(ansi) == text ? ansi : text;
}

fs::path Canonical(const std::string& p) {
  std::error_code ec;
  fs::path c = fs::weakly_canonical(fs::absolute(p), ec);
  return ec ? fs::absolute(p).lexically_normal() : c;
}

bool IsBelow(const fs::path& p, const fs::path& dir) {
  auto rel = p.lexically_relative(dir);
  return !rel.empty() && *rel.begin() != "..";
}

// The installer to ship: the Windows setup.exe this build made.
fs::path DefaultSetupProgram() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return WindowsSetupFor(exe.parent_path());
}

struct Walk {
  std::vector<SourceFile> files;
  std::vector<std::string> emptyFolders;  // ANSI relative paths of folders with nothing in them
};

Walk WalkFolder(const fs::path& root, const std::vector<fs::path>& skip, const Project& project) {
  Walk w;
  std::error_code ec;
  std::vector<std::pair<std::string, fs::directory_entry>> found;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const fs::path& p = it->path();
    if (std::any_of(skip.begin(), skip.end(), [&](const fs::path& s) { return p == s || IsBelow(p, s); })) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    std::string rel;
    for (const fs::path& part : fs::relative(p, root)) rel += (rel.empty() ? "" : "\\") + AnsiName(part.string(), p);
    found.emplace_back(rel, *it);
  }
  if (ec) throw Exception("cannot read folder '" + root.string() + "': " + ec.message());
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [rel, entry] : found) {
    if (entry.is_directory()) {
      bool empty = fs::directory_iterator(entry.path(), ec) == fs::directory_iterator();
      if (empty && project.PlaceFolder(rel).shipped) w.emptyFolders.push_back(rel);
      continue;
    }
    if (!entry.is_regular_file()) continue;
    SourceFile f;
    f.rel = rel;
    f.host = entry.path();
    f.size = static_cast<int64_t>(entry.file_size(ec));
    f.placement = project.Place(rel);
    if (f.placement.shipped) w.files.push_back(std::move(f));
  }
  return w;
}

// The building machine's path of a shipped file named by a path relative to the folder.
std::string ShippedPath(const std::vector<SourceFile>& files, const std::string& rel, const std::string& as,
                        const std::string& what) {
  std::string wanted = rel;
  std::replace(wanted.begin(), wanted.end(), '/', '\\');
  for (const SourceFile& f : files)
    if (platform::AnsiSameText(f.rel, wanted)) return as + "\\" + f.rel;
  throw Exception(what + " '" + rel + "' is not a file the media ship");
}

bool HasDrive(const std::string& p) {
  return p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' && p[2] == '\\';
}

IniText MakeInstallConfig(const fs::path& source, const Project& project, const std::vector<SourceFile>& files,
                          const std::string& as, std::string& origin) {
  namespace key = media::setup_screen;
  const fs::path given = source / media::kInstallConfigFile;
  const bool haveOwn = fs::is_regular_file(given);
  IniText ini = IniText::Parse(haveOwn ? ReadText(given) : std::string());
  origin = haveOwn ? "from " + given.string() : "written";
  const std::string section = media::kSetupScreenSection;
  const std::string textLine1 = key::TextLineKey(1);
  std::string title = platform::Utf8ToAnsi(source.filename().string());
  for (const auto& [name, value] : project.setup)
    if (platform::AnsiSameText(name, "Title")) title = value;
  if (!haveOwn) {
    ini.SetKey(section, textLine1, title);
    ini.SetKey(section, key::kMainDirectory, title);
    ini.SetKey(section, key::kDesktopFolder, title);
  }
  for (const auto& [name, value] : project.setup) {
    std::string v = value;
    if ((platform::AnsiSameText(name, key::kLogoFile) || platform::AnsiSameText(name, key::kBitMap)) && !v.empty() &&
        !HasDrive(v))
      v = ShippedPath(files, v, as, name);
    ini.SetKey(section, platform::AnsiSameText(name, "Title") ? textLine1 : name, v);
  }
  if (project.shortcuts) {
    std::string folder = ini.Value(section, key::kDesktopFolder);
    if (folder.empty()) folder = key::kDefaultDesktopFolder;
    std::vector<std::string> lines;
    for (const Shortcut& s : *project.shortcuts) {
      // The program's own file, when the media ship it, gives the wizard its icon.
      std::string iconSource;
      const std::string token = "<InstallDir>\\";
      if (s.program.rfind(token, 0) == 0) {
        for (const SourceFile& f : files) {
          std::string target;
          for (const std::string& d : f.placement.folders) target += d + "\\";
          target += f.rel.substr(f.rel.find_last_of('\\') + 1);
          if (f.placement.base == media::kBaseDirectoryNames[0] &&
              platform::AnsiSameText(target, s.program.substr(token.size())))
            iconSource = as + "\\" + f.rel;
        }
      }
      const media::TDesktopEntry entry{
          s.name, s.program, s.startMenu, s.desktop, s.quickLaunch, iconSource, s.folder.empty() ? folder : s.folder,
          s.icon};
      lines.push_back(media::FormatDesktopEntry(entry) + "=");
    }
    ini.SetSection(media::kDesktopSection, lines);
  }
  if (project.registry) {
    std::vector<std::string> lines = {std::string(media::kIniRegistryCountKey) + "=" +
                                      std::to_string(project.registry->size())};
    for (size_t i = 0; i < project.registry->size(); ++i)
      lines.push_back(media::IniRegistryKey(i) + "=" + media::FormatConfiguredEntry((*project.registry)[i]));
    ini.SetSection(media::kIniRegistrySection, lines);
  }
  if (project.runAfter) {
    std::vector<std::string> lines;
    for (const std::string& rel : *project.runAfter)
      lines.push_back(media::FormatLaunchApplication({ShippedPath(files, rel, as, "the program")}) + "=");
    ini.SetSection(media::kLaunchApplicationsSection, lines);
  }
  return ini;
}

int32_t SegmentSizeOption(const Options& o) {
  auto v = o.Value("--segment-size");
  if (!v) return kDefaultSegSize;
  char* end = nullptr;
  long long n = std::strtoll(v->c_str(), &end, 10);
  if (v->empty() || *end != '\0' || n < kMinSegSize || n > INT32_MAX)
    throw UsageError{"the segment size must be a number of bytes from 16384 to 2147483647, not '" + *v + "'"};
  return static_cast<int32_t>(n);
}

int JobsOption(const Options& o) {
  auto v = o.Value("-j");
  if (auto w = o.Value("--jobs")) v = w;
  if (!v) return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  char* end = nullptr;
  long n = std::strtol(v->c_str(), &end, 10);
  if (v->empty() || *end != '\0' || n < 1 || n > 64)
    throw UsageError{"--jobs needs a number from 1 to 64, not '" + *v + "'"};
  return static_cast<int>(n);
}

// An earlier build's SHA256SUMS goes with its segments: left behind by a build that fails, it would
// condemn whatever the folder then holds.
void RemoveOldSegmentsAndSums(const fs::path& dir) {
  std::error_code ec;
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::string name = platform::AnsiLowerCase(it->path().filename().string());
    if ((name.rfind("disk.", 0) == 0 && name.size() > 5 &&
         name.find_first_not_of("0123456789", 5) == std::string::npos) ||
        name == platform::AnsiLowerCase(kMediaSumsFile))
      fs::remove(it->path(), ec);
  }
}

}  // namespace

int RunBuild(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o(args, {"--segment-size", "-m", "--method", "-k", "--key", "-j", "--jobs", "--as", "--setup", "--project"},
            {"-v", "--verbose"});
  if (o.Help()) {
    out << kBuildHelp;
    return kExitOk;
  }
  if (o.Operands().size() != 2) throw UsageError{"build needs a source folder and an output folder"};
  const int32_t segSize = SegmentSizeOption(o);
  TCompressionMethod method = coLZH5;
  if (auto m = o.Value("-m")) method = ParseMethod(*m);
  if (auto m = o.Value("--method")) method = ParseMethod(*m);
  const int32_t key = KeyOption(o);
  const bool verbose = o.Has("-v") || o.Has("--verbose");
  const int jobs = JobsOption(o);

  const fs::path source = Canonical(o.Operands()[0]);
  const fs::path target = Canonical(o.Operands()[1]);
  if (!fs::is_directory(source)) throw UsageError{"'" + o.Operands()[0] + "' is not a folder"};
  if (source == target || IsBelow(source, target))
    throw UsageError{"the output folder cannot be the source folder or hold it"};

  std::string as = "C:\\Source\\" + AnsiName(source.filename().string(), source);
  if (auto a = o.Value("--as")) as = ToAnsi(*a);
  while (as.size() > 3 && as.back() == '\\') as.pop_back();
  if (!HasDrive(as) || as.size() < 4 || as.find_first_of(",\t") != std::string::npos)
    throw UsageError{"--as needs a Windows path with a drive, like C:\\Work\\App (no commas)"};

  fs::path projectFile;
  if (auto p = o.Value("--project"))
    projectFile = Canonical(*p);
  else if (fs::is_regular_file(source / kProjectFileName))
    projectFile = source / kProjectFileName;
  Project project;
  if (!projectFile.empty()) project = ParseProject(ToAnsi(ReadText(projectFile)), projectFile.string());

  fs::path setup;
  if (auto s = o.Value("--setup"))
    setup = *s;
  else
    setup = DefaultSetupProgram();
  if (setup.empty())
    throw Exception(
        "no Windows setup.exe found in this build (build it with scripts/build-setup.sh, or name one with --setup "
        "FILE)");
  if (!fs::is_regular_file(setup)) throw Exception("cannot read the installer program '" + setup.string() + "'");
  if (!IsWindowsProgram(setup))
    throw Exception("'" + setup.string() + "' is not a Windows program (setup.exe must be the Windows installer)");

  // What lies beside the segments (or is generated) is not packed into them.
  std::vector<fs::path> skip = {target, source / media::kInstallConfigFile, source / media::kFileListFile};
  if (!projectFile.empty()) skip.push_back(projectFile);
  Walk walk = WalkFolder(source, skip, project);

  // One archive per folder (its template is the folder on the building machine), and a large folder
  // split into archives of about kArchiveBytes each: archives are coded in parallel, and the
  // installer's temporary copy of one stays small.
  std::map<std::string, std::vector<const SourceFile*>> byFolder;
  std::vector<std::string> entries;
  int64_t total = 0;
  for (const SourceFile& f : walk.files) {
    size_t slash = f.rel.find_last_of('\\');
    byFolder[slash == std::string::npos ? "" : f.rel.substr(0, slash)].push_back(&f);
    entries.push_back(media::FormatInstallFileEntry(
        media::PlaceInstallFile(f.placement.base, f.placement.folders, as + "\\" + f.rel)));
    total += f.size;
  }
  std::vector<TSegBuildArchive> archives;
  for (const auto& [folder, members] : byFolder) {
    int64_t bytes = 0;
    bool first = true;
    for (const SourceFile* f : members) {
      if (first || (bytes > 0 && bytes + f->size > kArchiveBytes)) {
        archives.emplace_back();
        archives.back().Template = as + "\\" + (folder.empty() ? "" : folder + "\\") + "*.*";
        bytes = 0;
        first = false;
      }
      archives.back().Files.push_back({NativePath(f->host), f->rel.substr(folder.empty() ? 0 : folder.size() + 1)});
      archives.back().Bytes += f->size;
      bytes += f->size;
    }
  }
  for (const std::string& dir : walk.emptyFolders) {
    Placement p = project.PlaceFolder(dir);
    entries.push_back(
        media::FormatInstallFileEntry(media::PlaceInstallFile(p.base, p.folders, as + "\\" + dir + "\\")));
  }

  std::string configOrigin;
  IniText config = MakeInstallConfig(source, project, walk.files, as, configOrigin);

  std::error_code ec;
  fs::create_directories(target, ec);
  if (ec) throw Exception("cannot create folder '" + target.string() + "': " + ec.message());
  RemoveOldSegmentsAndSums(target);

  CaseBlindFileSystem files;
  ConsolePrompter prompter(std::cin, err, false);
  ConsoleSegOwner owner(prompter);
  TSegCompEZ writer(files, owner);
  WorkFolder work;
  writer.SetSegBaseName("disk");
  writer.SetSegDir(WindowsDirectory(target.string()));
  writer.SetSegTmpDir(WindowsDirectory(work.path()));
  writer.SetSegSize(segSize);
  writer.Key = key;
  writer.YieldToOtherThreads = false;  // the tool has no window to keep alive

  writer.BuildThreads = jobs;

  // Archives are coded on several threads: the handlers below are called one at a time, from any
  // of them, and progress counts the bytes of the files taken up so far.
  ProgressBar bar(err, "building", total);
  std::map<std::string, int64_t> sizes;
  for (const SourceFile& f : walk.files) sizes[NativePath(f.host)] = f.size;
  int64_t started = 0;
  writer.OnCheckFile = [&](std::string& path, TCProcessMode) {
    bar.Update(started);
    started += sizes[path];
    if (verbose) {
      bar.Clear();
      out << path << '\n';
    }
  };
  const uint16_t count = writer.SegCompressArchives(archives, method);
  bar.Clear();

  WriteText(target / media::kFileListFile, CrLfLines(entries));
  WriteText(target / media::kInstallConfigFile, config.Text());
  // An earlier build's installer goes first: libstdc++'s overwrite option fails on Windows.
  fs::remove(target / "setup.exe", ec);
  fs::copy_file(setup, target / "setup.exe", ec);
  if (ec) throw Exception("cannot copy '" + setup.string() + "' to '" + target.string() + "': " + ec.message());

  // Written last, from the files as they lie in OUT_DIR.
  std::vector<std::string> shipped;
  for (uint16_t n = 1; n <= count; ++n) shipped.push_back(SegmentFileName("disk", "", n));
  shipped.insert(shipped.end(), {media::kFileListFile, media::kInstallConfigFile, "setup.exe"});
  std::vector<std::pair<std::string, std::string>> sums;
  const std::string outDir = WindowsDirectory(target.string());
  for (const std::string& name : shipped) sums.emplace_back(name, Sha256OfFile(files, outDir + name));
  WriteText(target / kMediaSumsFile, TMediaSums::Format(sums));

  int64_t packed = 0;
  for (uint16_t n = 1; n <= count; ++n) {
    std::string ext = std::to_string(n);
    ext.insert(0, ext.size() < 3 ? 3 - ext.size() : 0, '0');
    packed += static_cast<int64_t>(fs::file_size(target / ("disk." + ext), ec));
  }
  out << target.string() << ": " << count << (count == 1 ? " segment" : " segments") << " (disk.001"
      << (count > 1 ? " to disk." + std::string(count < 100 ? (count < 10 ? "00" : "0") : "") + std::to_string(count)
                    : std::string())
      << "), " << walk.files.size() << (walk.files.size() == 1 ? " file" : " files") << " in " << archives.size()
      << (archives.size() == 1 ? " archive" : " archives") << ", " << total << " bytes packed to " << packed << '\n'
      << "  finstall.cfg: " << entries.size() << (entries.size() == 1 ? " entry" : " entries") << '\n'
      << "  install.cfg: " << configOrigin << (projectFile.empty() ? "" : ", with " + projectFile.string()) << '\n'
      << "  setup.exe: from " << setup.string() << '\n'
      << "  " << kMediaSumsFile << ": SHA-256 of " << sums.size() << " files\n";
  return kExitOk;
}

}  // namespace vurerode::cli
