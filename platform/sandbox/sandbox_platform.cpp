#include "platform/sandbox/sandbox_platform.h"

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "platform/sandbox/host_io.h"

namespace vurerode::platform::sandbox {

// The machine's setup lock while setups of this process hold it. Like the Windows mutex, which the
// thread holding it may take again, a machine that holds the lock takes it again at once: the lock
// goes when the last of its holders lets it go.
class SandboxPlatform::HeldLock {
 public:
  HeldLock(std::unique_ptr<HostFileLock> lock, SandboxPlatform& owner) : lock_(std::move(lock)), owner_(&owner) {}
  ~HeldLock() {
    if (!owner_) return;
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

class SandboxSetupLock : public SetupLock {
 public:
  explicit SandboxSetupLock(std::shared_ptr<SandboxPlatform::HeldLock> held) : held_(std::move(held)) {}

 private:
  std::shared_ptr<SandboxPlatform::HeldLock> held_;
};

}  // namespace

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
      processes_(files_, journal_, options.restartAllowed, options.runHostPrograms, options.administrator,
                 options.elevatedStart) {
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
  if (auto held = heldLock_.lock()) held->Detach();
  try {
    RunDeferredPrograms();
  } catch (...) {
    // A machine going away reports nothing.
  }
}

std::unique_ptr<SetupLock> SandboxPlatform::AcquireSetupLock(std::chrono::milliseconds wait) {
  if (auto held = heldLock_.lock()) return std::make_unique<SandboxSetupLock>(held);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::unique_ptr<HostFileLock> lock;
  while (!(lock = HostFileLock::TryTake(root() / "setup.lock"))) {
    if (std::chrono::steady_clock::now() >= deadline) return nullptr;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  // Another setup may have changed the machine while this one waited.
  registry_.Reload();
  files_.Reload();
  auto held = std::make_shared<HeldLock>(std::move(lock), *this);
  heldLock_ = held;
  return std::make_unique<SandboxSetupLock>(held);
}

}  // namespace vurerode::platform::sandbox
