#include "tools/install_config.h"

#include <algorithm>

#include "media/install_cfg.h"
#include "media/registry_keys.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "tools/host_paths.h"

namespace vurerode::cli {
namespace fs = std::filesystem;
namespace key = media::setup_screen;
namespace {

// The project's [Setup] key that gives the title, which install.cfg keeps as its first text line.
constexpr const char* kTitleKey = "Title";
constexpr const char* kInstallDirToken = "<InstallDir>\\";

// The building machine's path of a shipped file named by a path relative to the folder.
std::string ShippedPath(const std::vector<SourceFile>& files, const std::string& rel, const std::string& as,
                        const std::string& what) {
  std::string wanted = rel;
  std::replace(wanted.begin(), wanted.end(), '/', '\\');
  for (const SourceFile& f : files)
    if (platform::SameText(f.rel, wanted)) return as + "\\" + f.rel;
  throw Exception(what + " '" + rel + "' is not a file the media ship");
}

void SetSetupScreen(IniText& ini, bool haveOwn, const fs::path& source, const Project& project,
                    const std::vector<SourceFile>& files, const std::string& as) {
  const std::string section = media::kSetupScreenSection;
  const std::string textLine1 = key::TextLineKey(1);
  std::string title = NativePath(source.filename());
  for (const auto& [name, value] : project.setup)
    if (platform::SameText(name, kTitleKey)) title = value;
  if (!haveOwn) {
    ini.SetKey(section, textLine1, title);
    ini.SetKey(section, key::kMainDirectory, title);
    ini.SetKey(section, key::kDesktopFolder, title);
  }
  for (const auto& [name, value] : project.setup) {
    std::string v = value;
    if ((platform::SameText(name, key::kLogoFile) || platform::SameText(name, key::kBitMap)) && !v.empty() &&
        !HasDrive(v))
      v = ShippedPath(files, v, as, name);
    // A scope setup would not read would install for the machine: the publisher meant something else.
    if (platform::SameText(name, key::kScope) && !media::ParseScopeSetting(v))
      throw Exception("[Setup] Scope '" + v + "' is none of machine, user, choose");
    ini.SetKey(section, platform::SameText(name, kTitleKey) ? textLine1 : name, v);
  }
}

// The building machine's path of the file a program path with the installation directory's token
// names, when the media ship it there; empty otherwise.
std::string ProgramSource(const std::vector<SourceFile>& files, const std::string& program, const std::string& as) {
  const std::string token = kInstallDirToken;
  if (program.rfind(token, 0) != 0) return {};
  std::string found;
  for (const SourceFile& f : files) {
    std::string target;
    for (const std::string& d : f.placement.folders) target += d + "\\";
    target += f.rel.substr(f.rel.find_last_of('\\') + 1);
    if (f.placement.base == media::kBaseDirectoryNames[0] && platform::SameText(target, program.substr(token.size())))
      found = as + "\\" + f.rel;
  }
  return found;
}

std::vector<std::string> DesktopLines(const IniText& ini, const std::vector<Shortcut>& shortcuts,
                                      const std::vector<SourceFile>& files, const std::string& as) {
  std::string folder = ini.Value(media::kSetupScreenSection, key::kDesktopFolder);
  if (folder.empty()) folder = key::kDefaultDesktopFolder;
  std::vector<std::string> lines;
  for (const Shortcut& s : shortcuts) {
    // The program's own file, when the media ship it, gives the wizard its icon.
    const media::TDesktopEntry entry{s.name,
                                     s.program,
                                     s.startMenu,
                                     s.desktop,
                                     s.quickLaunch,
                                     ProgramSource(files, s.program, as),
                                     s.folder.empty() ? folder : s.folder,
                                     s.icon};
    lines.push_back(media::FormatDesktopEntry(entry) + "=");
  }
  return lines;
}

std::vector<std::string> IniRegistryLines(const std::vector<media::TConfiguredEntry>& entries) {
  std::vector<std::string> lines = {std::string(media::kIniRegistryCountKey) + "=" + std::to_string(entries.size())};
  for (size_t i = 0; i < entries.size(); ++i)
    lines.push_back(media::IniRegistryKey(i) + "=" + media::FormatConfiguredEntry(entries[i]));
  return lines;
}

std::vector<std::string> LaunchLines(const std::vector<std::string>& programs, const std::vector<SourceFile>& files,
                                     const std::string& as) {
  std::vector<std::string> lines;
  for (const std::string& rel : programs)
    lines.push_back(media::FormatLaunchApplication({ShippedPath(files, rel, as, "the program")}) + "=");
  return lines;
}

// The builder refuses what the installer would refuse: an entry of a given install.cfg that writes
// into a key Windows or every program shares (the project file's entries are checked as it is read).
void CheckRegistryEntries(const IniText& ini, const fs::path& given) {
  for (const auto& [name, value] : ini.Entries(media::kIniRegistrySection)) {
    if (platform::SameText(name, media::kIniRegistryCountKey)) continue;
    const media::TConfiguredEntry e = media::ParseConfiguredEntry(value);
    if (std::string why = media::ProtectedKeyReason(e); !why.empty())
      throw Exception(NativePath(given) + ": [" + media::kIniRegistrySection + "] " + name + ": the registry key " +
                      e.Place + "\\" + e.Section + " is protected (" + why + ")");
  }
}

}  // namespace

IniText MakeInstallConfig(const fs::path& source, const Project& project, const std::vector<SourceFile>& files,
                          const std::string& as, std::string& origin) {
  const fs::path given = source / media::kInstallConfigFile;
  const bool haveOwn = fs::is_regular_file(given);
  IniText ini = IniText::Parse(haveOwn ? MediaFileText(ReadHostFile(given)) : std::string());
  origin = haveOwn ? "from " + NativePath(given) : "written";
  SetSetupScreen(ini, haveOwn, source, project, files, as);
  if (project.shortcuts) ini.SetSection(media::kDesktopSection, DesktopLines(ini, *project.shortcuts, files, as));
  if (project.registry)
    ini.SetSection(media::kIniRegistrySection, IniRegistryLines(*project.registry));
  else
    CheckRegistryEntries(ini, given);
  if (project.runAfter) ini.SetSection(media::kLaunchApplicationsSection, LaunchLines(*project.runAfter, files, as));
  return ini;
}

}  // namespace vurerode::cli
