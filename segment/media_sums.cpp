#include "segment/media_sums.h"

#include <cctype>
#include <vector>

#include "platform/exception.h"
#include "platform/text.h"
#include "segment/sha256.h"

namespace vurerode {
namespace {

constexpr size_t kHexDigits = 64;

bool IsHexSum(const std::string& s) {
  if (s.size() != kHexDigits) return false;
  for (char c : s)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

std::string LowerHex(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// sha256sum marks a line whose name holds a backslash or a line break with a leading backslash and
// writes those as "\\", "\n" and "\r".
std::string Unescape(const std::string& name, bool& ok) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] != '\\') {
      out += name[i];
      continue;
    }
    const char code = i + 1 < name.size() ? name[++i] : '\0';
    if (code != '\\' && code != 'n' && code != 'r') ok = false;
    out += code == 'n' ? '\n' : code == 'r' ? '\r' : '\\';
  }
  return out;
}

// One line as sha256sum writes it: "<hex>  <name>" (text mode), "<hex> *<name>" (binary mode) or
// "SHA256 (<name>) = <hex>" (--tag). False when it is none of these.
bool ParseLine(std::string line, std::pair<std::string, std::string>& entry) {
  const bool escaped = !line.empty() && line[0] == '\\';
  if (escaped) line.erase(0, 1);
  std::string name, hex;
  const std::string tag = "SHA256 (", tagEnd = ") = ";
  if (line.rfind(tag, 0) == 0 && line.size() > tag.size() + tagEnd.size() + kHexDigits &&
      line.compare(line.size() - kHexDigits - tagEnd.size(), tagEnd.size(), tagEnd) == 0) {
    hex = line.substr(line.size() - kHexDigits);
    name = line.substr(tag.size(), line.size() - kHexDigits - tagEnd.size() - tag.size());
  } else if (line.size() > kHexDigits + 2 && line[kHexDigits] == ' ' &&
             (line[kHexDigits + 1] == ' ' || line[kHexDigits + 1] == '*')) {
    hex = line.substr(0, kHexDigits);
    name = line.substr(kHexDigits + 2);
  }
  if (!IsHexSum(hex) || name.empty()) return false;
  bool ok = true;
  if (escaped) name = Unescape(name, ok);
  entry = {name, LowerHex(hex)};
  return ok;
}

}  // namespace

std::string Sha256OfFile(platform::FileSystem& fs, const std::string& path) {
  auto file = fs.OpenFile(path, platform::FileAccess::Read);
  Sha256 sha;
  std::vector<uint8_t> buffer(1 << 16);
  for (size_t got; (got = file->Read(buffer.data(), buffer.size())) > 0;) sha.Update(buffer.data(), got);
  return Sha256::Hex(sha.Final());
}

std::optional<TMediaSums> TMediaSums::Load(platform::FileSystem& fs, const std::string& dir) {
  const std::string path = dir + kMediaSumsFile;
  if (!fs.FileExists(path)) return std::nullopt;
  auto file = fs.OpenFile(path, platform::FileAccess::Read);
  std::string text(static_cast<size_t>(file->Size()), '\0');
  file->ReadBuffer(text.data(), text.size());
  return Parse(text);
}

TMediaSums TMediaSums::Parse(const std::string& text) {
  TMediaSums sums;
  size_t start = 0, number = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    // A file that went through a Windows editor or copy tool may have gained CR LF line ends or a
    // blank line; neither names a file.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::pair<std::string, std::string> entry;
    if (!ParseLine(line, entry)) throw Exception("Malformed SHA256SUMS line " + std::to_string(number));
    sums.entries_.push_back(std::move(entry));
  }
  return sums;
}

MediaSumResult TMediaSums::Check(platform::FileSystem& fs, const std::string& dir, const std::string& name) const {
  const std::string wanted = platform::LowerCase(name);
  for (const auto& [listed, hex] : entries_) {
    if (platform::LowerCase(listed) != wanted) continue;
    return Sha256OfFile(fs, dir + name) == hex ? MediaSumResult::Match : MediaSumResult::Mismatch;
  }
  return MediaSumResult::Unlisted;
}

std::string TMediaSums::Format(const std::vector<std::pair<std::string, std::string>>& sums) {
  std::string text;
  for (const auto& [name, hex] : sums) {
    std::string escapedName;
    bool escape = false;
    for (char c : name) {
      if (c == '\\' || c == '\n' || c == '\r') escape = true;
      escapedName += c == '\\' ? "\\\\" : c == '\n' ? "\\n" : c == '\r' ? "\\r" : std::string(1, c);
    }
    text += (escape ? "\\" : "") + LowerHex(hex) + "  " + escapedName + "\n";
  }
  return text;
}

}  // namespace vurerode
