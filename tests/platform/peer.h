// Running the peer tools the tests check against (lnkinfo; under Wine also the prefix's own reg and
// regedit) and reading what they print. Header-only, so every test program can use it.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdio>
#endif

// RunHostTool runs a host program (a Unix path such as /usr/bin/lnkinfo, also from a Windows test
// program running under Wine) and returns what it wrote to standard output; nullopt when it is not
// there or could not run. LnkinfoField gives the value of a "Name : value" line of lnkinfo's report.
namespace vurerode::test {

#if defined(_WIN32)

inline std::optional<std::string> RunHostTool(const std::string& unixPath, const std::vector<std::string>& args) {
  // Wine starts Unix programs given by their Z: path and hands them our standard handles.
  std::string app = "Z:" + unixPath;
  for (char& c : app)
    if (c == '/') c = '\\';
  if (GetFileAttributesA(app.c_str()) == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  std::string cmd = "\"" + unixPath + "\"";
  for (const std::string& a : args) cmd += " \"" + a + "\"";
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
  std::string line = cmd;
  BOOL ok = CreateProcessA(app.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi);
  CloseHandle(writeEnd);
  if (!ok) {
    CloseHandle(readEnd);
    return std::nullopt;
  }
  std::string out;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(readEnd, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
  WaitForSingleObject(pi.hProcess, INFINITE);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(readEnd);
  return out;
}

#else

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

}  // namespace vurerode::test
