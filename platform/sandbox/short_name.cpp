#include "platform/sandbox/short_name.h"

#include <cstdint>
#include <cstdio>

#include "platform/text.h"

namespace vurerode::platform::sandbox {
namespace {

bool IsDosInvalid(char c) {
  auto b = static_cast<unsigned char>(c);
  return b < 0x20 || std::string_view("\"*+,/:;<=>?[\\]|").find(c) != std::string_view::npos;
}

uint16_t Checksum(std::string_view name) {
  uint16_t h = 0;
  for (size_t i = 0; i < name.size();) {
    h = static_cast<uint16_t>(((h >> 1) | (h << 15)) + UpperChar(NextChar(name, i)));
  }
  return h;
}

}  // namespace

bool FitsShortName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return !name.empty();
  size_t dot = name.find('.');
  std::string_view base = name.substr(0, dot);
  std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
  if (base.empty() || CharCount(base) > 8 || CharCount(ext) > 3) return false;
  if (dot != std::string_view::npos && ext.empty()) return false;
  for (char c : name.substr(0, dot))
    if (c == ' ' || IsDosInvalid(c) || c == '.') return false;
  for (char c : ext)
    if (c == ' ' || IsDosInvalid(c) || c == '.') return false;
  return true;
}

std::string MakeShortName(std::string_view longName, const std::function<bool(const std::string&)>& inUse) {
  // The extension is what follows the last period, unless the name is all extension.
  std::string_view trimmed = longName;
  while (!trimmed.empty() && trimmed.front() == '.') trimmed.remove_prefix(1);
  size_t lastDot = trimmed.rfind('.');
  std::string_view baseText = lastDot == std::string_view::npos ? trimmed : trimmed.substr(0, lastDot);
  std::string_view extText = lastDot == std::string_view::npos ? std::string_view() : trimmed.substr(lastDot + 1);

  // Characters, not bytes, count towards the 8 and 3 a short name holds.
  auto clean = [](std::string_view s, size_t limit) {
    std::string out;
    size_t count = 0;
    for (size_t i = 0; i < s.size() && count < limit;) {
      char32_t c = NextChar(s, i);
      if (c == ' ' || c == '.') continue;
      if (c < 0x80 && IsDosInvalid(static_cast<char>(c)))
        out += '_';
      else
        AppendUtf8(out, UpperChar(c));
      ++count;
    }
    return out;
  };
  auto firstChars = [](const std::string& s, size_t n) {
    size_t i = 0;
    for (size_t k = 0; k < n && i < s.size(); ++k) NextChar(s, i);
    return s.substr(0, i);
  };
  std::string base = clean(baseText, 8);
  std::string ext = clean(extText, 3);
  if (base.empty()) base = "_";
  std::string suffix = ext.empty() ? std::string() : "." + ext;

  for (int n = 1; n <= 4; ++n) {
    std::string candidate = firstChars(base, 6) + "~" + std::to_string(n) + suffix;
    if (!inUse(candidate)) return candidate;
  }
  char hex[8];
  std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(Checksum(longName)));
  std::string hashed = firstChars(base, 2) + hex;
  // A folder rarely holds more than a few names alike; a medium made to hold thousands must not
  // make each lookup try a million candidates.
  for (int n = 1; n <= kMaxHashedTails; ++n) {
    std::string tail = "~" + std::to_string(n);
    std::string candidate = firstChars(hashed, 8 - tail.size()) + tail + suffix;
    if (!inUse(candidate)) return candidate;
  }
  return {};
}

}  // namespace vurerode::platform::sandbox
