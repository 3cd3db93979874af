// The file system the tool works on: the host's own.
#pragma once

#include "platform/posix/host_file_system.h"

namespace vurerode::cli {
using NativeFileSystem = platform::HostFileSystem;
}  // namespace vurerode::cli
