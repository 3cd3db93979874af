// Text files read line by line through the file system, as a list box or a string list loads them:
// CR LF or LF ends a line, and a final line end starts no further line. The byte-order marks of
// UTF-16LE and UTF-8 tell how the bytes hold the text; a file without one is in the ANSI code page
// (Windows-1252 here), as finstall.cfg of older media is.
#pragma once

#include <string>
#include <vector>

#include "platform/file_system.h"

namespace vurerode::setup {

// What a file without a byte-order mark holds. A text written by hand (the licence) is often UTF-8
// without one: bytes that are valid UTF-8 and not ASCII are seldom anything else.
enum class UnmarkedText { kAnsi, kUtf8WhenValid };

// Raises EFOpenError when the file cannot be opened.
std::vector<std::string> ReadTextLines(platform::FileSystem& fs, const std::string& path,
                                       UnmarkedText unmarked = UnmarkedText::kAnsi);

}  // namespace vurerode::setup
