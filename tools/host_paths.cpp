#include "tools/host_paths.h"

#include <filesystem>

#include "platform/text.h"
#include "tools/cli.h"

namespace vurerode::cli {

#if defined(_WIN32)
std::string NativePath(const std::filesystem::path& hostPath) {
  const std::wstring& wide = hostPath.native();
  return platform::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

std::filesystem::path HostPath(const std::string& utf8) {
  const std::u16string wide = platform::Utf8ToUtf16(utf8);
  return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
}
#else
std::string NativePath(const std::filesystem::path& hostPath) {
  return hostPath.string();
}

std::filesystem::path HostPath(const std::string& utf8) {
  return std::filesystem::path(utf8);
}
#endif

std::string WindowsDirectory(const std::string& hostDir) {
  std::string p = NativePath(std::filesystem::absolute(HostPath(hostDir)).lexically_normal());
  for (char& c : p)
    if (c == '/') c = '\\';
  if (p.empty() || p.back() != '\\') p += '\\';
  return p;
}

std::string EntryNameFor(const std::string& operandPath) {
  std::string p = operandPath;
  for (char& c : p)
    if (c == '/') c = '\\';
  if (p.size() >= 2 && p[1] == ':') p.erase(0, 2);
  std::string name;
  size_t start = 0;
  while (start <= p.size()) {
    size_t end = p.find('\\', start);
    if (end == std::string::npos) end = p.size();
    std::string part = p.substr(start, end - start);
    if (part == "..")
      throw UsageError{"'" + operandPath + "' reaches outside the current folder; pack it from its parent"};
    if (!part.empty() && part != ".") {
      if (!name.empty()) name += '\\';
      name += part;
    }
    start = end + 1;
  }
  return name;
}

}  // namespace vurerode::cli
