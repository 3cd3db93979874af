#include "app/text_lines.h"

#include "platform/ini_document.h"

namespace vurerode::setup {

std::vector<std::string> ReadTextLines(platform::FileSystem& fs, const std::string& path) {
  auto file = fs.OpenFile(path, platform::FileAccess::Read);
  std::string bytes(static_cast<size_t>(file->Size()), '\0');
  if (!bytes.empty()) file->ReadBuffer(bytes.data(), bytes.size());
  // finstall.cfg takes UTF-16 with its mark once a name is not ASCII, as the profile files do.
  const std::string text = platform::DecodeProfileText(bytes).text;
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
