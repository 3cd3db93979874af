#include "platform/sandbox/sandbox_platform.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "platform/sandbox/host_io.h"

namespace vurerode::platform::sandbox {

// The machine's setup lock while some setup of this process holds it.
class SandboxSetupLock : public SetupLock {
 public:
  SandboxSetupLock(std::unique_ptr<HostFileLock> lock, SandboxPlatform& owner)
      : lock_(std::move(lock)), owner_(&owner) {
    owner.heldLock_ = this;
  }
  ~SandboxSetupLock() override {
    if (!owner_) return;
    owner_->heldLock_ = nullptr;
    try {
      owner_->files_.FlushMetadata();
    } catch (...) {
      // A lock is let go whatever happens: what could not be written costs attribute bits only.
    }
  }
  // The machine went away first: it wrote its state then.
  void Detach() { owner_ = nullptr; }

 private:
  std::unique_ptr<HostFileLock> lock_;
  SandboxPlatform* owner_;
};

namespace {

std::vector<std::string> SplitList(const char* text) {
  std::vector<std::string> parts;
  std::string part;
  for (const char* c = text; *c; ++c) {
    if (*c == ';') {
      parts.push_back(part);
      part.clear();
    } else {
      part += *c;
    }
  }
  parts.push_back(part);
  return parts;
}

}  // namespace

SandboxPlatform::SandboxPlatform(const std::filesystem::path& root, const SandboxOptions& options)
    : files_(root),
      registry_(files_.root() / "registry.reg", options.localMachineWritable),
      profile_(files_),
      journal_(files_.root() / "journal.log"),
      shell_(files_, journal_, options.runHostPrograms),
      processes_(files_, journal_, options.restartAllowed, options.runHostPrograms) {
  for (const SandboxMount& m : options.mounts) files_.Mount(m.letter, m.hostFolder, m.readOnly);
  for (const auto& [letter, bytes] : options.quotas)
    files_.SetQuota(letter, static_cast<int64_t>(std::min<uint64_t>(bytes, uint64_t{1} << 62)));
  if (const char* inUse = std::getenv("VURERODE_SANDBOX_IN_USE")) files_.SetFilesInUse(SplitList(inUse));
  // Counting starts once the machine is laid out: only the program's own changes are counted.
  if (const char* fault = std::getenv("VURERODE_SANDBOX_FAULT")) {
    faults_ = ChangeFaults::Parse(fault);
    if (faults_) {
      files_.SetChangeFaults(&*faults_);
      registry_.SetChangeFaults(&*faults_);
    }
  }
}

SandboxPlatform::~SandboxPlatform() {
  if (heldLock_) heldLock_->Detach();
  try {
    RunDeferredPrograms();
  } catch (...) {
    // A machine going away reports nothing.
  }
}

std::unique_ptr<SetupLock> SandboxPlatform::AcquireSetupLock(std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::unique_ptr<HostFileLock> lock;
  while (!(lock = HostFileLock::TryTake(root() / "setup.lock"))) {
    if (std::chrono::steady_clock::now() >= deadline) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Another setup may have changed the machine while this one waited.
  registry_.Reload();
  files_.Reload();
  return std::make_unique<SandboxSetupLock>(std::move(lock), *this);
}

}  // namespace vurerode::platform::sandbox
