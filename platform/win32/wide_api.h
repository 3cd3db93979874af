// The path-taking functions of the API, reached through one table that Win32Platform hands to its
// parts. The real functions by default; a test gives a table of its own to see every path that
// reaches Windows.
#pragma once

#include "platform/win32/windows_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <shellapi.h>
#undef ShellExecute

struct IPersistFile;

namespace vurerode::platform::win32 {

// IPersistFile::Save as a function, so that a shortcut's own path passes through the table as well;
// with the system's calling convention, as every other entry of the table has.
HRESULT WINAPI SaveThroughPersistFile(IPersistFile* file, const wchar_t* path);

struct WideApi {
  decltype(&::CreateFileW) CreateFileW = ::CreateFileW;
  decltype(&::GetFileAttributesW) GetFileAttributesW = ::GetFileAttributesW;
  decltype(&::SetFileAttributesW) SetFileAttributesW = ::SetFileAttributesW;
  decltype(&::DeleteFileW) DeleteFileW = ::DeleteFileW;
  decltype(&::MoveFileExW) MoveFileExW = ::MoveFileExW;
  decltype(&::CreateDirectoryW) CreateDirectoryW = ::CreateDirectoryW;
  decltype(&::RemoveDirectoryW) RemoveDirectoryW = ::RemoveDirectoryW;
  decltype(&::FindFirstFileW) FindFirstFileW = ::FindFirstFileW;
  decltype(&::GetShortPathNameW) GetShortPathNameW = ::GetShortPathNameW;
  decltype(&::GetFullPathNameW) GetFullPathNameW = ::GetFullPathNameW;
  decltype(&::GetDiskFreeSpaceExW) GetDiskFreeSpaceExW = ::GetDiskFreeSpaceExW;
  decltype(&::GetPrivateProfileStringW) GetPrivateProfileStringW = ::GetPrivateProfileStringW;
  decltype(&::WritePrivateProfileStringW) WritePrivateProfileStringW = ::WritePrivateProfileStringW;
  decltype(&::WritePrivateProfileSectionW) WritePrivateProfileSectionW = ::WritePrivateProfileSectionW;
  decltype(&::SHGetFileInfoW) SHGetFileInfoW = ::SHGetFileInfoW;
  decltype(&::ShellExecuteW) ShellExecuteW = ::ShellExecuteW;
  decltype(&::ShellExecuteExW) ShellExecuteExW = ::ShellExecuteExW;
  decltype(&::CreateProcessW) CreateProcessW = ::CreateProcessW;
  decltype(&SaveThroughPersistFile) SaveShellLink = SaveThroughPersistFile;
};

// The table of the real functions.
const WideApi& RealWideApi();

}  // namespace vurerode::platform::win32
