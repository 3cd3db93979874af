// The publisher's signing command (`--sign-command`, or Sign Command in the project's [Setup]): run
// on each Windows program the media ship, in place, before any digest of it is taken.
#pragma once

#include <filesystem>
#include <string>

namespace vurerode::cli {

// The placeholder the command names the file with.
inline constexpr const char* kSignedFilePlaceholder = "{}";

class CodeSigner {
 public:
  // An empty command signs nothing. Raises UsageError for one that does not name the file.
  explicit CodeSigner(std::string command);

  bool Active() const { return !command_.empty(); }
  const std::string& Command() const { return command_; }

  // Runs the command on file; what names the file in the message. Raises Exception with the
  // command's exit status and its own output when it fails or cannot be started, or leaves no file.
  void Sign(const std::filesystem::path& file, const std::string& what) const;

 private:
  std::string command_;
};

// The command line run for one file: every {} replaced by its path, quoted for the shell.
std::string SignCommandLine(const std::string& command, const std::string& path);

}  // namespace vurerode::cli
