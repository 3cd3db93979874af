#include "install/free_space.h"

#include <cctype>
#include <cstdio>

namespace vurerode::setup {

void TDriveNeeds::Add(platform::FileSystem& fs, const std::string& path, int64_t bytes) {
  const std::string full = fs.FullPathName(path);
  if (full.size() < 2 || full[1] != ':' || !std::isalpha(static_cast<unsigned char>(full[0]))) return;
  bytes_[std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(full[0])))) + ":"] += bytes;
}

std::vector<std::string> TDriveNeeds::Shortfalls(platform::FileSystem& fs) const {
  std::vector<std::string> lines;
  for (const auto& [drive, need] : bytes_) {
    const double free = fs.DiskFreeBytes(drive + "\\");
    if (free < 0 || static_cast<double>(need) <= free) continue;
    std::string needText = ReadableBytes(static_cast<double>(need)), freeText = ReadableBytes(free);
    // Figures that round alike would read as if they fitted.
    if (needText == freeText) {
      needText = std::to_string(need) + " bytes";
      freeText = std::to_string(static_cast<int64_t>(free)) + " bytes";
    }
    lines.push_back("The installation needs " + needText + " on " + drive + ", which has " + freeText + " free.");
  }
  return lines;
}

std::string ReadableBytes(double bytes) {
  char text[32];
  if (bytes < 1024)
    std::snprintf(text, sizeof text, "%.0f bytes", bytes);
  else if (bytes < 1024.0 * 1024)
    std::snprintf(text, sizeof text, "%.1f KB", bytes / 1024);
  else if (bytes < 1024.0 * 1024 * 1024)
    std::snprintf(text, sizeof text, "%.1f MB", bytes / (1024.0 * 1024));
  else
    std::snprintf(text, sizeof text, "%.2f GB", bytes / (1024.0 * 1024 * 1024));
  return text;
}

}  // namespace vurerode::setup
