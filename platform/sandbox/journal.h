// ROOT/journal.log: one line for every program start, shell request and restart the installer
// asked of the machine, with what was asked, the show state and what came of it. Each line is
// appended at once, so a program the sandbox runs sees the lines written before it started. A record
// is always one line: control characters in it are written as %XX.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vurerode::platform::sandbox {

class Journal {
 public:
  explicit Journal(std::filesystem::path file) : file_(std::move(file)) {}
  void Record(const std::string& line);
  std::vector<std::string> Lines() const;
  const std::filesystem::path& file() const { return file_; }

 private:
  std::filesystem::path file_;
};

// A text in double quotes, inner quotes doubled: C:\a b\x.exe becomes "C:\a b\x.exe". Control
// characters and "%" inside are written as %XX, so the text reads back unambiguously.
std::string JournalQuote(std::string_view text);

}  // namespace vurerode::platform::sandbox
