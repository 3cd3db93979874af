// The vurerode command-line tool: one function per command, a table that names them, and the
// conventions they share (exit status 0 on success, 1 on a data or I/O error, 2 on a usage error).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace vurerode::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// A usage error: bad options or arguments. Reported with the command's usage line, exit status 2.
struct UsageError {
  std::string message;
};

struct Command {
  const char* name;
  const char* summary;
  const char* help;  // full --help text, starting with the usage line
  int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

const std::vector<Command>& Commands();

// Runs the tool with argv[1..]; returns the exit status.
int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The commands.
int RunPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunList(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunTest(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunUnpack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int RunRehearse(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char* const kPackHelp;
extern const char* const kListHelp;
extern const char* const kTestHelp;
extern const char* const kRehearseHelp;
extern const char* const kUnpackHelp;

}  // namespace vurerode::cli
