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

}  // namespace vurerode
