#include "platform/sandbox/sandbox_platform.h"

namespace vurerode::platform::sandbox {

SandboxPlatform::SandboxPlatform(const std::filesystem::path& root, SandboxOptions options)
    : files_(root),
      registry_(root / "registry.reg", options.localMachineWritable),
      profile_(files_),
      journal_(root / "journal.log"),
      shell_(files_, journal_),
      processes_(files_, journal_, options.restartAllowed) {}

}  // namespace vurerode::platform::sandbox
