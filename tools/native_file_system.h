// The file system the tool works on: the machine's own.
#pragma once

#if defined(_WIN32)
#include "platform/win32/win32_file_system.h"
#else
#include "platform/posix/host_file_system.h"
#endif

namespace vurerode::cli {
#if defined(_WIN32)
using NativeFileSystem = platform::win32::Win32FileSystem;
#else
using NativeFileSystem = platform::HostFileSystem;
#endif
}  // namespace vurerode::cli
