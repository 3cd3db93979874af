#include "install/install_paths.h"

#include <ctime>

#include "media/fields.h"
#include "media/finstall_cfg.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "platform/windows_path.h"
#include "shell/shell_folders.h"

namespace vurerode::setup {

using platform::ExtractFileName;
using platform::ExtractFilePath;
using platform::IncludeTrailingBackslash;

const char* const kPathTokens[kBaseDirCount] = {
    "<InstallDir>\\",        "<ProgramFiles>\\", "<Windows>\\", "<Windows>\\System\\",
    "<Windows>\\System32\\", "<Windows>\\Fonts", "<Root>\\"};

namespace {

bool StartsWith(const std::string& s, std::string_view prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

bool IsAbsolute(const std::string& path) {
  return (path.size() >= 3 && path[1] == ':' && platform::IsPathDelimiter(path[2])) ||
         (!path.empty() && platform::IsPathDelimiter(path[0]));
}

// The parts of a relative path, split at either separator.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> parts;
  std::string rest = path;
  for (char& c : rest)
    if (c == '/') c = '\\';
  while (!rest.empty()) parts.push_back(media::TakeField(rest, '\\'));
  return parts;
}

bool IsDotPart(const std::string& part) {
  std::string trimmed = part;
  while (!trimmed.empty() && (trimmed.back() == ' ')) trimmed.pop_back();
  return trimmed == "." || trimmed == "..";
}

// A folder field may end with a backslash of its own; the doubled separator that leaves in the
// destination reads as one, and is written as one.
std::string SingleSeparators(const std::string& dir) {
  std::string out;
  for (size_t i = 0; i < dir.size(); ++i)
    if (!(dir[i] == '\\' && i > 1 && dir[i - 1] == '\\')) out += dir[i];
  return out;
}

}  // namespace

std::string BaseDirectory(platform::Platform& platform, int index, const std::string& mainDir) {
  const std::string windows = WindowsDir(platform);
  switch (index) {
    case 0: return IncludeTrailingBackslash(mainDir);
    case 1: return WindowsDrive(platform) + "Program Files\\";
    case 2: return windows + "\\";
    case 3: return windows + "\\System\\";
    case 4: return windows + "\\System32\\";
    case 5: return windows + "\\Fonts\\";
    default: return WindowsDrive(platform);
  }
}

std::string SubstitutePathTokens(platform::Platform& platform, const std::string& mainDir, const std::string& path) {
  std::string result = mainDir;
  std::string rest = path;
  bool matched = false;
  for (int i = 0; i < kBaseDirCount; ++i) {
    if (!StartsWith(rest, kPathTokens[i])) continue;
    rest.erase(0, std::string_view(kPathTokens[i]).size());
    result = BaseDirectory(platform, i, mainDir) + rest;
    matched = true;
  }
  if (matched || path.empty()) return result;
  // A path without a token is never thrown away.
  return IsAbsolute(path) ? path : IncludeTrailingBackslash(mainDir) + path;
}

void BuildInstallFileLists(platform::Platform& platform, TSetupGlobals& globals, std::string& mainDir) {
  mainDir = IncludeTrailingBackslash(mainDir);
  globals.InstallSources.clear();
  globals.InstallTargets.clear();
  for (const std::string& entry : globals.InstallFiles) {
    if (entry.empty()) continue;
    const media::TInstallFileEntry e = media::ParseInstallFileEntry(entry);
    std::string dir;
    for (const std::string& token : e.Tokens) {
      const int base = media::BaseDirectoryIndex(token);
      dir = base >= 0 ? BaseDirectory(platform, base, mainDir) : dir + token + "\\";
    }
    globals.InstallSources.push_back(globals.ExpandDir + std::string(platform::Utf16Tail(e.Path, 3)));
    globals.InstallTargets.push_back(SingleSeparators(dir) + ExtractFileName(e.Path));
  }
}

std::string CheckInstallFileEntry(const std::string& entry) {
  if (entry.empty()) return {};
  const media::TInstallFileEntry e = media::ParseInstallFileEntry(entry);
  const std::string& path = e.Path;
  bool based = false;
  for (const std::string& token : e.Tokens) {
    if (media::BaseDirectoryIndex(token) >= 0) {
      based = true;
      continue;
    }
    if (token.find(':') != std::string::npos) return "a folder name holds a colon";
    for (const std::string& part : Components(token))
      if (IsDotPart(part)) return "a folder name leaves its base directory";
  }
  if (!based) return "it names no base directory (such as Installation Directory)";
  if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return "its file is not named by a full path";
  for (const std::string& part : Components(path.substr(3)))
    if (IsDotPart(part)) return "its path leaves the expanded files";
  return {};
}

std::string RealPath(platform::FileSystem& fs, const std::string& path) {
  const std::string full = fs.FullPathName(path);
  // Only a generated 8.3 name holds a "~"; a long name needs no look-up, a mask is no name.
  if (full.find('~') == std::string::npos) return full;
  std::string real;
  std::string rest = full;
  bool found = true;  // a part below one that is not there is taken as it stands
  while (!rest.empty()) {
    const size_t cut = rest.find('\\');
    std::string part = rest.substr(0, cut);
    rest = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
    if (found && !real.empty() && part.find('~') != std::string::npos &&
        part.find_first_of("*?") == std::string::npos) {
      platform::FindData data;
      found = fs.FindFirst(real + part, data) != nullptr;
      if (found) part = data.name;
    }
    real += part + (cut == std::string::npos ? "" : "\\");
  }
  return real;
}

std::vector<std::string> SystemDirectories(platform::Platform& platform) {
  const std::string w = WindowsDir(platform);
  return {w + "\\", w + "\\System\\", w + "\\System32\\", w + "\\Fonts\\"};
}

bool PathIsBelow(const std::string& path, const std::string& dir) {
  std::string full = platform::UpperCase(platform::MakeFullPath(path, "C:\\"));
  std::string base = platform::UpperCase(IncludeTrailingBackslash(platform::MakeFullPath(dir, "C:\\")));
  return full.size() > base.size() && full.compare(0, base.size(), base) == 0;
}

}  // namespace vurerode::setup
