#include "tools/build_plan.h"

#include <algorithm>
#include <map>
#include <set>
#include <system_error>

#include "media/install_cfg.h"
#include "media/uninstall_log_format.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "tools/cli.h"
#include "tools/code_signer.h"
#include "tools/host_paths.h"
#include "tools/install_config.h"
#include "tools/path_limits.h"
#include "tools/user_scope_check.h"

namespace vurerode::cli {
namespace fs = std::filesystem;
namespace {

// One archive per folder (its template is the folder on the building machine), and a large folder
// split into archives of about this many bytes each: archives are coded in parallel, and the
// installer's temporary copy of one stays small.
constexpr int64_t kArchiveBytes = 4 << 20;
// An archive of the zstd method is one stream: the more files it holds, the more each can draw on
// those before it. Archives of this size lose under 1% against one for the whole set, and keep the
// installer's temporary copy and its decoder's window (the whole archive) within bounds.
constexpr int64_t kSolidArchiveBytes = 32 << 20;

// A relative path as it can be shown: bytes that are not UTF-8 become U+FFFD.
std::string Shown(const std::string& rel) {
  return platform::Utf16ToUtf8(platform::Utf8ToUtf16(rel));
}

// Every file and folder below root but those in skip (or below them), by relative path. Names
// Windows would refuse are gathered (a folder's once, not again for what it holds) and refused
// together, so that one run names them all.
std::vector<std::pair<std::string, fs::directory_entry>> FindAll(const fs::path& root,
                                                                 const std::vector<fs::path>& skip) {
  std::error_code ec;
  std::vector<std::pair<std::string, fs::directory_entry>> found;
  std::vector<std::string> refused;
  for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    const fs::path& p = it->path();
    if (std::any_of(skip.begin(), skip.end(), [&](const fs::path& s) { return p == s || IsBelow(p, s); })) {
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    std::string rel;
    for (const fs::path& part : fs::relative(p, root)) rel += (rel.empty() ? "" : "\\") + NativePath(part);
    if (const std::string why = NameFault(NativePath(p.filename())); !why.empty()) {
      refused.push_back("  '" + Shown(rel) + "': " + why);
      if (it->is_directory()) it.disable_recursion_pending();
      continue;
    }
    found.emplace_back(rel, *it);
  }
  if (ec) throw Exception("cannot read folder '" + NativePath(root) + "': " + ec.message());
  if (!refused.empty()) {
    std::string message = "cannot ship " + std::to_string(refused.size()) + (refused.size() == 1 ? " name" : " names") +
                          " in '" + NativePath(root) + "':";
    for (const std::string& line : refused) message += "\n" + line;
    throw Exception(message);
  }
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  return found;
}

// A file that would land where the installer writes its uninstall log (an installed copy's log
// left in the folder the media are built from).
bool IsUninstallLogPlace(const SourceFile& f) {
  const size_t slash = f.rel.find_last_of('\\');
  const std::string name = slash == std::string::npos ? f.rel : f.rel.substr(slash + 1);
  return platform::SameText(name, media::kUninstallLogFile) && f.placement.base == media::kBaseDirectoryNames[0] &&
         f.placement.folders.empty();
}

// The title names the uninstall entry's key and travels on its command line.
void CheckTitle(const IniText& installConfig) {
  const std::string title = installConfig.Value(media::kSetupScreenSection, media::setup_screen::TextLineKey(1));
  if (const std::string fault = media::TitleFault(title); !fault.empty())
    throw UsageError{"the title '" + title + "' holds " + fault + ", which an uninstall entry cannot carry"};
}

// The files and empty folders the project ships.
void WalkFolder(BuildPlan& plan) {
  const BuildOptions& o = plan.options;
  // What lies beside the segments (or is generated) is not packed into them.
  std::vector<fs::path> skip = {o.target, o.source / media::kInstallConfigFile, o.source / media::kFileListFile};
  if (!o.projectFile.empty()) skip.push_back(o.projectFile);
  std::error_code ec;
  for (auto& [rel, entry] : FindAll(o.source, skip)) {
    if (entry.is_directory()) {
      bool empty = fs::directory_iterator(entry.path(), ec) == fs::directory_iterator();
      if (empty && plan.project.PlaceFolder(rel).shipped) plan.emptyFolders.push_back(rel);
      continue;
    }
    if (!entry.is_regular_file()) continue;
    SourceFile f{rel, entry.path(), static_cast<int64_t>(entry.file_size(ec)), plan.project.Place(rel)};
    if (!f.placement.shipped) continue;
    if (IsUninstallLogPlace(f)) {
      plan.warnings.push_back("left out '" + NativePath(entry.path()) +
                              "': the installer writes its own uninstall log there, and the removal would follow "
                              "a shipped one");
      continue;
    }
    plan.totalBytes += f.size;
    plan.files.push_back(std::move(f));
  }
}

void PlanArchives(BuildPlan& plan) {
  std::map<std::string, std::vector<const SourceFile*>> byFolder;
  for (const SourceFile& f : plan.files) {
    size_t slash = f.rel.find_last_of('\\');
    byFolder[slash == std::string::npos ? "" : f.rel.substr(0, slash)].push_back(&f);
  }
  for (const auto& [folder, members] : byFolder) {
    int64_t bytes = 0;
    bool first = true;
    for (const SourceFile* f : members) {
      if (first || (bytes > 0 && bytes + f->size > kArchiveBytes)) {
        plan.archives.emplace_back();
        plan.archives.back().Template = plan.options.as + "\\" + (folder.empty() ? "" : folder + "\\") + "*.*";
        bytes = 0;
        first = false;
      }
      plan.archives.back().Files.push_back(
          {NativePath(f->host), f->rel.substr(folder.empty() ? 0 : folder.size() + 1)});
      plan.archives.back().Bytes += f->size;
      bytes += f->size;
    }
  }
}

// The files the installer reads before installing (pictures, the licence, the programs whose icons
// the wizard shows), by their installer paths in upper case.
std::set<std::string> ShownBeforeInstall(const IniText& installConfig) {
  std::set<std::string> shown;
  // The configuration names them on the building machine's drive: the installer drops it.
  auto add = [&](const std::string& value) {
    if (value.size() > 3) shown.insert(platform::UpperCase(std::string(platform::Utf16Tail(value, 3))));
  };
  add(installConfig.Value(media::kSetupScreenSection, media::setup_screen::kLogoFile));
  add(installConfig.Value(media::kSetupScreenSection, media::setup_screen::kBitMap));
  for (const auto& [key, value] : installConfig.Entries(media::kDesktopSection))
    add(media::ParseDesktopEntry(value.empty() ? key : key + "=" + value).IconSource);
  return shown;
}

// Archives of the zstd method span folders: each holds its files under their relative paths, below
// a template for the whole tree. What the installer reads before installing comes first, in an
// archive of its own, so that reading it does not mean decoding the files before it.
void PlanSolidArchives(BuildPlan& plan) {
  const std::string& as = plan.options.as;
  const std::set<std::string> shown = ShownBeforeInstall(plan.installConfig);
  std::vector<const SourceFile*> early, rest;
  for (const SourceFile& f : plan.files) {
    const std::string name = platform::UpperCase(f.rel.substr(f.rel.find_last_of('\\') + 1));
    const bool read = shown.count(platform::UpperCase(as + "\\" + f.rel)) > 0 || name == "LICENSE.TXT";
    (read ? early : rest).push_back(&f);
  }
  for (const auto* group : {&early, &rest}) {
    int64_t bytes = 0;
    bool first = true;
    for (const SourceFile* f : *group) {
      if (first || (bytes > 0 && bytes + f->size > kSolidArchiveBytes)) {
        plan.archives.emplace_back();
        plan.archives.back().Template = as + "\\*.*";
        bytes = 0;
        first = false;
      }
      plan.archives.back().Files.push_back({NativePath(f->host), f->rel});
      plan.archives.back().Bytes += f->size;
      bytes += f->size;
    }
  }
}

void PlanEntries(BuildPlan& plan) {
  const std::string& as = plan.options.as;
  for (const SourceFile& f : plan.files)
    plan.entries.push_back(media::PlaceInstallFile(f.placement.base, f.placement.folders, as + "\\" + f.rel));
  for (const std::string& dir : plan.emptyFolders) {
    Placement p = plan.project.PlaceFolder(dir);
    plan.entries.push_back(media::PlaceInstallFile(p.base, p.folders, as + "\\" + dir + "\\"));
  }
}

}  // namespace

BuildPlan PlanBuild(const BuildOptions& options) {
  BuildPlan plan;
  plan.options = options;
  if (!options.projectFile.empty())
    plan.project = ParseProject(ProjectText(ReadHostFile(options.projectFile)), NativePath(options.projectFile));
  CheckSetupProgram(options.setup);
  plan.signCommand = options.signCommand.value_or(plan.project.signCommand.value_or(""));
  CodeSigner{plan.signCommand};  // a command that names no file is refused before anything is built
  WalkFolder(plan);
  PlanEntries(plan);
  plan.installConfig =
      MakeInstallConfig(options.source, plan.project, plan.files, options.as, plan.installConfigOrigin);
  if (options.method == coCustom)
    PlanSolidArchives(plan);
  else
    PlanArchives(plan);
  CheckTitle(plan.installConfig);
  CheckUserScopeEntries(plan.installConfig, plan.entries);
  CheckPathLengths(plan.installConfig);
  return plan;
}

}  // namespace vurerode::cli
