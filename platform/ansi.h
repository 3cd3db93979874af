// Text in the ANSI code page (Windows-1252): the installer's strings and paths are bytes of it.
// Case-insensitive comparison follows that code page's upper-case mapping, so "é" and "É" are one
// letter in a file or key name, as on a Western-European Windows.
#pragma once

#include <string>
#include <string_view>

namespace vurerode::platform {

char AnsiUpper(char c);
std::string AnsiUpperCase(std::string_view s);
// The inverse mapping: each upper-case letter of the code page to its lower-case one.
char AnsiLower(char c);
std::string AnsiLowerCase(std::string_view s);
bool AnsiSameText(std::string_view a, std::string_view b);
// <0, 0, >0 as the upper-cased texts compare byte by byte.
int AnsiCompareText(std::string_view a, std::string_view b);

std::u16string AnsiToUtf16(std::string_view s);
// Characters the code page lacks become '?', as the system's conversion does by default.
std::string Utf16ToAnsi(std::u16string_view s);
std::string AnsiToUtf8(std::string_view s);
// Invalid UTF-8 sequences and characters the code page lacks become '?'.
std::string Utf8ToAnsi(std::string_view s);

}  // namespace vurerode::platform
