#include "app/text_lines.h"

#include "platform/ini_document.h"
#include "platform/text.h"

namespace vurerode::setup {

std::vector<std::string> ReadTextLines(platform::FileSystem& fs, const std::string& path, UnmarkedText unmarked) {
  auto file = fs.OpenFile(path, platform::FileAccess::Read);
  std::string bytes(static_cast<size_t>(file->Size()), '\0');
  if (!bytes.empty()) file->ReadBuffer(bytes.data(), bytes.size());
  platform::ProfileText decoded = platform::DecodeProfileText(bytes);
  const bool utf8 = unmarked == UnmarkedText::kUtf8WhenValid && decoded.encoding == platform::ProfileEncoding::kAnsi &&
                    platform::IsValidUtf8(bytes);
  const std::string& text = utf8 ? bytes : decoded.text;
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

}  // namespace vurerode::setup
