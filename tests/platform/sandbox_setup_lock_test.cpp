// The sandbox machine's setup lock: one holder at a time, whether the other is a machine of the
// same process or another process, released by the host when its holder dies, and what the holder
// changed read by the next one.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/sandbox/sandbox_platform.h"
#include "support/test_support.h"

#if !defined(_WIN32)
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vurerode::platform::sandbox {
namespace {

using namespace std::chrono_literals;
using test::ScratchDir;

TEST(SandboxSetupLock, OneHolderAtATimeAmongMachinesOfOneRoot) {
  ScratchDir dir;
  SandboxPlatform first(dir.path());
  SandboxPlatform second(dir.path());
  auto held = first.AcquireSetupLock(0ms);
  ASSERT_TRUE(held);
  EXPECT_FALSE(second.AcquireSetupLock(0ms));
  EXPECT_FALSE(second.AcquireSetupLock(50ms));
  held.reset();
  EXPECT_TRUE(second.AcquireSetupLock(0ms));
}

TEST(SandboxSetupLock, TheNextHolderReadsWhatThePreviousOneChanged) {
  ScratchDir dir;
  SandboxPlatform first(dir.path());
  SandboxPlatform second(dir.path());  // made before the first one changes anything
  {
    auto held = first.AcquireSetupLock(0ms);
    ASSERT_TRUE(held);
    first.registry().CreateKey(RegistryRoot::LocalMachine, "Software\\Acme")->WriteString("Version", "2");
    first.fs().CreateFile("C:\\acme.dat");
    ASSERT_TRUE(first.fs().SetAttributes("C:\\acme.dat", faHidden | faArchive));
  }
  auto held = second.AcquireSetupLock(0ms);
  ASSERT_TRUE(held);
  auto key = second.registry().OpenKey(RegistryRoot::LocalMachine, "Software\\Acme", RegistryAccess::Read);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ReadString("Version"), "2");
  EXPECT_EQ(second.fs().GetAttributes("C:\\acme.dat"), faHidden | faArchive);
  // A value the second machine writes now keeps the first one's too: its tree was read again.
  second.registry().CreateKey(RegistryRoot::LocalMachine, "Software\\Other")->WriteString("x", "1");
  SandboxPlatform third(dir.path());
  EXPECT_TRUE(third.registry().OpenKey(RegistryRoot::LocalMachine, "Software\\Acme", RegistryAccess::Read));
}

#if !defined(_WIN32)

// Another process holds the lock until it ends, normally or killed; a setup waiting for it gets it then.
TEST(SandboxSetupLock, AProcessHoldsItUntilItEnds) {
  for (int signal : {0, SIGKILL}) {
    SCOPED_TRACE(signal);
    ScratchDir dir;
    int held[2], go[2];
    ASSERT_EQ(pipe(held), 0);
    ASSERT_EQ(pipe(go), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      SandboxPlatform machine(dir.path());
      auto lock = machine.AcquireSetupLock(0ms);
      char c = lock ? 'y' : 'n';
      (void)!write(held[1], &c, 1);
      (void)!read(go[0], &c, 1);
      _exit(0);  // the lock is not released by the program: the host lets it go
    }
    char c = 0;
    ASSERT_EQ(read(held[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    SandboxPlatform machine(dir.path());
    EXPECT_FALSE(machine.AcquireSetupLock(0ms));
    if (signal)
      kill(child, signal);
    else
      ASSERT_EQ(write(go[1], "x", 1), 1);
    EXPECT_TRUE(machine.AcquireSetupLock(60s));
    int status = 0;
    waitpid(child, &status, 0);
    for (int fd : {held[0], held[1], go[0], go[1]}) close(fd);
  }
}

#endif

}  // namespace
}  // namespace vurerode::platform::sandbox
