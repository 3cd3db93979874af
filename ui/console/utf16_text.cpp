#include "ui/console/utf16_text.h"

#include <iterator>

#include "platform/text.h"

namespace vurerode::setup::console {

size_t WholeCharacters(std::string_view utf8) {
  // Only the last lead byte can begin a character that is not complete yet.
  for (size_t back = 1; back <= 4 && back <= utf8.size(); ++back) {
    const auto c = static_cast<unsigned char>(utf8[utf8.size() - back]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    return length > back && c < 0xF8 ? utf8.size() - back : utf8.size();
  }
  return utf8.size();
}

Utf16Writer::Utf16Writer(Sink sink, bool everyWrite)
    : BufferedOut([sink = std::move(sink)](std::string_view utf8) { sink(platform::Utf8ToUtf16(utf8)); },
                  {.wholeCharacters = true, .everyWrite = everyWrite}) {}

Utf16Reader::Utf16Reader(Source source) : source_(std::move(source)) {}

bool Utf16Reader::More(std::string& text) {
  char16_t units[1024];
  const size_t n = source_(units, std::size(units));
  if (n == 0) {
    if (pending_.empty()) return false;
    text += platform::Utf16ToUtf8(pending_);  // a lone surrogate at the end
    pending_.clear();
    return true;
  }
  pending_.append(units, n);
  const bool open = pending_.back() >= 0xD800 && pending_.back() < 0xDC00;
  const size_t whole = pending_.size() - (open ? 1 : 0);
  text += platform::Utf16ToUtf8(std::u16string_view(pending_).substr(0, whole));
  pending_.erase(0, whole);
  return true;
}

}  // namespace vurerode::setup::console
