#include "tools/windows_program.h"

#include <cstdint>
#include <fstream>

namespace vurerode::cli {

bool IsWindowsProgram(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  unsigned char dos[0x40] = {};
  if (!in.read(reinterpret_cast<char*>(dos), sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
  const uint32_t peOffset = static_cast<uint32_t>(dos[0x3C]) | static_cast<uint32_t>(dos[0x3D]) << 8 |
                            static_cast<uint32_t>(dos[0x3E]) << 16 | static_cast<uint32_t>(dos[0x3F]) << 24;
  char signature[4] = {};
  return in.seekg(peOffset) && in.read(signature, sizeof signature) && signature[0] == 'P' && signature[1] == 'E' &&
         signature[2] == '\0' && signature[3] == '\0';
}

std::filesystem::path WindowsSetupFor(const std::filesystem::path& toolDir) {
  const std::filesystem::path candidates[] = {toolDir / "setup.exe", toolDir.parent_path() / "ui" / "setup.exe",
                                              toolDir.parent_path().parent_path() / "windows" / "ui" / "setup.exe"};
  std::error_code ec;
  for (const std::filesystem::path& c : candidates)
    if (std::filesystem::is_regular_file(c, ec) && IsWindowsProgram(c)) return c;
  return {};
}

}  // namespace vurerode::cli
