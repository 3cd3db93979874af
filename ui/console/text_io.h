// The console front end's text, out and in: the few operations it needs, without the standard
// streams, whose locale machinery would be a fifth of the shipped setup.exe. Text is UTF-8.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <type_traits>

namespace vurerode::setup::console {

// Where text goes: a terminal, a pipe, a file or, in tests, a string.
class TextOutput {
 public:
  virtual ~TextOutput() = default;
  virtual void Write(std::string_view text) = 0;
  // Hands on what is held: a prompt must be seen before its answer is read.
  virtual void Flush() {}

  TextOutput& operator<<(std::string_view text) {
    Write(text);
    return *this;
  }
  TextOutput& operator<<(char c) {
    Write(std::string_view(&c, 1));
    return *this;
  }
  // A number would be taken for a character: std::to_string says which is meant.
  template <typename T>
  requires std::is_arithmetic_v<T> TextOutput& operator<<(T) = delete;
};

// Where answers come from, a line at a time.
class TextInput {
 public:
  virtual ~TextInput() = default;
  // The next line without its '\n' (a last line need not end with one); false at the end of input.
  virtual bool ReadLine(std::string& line) = 0;
};

// Text kept in memory: what tests and the rehearsal read back.
class StringOut final : public TextOutput {
 public:
  void Write(std::string_view text) override { text_ += text; }
  const std::string& str() const { return text_; }
  void clear() { text_.clear(); }

 private:
  std::string text_;
};

// Answers typed in advance.
class StringIn final : public TextInput {
 public:
  explicit StringIn(std::string text = {}) : text_(std::move(text)) {}
  bool ReadLine(std::string& line) override {
    if (at_ >= text_.size()) return false;
    const size_t end = std::min(text_.find('\n', at_), text_.size());
    line = text_.substr(at_, end - at_);
    at_ = end + 1;
    return true;
  }

 private:
  std::string text_;
  size_t at_ = 0;
};

}  // namespace vurerode::setup::console
