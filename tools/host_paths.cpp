#include "tools/host_paths.h"

#include <filesystem>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "platform/text.h"
#include "tools/cli.h"

namespace vurerode::cli {

#if defined(_WIN32)
std::string NativePath(const std::filesystem::path& hostPath) {
  const std::wstring& wide = hostPath.native();
  if (wide.empty()) return {};
  const int n =
      WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string ansi(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), n, nullptr, nullptr);
  return ansi;
}

std::string NativeName(const std::string& ansiName) {
  return ansiName;
}
#else
std::string NativePath(const std::filesystem::path& hostPath) {
  return hostPath.string();
}

std::string NativeName(const std::string& ansiName) {
  return platform::Cp1252ToUtf8(ansiName);
}
#endif

std::string WindowsDirectory(const std::string& hostDir) {
  std::string p = NativePath(std::filesystem::absolute(std::filesystem::path(hostDir)).lexically_normal());
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
