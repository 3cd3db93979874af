// The Windows headers, with the macros that would rename the seam's own members (CreateFile,
// DeleteFile, ...) taken away again. Code that calls the API names the ANSI functions explicitly.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#undef CreateFile
#undef DeleteFile
#undef CreateDirectory
#undef RemoveDirectory
#undef GetCurrentDirectory
#undef SetCurrentDirectory
#undef GetWindowsDirectory
#undef GetShortPathName
#undef GetFullPathName
#undef FindFirstFile
#undef FindNextFile
#undef ShellExecute
#undef GetObject

#include <string>

namespace vurerode::platform::win32 {

// The system's text for an error code, without the line break it ends with.
std::string SystemMessage(DWORD code);

}  // namespace vurerode::platform::win32
