#include "platform/sandbox/host_io.h"

#if defined(_WIN32)
#include <windows.h>

#include "platform/text.h"
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;
#endif

namespace vurerode::platform::sandbox {

#if defined(_WIN32)

namespace {

// Quotes one argument so that the C run-time's parser gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

std::wstring Wide(const std::string& utf8) {
  return HostPath(utf8).wstring();
}

}  // namespace

bool IsHostProgram(const stdfs::path& path) {
  if (HostEntryKind(path) != HostKind::File) return false;
  std::wstring ext = path.extension().wstring();
  for (wchar_t& c : ext) c = static_cast<wchar_t>(towlower(c));
  return ext == L".exe" || ext == L".com" || ext == L".bat" || ext == L".cmd";
}

std::optional<int> RunHostProgram(const stdfs::path& program, const std::vector<std::string>& args,
                                  const stdfs::path& directory, const std::vector<std::string>& environment) {
  std::error_code ec;
  stdfs::path absolute = stdfs::absolute(program, ec);
  if (ec) return std::nullopt;
  std::wstring cmd = QuoteArgument(absolute.wstring());
  for (const std::string& a : args) cmd += L" " + QuoteArgument(Wide(a));
  // The child's environment: ours plus the extra variables.
  std::wstring env;
  if (wchar_t* block = GetEnvironmentStringsW()) {
    for (wchar_t* p = block; *p; p += wcslen(p) + 1) env += std::wstring(p) + L'\0';
    FreeEnvironmentStringsW(block);
  }
  for (const std::string& e : environment) env += Wide(e) + L'\0';
  env += L'\0';
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<wchar_t> line(cmd.begin(), cmd.end());
  line.push_back(0);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT, env.data(),
                      directory.empty() ? nullptr : directory.c_str(), &si, &pi))
    return std::nullopt;
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return static_cast<int>(code);
}

#else

bool IsHostProgram(const stdfs::path& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<int> RunHostProgram(const stdfs::path& program, const std::vector<std::string>& args,
                                  const stdfs::path& directory, const std::vector<std::string>& environment) {
  // The child changes folder before it runs the program, so a relative path would name another file.
  std::error_code ec;
  stdfs::path absolute = stdfs::absolute(program, ec);
  if (ec) return std::nullopt;
  std::vector<std::string> argvText;
  argvText.push_back(absolute.string());
  argvText.insert(argvText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : argvText) argv.push_back(a.data());
  argv.push_back(nullptr);

  std::vector<std::string> envText;
  for (char** e = environ; e && *e; ++e) envText.emplace_back(*e);
  envText.insert(envText.end(), environment.begin(), environment.end());
  std::vector<char*> envp;
  for (std::string& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);

  // The child starts in the sandbox's current folder; posix_spawn cannot change folders portably,
  // so a forked child does it before exec.
  pid_t pid = ::fork();
  if (pid < 0) return std::nullopt;
  if (pid == 0) {
    if (!directory.empty() && ::chdir(directory.c_str()) != 0) ::_exit(127);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return std::nullopt;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return -1;
}

#endif

}  // namespace vurerode::platform::sandbox
