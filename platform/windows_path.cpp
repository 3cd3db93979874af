#include "platform/windows_path.h"

#include <cctype>

namespace vurerode::platform {
namespace {

bool IsDriveLetter(std::string_view p) {
  return p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]));
}

std::vector<std::string> SplitParts(std::string_view s) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : s) {
    if (IsPathDelimiter(c)) {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

// The prefix naming the drive of a full path ("C:" or "\\server\share") and where the rest starts;
// empty prefix when the path is not full.
std::string DrivePrefix(std::string_view p, size_t& rest) {
  if (IsDriveLetter(p) && p.size() >= 3 && IsPathDelimiter(p[2])) {
    rest = 2;
    std::string d(p.substr(0, 2));
    d[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(d[0])));
    return d;
  }
  if (p.size() >= 2 && IsPathDelimiter(p[0]) && IsPathDelimiter(p[1])) {
    std::vector<std::string> parts = SplitParts(p);
    if (parts.size() < 2) return {};
    // Find where the share name ends in the original text.
    size_t pos = 2, seen = 0;
    while (pos < p.size() && seen < 2) {
      while (pos < p.size() && IsPathDelimiter(p[pos])) ++pos;
      while (pos < p.size() && !IsPathDelimiter(p[pos])) ++pos;
      ++seen;
    }
    rest = pos;
    return "\\\\" + parts[0] + "\\" + parts[1];
  }
  return {};
}

}  // namespace

std::string ExtractFileName(std::string_view path) {
  size_t pos = path.find_last_of("\\:");
  return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string ExtractFilePath(std::string_view path) {
  size_t pos = path.find_last_of("\\:");
  return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string IncludeTrailingBackslash(std::string_view path) {
  std::string s(path);
  if (s.empty() || s.back() != '\\') s += '\\';
  return s;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
  std::string s(path);
  if (!s.empty() && s.back() == '\\') s.pop_back();
  return s;
}

std::string MakeFullPath(std::string_view path, std::string_view currentDirectory) {
  if (path.empty()) return {};
  std::string combined;
  size_t rest = 0;
  if (!DrivePrefix(path, rest).empty()) {
    combined = std::string(path);
  } else if (IsDriveLetter(path)) {
    // "D:x": relative to D:'s current directory, which we know only when it is the current drive.
    std::string_view tail = path.substr(2);
    if (IsDriveLetter(currentDirectory) && std::toupper(static_cast<unsigned char>(currentDirectory[0])) ==
                                               std::toupper(static_cast<unsigned char>(path[0])))
      combined =
          tail.empty() ? std::string(currentDirectory) : std::string(currentDirectory) + "\\" + std::string(tail);
    else
      combined = std::string(path.substr(0, 2)) + "\\" + std::string(tail);
  } else if (IsPathDelimiter(path[0])) {
    size_t cdRest = 0;
    std::string drive = DrivePrefix(IncludeTrailingBackslash(currentDirectory), cdRest);
    if (drive.empty()) return {};
    combined = drive + std::string(path);
  } else {
    combined = std::string(currentDirectory) + "\\" + std::string(path);
  }

  std::string drive = DrivePrefix(combined, rest);
  if (drive.empty()) return {};
  std::string_view tail = std::string_view(combined).substr(rest);
  bool trailing = !tail.empty() && IsPathDelimiter(tail.back());
  std::vector<std::string> out;
  std::vector<std::string> parts = SplitParts(tail);
  for (size_t i = 0; i < parts.size(); ++i) {
    std::string part = parts[i];
    if (part == ".") continue;
    if (part == "..") {
      if (!out.empty()) out.pop_back();
      continue;
    }
    bool last = i + 1 == parts.size();
    if (last && !trailing) {
      while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    } else if (part.size() >= 2 && part.back() == '.' && part[part.size() - 2] != '.') {
      part.pop_back();
    }
    if (part.empty()) continue;
    out.push_back(part);
  }
  std::string result = drive;
  for (const std::string& p : out) result += "\\" + p;
  if (out.empty() || trailing) result += "\\";
  return result;
}

SplitPath SplitFullPath(std::string_view fullPath) {
  SplitPath sp;
  size_t rest = 0;
  sp.drive = DrivePrefix(fullPath, rest);
  if (sp.drive.empty()) return sp;
  std::string_view tail = fullPath.substr(rest);
  sp.parts = SplitParts(tail);
  sp.trailingSeparator = !tail.empty() && IsPathDelimiter(tail.back());
  return sp;
}

bool IsDriveRoot(std::string_view fullPath) {
  SplitPath sp = SplitFullPath(fullPath);
  return !sp.drive.empty() && sp.parts.empty();
}

}  // namespace vurerode::platform
