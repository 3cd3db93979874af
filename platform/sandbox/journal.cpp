#include "platform/sandbox/journal.h"

#include <cstdio>
#include <fstream>

namespace vurerode::platform::sandbox {
namespace {

bool IsControl(char c) {
  auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7F;
}

void AppendEscaped(std::string& out, char c) {
  char hex[4];
  std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
  out += hex;
}

}  // namespace

void Journal::Record(const std::string& line) {
  // Texts from a medium reach the journal; none of them may start a line of its own.
  std::string safe;
  for (char c : line) {
    if (IsControl(c))
      AppendEscaped(safe, c);
    else
      safe += c;
  }
  std::ofstream out(file_, std::ios::binary | std::ios::app);
  out << safe << "\n";
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
    if (IsControl(c) || c == '%') {
      AppendEscaped(out, c);
      continue;
    }
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

}  // namespace vurerode::platform::sandbox
