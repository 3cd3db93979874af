// The program's UTF-8 text as the wide (W) functions of Windows take and give it: UTF-16 in a
// wchar_t string, which is 16 bits wide there. For the seam and the native windows alike; needs no
// Windows header.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace vurerode::platform::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide functions take UTF-16");

inline std::wstring Wide(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string Utf8(std::wstring_view wide) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

}  // namespace vurerode::platform::win32
