// The terminal of Windows speaks UTF-16 (WriteConsoleW, ReadConsoleW) while the program's text is
// UTF-8: a writer and a reader that turn one into the other. A character is never split: bytes of
// one that has not fully arrived wait for the rest.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "ui/console/buffered_text.h"

namespace vurerode::setup::console {

// UTF-8 in, UTF-16 out to the sink, on every flush (and when 4 KB gather).
class Utf16Writer : public BufferedOut {
 public:
  using Sink = std::function<void(std::u16string_view)>;
  explicit Utf16Writer(Sink sink, bool everyWrite = false);
};

// UTF-16 from the source (which fills up to n units and returns how many; 0 at the end), UTF-8
// lines out.
class Utf16Reader : public LineReader {
 public:
  using Source = std::function<size_t(char16_t* units, size_t n)>;
  explicit Utf16Reader(Source source);

 protected:
  bool More(std::string& text) override;

 private:
  Source source_;
  std::u16string pending_;  // a high surrogate whose partner is still to come
};

// The length of the longest start of utf8 that ends with a whole character; invalid bytes count
// as whole (the conversion shows them as U+FFFD).
size_t WholeCharacters(std::string_view utf8);

}  // namespace vurerode::setup::console
