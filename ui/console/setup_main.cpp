// setup: the console front end of the setup program, on the real system or on a sandbox machine.
#include <memory>
#include <optional>

#include "app/setup_program.h"
#include "platform/exception.h"
#include "ui/console/command_line.h"
#include "ui/console/console_options.h"
#include "ui/console/console_run.h"
#include "ui/console/console_view.h"
#include "ui/console/sandbox_machine.h"
#include "ui/console/standard_text.h"
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
// Last: its macros (CreateFile, ...) would rename the members declared above.
#include <windows.h>
#endif

using namespace vurerode;
using namespace vurerode::setup;

namespace {

// The /LOG record; the elevated run started by another continues its record.
std::unique_ptr<console::FileOut> OpenLog(const console::ConsoleOptions& o) {
  return o.log ? std::make_unique<console::FileOut>(*o.log, o.elevated) : nullptr;
}

std::unique_ptr<platform::Platform> MakePlatform(const console::ConsoleOptions& o, console::TextOutput& out) {
#ifdef _WIN32
  if (!o.sandboxRoot) return std::make_unique<platform::win32::Win32Platform>();
#endif
  return console::SandboxMachine(o, out);
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

int Run(const console::ConsoleOptions& o, console::StandardText& text) {
  std::unique_ptr<platform::Platform> platform = MakePlatform(o, text.out());
  const std::unique_ptr<console::FileOut> log = OpenLog(o);
  console::ConsoleView view(text.in(), text.out(), text.err(), o.silent, log.get());
  return console::RunSetup(*platform, view, o, text.out(), log.get(), ProgramSession(o));
}

}  // namespace

int main(int argc, char** argv) {
#ifdef _WIN32
  // DLLs come from the system directory only, never from the medium's folder beside setup.exe.
  SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
#endif
  console::StandardText text;
  console::ConsoleOptions options;
  try {
    options = console::ParseConsoleOptions(console::ProgramArguments(argc, argv));
  } catch (const std::invalid_argument& e) {
    text.err() << "setup: " << e.what() << "\n" << console::kConsoleHelp;
    return 1;
  }
  if (options.help) {
    text.out() << console::kConsoleHelp;
    return 0;
  }
#ifdef VURERODE_WIN32_GUI
  // Without /SILENT and without a sandbox, the real windows. A console of our own (started from
  // Explorer) goes away; a parent's console stays for the messages of scripts.
  if (!options.silent && !options.sandboxRoot) {
    DWORD processes[2];
    if (GetConsoleProcessList(processes, 2) == 1) FreeConsole();
    try {
      const std::unique_ptr<console::FileOut> log = OpenLog(options);
      return win32::RunWindows(options, log.get());
    } catch (const std::exception& e) {
      text.err() << "setup: " << e.what() << "\n";
      return 1;
    }
  }
#endif
  try {
    return Run(options, text);
  } catch (const std::exception& e) {
    text.err() << "setup: " << e.what() << "\n";
    return 1;
  }
}
