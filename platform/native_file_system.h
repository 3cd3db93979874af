// The file system of the machine the program runs on: the Win32 API on Windows, POSIX elsewhere.
#pragma once

#if defined(_WIN32)
#include "platform/win32/win32_file_system.h"
#else
#include "platform/posix/host_file_system.h"
#endif

namespace vurerode::platform {
#if defined(_WIN32)
using NativeFileSystem = win32::Win32FileSystem;
#else
using NativeFileSystem = HostFileSystem;
#endif
}  // namespace vurerode::platform
