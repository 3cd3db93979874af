// Text files read line by line through the file system, as a list box or a string list loads them:
// CR LF or LF ends a line, and a final line end starts no further line. The bytes are decoded as a
// profile file's are: UTF-16LE or UTF-8 after their mark, the ANSI code page otherwise.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vurerode::setup {

// Raises EFOpenError when the file cannot be opened.
std::vector<std::string> ReadTextLines(platform::FileSystem& fs, const std::string& path);

}  // namespace vurerode::setup
