// Running the peer tools the tests check against (lnkinfo; under Wine also the prefix's own reg and
// regedit) and reading what they print. Header-only, so every test program can use it.
#pragma once

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

#if defined(_WIN32)
#include "platform/win32/windows_api.h"
#else
#include <cstdio>
#endif

// HostToolPath turns a path of the test program into one a host tool understands (under Wine, the
// Unix path of a Windows path). RunHostTool runs a host program (a Unix path such as /usr/bin/lnkinfo, also from a
// Windows test program running under Wine) and returns what it wrote to standard output; nullopt when it is not there
// or could not run. LnkinfoField gives the value of a "Name : value" line of lnkinfo's report.
namespace vurerode::test {

#if defined(_WIN32)

// True when the Windows program runs under Wine rather than on Windows.
inline bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

inline std::string HostToolPath(const std::filesystem::path& p) {
  // Wine tells the Unix path of a Windows one; on Windows itself there is no such function.
  using Convert = char* (*)(const wchar_t*);
  HMODULE kernel = GetModuleHandleA("kernel32.dll");
  FARPROC proc = kernel ? GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
  if (!proc) return platform::win32::Utf8(p.wstring());
  Convert convert = nullptr;
  static_assert(sizeof convert == sizeof proc);
  std::memcpy(&convert, &proc, sizeof convert);
  char* unix = convert(p.wstring().c_str());
  if (!unix) return platform::win32::Utf8(p.wstring());
  std::string out = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return out;
}

// Runs a program with its standard output and error in a pipe; the exit code and what it wrote.
struct ToolRun {
  int exitCode = -1;
  std::string output;
};
inline std::optional<ToolRun> RunCapturing(const char* application, std::string commandLine) {
  SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  if (!CreatePipe(&readEnd, &writeEnd, &sa, 0)) return std::nullopt;
  SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = writeEnd;
  si.hStdError = writeEnd;
  si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION pi{};
  BOOL ok = CreateProcessA(application, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  if (!ok) {
    CloseHandle(readEnd);
    return std::nullopt;
  }
  ToolRun run;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) run.output.append(buf, got);
  WaitForSingleObject(pi.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  run.exitCode = static_cast<int>(code);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(readEnd);
  return run;
}

// A Windows program of the prefix (reg, regedit, cmd), by command line.
inline std::optional<ToolRun> RunWindowsTool(const std::string& commandLine) {
  return RunCapturing(nullptr, commandLine);
}

inline std::optional<std::string> RunHostTool(const std::string& unixPath, const std::vector<std::string>& args) {
  // Wine starts Unix programs given by their Z: path, but neither hands them our pipes nor waits
  // for them: a shell writes the output to a file and then a marker, which we wait for.
  std::string app = "Z:" + unixPath;
  for (char& c : app)
    if (c == '/') c = '\\';
  if (GetFileAttributesA(app.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  char tempDir[MAX_PATH + 1], tempFile[MAX_PATH + 1];
  if (!GetTempPathA(sizeof tempDir, tempDir) || !GetTempFileNameA(tempDir, "vrt", 0, tempFile)) return std::nullopt;
  std::string out = tempFile, done = out + ".done";
  std::string cmd = "sh -c \"\\\"$0\\\" \\\"$@\\\" >'" + HostToolPath(out) + "' 2>&1; touch '" + HostToolPath(done) +
                    "'\" \"" + unixPath + "\"";
  for (const std::string& a : args) cmd += " \"" + a + "\"";
  // The paths and arguments are UTF-8; the wide call hands them to the shell whatever the code page.
  std::wstring wideCmd = platform::win32::Wide(cmd);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(L"Z:\\bin\\sh", wideCmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
    DeleteFileA(out.c_str());
    return std::nullopt;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  for (int i = 0; i < 600 && GetFileAttributesA(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(50);
  std::string text;
  if (HANDLE h = CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
      h != INVALID_HANDLE_VALUE) {
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0) text.append(buf, got);
    CloseHandle(h);
  }
  bool finished = DeleteFileA(done.c_str()) != 0;
  DeleteFileA(out.c_str());
  if (!finished) return std::nullopt;
  return text;
}

#else

inline std::string HostToolPath(const std::filesystem::path& p) {
  return p.string();
}

inline std::optional<std::string> RunHostTool(const std::string& unixPath, const std::vector<std::string>& args) {
  if (!std::filesystem::exists(unixPath)) return std::nullopt;
  std::string cmd = "'" + unixPath + "'";
  for (const std::string& a : args) {
    std::string q;
    for (char c : a) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    cmd += " '" + q + "'";
  }
  cmd += " 2>&1";
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) return std::nullopt;
  std::string out;
  char buf[4096];
  while (size_t got = fread(buf, 1, sizeof buf, p)) out.append(buf, got);
  pclose(p);
  return out;
}

#endif

inline std::string LnkinfoField(const std::string& report, const std::string& name) {
  size_t pos = 0;
  while ((pos = report.find(name, pos)) != std::string::npos) {
    size_t lineStart = report.rfind('\n', pos);
    lineStart = lineStart == std::string::npos ? 0 : lineStart + 1;
    bool atLineStart = report.find_first_not_of('\t', lineStart) == pos;
    size_t colon = report.find(':', pos);
    size_t lineEnd = report.find_first_of("\r\n", pos);
    if (atLineStart && colon != std::string::npos && colon < lineEnd) {
      size_t valueStart = colon + 1;
      if (valueStart < report.size() && report[valueStart] == ' ') ++valueStart;
      return report.substr(valueStart, lineEnd - valueStart);
    }
    pos += name.size();
  }
  return {};
}

// Whether lnkinfo's text for a field is the expected one. lnkinfo of liblnk 20181227 (Debian 12's)
// reads a pair of UTF-16 surrogates as the character 0x3FF below the one it stands for, whoever
// wrote the pair; that reading counts as well.
inline bool LnkinfoShows(const std::string& shown, const std::string& expected) {
  if (shown == expected) return true;
  std::string misread;
  for (size_t i = 0; i < expected.size();) {
    char32_t c = platform::NextChar(expected, i);
    platform::AppendUtf8(misread, c > 0xFFFF ? c - 0x3FF : c);
  }
  return shown == misread;
}

}  // namespace vurerode::test
