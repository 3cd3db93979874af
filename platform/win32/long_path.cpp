#include "platform/win32/windows_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include "platform/win32/long_path.h"

namespace vurerode::platform::win32 {
namespace {

constexpr std::wstring_view kVerbatim = L"\\\\?\\";
constexpr std::wstring_view kVerbatimUnc = L"\\\\?\\UNC\\";
constexpr std::wstring_view kDevice = L"\\\\.\\";

bool StartsWith(std::wstring_view s, std::wstring_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// The long form of a path whatever its length. GetFullPathNameW is called directly, not through
// the table: it only works on the text (any length of it), and a recording table would see the
// plain long path that is being turned into the form.
std::wstring LongForm(const std::wstring& path) {
  if (StartsWith(path, kVerbatim) || StartsWith(path, kDevice)) return path;
  DWORD need = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (need == 0) return path;
  std::wstring full(need, L'\0');
  DWORD n = ::GetFullPathNameW(path.c_str(), need, full.data(), nullptr);
  if (n == 0 || n >= need) return path;
  full.resize(n);
  if (StartsWith(full, L"\\\\")) return std::wstring(kVerbatimUnc) + full.substr(2);
  return std::wstring(kVerbatim) + full;
}

}  // namespace

std::wstring WidePath(std::string_view path) {
  std::wstring wide = Wide(path);
  return wide.size() < kLongPathFrom ? wide : LongForm(wide);
}

std::wstring WidePattern(std::string_view pattern) {
  std::wstring wide = Wide(pattern);
  size_t slash = wide.find_last_of(L"\\/");
  if (wide.size() < kLongPathFrom || slash == std::wstring::npos || slash == 0) return WidePath(pattern);
  return LongForm(wide.substr(0, slash)) + L"\\" + wide.substr(slash + 1);
}

std::string SeamPath(std::wstring_view wide) {
  if (StartsWith(wide, kVerbatimUnc)) return "\\\\" + Utf8(wide.substr(kVerbatimUnc.size()));
  if (StartsWith(wide, kVerbatim)) return Utf8(wide.substr(kVerbatim.size()));
  return Utf8(wide);
}

}  // namespace vurerode::platform::win32
