#include "platform/win32/windows_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <algorithm>
#include <cstdint>

#include "platform/win32/win32_platform.h"

namespace vurerode::platform::win32 {
namespace {

class MutexLock : public SetupLock {
 public:
  explicit MutexLock(HANDLE mutex) : mutex_(mutex) {}
  ~MutexLock() override {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
  MutexLock(const MutexLock&) = delete;
  MutexLock& operator=(const MutexLock&) = delete;

 private:
  HANDLE mutex_;
};

// The machine-wide mutex. A user without the right to create global objects may still open one an
// administrator's setup made; failing both, setups of this session at least exclude each other.
HANDLE OpenSetupMutex() {
  if (HANDLE h = CreateMutexW(nullptr, FALSE, L"Global\\VurerodeSetup")) return h;
  if (HANDLE h = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, L"Global\\VurerodeSetup")) return h;
  return CreateMutexW(nullptr, FALSE, L"Local\\VurerodeSetup");
}

}  // namespace

std::unique_ptr<SetupLock> Win32Platform::AcquireSetupLock(std::chrono::milliseconds wait) {
  HANDLE mutex = OpenSetupMutex();
  if (!mutex) return nullptr;
  // INFINITE itself is no wait that runs out: longer waits are cut just short of it.
  const int64_t ms = std::clamp<int64_t>(wait.count(), 0, int64_t{INFINITE} - 1);
  DWORD result = WaitForSingleObject(mutex, static_cast<DWORD>(ms));
  if (result == WAIT_OBJECT_0 || result == WAIT_ABANDONED) return std::make_unique<MutexLock>(mutex);
  CloseHandle(mutex);
  return nullptr;
}

}  // namespace vurerode::platform::win32
