#include "tools/build_project.h"

#include <algorithm>

#include "media/registry_keys.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "platform/wildcard.h"

namespace vurerode::cli {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r\n");
  return s.substr(b, e - b + 1);
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t at = s.find(sep, start);
    out.push_back(Trim(s.substr(start, at == std::string::npos ? std::string::npos : at - start)));
    if (at == std::string::npos) return out;
    start = at + 1;
  }
}

std::string Backslashed(std::string s) {
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  for (const std::string& p : Split(Backslashed(path), '\\'))
    if (!p.empty()) parts.push_back(p);
  return parts;
}

bool ComponentsMatch(const std::vector<std::string>& names, const std::vector<std::string>& patterns, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (!platform::MatchesWildcard(names[i], patterns[i])) return false;
  return true;
}

class Reader {
 public:
  Reader(std::string fileName) : file_(std::move(fileName)) {}
  [[noreturn]] void Fail(int line, const std::string& what) const {
    throw Exception(file_ + ":" + std::to_string(line) + ": " + what);
  }

 private:
  std::string file_;
};

Placement ParseDestination(const std::string& text, const Reader& r, int line) {
  Placement p;
  if (text == "-") {
    p.shipped = false;
    return p;
  }
  std::vector<std::string> parts = Components(text);
  if (parts.empty()) r.Fail(line, "a destination is missing after '='");
  const auto& bases = media::kBaseDirectoryNames;
  auto base = std::find_if(bases.begin(), bases.end(), [&](const char* b) { return platform::SameText(b, parts[0]); });
  if (base == bases.end()) {
    std::string names;
    for (size_t i = 0; i < bases.size(); ++i)
      names += std::string(i == 0 ? "" : i + 1 == bases.size() ? " or " : ", ") + bases[i];
    r.Fail(line, "'" + parts[0] + "' is not a base directory (" + names + ") nor '-'");
  }
  p.base = *base;
  p.folders.assign(parts.begin() + 1, parts.end());
  for (const std::string& f : p.folders)
    if (f.find_first_of(",\t") != std::string::npos) r.Fail(line, "a folder name cannot hold a comma or a tab");
  return p;
}

