#include "tools/host_paths.h"

#include <filesystem>

#include "platform/sandbox/host_io.h"
#include "tools/cli.h"

namespace vurerode::cli {

std::string NativePath(const std::filesystem::path& hostPath) {
  return platform::sandbox::HostName(hostPath);
}

std::filesystem::path HostPath(const std::string& utf8) {
  return platform::sandbox::HostPath(utf8);
}

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
