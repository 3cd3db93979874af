// The seam on Windows itself: every part calls the real API, its path-taking functions through the
// table it is given (the real ones unless a test gives others).
#pragma once

#include <memory>

#include "platform/platform.h"
#include "platform/win32/win32_file_system.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_profile.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"

namespace vurerode::platform::win32 {

// (wide_api.h; not included here: this header must not bring in the API's own headers, whose
// renaming macros its includers may have in force)
struct WideApi;
const WideApi& RealWideApi();

class Win32Platform : public Platform {
 public:
  // The parts reach the path-taking functions through a copy of api.
  explicit Win32Platform(const WideApi& api = RealWideApi());
  ~Win32Platform() override;

  FileSystem& fs() override { return files_; }
  Registry& registry() override { return registry_; }
  Profile& profile() override { return profile_; }
  Shell& shell() override { return shell_; }
  Processes& processes() override { return processes_; }

  // The named mutex "Global\VurerodeSetup", waited for up to wait. A mutex whose holder died
  // (WAIT_ABANDONED) is taken: that setup's journal tells what it left. The lock belongs to the
  // thread that took it and must be released (destroyed) on that thread.
  std::unique_ptr<SetupLock> AcquireSetupLock(std::chrono::milliseconds wait) override;

 private:
  std::unique_ptr<const WideApi> api_;
  Win32FileSystem files_;
  Win32Registry registry_;
  Win32Profile profile_;
  Win32Shell shell_;
  Win32Processes processes_;
};

// The full path of the program this process runs (GetModuleFileNameW), in UTF-8; empty when the
// system does not say.
std::string RunningProgramPath();

}  // namespace vurerode::platform::win32
