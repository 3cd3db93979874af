#include "ui/console/utf16_stream.h"

#include <algorithm>
#include <iostream>
#include <optional>

#include "platform/text.h"
#ifdef _WIN32
#include <windows.h>
#endif

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

Utf16Writer::Utf16Writer(Sink sink) : sink_(std::move(sink)) {
  setp(buffer_, buffer_ + sizeof buffer_);
}

Utf16Writer::~Utf16Writer() {
  // What is left is written even when it ends in the middle of a character.
  sync();
  if (pptr() != pbase()) sink_(platform::Utf8ToUtf16(std::string_view(pbase(), static_cast<size_t>(pptr() - pbase()))));
}

Utf16Writer::int_type Utf16Writer::overflow(int_type c) {
  sync();
  if (pptr() == epptr()) {  // one long invalid run: written as it is
    sink_(platform::Utf8ToUtf16(std::string_view(pbase(), static_cast<size_t>(pptr() - pbase()))));
    setp(buffer_, buffer_ + sizeof buffer_);
  }
  if (!traits_type::eq_int_type(c, traits_type::eof())) {
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
  }
  return traits_type::not_eof(c);
}

int Utf16Writer::sync() {
  const std::string_view held(pbase(), static_cast<size_t>(pptr() - pbase()));
  const size_t whole = WholeCharacters(held);
  if (whole == 0) return 0;
  sink_(platform::Utf8ToUtf16(held.substr(0, whole)));
  const std::string rest(held.substr(whole));
  setp(buffer_, buffer_ + sizeof buffer_);
  for (char c : rest) *pptr() = c, pbump(1);
  return 0;
}

Utf16Reader::Utf16Reader(Source source) : source_(std::move(source)) {}

Utf16Reader::int_type Utf16Reader::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  char16_t units[1024];
  text_.clear();
  while (text_.empty()) {
    const size_t n = source_(units, std::size(units));
    if (n == 0) {
      if (pending_.empty()) return traits_type::eof();
      text_ = platform::Utf16ToUtf8(pending_);  // a lone surrogate at the end
      pending_.clear();
      break;
    }
    pending_.append(units, n);
    const bool open = pending_.back() >= 0xD800 && pending_.back() < 0xDC00;
    const size_t whole = pending_.size() - (open ? 1 : 0);
    text_ = platform::Utf16ToUtf8(std::u16string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
  }
  setg(text_.data(), text_.data(), text_.data() + text_.size());
  return traits_type::to_int_type(*gptr());
}

#ifdef _WIN32

namespace {

bool IsConsole(HANDLE h) {
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode);
}

Utf16Writer::Sink ConsoleSink(HANDLE h) {
  return [h](std::u16string_view text) {
    while (!text.empty()) {
      // Large writes to a console can fail for want of the console's shared memory.
      const DWORD n = static_cast<DWORD>(std::min<size_t>(text.size(), 8192));
      DWORD written = 0;
      if (!WriteConsoleW(h, text.data(), n, &written, nullptr) || written == 0) return;
      text.remove_prefix(written);
    }
  };
}

}  // namespace

struct ConsoleStreams::Installed {
  // A stream and the buffer it had, put back when the console's goes.
  struct Swap {
    std::ios& stream;
    std::streambuf* before;
    std::unique_ptr<std::streambuf> buffer;
    ~Swap() { stream.rdbuf(before); }
  };
  std::optional<Swap> out, err, in;
};

ConsoleStreams::ConsoleStreams() : installed_(std::make_unique<Installed>()) {
  const auto swap = [](std::optional<Installed::Swap>& into, std::ios& stream, std::unique_ptr<std::streambuf> buffer) {
    std::streambuf* before = stream.rdbuf(buffer.get());
    into.emplace(stream, before, std::move(buffer));
  };
  if (HANDLE h = GetStdHandle(STD_OUTPUT_HANDLE); IsConsole(h)) {
    std::cout.flush();
    swap(installed_->out, std::cout, std::make_unique<Utf16Writer>(ConsoleSink(h)));
  }
  if (HANDLE h = GetStdHandle(STD_ERROR_HANDLE); IsConsole(h)) {
    std::cerr.flush();
    swap(installed_->err, std::cerr, std::make_unique<Utf16Writer>(ConsoleSink(h)));
    std::cerr.setf(std::ios::unitbuf);  // as before: every message at once
  }
  if (HANDLE h = GetStdHandle(STD_INPUT_HANDLE); IsConsole(h))
    swap(installed_->in, std::cin, std::make_unique<Utf16Reader>([h](char16_t* units, size_t n) -> size_t {
           DWORD read = 0;
           if (!ReadConsoleW(h, units, static_cast<DWORD>(n), &read, nullptr)) return 0;
           return read;
         }));
}

ConsoleStreams::~ConsoleStreams() {
  if (installed_->out) std::cout.flush();
  if (installed_->err) std::cerr.flush();
}

#else

struct ConsoleStreams::Installed {};

// A terminal elsewhere takes the UTF-8 as it is.
ConsoleStreams::ConsoleStreams() = default;
ConsoleStreams::~ConsoleStreams() = default;

#endif

}  // namespace vurerode::setup::console
