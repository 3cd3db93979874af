// Text that goes to the system in pieces: held until a flush (or until 4 KB gather) on the way
// out, since every write to a console or a pipe is a call of its own; gathered into lines on the
// way in from whatever chunks the source gives.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "ui/console/text_io.h"

namespace vurerode::setup::console {

class BufferedOut : public TextOutput {
 public:
  using Sink = std::function<void(std::string_view)>;
  struct Rules {
    bool wholeCharacters = false;  // a character cut short waits for its other bytes
    bool everyWrite = false;       // flushed after each write: error messages come at once
  };
  BufferedOut(Sink sink, Rules rules);
  // What is left goes, even a character cut short by the program itself.
  ~BufferedOut() override;
  BufferedOut(const BufferedOut&) = delete;
  BufferedOut& operator=(const BufferedOut&) = delete;

  void Write(std::string_view text) override;
  void Flush() override;

 private:
  void Pass(bool all);

  Sink sink_;
  Rules rules_;
  std::string held_;
};

// Lines from a source of UTF-8 chunks (More appends one, or returns false at the end).
class LineReader : public TextInput {
 public:
  bool ReadLine(std::string& line) override;

 protected:
  virtual bool More(std::string& text) = 0;

 private:
  std::string text_;
};

}  // namespace vurerode::setup::console
