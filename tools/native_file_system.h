// The file system the tool works on: the machine's own.
#pragma once

#include "platform/native_file_system.h"

namespace vurerode::cli {
using platform::NativeFileSystem;
}  // namespace vurerode::cli
