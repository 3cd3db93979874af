// Windows path texts: splitting, joining and making full paths the way the system does, without
// touching any file system.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vurerode::platform {

inline bool IsPathDelimiter(char c) {
  return c == '\\' || c == '/';
}

// The name part: the text after the last backslash or colon.
std::string ExtractFileName(std::string_view path);
// The folder part with its trailing backslash (or colon): everything up to the last one.
std::string ExtractFilePath(std::string_view path);
std::string IncludeTrailingBackslash(std::string_view path);
std::string ExcludeTrailingBackslash(std::string_view path);

// The path made absolute as GetFullPathName makes it: "/" read as "\", runs of separators read as
// one, "." and ".." resolved (never above the root), a single trailing period of a part dropped, and
// trailing periods and spaces of the last part dropped unless the path ends with a separator.
// Relative paths start from currentDirectory; "\x" from its drive; "D:x" from D:'s root unless the
// current directory is on D:. Returns an empty text for a path it cannot make full (empty input,
// UNC paths without a share).
std::string MakeFullPath(std::string_view path, std::string_view currentDirectory);

// A full path split into its drive ("C:" or "\\server\share") and its parts.
struct SplitPath {
  std::string drive;
  std::vector<std::string> parts;
  bool trailingSeparator = false;
};
SplitPath SplitFullPath(std::string_view fullPath);
// True when a full path names a drive's root ("C:\", "\\server\share\").
bool IsDriveRoot(std::string_view fullPath);

}  // namespace vurerode::platform
