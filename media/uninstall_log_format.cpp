#include "media/uninstall_log_format.h"

#include "media/registry_keys.h"
#include "platform/text.h"
#include "platform/sandbox/command_line.h"

namespace vurerode::media {
namespace {

constexpr const char* kValueJoin = "\\\\";
constexpr const char* kSilentSwitch = " /SILENT";

std::string Quoted(const std::string& text) {
  return "\"" + text + "\"";
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

}  // namespace

std::string FormatLoggedRegistryValue(const TLoggedRegistryValue& value) {
  return CollapseKeySeparators(value.Key) + kValueJoin + value.Name;
}

std::optional<TLoggedRegistryValue> ParseLoggedRegistryValue(const std::string& entry) {
  const size_t join = entry.find(kValueJoin);
  if (join == std::string::npos || join == 0) return std::nullopt;
  return TLoggedRegistryValue{entry.substr(0, join), entry.substr(join + 2)};
}

std::string UninstallCommand(const std::string& program, const std::string& title) {
  return Quoted(program) + " " + Quoted(title);
}

std::string QuietUninstallCommand(const std::string& program, const std::string& title) {
  return UninstallCommand(program, title) + kSilentSwitch;
}

TUninstallCommand ParseUninstallCommand(const std::string& command) {
  const size_t start = command.find_first_not_of(" \t");
  if (start == std::string::npos) return {};
  TUninstallCommand parsed;
  std::string rest;
  if (command[start] == '"') {
    const size_t close = command.find('"', start + 1);
    parsed.Program = command.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
    if (close != std::string::npos) rest = command.substr(close + 1);
  } else {
    const std::string upper = platform::UpperCase(command);
    size_t end = std::string::npos;
    for (size_t at = upper.find(".EXE", start); at != std::string::npos; at = upper.find(".EXE", at + 1)) {
      if (at + 4 == upper.size() || IsBlank(upper[at + 4])) {
        end = at + 4;
        break;
      }
    }
    if (end == std::string::npos) end = command.find_first_of(" \t", start);
    parsed.Program = command.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (end != std::string::npos) rest = command.substr(end);
  }
  parsed.Arguments = platform::sandbox::SplitArguments(rest);
  return parsed;
}

}  // namespace vurerode::media
