// Starts a command line as Add/Remove Programs starts an uninstall entry's: CreateProcess with no
// application name, so that Windows itself reads which program the line names. Copied to
// C:\Program.exe it is the program an unquoted C:\Program Files\... path would start instead: any
// start other than "run" leaves a marker file beside it.
//
//   start_command_line run COMMAND_LINE   starts it, waits, prints and exits with its status
//   start_command_line (anything else)    writes <this program>.ran and exits 3
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

int LeaveMarker() {
  char self[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
  if (n == 0 || n == MAX_PATH) return 3;
  const std::string marker = std::string(self, n) + ".ran";
  if (FILE* f = std::fopen(marker.c_str(), "w")) {
    std::fprintf(f, "%s\n", GetCommandLineA());
    std::fclose(f);
  }
  return 3;
}

// The line is taken in UTF-16, so that a name in any script reaches the program whatever the
// system's ANSI code page.
int Run(std::wstring commandLine) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    std::fprintf(stderr, "start_command_line: cannot start %ls (error %lu)\n", commandLine.c_str(), GetLastError());
    return 1;
  }
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  // The whole status, which a POSIX shell outside Wine sees only to its low byte (3010 as 194).
  std::printf("exit status %lu\n", code);
  return static_cast<int>(code);
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv && argc == 3 && std::wstring(argv[1]) == L"run") return Run(argv[2]);
  return LeaveMarker();
}
