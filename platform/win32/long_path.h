// The wide path Windows is given for a path of the seam. Windows refuses a plain path of MAX_PATH
// units or more (and CreateDirectory one of MAX_PATH less 12, room it keeps for an 8.3 name), but
// takes any length in the \\?\ form, which it then uses exactly as written: no "." or "..", no
// doubled or forward slashes, no relative path. So a long path is first made full and normalised,
// as Windows itself would read it, and then given the form; shorter ones pass as they are.
#pragma once

#include <string>
#include <string_view>

namespace vurerode::platform::win32 {

// Paths of this many UTF-16 units or more take the \\?\ form.
inline constexpr size_t kLongPathFrom = 248;

std::wstring WidePath(std::string_view path);
// A search pattern: its folder as WidePath gives it, its last part (which may hold * and ?) as it is,
// since normalising would drop a final period that the pattern means.
std::wstring WidePattern(std::string_view pattern);
// A path Windows gave back, in the seam's form again: without \\?\ (\\?\UNC\ is \\ again).
std::string SeamPath(std::wstring_view wide);

}  // namespace vurerode::platform::win32
