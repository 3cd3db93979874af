// The terminal of Windows speaks UTF-16 (WriteConsoleW, ReadConsoleW) while the program's text is
// UTF-8: stream buffers that turn one into the other for std::cout, std::cerr and std::cin. A
// character is never split: bytes of one that has not fully arrived wait for the rest.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <streambuf>
#include <string>
#include <string_view>

namespace vurerode::setup::console {

// UTF-8 in, UTF-16 out to the sink, on every flush (and when the buffer fills).
class Utf16Writer : public std::streambuf {
 public:
  using Sink = std::function<void(std::u16string_view)>;
  explicit Utf16Writer(Sink sink);
  ~Utf16Writer() override;
  Utf16Writer(const Utf16Writer&) = delete;
  Utf16Writer& operator=(const Utf16Writer&) = delete;

 protected:
  int_type overflow(int_type c) override;
  int sync() override;

 private:
  Sink sink_;
  char buffer_[4096];
};

// UTF-16 from the source (which fills up to n units and returns how many; 0 at the end), UTF-8 in.
class Utf16Reader : public std::streambuf {
 public:
  using Source = std::function<size_t(char16_t* units, size_t n)>;
  explicit Utf16Reader(Source source);

 protected:
  int_type underflow() override;

 private:
  Source source_;
  std::u16string pending_;  // a high surrogate whose partner is still to come
  std::string text_;
};

// The length of the longest start of utf8 that ends with a whole character; invalid bytes count
// as whole (the conversion shows them as U+FFFD).
size_t WholeCharacters(std::string_view utf8);

// While one lives, std::cout, std::cerr and std::cin that are a Windows console go through the
// buffers above; redirected to a file or a pipe they stay bytes (UTF-8). Elsewhere it does nothing.
class ConsoleStreams {
 public:
  ConsoleStreams();
  ~ConsoleStreams();
  ConsoleStreams(const ConsoleStreams&) = delete;
  ConsoleStreams& operator=(const ConsoleStreams&) = delete;

 private:
  struct Installed;
  std::unique_ptr<Installed> installed_;
};

}  // namespace vurerode::setup::console
