// A table of the seam's path-taking functions that records every path argument and calls the real
// function: what the seam hands to Windows, seen from outside it. Header-only, for the test programs
// that drive the seam (the platform's own and the installer's).
#pragma once

#include "platform/win32/wide_api.h"
// (the API's headers before the seam's, see windows_api.h)
#include <string>
#include <tuple>
#include <vector>

namespace vurerode::platform::win32 {

// Function pointers cannot carry a recorder of their own: the calls of one test land here.
inline std::vector<std::wstring>& Recorded() {
  static std::vector<std::wstring> paths;
  return paths;
}

// Records the arguments at PathArgs, then calls the real function.
template <auto Member, int... PathArgs, class... A>
auto RecordAndCall(A... a) {
  const std::tuple<A...> args(a...);
  auto note = [](const wchar_t* path) {
    if (path) Recorded().emplace_back(path);
  };
  (note(std::get<PathArgs>(args)), ...);
  static const WideApi real;
  return (real.*Member)(a...);
}

// A table entry of the member's own type. Every entry of the table has the system's calling
// convention (the seam's own SaveThroughPersistFile too), which differs from a plain function's on
// 32-bit x86.
template <auto Member, int... PathArgs>
struct Recording;
template <class R, class... A, R (WINAPI* WideApi::*Member)(A...), int... PathArgs>
struct Recording<Member, PathArgs...> {
  static R WINAPI Call(A... a) { return RecordAndCall<Member, PathArgs...>(a...); }
};

inline WideApi RecordingApi() {
  WideApi api;
  api.CreateFileW = Recording<&WideApi::CreateFileW, 0>::Call;
  api.GetFileAttributesW = Recording<&WideApi::GetFileAttributesW, 0>::Call;
  api.SetFileAttributesW = Recording<&WideApi::SetFileAttributesW, 0>::Call;
  api.DeleteFileW = Recording<&WideApi::DeleteFileW, 0>::Call;
  api.MoveFileExW = Recording<&WideApi::MoveFileExW, 0, 1>::Call;
  api.CreateDirectoryW = Recording<&WideApi::CreateDirectoryW, 0>::Call;
  api.RemoveDirectoryW = Recording<&WideApi::RemoveDirectoryW, 0>::Call;
  api.FindFirstFileW = Recording<&WideApi::FindFirstFileW, 0>::Call;
  api.GetShortPathNameW = Recording<&WideApi::GetShortPathNameW, 0>::Call;
  api.GetFullPathNameW = Recording<&WideApi::GetFullPathNameW, 0>::Call;
  api.GetDiskFreeSpaceExW = Recording<&WideApi::GetDiskFreeSpaceExW, 0>::Call;
  api.GetPrivateProfileStringW = Recording<&WideApi::GetPrivateProfileStringW, 5>::Call;
  api.WritePrivateProfileStringW = Recording<&WideApi::WritePrivateProfileStringW, 3>::Call;
  api.WritePrivateProfileSectionW = Recording<&WideApi::WritePrivateProfileSectionW, 2>::Call;
  api.SHGetFileInfoW = Recording<&WideApi::SHGetFileInfoW, 0>::Call;
  api.ShellExecuteW = Recording<&WideApi::ShellExecuteW, 2>::Call;
  api.CreateProcessW = Recording<&WideApi::CreateProcessW, 0>::Call;
  api.SaveShellLink = Recording<&WideApi::SaveShellLink, 1>::Call;
  return api;
}

// Every recorded path of MAX_PATH units or more that is not in the \\?\ form; and how many there were.
struct LongPathCheck {
  size_t longOnes = 0;
  std::vector<std::wstring> plain;
};
inline LongPathCheck CheckRecordedPaths() {
  LongPathCheck check;
  for (const std::wstring& path : Recorded()) {
    if (path.size() < MAX_PATH) continue;
    ++check.longOnes;
    if (path.rfind(L"\\\\?\\", 0) != 0 || path.find(L"\\\\", 4) != std::wstring::npos ||
        path.find(L"\\.\\") != std::wstring::npos)
      check.plain.push_back(path);
  }
  return check;
}

}  // namespace vurerode::platform::win32
