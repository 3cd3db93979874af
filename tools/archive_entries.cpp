#include "tools/archive_entries.h"

#include <cstdio>

#include "platform/dos_time.h"

namespace vurerode::cli {

std::string MethodName(uint8_t method, const std::string& archiveMethodId) {
  // A custom entry is coded as its archive's header names.
  if (method == coCustom && !archiveMethodId.empty()) return archiveMethodId;
  if (method < kMethodIdentifiers.size()) return kMethodIdentifiers[method];
  return "#" + std::to_string(method);
}

std::string DosDateText(uint32_t packed) {
  DosDateTime d = UnpackDosDateTime(packed);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
  return text;
}

std::string AttributeText(uint16_t a) {
  std::string t = "----";
  if (a & 0x01) t[0] = 'R';
  if (a & 0x02) t[1] = 'H';
  if (a & 0x04) t[2] = 'S';
  if (a & 0x20) t[3] = 'A';
  return t;
}

std::string RatioText(int64_t original, int64_t packed) {
  if (original <= 0) return "      ";
  char text[16];
  std::snprintf(text, sizeof text, "%5.1f%%", 100.0 * static_cast<double>(packed) / static_cast<double>(original));
  return text;
}

}  // namespace vurerode::cli
