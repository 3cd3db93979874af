#include "platform/text.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace vurerode::platform {
namespace {

struct CasePair {
  char16_t from;
  char16_t to;
};
#include "platform/case_table.inc"

char32_t MapChar(const CasePair* begin, const CasePair* end, char32_t c) {
  if (c > 0xFFFF) return c;
  auto it = std::lower_bound(begin, end, c, [](const CasePair& p, char32_t v) { return p.from < v; });
  return it != end && it->from == c ? it->to : c;
}

// Windows-1252 bytes 0x80-0x9F; the five unassigned bytes map to the C1 control of the same value.
constexpr char16_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
                                0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
                                0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

int Cp1252Byte(char32_t u) {
  if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) return static_cast<int>(u);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == u) return 0x80 + i;
  return -1;
}

template <char32_t (*Map)(char32_t)>
std::string MapText(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out += static_cast<char>(Map(b));
      ++i;
      continue;
    }
    size_t start = i;
    char32_t c = NextChar(s, i);
    char32_t m = Map(c);
    if (m == c)
      out.append(s.substr(start, i - start));  // as it was, invalid bytes included
    else
      AppendUtf8(out, m);
  }
  return out;
}

}  // namespace

char32_t UpperChar(char32_t c) {
  if (c < 0x80) return (c >= 'a' && c <= 'z') ? c - 32 : c;
  return MapChar(std::begin(kUpperPairs), std::end(kUpperPairs), c);
}

char32_t LowerChar(char32_t c) {
  if (c < 0x80) return (c >= 'A' && c <= 'Z') ? c + 32 : c;
  return MapChar(std::begin(kLowerPairs), std::end(kLowerPairs), c);
}

char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

std::string UpperCase(std::string_view s) {
  if (IsAscii(s)) {
    std::string out(s);
    for (char& c : out) c = AsciiUpper(c);
    return out;
  }
  return MapText<UpperChar>(s);
}

std::string LowerCase(std::string_view s) {
  return MapText<LowerChar>(s);
}

int CompareText(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[j]);
    char32_t u, v;
    if ((x | y) < 0x80) {  // the common case: two ASCII characters
      u = UpperChar(x);
      v = UpperChar(y);
      ++i;
      ++j;
    } else {
      u = UpperChar(NextChar(a, i));
      v = UpperChar(NextChar(b, j));
    }
    if (u != v) return u < v ? -1 : 1;
  }
  if (i == a.size() && j == b.size()) return 0;
  return i == a.size() ? -1 : 1;
}

bool SameText(std::string_view a, std::string_view b) {
  // Case partners take as many bytes as each other (the table keeps no other pairs), so texts of
  // different lengths differ: lookups that scan whole folders or log sections reject most names at
  // once, as they did when a character was a byte.
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto x = static_cast<unsigned char>(a[i]);
    auto y = static_cast<unsigned char>(b[i]);
    if ((x | y) >= 0x80) return CompareText(a.substr(i), b.substr(i)) == 0;
    if (x != y && UpperChar(x) != UpperChar(y)) return false;
  }
  return true;
}

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool IsValidUtf8(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    auto b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    size_t start = i;
    char32_t c = NextChar(s, i);
    if (c == 0xFFFD && s.substr(start, 3) != "\xEF\xBF\xBD") return false;
  }
  return true;
}

char32_t NextChar(std::string_view s, size_t& pos) {
  auto b = static_cast<unsigned char>(s[pos]);
  if (b < 0x80) {
    ++pos;
    return b;
  }
  int extra = (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
  if (extra < 0 || pos + static_cast<size_t>(extra) >= s.size()) {
    ++pos;
    return 0xFFFD;
  }
  char32_t u = b & (0x3F >> extra);
  for (int k = 1; k <= extra; ++k) {
    auto t = static_cast<unsigned char>(s[pos + static_cast<size_t>(k)]);
    if ((t & 0xC0) != 0x80) {
      ++pos;
      return 0xFFFD;
    }
    u = (u << 6) | (t & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  static constexpr char32_t kMin[4] = {0, 0x80, 0x800, 0x10000};
  if (u < kMin[extra] || (u >= 0xD800 && u <= 0xDFFF) || u > 0x10FFFF) {
    ++pos;
    return 0xFFFD;
  }
  pos += static_cast<size_t>(extra) + 1;
  return u;
}

void AppendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

size_t CharCount(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size(); ++n) NextChar(s, i);
  return n;
}

size_t Utf16Length(std::string_view s) {
  size_t n = 0;
  for (size_t i = 0; i < s.size();) n += NextChar(s, i) > 0xFFFF ? 2 : 1;
  return n;
}

std::string_view Utf16Head(std::string_view s, size_t units) {
  size_t i = 0;
  while (i < s.size()) {
    size_t next = i;
    size_t width = NextChar(s, next) > 0xFFFF ? 2 : 1;
    if (width > units) break;
    units -= width;
    i = next;
  }
  return s.substr(0, i);
}

std::string_view Utf16Tail(std::string_view s, size_t units) {
  return s.substr(Utf16Head(s, units).size());
}

std::u16string Utf8ToUtf16(std::string_view s) {
  std::u16string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    char32_t c = NextChar(s, i);
    if (c < 0x10000) {
      out += static_cast<char16_t>(c);
    } else {
      c -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (c >> 10));
      out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char32_t u = s[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      u = 0x10000 + ((u - 0xD800) << 10) + (s[i + 1] - 0xDC00);
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      u = 0xFFFD;
    }
    AppendUtf8(out, u);
  }
  return out;
}

std::string Cp1252ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    auto b = static_cast<unsigned char>(c);
    AppendUtf8(out, (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : char32_t(b));
  }
  return out;
}

std::string Utf8ToCp1252(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size();) {
    int b = Cp1252Byte(NextChar(s, i));
    out += b < 0 ? '?' : static_cast<char>(b);
  }
  return out;
}

bool FitsCp1252(std::string_view s) {
  for (size_t i = 0; i < s.size();) {
    size_t start = i;
    char32_t c = NextChar(s, i);
    if (Cp1252Byte(c) < 0 || (c == 0xFFFD && s.substr(start, 3) != "\xEF\xBF\xBD")) return false;
  }
  return true;
}

}  // namespace vurerode::platform
