// setup: the console front end of the setup program, on the real system or on a sandbox machine.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

#include "app/setup_program.h"
#include "platform/exception.h"
#include "platform/sandbox/sandbox_platform.h"
#include "ui/console/console_options.h"
#include "ui/console/console_run.h"
#include "ui/console/console_view.h"
#ifdef _WIN32
#include "platform/win32/win32_platform.h"
#endif
#ifdef VURERODE_WIN32_GUI
#include "ui/win32/win32_view.h"
#endif
#ifdef _WIN32
// Last: its macros (CreateFile, ...) would rename the file system's members declared above.
#include <windows.h>
#endif

namespace fs = std::filesystem;
using namespace vurerode;
using namespace vurerode::setup;

namespace {

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
  fs::path root = o.sandboxRoot ? fs::path(*o.sandboxRoot) : DefaultSandboxRoot();
  if (!o.sandboxRoot) std::cout << "setup: running on the sandbox machine in " << root.string() << "\n";
  fs::create_directories(root);
  platform::sandbox::SandboxOptions options;
  options.runHostPrograms = o.runHostPrograms;
  options.quotas = o.quotas;
  if (o.media) {
    if (!fs::is_directory(*o.media)) throw std::invalid_argument("--media: no folder " + *o.media);
    options.mounts.push_back({'A', fs::absolute(*o.media), true});
  }
  auto machine = std::make_unique<platform::sandbox::SandboxPlatform>(fs::absolute(root), options);
  if (o.media) machine->fs().ChangeDirectory("A:\\");
  return machine;
}

int Run(const console::ConsoleOptions& o) {
  std::unique_ptr<platform::Platform> platform = MakePlatform(o);
  std::unique_ptr<std::ofstream> log;
  if (o.log) {
    log = std::make_unique<std::ofstream>(*o.log, std::ios::binary | std::ios::trunc);
    if (!*log) throw std::runtime_error("cannot write the log file " + *o.log);
  }
  console::ConsoleView view(std::cin, std::cout, std::cerr, o.silent, log.get());
  return console::RunSetup(*platform, view, o, std::cout, log.get());
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
  console::ConsoleOptions options;
  try {
    options = console::ParseConsoleOptions(std::vector<std::string>(argv + 1, argv + argc));
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
      std::unique_ptr<std::ofstream> log;
      if (options.log) log = std::make_unique<std::ofstream>(*options.log, std::ios::binary | std::ios::trunc);
      return win32::RunWindows(options.args, log.get());
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
