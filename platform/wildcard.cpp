#include "platform/wildcard.h"

#include <string>
#include <vector>

#include "platform/text.h"

namespace vurerode::platform {
namespace {

// The DOS wildcard forms the system turns "*", "?" and "." into.
constexpr char32_t kDosStar = '<';
constexpr char32_t kDosQm = '>';
constexpr char32_t kDosDot = '"';

// Names are matched character by character, not byte by byte: "?" takes one whole character.
std::u32string Characters(std::string_view text) {
  std::u32string out;
  for (size_t i = 0; i < text.size();) out += NextChar(text, i);
  return out;
}

std::u32string ToExpression(std::string_view text) {
  if (text == "*.*") return U"*";
  std::u32string pattern = Characters(text);
  std::u32string e(pattern);
  for (size_t i = 0; i < e.size(); ++i) {
    char32_t next = i + 1 < e.size() ? pattern[i + 1] : U'\0';
    if (pattern[i] == '?') {
      e[i] = kDosQm;
    } else if (pattern[i] == '*' && next == '.') {
      e[i] = kDosStar;
    } else if (pattern[i] == '.' && (next == '?' || next == '*' || next == '\0')) {
      e[i] = kDosDot;
    }
  }
  return e;
}

class Matcher {
 public:
  Matcher(std::string_view name, std::u32string expr) : name_(Characters(name)), expr_(std::move(expr)) {
    lastDot_ = name_.rfind(U'.');
    memo_.assign((expr_.size() + 1) * (name_.size() + 1), kUnknown);
  }

  bool Match(size_t e, size_t n) {
    int8_t& slot = memo_[e * (name_.size() + 1) + n];
    if (slot == kUnknown) slot = Compute(e, n) ? 1 : 0;
    return slot == 1;
  }

 private:
  static constexpr int8_t kUnknown = -1;

  bool Compute(size_t e, size_t n) {
    bool atEnd = n == name_.size();
    if (e == expr_.size()) return atEnd;
    char32_t p = expr_[e];
    switch (p) {
      case '*': return Match(e + 1, n) || (!atEnd && Match(e, n + 1));
      case kDosStar:
        // May take characters only up to (not including) the name's last period.
        return Match(e + 1, n) || (!atEnd && (lastDot_ == std::u32string::npos || n < lastDot_) && Match(e, n + 1));
      case kDosQm:
        if (atEnd || name_[n] == '.') {
          size_t skip = e;
          while (skip < expr_.size() && expr_[skip] == kDosQm) ++skip;
          return Match(skip, n);
        }
        return Match(e + 1, n + 1);
      case kDosDot:
        if (atEnd) return Match(e + 1, n);
        return name_[n] == '.' && Match(e + 1, n + 1);
      default: return !atEnd && UpperChar(name_[n]) == UpperChar(p) && Match(e + 1, n + 1);
    }
  }

  std::u32string name_;
  std::u32string expr_;
  size_t lastDot_;
  std::vector<int8_t> memo_;
};

}  // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
  Matcher m(name, ToExpression(pattern));
  return m.Match(0, 0);
}

bool HasWildcards(std::string_view pattern) {
  return pattern.find_first_of("*?") != std::string_view::npos;
}

}  // namespace vurerode::platform
