#include "ui/console/buffered_text.h"

#include "ui/console/utf16_text.h"

namespace vurerode::setup::console {

namespace {
constexpr size_t kHeldBytes = 4096;
}

BufferedOut::BufferedOut(Sink sink, Rules rules) : sink_(std::move(sink)), rules_(rules) {}

BufferedOut::~BufferedOut() {
  Pass(true);
}

void BufferedOut::Write(std::string_view text) {
  held_ += text;
  if (rules_.everyWrite || held_.size() >= kHeldBytes) Pass(false);
}

void BufferedOut::Flush() {
  Pass(false);
}

void BufferedOut::Pass(bool all) {
  const size_t n = all || !rules_.wholeCharacters ? held_.size() : WholeCharacters(held_);
  if (n == 0) return;
  sink_(std::string_view(held_).substr(0, n));
  held_.erase(0, n);
}

bool LineReader::ReadLine(std::string& line) {
  size_t end;
  while ((end = text_.find('\n')) == std::string::npos)
    if (!More(text_)) {
      if (text_.empty()) return false;
      line = std::move(text_);
      text_.clear();
      return true;
    }
  line = text_.substr(0, end);
  text_.erase(0, end + 1);
  return true;
}

}  // namespace vurerode::setup::console
