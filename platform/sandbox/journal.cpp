#include "platform/sandbox/journal.h"

#include <fstream>

namespace vurerode::platform::sandbox {

void Journal::Record(const std::string& line) {
  std::ofstream out(file_, std::ios::binary | std::ios::app);
  out << line << "\n";
}

std::vector<std::string> Journal::Lines() const {
  std::vector<std::string> lines;
  std::ifstream in(file_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string JournalQuote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace vurerode::platform::sandbox
