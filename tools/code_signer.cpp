#include "tools/code_signer.h"

#include <system_error>

#include "platform/exception.h"
#include "tools/cli.h"
#include "tools/host_paths.h"
#include "tools/shell_command.h"

namespace vurerode::cli {
namespace {

// A signing tool can be chatty (a certificate chain, a time-stamp server's answer): the message
// keeps the end, where the cause is.
constexpr size_t kShownOutput = 4000;

std::string Trimmed(std::string text) {
  text.erase(text.find_last_not_of(" \t\r\n") + 1);
  if (text.size() > kShownOutput) text = "..." + text.substr(text.size() - kShownOutput);
  return text;
}

}  // namespace

CodeSigner::CodeSigner(std::string command) : command_(std::move(command)) {
  if (!command_.empty() && command_.find(kSignedFilePlaceholder) == std::string::npos)
    throw UsageError{
        "the sign command must name the file to sign with {}, as in: osslsigncode sign ... -in {} -out "
        "{}.signed && mv {}.signed {}"};
}

std::string SignCommandLine(const std::string& command, const std::string& path) {
  const std::string quoted = ShellQuoted(path);
  std::string line;
  size_t start = 0;
  for (size_t at; (at = command.find(kSignedFilePlaceholder, start)) != std::string::npos; start = at + 2)
    line += command.substr(start, at - start) + quoted;
  return line + command.substr(start);
}

void CodeSigner::Sign(const std::filesystem::path& file, const std::string& what) const {
  if (!Active()) return;
  const std::string line = SignCommandLine(command_, NativePath(file));
  const ShellResult r = RunShellCommand(line);
  std::string failure;
  if (!r.started)
    failure = "the sign command could not be started: " + r.why;
  else if (r.signal != 0)
    failure = "the sign command was ended by signal " + std::to_string(r.signal);
  else if (r.status != 0)
    failure = "the sign command failed with exit status " + std::to_string(r.status);
  else if (std::error_code ec; !std::filesystem::is_regular_file(file, ec))
    failure = "the sign command left no file behind";
  if (failure.empty()) return;
  const std::string output = Trimmed(r.output);
  throw Exception("cannot sign " + what + ": " + failure + "\n  command: " + line +
                  (output.empty() ? "" : "\n" + output));
}

}  // namespace vurerode::cli
