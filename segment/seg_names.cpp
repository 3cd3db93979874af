#include "segment/seg_names.h"

namespace vurerode {
std::string SegmentFileName(const std::string& baseName, const std::string& extension, uint32_t number) {
  if (!extension.empty()) return baseName + "." + extension;
  std::string digits = std::to_string(number);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return baseName + "." + digits;
}

std::string SegmentFilePath(const std::string& directory, const std::string& fileName) {
  std::string dir = directory;
  if (!dir.empty() && dir.back() == '\\') dir.pop_back();
  return dir + "\\" + fileName;
}

std::string PathDirectoryPart(const std::string& path) {
  size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

std::string PathFileNamePart(const std::string& path) {
  size_t cut = path.find_last_of("\\/:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string AnsiLowerCase(std::string text) {
  for (char& ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7))
      c = static_cast<unsigned char>(c + 0x20);
    else if (c == 0x8A || c == 0x8C || c == 0x8E)
      c = static_cast<unsigned char>(c + 0x10);
    else if (c == 0x9F)
      c = 0xFF;
    ch = static_cast<char>(c);
  }
  return text;
}

}  // namespace vurerode
