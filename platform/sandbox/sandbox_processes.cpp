#include "platform/sandbox/sandbox_processes.h"

#include <cstdio>

#include "platform/argument_quoting.h"
#include "platform/sandbox/command_line.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace vurerode::platform::sandbox {
namespace {

std::string ExitFlagNames(uint32_t flags) {
  static const char* const kActions[] = {"EWX_LOGOFF", "EWX_SHUTDOWN", "EWX_REBOOT", "EWX_SHUTDOWN|EWX_REBOOT"};
  std::string names = kActions[flags & 3];
  if (flags & kEwxForce) names += "|EWX_FORCE";
  if (flags & kEwxPowerOff) names += "|EWX_POWEROFF";
  return names;
}

}  // namespace

int SandboxProcesses::RunAndWait(const std::string& commandLine, int showState) {
  std::string head = "CreateProcess " + ShowStateName(showState) + " " + JournalQuote(commandLine);
  for (const ProgramReading& reading : ProgramReadings(commandLine)) {
    std::string program = runner_.Locate(reading.program, {}, false);
    if (program.empty()) continue;
    std::optional<int> code = runner_.Run(program, SplitArguments(reading.rest), showState);
    if (!code) {
      journal_.Record(head + " -> recorded " + JournalQuote(program));
      return 0;
    }
    journal_.Record(head + " -> exit " + std::to_string(*code) + " " + JournalQuote(program));
    return *code;
  }
  journal_.Record(head + " -> not found");
  return -1;
}

bool SandboxProcesses::SetPrivilege(const std::string& name, bool) {
  for (const char* known : {"SeShutdownPrivilege", "SeRemoteShutdownPrivilege", "SeBackupPrivilege",
                            "SeRestorePrivilege", "SeSystemtimePrivilege", "SeDebugPrivilege"})
    if (SameText(name, known)) return true;  // privilege names are looked up without regard to case
  return false;
}

bool SandboxProcesses::Shutdown(uint32_t flags) {
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(flags));
  journal_.Record(std::string("ExitWindowsEx ") + hex + " " + ExitFlagNames(flags) +
                  (restartAllowed_ ? " -> started" : " -> refused"));
  return restartAllowed_;
}

std::optional<int> SandboxProcesses::RunThisProgramElevated(const std::vector<std::string>& args,
                                                            const std::string& directory) {
  const std::string head =
      "ShellExecuteEx runas " + JournalQuote(QuoteArguments(args)) + " in " + JournalQuote(directory);
  if (!elevated_) {
    journal_.Record(head + " -> declined");
    return std::nullopt;
  }
  journal_.Record(head + " -> started");
  const int code = elevated_(args, directory);
  journal_.Record("elevated run ended -> exit " + std::to_string(code));
  return code;
}

}  // namespace vurerode::platform::sandbox
