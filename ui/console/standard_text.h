// The program's standard output, error and input as text, and the /LOG file. A Windows console
// gets and gives UTF-16 (utf16_text.h); redirected to a file or a pipe, and on other systems, the
// text stays bytes (UTF-8).
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "ui/console/text_io.h"

namespace vurerode::setup::console {

class StandardText {
 public:
  StandardText();
  ~StandardText();
  StandardText(const StandardText&) = delete;
  StandardText& operator=(const StandardText&) = delete;

  TextOutput& out() { return *out_; }
  TextOutput& err() { return *err_; }  // flushed after every write
  TextInput& in() { return *in_; }

 private:
  std::unique_ptr<TextOutput> out_, err_;
  std::unique_ptr<TextInput> in_;
};

// A file written anew (UTF-8 without a byte-order mark, on every system); the path is UTF-8.
// Raises std::runtime_error when it cannot be made.
class FileOut final : public TextOutput {
 public:
  // append: after what the file holds already (the elevated run continues the record of the run
  // that started it); otherwise the file is written anew.
  explicit FileOut(const std::string& path, bool append = false);
  void Write(std::string_view text) override;
  void Flush() override;

 private:
  struct Close {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Close> file_;
};

}  // namespace vurerode::setup::console
