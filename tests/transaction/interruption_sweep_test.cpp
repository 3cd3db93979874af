// The installation as a transaction, tried as a crash or a failing disk would try it: the real
// setup program is started on a sandbox machine and made to die (or to be refused) at its N-th
// change to the machine, for N across the whole run. After each, the recovery the next setup runs
// gives back the machine exactly as it was (every file's bytes and date, registry.reg,
// metadata.txt, no temporary folder); a rerun then installs and a removal leaves what a clean
// installation and removal leave.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/install_transaction.h"
#include "platform/sandbox/sandbox_platform.h"
#include "support/test_support.h"
#include "tools/cli.h"

namespace vurerode::setup::test {
namespace {

namespace fs = std::filesystem;

constexpr int kAborted = 86;  // the exit status of a run the sandbox ended at its fault point
constexpr const char* kTitle = "Sweep 1.0";

// Every file of the machine with its bytes and its date; folders as names ending with '/'. The
// sandbox's record of started programs is not the machine's state.
std::map<std::string, std::string> MachineFiles(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(e.path(), root).generic_string();
    if (name == "journal.log" || name == "setup.lock") continue;
    if (e.is_directory()) {
      files[name + "/"] = "";
      continue;
    }
    // The dates of the machine's own files, to the two seconds a file's date keeps through the
    // platform (a saved copy put back carries its date that way); the sandbox's state files are
    // rewritten whole.
    std::ostringstream content;
    if (name.rfind("drive_", 0) == 0) {
      const auto seconds =
          std::chrono::floor<std::chrono::seconds>(std::chrono::file_clock::to_sys(e.last_write_time()));
      content << std::chrono::floor<std::chrono::duration<int64_t, std::ratio<2>>>(seconds).time_since_epoch().count();
    }
    content << "\n";
    const std::vector<uint8_t> bytes = vurerode::test::ReadFileBytes(e.path());
    content.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    files[name] = content.str();
  }
  return files;
}

// The same without dates: a rerun writes its files now.
std::map<std::string, std::string> WithoutDates(std::map<std::string, std::string> files) {
  for (auto& [name, content] : files) content.erase(0, content.find('\n') + 1);
  return files;
}

// What differs, a line per name, for the failure message.
std::string Differences(const std::map<std::string, std::string>& want, const std::map<std::string, std::string>& got) {
  std::string text;
  for (const auto& [name, content] : want) {
    auto it = got.find(name);
    if (it == got.end())
      text += "  missing: " + name + "\n";
    else if (it->second != content)
      text += "  changed: " + name + "\n";
  }
  for (const auto& [name, content] : got)
    if (!want.count(name)) text += "  added: " + name + "\n";
  return text;
}

class InterruptionSweep : public ::testing::Test {
 protected:
  void SetUp() override {
    const fs::path src = scratch_.path() / "app";
    for (int d = 0; d < 6; ++d)
      for (int f = 0; f < 40; ++f)
        Write(src / ("dir" + std::to_string(d)) / ("file" + std::to_string(f) + ".txt"),
              "file " + std::to_string(d) + "." + std::to_string(f) + std::string(static_cast<size_t>(f * 37), 'x'));
    Write(src / "replace.txt", "the installation's own\r\n");
    Write(src / "vurerode.prj",
          "[Setup]\nTitle = Sweep 1.0\nMain Directory = Sweep\nDisplay Version = 1.0\n"
          "[Shortcuts]\nSweep = replace.txt, Sweep, start menu + desktop\n"
          "[Registry]\nHKEY_LOCAL_MACHINE\\Software\\Sweep, Settings, Mode, new\n"
          "HKEY_CURRENT_USER\\Software\\Sweep, Fresh, Value, 1\n"
          "[INI Files]\nsweep.ini, Options, Mode, new\n");
    vurerode::test::WriteWindowsProgramStub(scratch_.path() / "setup.exe");
    std::ostringstream out, err;
    ASSERT_EQ(cli::Main({"build", "--setup", (scratch_.path() / "setup.exe").string(), src.string(), Media().string()},
                        out, err),
              0)
        << err.str();
  }

