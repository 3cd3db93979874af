// setup: the console front end of the setup program, on the real system or on a sandbox machine.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>

#include "app/setup_program.h"
#include "platform/exception.h"
#include "platform/sandbox/sandbox_platform.h"
#include "ui/console/command_line.h"
#include "ui/console/console_options.h"
#include "ui/console/console_run.h"
#include "ui/console/console_view.h"
#include "ui/console/utf16_stream.h"
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif
#ifdef VURERODE_WIN32_GUI
#include "ui/win32/win32_view.h"
#endif
#ifdef VURERODE_UNJOURNALLED
#include "bench/unjournalled_transaction.h"
#endif
#ifdef _WIN32
// Last: its macros (CreateFile, ...) would rename the file system's members declared above.
#include <windows.h>
#endif

namespace fs = std::filesystem;
using namespace vurerode;
using namespace vurerode::setup;

namespace {

// A host path the options name, in UTF-8 like every text of the program: on Windows the path
// must be told so, or it would be read in the ANSI code page.
fs::path HostPath(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

// The /LOG record: UTF-8 without a byte-order mark, on every system.
std::unique_ptr<std::ofstream> OpenLog(const std::optional<std::string>& path) {
  if (!path) return nullptr;
  auto log = std::make_unique<std::ofstream>(HostPath(*path), std::ios::binary | std::ios::trunc);
  if (!*log) throw std::runtime_error("cannot write the log file " + *path);
  return log;
}

// Where setup runs without --sandbox on a host that is not Windows.
fs::path DefaultSandboxRoot() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  fs::path base = data && *data ? fs::path(data) : fs::path(home ? home : ".") / ".local" / "share";
  return base / "vurerode" / "sandbox";
}

std::unique_ptr<platform::Platform> MakePlatform(const console::ConsoleOptions& o) {
#ifdef _WIN32
  if (!o.sandboxRoot) return std::make_unique<platform::win32::Win32Platform>();
#endif
  fs::path root = o.sandboxRoot ? HostPath(*o.sandboxRoot) : DefaultSandboxRoot();
  if (!o.sandboxRoot) std::cout << "setup: running on the sandbox machine in " << Utf8Of(root) << "\n";
  fs::create_directories(root);
  platform::sandbox::SandboxOptions options;
  options.runHostPrograms = o.runHostPrograms;
  options.quotas = o.quotas;
  if (o.media) {
    if (!fs::is_directory(HostPath(*o.media))) throw std::invalid_argument("--media: no folder " + *o.media);
    options.mounts.push_back({'A', fs::absolute(HostPath(*o.media)), true});
  }
  auto machine = std::make_unique<platform::sandbox::SandboxPlatform>(fs::absolute(root), options);
  if (o.media) machine->fs().ChangeDirectory("A:\\");
  return machine;
}

// The program whose medium may be inside it: on a sandbox, the setup.exe of the mounted medium; on
// Windows, this program itself.
TSessionOptions ProgramSession(const console::ConsoleOptions& o) {
  TSessionOptions session;
#ifdef VURERODE_UNJOURNALLED
  session.Link.Begin = bench::BeginUnjournalled;
#endif
#ifdef _WIN32
  if (!o.sandboxRoot) {
    session.ProgramFile = platform::win32::RunningProgramPath();
    return session;
  }
#endif
  if (o.media) session.ProgramFile = "A:\\setup.exe";
  return session;
}

int Run(const console::ConsoleOptions& o) {
  std::unique_ptr<platform::Platform> platform = MakePlatform(o);
  const std::unique_ptr<std::ofstream> log = OpenLog(o.log);
  console::ConsoleView view(std::cin, std::cout, std::cerr, o.silent, log.get());
  return console::RunSetup(*platform, view, o, std::cout, log.get(), ProgramSession(o));
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // DLLs come from the system directory only, never from the medium's folder beside setup.exe.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
#endif
  // The streams buffer for themselves: the C library's stdout is unbuffered on a console (and on
  // NUL), where each character of a progress line would be a write of its own.
  std::ios::sync_with_stdio(false);
  const console::ConsoleStreams terminal;
  console::ConsoleOptions options;
  try {
    options = console::ParseConsoleOptions(console::ProgramArguments(argc, argv));
  } catch (const std::invalid_argument& e) {
    std::cerr << "setup: " << e.what() << "\n" << console::kConsoleHelp;
    return 1;
  }
  if (options.help) {
    std::cout << console::kConsoleHelp;
    return 0;
  }
#ifdef VURERODE_WIN32_GUI
  // Without /SILENT and without a sandbox, the real windows. A console of our own (started from
  // Explorer) goes away; a parent's console stays for the messages of scripts.
  if (!options.silent && !options.sandboxRoot) {
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) == 1) FreeConsole();
    try {
      const std::unique_ptr<std::ofstream> log = OpenLog(options.log);
      return win32::RunWindows(options.args, log.get(), options.scope);
    } catch (const std::exception& e) {
      std::cerr << "setup: " << e.what() << "\n";
      return 1;
    }
  }
#endif
  try {
    return Run(options);
  } catch (const std::exception& e) {
    std::cerr << "setup: " << e.what() << "\n";
    return 1;
  }
}
