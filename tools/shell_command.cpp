#include "tools/shell_command.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>

#include "platform/win32/wide_text.h"
#else
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace vurerode::cli {

#if defined(_WIN32)

namespace {

struct Handle {
  HANDLE h = nullptr;
  ~Handle() { Close(); }
  void Close() {
    if (h) CloseHandle(h);
    h = nullptr;
  }
};

std::wstring CommandInterpreter() {
  wchar_t dir[MAX_PATH];
  const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
  return n > 0 && n < MAX_PATH ? std::wstring(dir, n) + L"\\cmd.exe" : L"cmd.exe";
}

}  // namespace

ShellResult RunShellCommand(const std::string& command) {
  ShellResult r;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  Handle readEnd, writeEnd;
  if (!CreatePipe(&readEnd.h, &writeEnd.h, &inherit, 0) || !SetHandleInformation(readEnd.h, HANDLE_FLAG_INHERIT, 0)) {
    r.why = "no pipe for its output (error " + std::to_string(GetLastError()) + ")";
    return r;
  }
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  si.hStdOutput = writeEnd.h;
  si.hStdError = writeEnd.h;
  // With /s, cmd.exe takes the text between the first and the last quote as the command, as it is.
  const std::wstring interpreter = CommandInterpreter();
  std::wstring line = L"\"" + interpreter + L"\" /d /s /c \"" + platform::win32::Wide(command) + L"\"";
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(interpreter.c_str(), line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                      &pi)) {
    r.why = "cmd.exe could not be started (error " + std::to_string(GetLastError()) + ")";
    return r;
  }
  Handle process{pi.hProcess}, thread{pi.hThread};
  writeEnd.Close();  // the pipe ends when the command and its children let go of it
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(readEnd.h, buffer, sizeof buffer, &got, nullptr) && got > 0) r.output.append(buffer, got);
  WaitForSingleObject(process.h, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.h, &code);
  r.started = true;
  r.status = static_cast<int>(code);
  return r;
}

std::string ShellQuoted(const std::string& path) {
  return "\"" + path + "\"";
}

#else

ShellResult RunShellCommand(const std::string& command) {
  ShellResult r;
  int fds[2];
  if (::pipe(fds) != 0) {
    r.why = std::string("no pipe for its output: ") + std::strerror(errno);
    return r;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_addclose(&actions, fds[1]);
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(fds[1]);
  if (spawned != 0) {
    ::close(fds[0]);
    r.why = std::string("/bin/sh could not be started: ") + std::strerror(spawned);
    return r;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t got = ::read(fds[0], buffer, sizeof buffer);
    if (got > 0) {
      r.output.append(buffer, static_cast<size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(fds[0]);
  int wstatus = 0;
  while (::waitpid(pid, &wstatus, 0) < 0)
    if (errno != EINTR) {
      r.why = std::string("lost the shell: ") + std::strerror(errno);
      return r;
    }
  r.started = true;
  if (WIFEXITED(wstatus)) {
    r.status = WEXITSTATUS(wstatus);
  } else if (WIFSIGNALED(wstatus)) {
    r.signal = WTERMSIG(wstatus);
  }
  return r;
}

std::string ShellQuoted(const std::string& path) {
  std::string quoted = "'";
  for (const char c : path) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

#endif

}  // namespace vurerode::cli
