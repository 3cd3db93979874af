#include "platform/sandbox/sandbox_platform.h"

namespace vurerode::platform::sandbox {

SandboxPlatform::SandboxPlatform(const std::filesystem::path& root, const SandboxOptions& options)
    : files_(root),
      registry_(root / "registry.reg", options.localMachineWritable),
      profile_(files_),
      journal_(root / "journal.log"),
      shell_(files_, journal_),
      processes_(files_, journal_, options.restartAllowed) {
  for (const SandboxMount& m : options.mounts) files_.Mount(m.letter, m.hostFolder, m.readOnly);
}

}  // namespace vurerode::platform::sandbox
