// The sandbox's own state files (registry.reg, metadata.txt) when the host refuses to write them,
// and registry values of every type kept exactly through the file.
#include <gtest/gtest.h>

#include <functional>

#include "platform/exception.h"
#include "platform/sandbox/sandbox_platform.h"
#include "support/test_support.h"

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace vurerode::platform::sandbox {
namespace {

using test::ScratchDir;
namespace stdfs = std::filesystem;
constexpr auto HKLM = RegistryRoot::LocalMachine;

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
  std::vector<uint8_t> out;
  for (int b : list) out.push_back(static_cast<uint8_t>(b));
  return out;
}

TEST(SandboxRegistryValues, EveryTypeReadsBackExactlyFromTheFile) {
  const struct {
    const char* name;
    RegistryValueData value;
  } kValues[] = {
      {"Text", {kRegTypeSz, Bytes({'a', 'b', 0})}},
      {"", {kRegTypeSz, Bytes({0})}},  // the default value, empty
      {"Expand", {kRegTypeExpandSz, Bytes({'%', 'W', 'I', 'N', 'D', 'I', 'R', '%', '\\', 'x', 0})}},
      {"Binary", {kRegTypeBinary, Bytes({0, 1, 0xFF, 0x0D, 0x0A})}},
      {"EmptyBinary", {kRegTypeBinary, {}}},
      {"Multi", {kRegTypeMultiSz, Bytes({'a', 0, 'b', 'c', 0, 0})}},
      {"Dword", {kRegTypeDword, Bytes({1, 2, 3, 4})}},
      {"Qword", {11, Bytes({1, 2, 3, 4, 5, 6, 7, 8})}},
  };
  ScratchDir dir;
  {
    SandboxPlatform machine(dir.path());
    auto key = machine.registry().CreateKey(HKLM, "Software\\Acme");
    for (const auto& v : kValues) key->WriteValue(v.name, v.value);
  }
  SandboxPlatform again(dir.path());
  auto key = again.registry().OpenKey(HKLM, "Software\\Acme", RegistryAccess::Read);
  ASSERT_TRUE(key);
  for (const auto& v : kValues) {
    SCOPED_TRACE(v.name);
    EXPECT_EQ(key->ReadValue(v.name), v.value);
  }
  EXPECT_EQ(key->ReadString("Expand"), "%WINDIR%\\x");  // an expandable string is still a string
  EXPECT_EQ(key->ReadValue("missing"), std::nullopt);
}

#if !defined(_WIN32)

// Runs a change in a child process whose files may not grow past zero bytes, as on a full disk,
// and returns what the child reported: 0 when the change was refused as expected.
int OnAFullDisk(const std::function<int()>& change) {
  pid_t child = fork();
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails (EFBIG) instead of ending the process
    rlimit none{0, 0};
    setrlimit(RLIMIT_FSIZE, &none);
    int result = 99;
    try {
      result = change();
    } catch (...) {
      result = 98;
    }
    _exit(result);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 97;
}

// Each refused change: the file keeps what it held, no NAME.new is left, and the machine still
// shows what was there (its tree is what the file holds).
TEST(SandboxDurability, AChangeTheHostCannotWriteIsRefusedAndLosesNothing) {
  using Check = std::function<int(SandboxPlatform&)>;
  auto acme = [](SandboxPlatform& m) {
    return m.registry().OpenKey(HKLM, "Software\\Acme", RegistryAccess::ReadWrite);
  };
  const struct {
    const char* name;
    Check change;
  } kChanges[] = {
      {"write a string",
       [&](SandboxPlatform& m) {
         try {
           acme(m)->WriteString("Version", "3");
         } catch (const ERegistryException& e) {
           if (std::string(e.what()) != "Failed to set data for 'Version'") return 1;
           return acme(m)->ReadString("Version") == "2" ? 0 : 2;
         }
         return 3;
       }},
      {"write a binary value",
       [&](SandboxPlatform& m) {
         try {
           acme(m)->WriteValue("Blob", {kRegTypeBinary, {1, 2}});
         } catch (const ERegistryException&) {
           return acme(m)->ReadValue("Blob") == std::nullopt ? 0 : 2;
         }
         return 3;
       }},
      {"create a key",
       [&](SandboxPlatform& m) {
         if (m.registry().CreateKey(HKLM, "Software\\Acme\\New")) return 3;
         return m.registry().OpenKey(HKLM, "Software\\Acme\\New", RegistryAccess::Read) ? 2 : 0;
       }},
      {"delete a value",
       [&](SandboxPlatform& m) {
         if (acme(m)->DeleteValue("Version")) return 3;
         return acme(m)->ReadString("Version") == "2" ? 0 : 2;
       }},
      {"delete a key",
       [&](SandboxPlatform& m) {
         if (m.registry().DeleteKeyTree(HKLM, "Software\\Acme")) return 3;
         return acme(m) ? 0 : 2;
       }},
      {"write the metadata",
       [&](SandboxPlatform& m) {
         m.fs().SetAttributes("C:\\acme.dat", faHidden);
         try {
           m.files().FlushMetadata();
         } catch (const EInOutError& e) {
           return e.code() == 112 ? 0 : 1;
         }
         return 3;
       }},
  };
  for (const auto& c : kChanges) {
    SCOPED_TRACE(c.name);
    ScratchDir dir;
    {
      SandboxPlatform machine(dir.path());
      machine.registry().CreateKey(HKLM, "Software\\Acme")->WriteString("Version", "2");
      machine.fs().CreateFile("C:\\acme.dat");
      machine.fs().SetAttributes("C:\\acme.dat", faSysFile);
    }
    auto registry = test::ReadFileBytes(dir.path() / "registry.reg");
    auto metadata = test::ReadFileBytes(dir.path() / "metadata.txt");
    EXPECT_EQ(OnAFullDisk([&] {
                SandboxPlatform machine(dir.path());
                return c.change(machine);
              }),
              0);
    EXPECT_EQ(test::ReadFileBytes(dir.path() / "registry.reg"), registry);
    EXPECT_EQ(test::ReadFileBytes(dir.path() / "metadata.txt"), metadata);
    EXPECT_FALSE(stdfs::exists(dir.path() / "registry.reg.new"));
    EXPECT_FALSE(stdfs::exists(dir.path() / "metadata.txt.new"));
  }
}

#endif

}  // namespace
}  // namespace vurerode::platform::sandbox
