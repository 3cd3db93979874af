#include "platform/sandbox/command_line.h"

namespace vurerode::platform::sandbox {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view SkipBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  return s;
}

}  // namespace

std::vector<ProgramReading> ProgramReadings(std::string_view commandLine) {
  std::string_view line = SkipBlanks(commandLine);
  std::vector<ProgramReading> readings;
  if (line.empty()) return readings;
  if (line.front() == '"') {
    size_t close = line.find('"', 1);
    std::string_view program = close == std::string_view::npos ? line.substr(1) : line.substr(1, close - 1);
    std::string_view rest = close == std::string_view::npos ? std::string_view() : line.substr(close + 1);
    readings.push_back({std::string(program), std::string(SkipBlanks(rest))});
    return readings;
  }
  for (size_t pos = 0; pos <= line.size(); ++pos) {
    if (pos == line.size() || IsBlank(line[pos])) {
      if (pos > 0 && !IsBlank(line[pos - 1]))
        readings.push_back({std::string(line.substr(0, pos)), std::string(SkipBlanks(line.substr(pos)))});
    }
  }
  return readings;
}

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> args;
  size_t i = 0;
  while (true) {
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i >= text.size()) break;
    std::string arg;
    bool quoted = false;
    while (i < text.size() && (quoted || !IsBlank(text[i]))) {
      size_t backslashes = 0;
      while (i < text.size() && text[i] == '\\') {
        ++backslashes;
        ++i;
      }
      if (i < text.size() && text[i] == '"') {
        arg.append(backslashes / 2, '\\');
        if (backslashes % 2) {
          arg += '"';
        } else if (quoted && i + 1 < text.size() && text[i + 1] == '"') {
          arg += '"';  // "" inside quotes is a literal quote
          ++i;
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(backslashes, '\\');
        if (i < text.size() && (quoted || !IsBlank(text[i]))) arg += text[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace vurerode::platform::sandbox