  static void Write(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    vurerode::test::WriteFileBytes(file, std::vector<uint8_t>(text.begin(), text.end()));
  }

  fs::path Media() const { return scratch_.path() / "media"; }

  // A machine with something of the user's where the installation writes: a file it replaces, a
  // registry value and an INI value it overwrites.
  fs::path FreshMachine(const std::string& name) {
    const fs::path root = scratch_.path() / name;
    fs::remove_all(root);
    {
      platform::sandbox::SandboxPlatform machine(root);
      machine.fs().CreateDirectory("C:\\Program Files\\Sweep");
      auto file = machine.fs().CreateFile("C:\\Program Files\\Sweep\\replace.txt");
      const std::string mine = "the user's own\r\n";
      file->Write(mine.data(), mine.size());
      machine.registry()
          .CreateKey(platform::RegistryRoot::LocalMachine, "Software\\Sweep\\Settings")
          ->WriteString("Mode", "old");
      machine.profile().WriteString("sweep.ini", "Options", "Mode", "old");
    }
    return root;
  }

  // Starts the setup program on the machine; fault: the sandbox's fault point, empty for none.
  pid_t StartSetupProgram(const fs::path& root, const std::vector<std::string>& args, const std::string& fault = "") {
    const std::string out = (scratch_.path() / ("setup" + std::to_string(++runs_) + ".out")).string();
    const pid_t child = fork();
    if (child == 0) {
      if (!fault.empty()) setenv("VURERODE_SANDBOX_FAULT", fault.c_str(), 1);
      if (!freopen(out.c_str(), "w", stdout) || !freopen(out.c_str(), "a", stderr)) _exit(99);
      std::vector<std::string> all{VURERODE_SETUP_PROGRAM, "--sandbox", root.string()};
      all.insert(all.end(), args.begin(), args.end());
      std::vector<char*> argv;
      for (std::string& a : all) argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(98);
    }
    return child;
  }
  static int ExitStatusOf(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  int RunSetup(const fs::path& root, const std::vector<std::string>& args, const std::string& fault = "") {
    return ExitStatusOf(StartSetupProgram(root, args, fault));
  }
  int Install(const fs::path& root, const std::string& fault = "") {
    return RunSetup(root, {"--media", Media().string(), "/SILENT"}, fault);
  }
  int Remove(const fs::path& root) { return RunSetup(root, {"/SILENT", kTitle}); }

  static bool Installed(const fs::path& root, const std::string& title = kTitle) {
    platform::sandbox::SandboxPlatform machine(root);
    return machine.registry().OpenKey(platform::RegistryRoot::LocalMachine,
                                      std::string("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + title,
                                      platform::RegistryAccess::Read) != nullptr;
  }

  // What the next setup does first: undo the installation that never ended.
  static TRecoveryReport Recover(const fs::path& root) {
    platform::sandbox::SandboxPlatform machine(root);
    auto lock = machine.AcquireSetupLock(std::chrono::seconds(5));
    return RecoverInterruptedInstallation(machine);
  }

  vurerode::test::ScratchDir scratch_;
  int runs_ = 0;
};

TEST_F(InterruptionSweep, EveryChangePointRollsBackAndAReinstallThenRemovalLeavesNothing) {
  // What a clean installation and removal leave (the cleanup batch, the INI file Windows shares).
  const fs::path reference = FreshMachine("reference");
  ASSERT_EQ(Install(reference), 0);
  ASSERT_EQ(Remove(reference), 0);
  const auto cleanEnd = WithoutDates(MachineFiles(reference));

  int points = 0;
  for (int n = 1;; n += n < 12 ? 1 : 29) {
    for (const char* mode : {":abort", ""}) {
      const fs::path root = FreshMachine("machine");
      const auto before = MachineFiles(root);
      const bool abort = std::string(mode) == ":abort";
      const int status = Install(root, std::to_string(n) + mode);
      SCOPED_TRACE("change " + std::to_string(n) + (abort ? " killed" : " refused") + ", setup ended with " +
                   std::to_string(status));
      if (status == 0) {
        // A run with fewer changes than n: the sweep is through.
        if (abort) {
          EXPECT_GT(points, 20) << "too few change points were tried";
          return;
        }
        // A refusal the installation may pass over (a value it could not clear before writing
        // it, a temporary file it could not delete) installs all the same, completely; its removal
        // then leaves the files a clean one leaves (a value it found there keeps its key).
        ASSERT_TRUE(Installed(root));
        ASSERT_EQ(Remove(root), 0);
        auto end = WithoutDates(MachineFiles(root)), clean = cleanEnd;
        for (auto* state : {&end, &clean})
          std::erase_if(*state, [](const auto& e) { return e.first.rfind("drive_", 0) != 0; });
        ASSERT_EQ(end, clean) << Differences(clean, end);
        ASSERT_FALSE(Installed(root));
        continue;
      }
      ++points;
      if (abort) {
        ASSERT_EQ(status, kAborted);
        const TRecoveryReport recovery = Recover(root);
        EXPECT_TRUE(recovery.Problems.empty());
        if (Installed(root)) {
          EXPECT_FALSE(recovery.RolledBack);
          // Killed after the commit: the installation is complete, and what the recovery
          // cleared away was only the run's temporary files.
          for (const auto& [name, content] : MachineFiles(root))
            ASSERT_EQ(name.find("lkst_"), std::string::npos) << name;
          ASSERT_EQ(Remove(root), 0);
          const auto end = WithoutDates(MachineFiles(root));
          ASSERT_EQ(end, cleanEnd) << Differences(cleanEnd, end);
          continue;
        }
      } else {
        ASSERT_EQ(status, 1) << "a refused change the run cannot pass over ends it as failed";
      }
      const auto rolledBack = MachineFiles(root);
      ASSERT_EQ(rolledBack, before) << Differences(before, rolledBack);
      ASSERT_EQ(Install(root), 0);
      ASSERT_EQ(Remove(root), 0);
      const auto end = WithoutDates(MachineFiles(root));
      ASSERT_EQ(end, cleanEnd) << Differences(cleanEnd, end);
    }
  }
}

// Two setups started together on one machine: the second waits for the first, and both end with
// their whole installation registered; the registry file always reads back.
TEST_F(InterruptionSweep, TwoSetupsAtOnceBothInstallAndNeitherEntryIsLost) {
  const fs::path other = scratch_.path() / "other";
  Write(other / "other.txt", "another application");
  Write(other / "vurerode.prj", "[Setup]\nTitle = Other 1.0\nMain Directory = Other\n");
  std::ostringstream out, err;
  ASSERT_EQ(cli::Main({"build", "--setup", (scratch_.path() / "setup.exe").string(), other.string(),
                       (scratch_.path() / "media-other").string()},
                      out, err),
            0)
      << err.str();
  for (int trial = 0; trial < 6; ++trial) {
    SCOPED_TRACE("trial " + std::to_string(trial));
    const fs::path root = FreshMachine("machine");
    const pid_t first = StartSetupProgram(root, {"--media", Media().string(), "/SILENT"});
    const pid_t second = StartSetupProgram(root, {"--media", (scratch_.path() / "media-other").string(), "/SILENT"});
    EXPECT_EQ(ExitStatusOf(first), 0);
    EXPECT_EQ(ExitStatusOf(second), 0);
    EXPECT_TRUE(Installed(root, kTitle));
    EXPECT_TRUE(Installed(root, "Other 1.0"));
    EXPECT_TRUE(fs::exists(root / "drive_c/Program Files/Sweep/uninstaller.cfg"));
    EXPECT_TRUE(fs::exists(root / "drive_c/Program Files/Other/other.txt"));
  }
}

}  // namespace
}  // namespace vurerode::setup::test
