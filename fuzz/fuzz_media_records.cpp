// The records of install.cfg and finstall.cfg as the installer reads them: any line parses, and what
// a record is written back as parses to the same record. A finstall.cfg entry keeps its tokens when
// none of them holds a separator (a tab-separated token may hold a comma, which the comma-joined
// form cannot carry).
#include <cstddef>
#include <cstdint>
#include <string>

#include "media/finstall_cfg.h"
#include "media/install_cfg.h"

using namespace vurerode::media;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  const TDesktopEntry desktop = ParseDesktopEntry(line);
  if (ParseDesktopEntry(FormatDesktopEntry(desktop)) != desktop) __builtin_trap();
  const TConfiguredEntry configured = ParseConfiguredEntry(line);
  if (ParseConfiguredEntry(FormatConfiguredEntry(configured)) != configured) __builtin_trap();
  const TLaunchApplication launch = ParseLaunchApplication(line);
  if (ParseLaunchApplication(FormatLaunchApplication(launch)) != launch) __builtin_trap();
  const TInstallFileEntry file = ParseInstallFileEntry(line);
  for (const std::string& token : file.Tokens)
    if (token.find_first_of(",\t") != std::string::npos) return 0;
  if (ParseInstallFileEntry(FormatInstallFileEntry(file)) != file) __builtin_trap();
  return 0;
}
