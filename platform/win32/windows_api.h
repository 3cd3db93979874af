// The Windows headers, with the macros that would rename the seam's own members (CreateFile,
// DeleteFile, ...) taken away again. The seam calls the wide functions by their full names (CreateFileW)
// and never an ANSI one: text inside is UTF-8 and crosses to Windows as UTF-16, so that a name holds
// any character Windows allows whatever the system's code page.
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
#include <string_view>

#include "platform/win32/wide_text.h"

namespace vurerode::platform::win32 {

// The system's text for an error code, without the line break it ends with.
std::string SystemMessage(DWORD code);

}  // namespace vurerode::platform::win32
