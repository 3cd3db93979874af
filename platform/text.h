// Text inside the installer is UTF-8: every string and path the program keeps, compares and logs.
// It meets other encodings only at its edges: the system's wide (UTF-16) functions, the sandbox's
// UTF-16 registry file, and files written before the formats carried Unicode, whose text is bytes
// of the Windows-1252 code page (old media and logs, see docs/media-formats.md).
//
// Names are compared as Windows compares file, key and section names: each character's one-to-one
// upper-case form (so "é" and "É", "ж" and "Ж" are one letter), with no further folding.
#pragma once

#include <string>
#include <string_view>

namespace vurerode::platform {

// The upper- and lower-case forms of one character; characters without a one-to-one partner in the
// Basic Multilingual Plane stay as they are, and so do the twenty rare letters whose partner takes
// another number of bytes in UTF-8 (names that compare equal are equally long).
char32_t UpperChar(char32_t c);
char32_t LowerChar(char32_t c);
// ASCII letters only: for drive letters, hexadecimal digits and the like.
char AsciiUpper(char c);

std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
// <0, 0, >0 as the upper-cased texts compare character by character.
int CompareText(std::string_view a, std::string_view b);

bool IsAscii(std::string_view s);
bool IsValidUtf8(std::string_view s);

// One character of UTF-8 text from pos, which moves past it; an invalid sequence gives U+FFFD and
// moves one byte on.
char32_t NextChar(std::string_view s, size_t& pos);
void AppendUtf8(std::string& out, char32_t c);
// Characters, not bytes: for limits that Windows counts in characters.
size_t CharCount(std::string_view s);
// The length Windows gives a text and its buffers: UTF-16 code units, two for a character beyond the
// Basic Multilingual Plane.
size_t Utf16Length(std::string_view s);
// The longest beginning of s that fits in the given number of UTF-16 code units without ending
// inside a character: a character a buffer would cut in two is left out whole.
std::string_view Utf16Head(std::string_view s, size_t units);
// What follows that beginning: all but the first units code units (a character the count would cut
// in two stays whole here); empty when s is no longer.
std::string_view Utf16Tail(std::string_view s, size_t units);

// Invalid sequences and lone surrogates become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// The Windows-1252 code page: the text of old media and logs, and of the sandbox's ANSI files.
std::string Cp1252ToUtf8(std::string_view s);
// Characters the code page lacks become '?', as the system's conversion does by default.
std::string Utf8ToCp1252(std::string_view s);
bool FitsCp1252(std::string_view utf8);

}  // namespace vurerode::platform