Shortcut ParseShortcut(const std::string& name, const std::string& value, const Reader& r, int line) {
  Shortcut s;
  s.name = name;
  if (name.find_first_of(",\t") != std::string::npos) r.Fail(line, "a shortcut name cannot hold a comma");
  std::vector<std::string> f = Split(value, ',');
  if (f.size() > 4) r.Fail(line, "a shortcut has at most four fields: PROGRAM, FOLDER, WHERE, ICON");
  f.resize(4);
  if (f[0].empty()) r.Fail(line, "the shortcut '" + name + "' names no program");
  s.program = Backslashed(f[0]);
  if (s.program[0] != '<') s.program = "<InstallDir>\\" + s.program;
  s.folder = Backslashed(f[1]);
  if (!f[2].empty()) {
    s.startMenu = false;
    for (std::string where : Split(f[2], '+')) {
      where.erase(std::remove(where.begin(), where.end(), ' '), where.end());
      std::transform(where.begin(), where.end(), where.begin(),
                     [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
      if (where == "startmenu")
        s.startMenu = true;
      else if (where == "desktop")
        s.desktop = true;
      else if (where == "quicklaunch")
        s.quickLaunch = true;
      else if (where != "none")
        r.Fail(line, "'" + where + "': a shortcut goes to start menu, desktop, quick launch or none");
    }
  }
  s.icon = f[3];
  return s;
}

media::TConfiguredEntry ParseEntry(const std::string& line, bool ini, const Reader& r, int number) {
  std::vector<std::string> f = Split(line, ',');
  if (f.size() != 4) r.Fail(number, "an entry has four comma-separated fields (a value cannot hold a comma)");
  std::string upper = platform::UpperCase(f[0]);
  if (ini && upper.find(".INI") == std::string::npos) r.Fail(number, "'" + f[0] + "' is not a file ending in .ini");
  if (!ini) {
    if (upper.find(".INI") != std::string::npos) r.Fail(number, "an INI file belongs in [INI Files]");
    // HKEY_AUTO: HKEY_LOCAL_MACHINE for an installation for every user, HKEY_CURRENT_USER for one user.
    if (f[0].rfind("HKEY_LOCAL_MACHINE\\", 0) != 0 && f[0].rfind("HKEY_CURRENT_USER\\", 0) != 0 &&
        f[0].rfind("HKEY_AUTO\\", 0) != 0)
      r.Fail(number, "a registry key starts with HKEY_LOCAL_MACHINE\\, HKEY_CURRENT_USER\\ or HKEY_AUTO\\");
    if (f[1].empty()) r.Fail(number, "the second field names the key the uninstaller removes; it cannot be empty");
  }
  const media::TConfiguredEntry entry{f[0], f[1], f[2], f[3]};
  if (std::string why = media::ProtectedKeyReason(entry); !why.empty())
    r.Fail(number, "the registry key " + f[0] + "\\" + f[1] + " is protected (" + why + ")");
  return entry;
}

}  // namespace

Placement Project::Place(const std::string& relativePath) const {
  const std::vector<std::string> names = Components(relativePath);
  for (const FileRule& rule : files) {
    const bool folderRule = !rule.pattern.empty() && rule.pattern.back() == '\\';
    const std::vector<std::string> patterns = Components(rule.pattern);
    if (patterns.empty()) continue;
    Placement p = rule.placement;
    if (folderRule) {
      if (names.size() <= patterns.size() || !ComponentsMatch(names, patterns, patterns.size())) continue;
      p.folders.insert(p.folders.end(), names.begin() + static_cast<long>(patterns.size()), names.end() - 1);
      return p;
    }
    if (patterns.size() == 1) {
      if (!platform::MatchesWildcard(names.back(), patterns[0])) continue;
    } else if (names.size() != patterns.size() || !ComponentsMatch(names, patterns, names.size())) {
      continue;
    }
    return p;
  }
  Placement p;
  p.folders.assign(names.begin(), names.end() - 1);
  return p;
}

Placement Project::PlaceFolder(const std::string& relativePath) const {
  const std::vector<std::string> names = Components(relativePath);
  for (const FileRule& rule : files) {
    const std::vector<std::string> patterns = Components(rule.pattern);
    if (rule.pattern.empty() || rule.pattern.back() != '\\' || patterns.empty()) continue;
    if (names.size() < patterns.size() || !ComponentsMatch(names, patterns, patterns.size())) continue;
    Placement p = rule.placement;
    p.folders.insert(p.folders.end(), names.begin() + static_cast<long>(patterns.size()), names.end());
    return p;
  }
  Placement p;
  p.folders = names;
  return p;
}

Project ParseProject(const std::string& text, const std::string& fileName) {
  Reader r(fileName);
  Project project;
  std::string section;
  std::vector<media::TConfiguredEntry> registry, ini;
  bool sawRegistry = false;
  int number = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    std::string line = Trim(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    start = end == std::string::npos ? text.size() + 1 : end + 1;
    ++number;
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[') {
      if (line.back() != ']') r.Fail(number, "a section header ends with ']'");
      section = platform::UpperCase(Trim(line.substr(1, line.size() - 2)));
      if (section == "SHORTCUTS" && !project.shortcuts) project.shortcuts.emplace();
      if (section == "RUN AFTER INSTALL" && !project.runAfter) project.runAfter.emplace();
      if (section == "REGISTRY" || section == "INI FILES") sawRegistry = true;
      if (section != "SETUP" && section != "FILES" && section != "SHORTCUTS" && section != "REGISTRY" &&
          section != "INI FILES" && section != "RUN AFTER INSTALL")
        r.Fail(number,
               "unknown section " + line + " (Setup, Files, Shortcuts, Registry, INI Files, Run After Install)");
      continue;
    }
    if (section.empty()) r.Fail(number, "a line before the first section");
    if (section == "REGISTRY" || section == "INI FILES") {
      (section == "REGISTRY" ? registry : ini).push_back(ParseEntry(line, section == "INI FILES", r, number));
      continue;
    }
    if (section == "RUN AFTER INSTALL") {
      project.runAfter->push_back(Backslashed(line));
      continue;
    }
    size_t eq = line.find('=');
    if (eq == std::string::npos) r.Fail(number, "expected NAME = VALUE");
    std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
    if (key.empty()) r.Fail(number, "a name is missing before '='");
    if (section == "SETUP" && platform::SameText(key, kSignCommandKey)) {
      project.signCommand = value;
    } else if (section == "SETUP") {
      project.setup.emplace_back(key, value);
    } else if (section == "FILES") {
      project.files.push_back({Backslashed(key), ParseDestination(value, r, number), number});
    } else {
      project.shortcuts->push_back(ParseShortcut(key, value, r, number));
    }
  }
  if (sawRegistry) {
    project.registry.emplace(registry);
    project.registry->insert(project.registry->end(), ini.begin(), ini.end());
  }
  return project;
}

}  // namespace vurerode::cli
