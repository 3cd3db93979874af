#include "install/free_space.h"

#include <cctype>

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
    std::string needText = ReadableBytes(static_cast<uint64_t>(need)),
                freeText = ReadableBytes(static_cast<uint64_t>(free));
    // Figures that round alike would read as if they fitted.
    if (needText == freeText) {
      needText = std::to_string(need) + " bytes";
      freeText = std::to_string(static_cast<int64_t>(free)) + " bytes";
    }
    lines.push_back("The installation needs " + needText + " on " + drive + ", which has " + freeText + " free.");
  }
  return lines;
}

namespace {

// bytes / unit with the given decimals (1 or 2), rounded as printf's "%.Nf" rounds the exact
// quotient, halves to even. Integer arithmetic keeps the setup program free of a printf.
std::string Fixed(uint64_t bytes, uint64_t unit, int decimals) {
  const uint64_t scale = decimals == 1 ? 10 : 100;
  const uint64_t rest = bytes % unit * scale;
  uint64_t scaled = bytes / unit * scale + rest / unit;
  const uint64_t left = rest % unit;
  if (left * 2 > unit || (left * 2 == unit && scaled % 2 == 1)) ++scaled;
  std::string digits = std::to_string(scaled % scale);
  digits.insert(0, static_cast<size_t>(decimals) - digits.size(), '0');
  return std::to_string(scaled / scale) + "." + digits;
}

}  // namespace

std::string ReadableBytes(uint64_t bytes) {
  constexpr uint64_t kKilo = 1024, kMega = kKilo * 1024, kGiga = kMega * 1024;
  if (bytes < kKilo) return std::to_string(bytes) + " bytes";
  if (bytes < kMega) return Fixed(bytes, kKilo, 1) + " KB";
  if (bytes < kGiga) return Fixed(bytes, kMega, 1) + " MB";
  return Fixed(bytes, kGiga, 2) + " GB";
}

}  // namespace vurerode::setup
