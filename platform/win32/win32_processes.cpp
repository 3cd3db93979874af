#include "platform/win32/wide_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <vector>

#include "platform/argument_quoting.h"
#include "platform/exception.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/win32_processes.h"

namespace vurerode::platform::win32 {

namespace {

// A kernel handle the process owns, closed when it goes.
class OwnedHandle {
 public:
  explicit OwnedHandle(HANDLE h) : h_(h) {}
  ~OwnedHandle() {
    if (h_) CloseHandle(h_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  HANDLE get() const { return h_; }

 private:
  HANDLE h_;
};

}  // namespace

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

bool Win32Processes::IsAdministrator() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
  const OwnedHandle owned(token);
  // With User Account Control an administrator's process runs with a filtered token until it is
  // elevated: only the elevated one may write what the machine shares.
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size))
    return elevation.TokenIsElevated != 0;
  // Systems without User Account Control: a member of the Administrators group has the rights.
  SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
  PSID admins = nullptr;
  if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                &admins))
    return false;
  BOOL member = FALSE;
  if (!CheckTokenMembership(nullptr, admins, &member)) member = FALSE;
  FreeSid(admins);
  return member != FALSE;
}

std::optional<int> Win32Processes::RunThisProgramElevated(const std::vector<std::string>& args,
                                                          const std::string& directory) {
  const std::wstring program = Wide(RunningProgramPath());
  if (program.empty())
    throw Exception("Setup could not tell its own program file to start it with administrator rights.");
  const std::wstring parameters = Wide(QuoteArguments(args));
  const std::wstring folder = Wide(directory);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  // NOASYNC: the prompt and the start are over when the call returns, whatever thread runs it.
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = L"runas";
  info.lpFile = program.c_str();
  info.lpParameters = parameters.c_str();
  info.lpDirectory = folder.empty() ? nullptr : folder.c_str();
  info.nShow = SW_SHOWNORMAL;
  if (!api_.ShellExecuteExW(&info)) {
    const DWORD error = GetLastError();
    if (error == ERROR_CANCELLED) return std::nullopt;  // the user said no to the prompt
    throw EInOutError(static_cast<int>(error),
                      "Setup could not start itself with administrator rights (error " + std::to_string(error) + ").");
  }
  if (!info.hProcess) throw Exception("Setup started itself with administrator rights, but cannot wait for it.");
  const OwnedHandle process(info.hProcess);
  WaitForSingleObject(process.get(), INFINITE);
  DWORD code = 0;
  if (!GetExitCodeProcess(process.get(), &code)) code = 1;
  return static_cast<int>(code);
}

bool Win32Processes::Shutdown(uint32_t flags) {
  return ExitWindowsEx(flags, 0) != 0;
}

}  // namespace vurerode::platform::win32
