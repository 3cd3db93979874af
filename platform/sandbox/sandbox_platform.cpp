#include "platform/sandbox/sandbox_platform.h"

namespace vurerode::platform::sandbox {

SandboxPlatform::SandboxPlatform(const std::filesystem::path& root, const SandboxOptions& options)
    : files_(root),
      registry_(files_.root() / "registry.reg", options.localMachineWritable),
      profile_(files_),
      journal_(files_.root() / "journal.log"),
      shell_(files_, journal_, options.runHostPrograms),
      processes_(files_, journal_, options.restartAllowed, options.runHostPrograms) {
  for (const SandboxMount& m : options.mounts) files_.Mount(m.letter, m.hostFolder, m.readOnly);
}

SandboxPlatform::~SandboxPlatform() {
  try {
    RunDeferredPrograms();
  } catch (...) {
    // A machine going away reports nothing.
  }
}

}  // namespace vurerode::platform::sandbox
