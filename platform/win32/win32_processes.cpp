#include "platform/win32/wide_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <vector>

#include "platform/win32/win32_processes.h"

namespace vurerode::platform::win32 {

int Win32Processes::RunAndWait(const std::string& commandLine, int showState) {
  // CreateProcessW may write into the command line it is given: a copy of its own.
  const std::wstring wide = Wide(commandLine);
  std::vector<wchar_t> line(wide.begin(), wide.end());
  line.push_back(L'\0');
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = static_cast<WORD>(showState);
  PROCESS_INFORMATION pi{};
  // The program's path is the command line's first word, which only CreateProcess itself can tell
  // apart: it stays as written.
  if (!api_.CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE | NORMAL_PRIORITY_CLASS,
                           nullptr, nullptr, &si, &pi))
    return -1;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

bool Win32Processes::SetPrivilege(const std::string& name, bool enable) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
  bool adjusted = false;
  LUID id;
  if (LookupPrivilegeValueW(nullptr, Wide(name).c_str(), &id)) {
    TOKEN_PRIVILEGES wanted{};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Luid = id;
    wanted.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    TOKEN_PRIVILEGES previous{};
    DWORD previousSize = sizeof previous;
    adjusted = AdjustTokenPrivileges(token, FALSE, &wanted, sizeof previous, &previous, &previousSize) != 0;
  }
  CloseHandle(token);
  return adjusted;
}

bool Win32Processes::Shutdown(uint32_t flags) {
  return ExitWindowsEx(flags, 0) != 0;
}

}  // namespace vurerode::platform::win32
