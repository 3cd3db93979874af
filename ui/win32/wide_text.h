// The model's UTF-8 text as the wide (W) functions of Windows take and give it: UTF-16 in a
// wchar_t string, which is 16 bits wide there.
#pragma once

#include <string>
#include <string_view>

#include "platform/text.h"

namespace vurerode::setup::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "the wide functions take UTF-16");

inline std::wstring Widen(std::string_view utf8) {
  const std::u16string u = platform::Utf8ToUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}

inline std::string Narrow(std::wstring_view utf16) {
  return platform::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()), utf16.size()));
}

}  // namespace vurerode::setup::win32
