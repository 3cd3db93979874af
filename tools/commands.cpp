#include <iostream>

#include "platform/exception.h"
#include "tools/cli.h"
#include "tools/cmd_build.h"

namespace vurerode::cli {
namespace {

const char* const kVersion = "vurerode 0.1";

void PrintUsage(std::ostream& out) {
  out << "usage: vurerode COMMAND [OPTIONS] ARGS...\n\nCommands:\n";
  for (const Command& c : Commands()) {
    std::string name = c.name;
    name.resize(10, ' ');
    out << "  " << name << c.summary << '\n';
  }
  out << "\n'vurerode COMMAND --help' describes a command.\n";
}

}  // namespace

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"pack", "create an archive from files and folders", kPackHelp, RunPack},
      {"list", "list the entries of an archive", kListHelp, RunList},
      {"test", "decode every entry and verify its checksum", kTestHelp, RunTest},
      {"unpack", "expand an archive into a folder", kUnpackHelp, RunUnpack},
      {"build", "build distribution media (disk.001, ..., the .cfg files, setup.exe)", kBuildHelp, RunBuild},
      {"rehearse", "install media on a sandbox machine and remove them again", kRehearseHelp, RunRehearse},
  };
  return commands;
}

int Main(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    PrintUsage(err);
    return kExitUsage;
  }
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    PrintUsage(out);
    return kExitOk;
  }
  if (args[0] == "--version") {
    out << kVersion << '\n';
    return kExitOk;
  }
  for (const Command& c : Commands()) {
    if (args[0] != c.name) continue;
    std::vector<std::string> rest(args.begin() + 1, args.end());
    try {
      return c.run(rest, out, err);
    } catch (const UsageError& e) {
      err << "vurerode " << c.name << ": " << e.message << '\n';
      std::string help = c.help;
      err << help.substr(0, help.find('\n') + 1);
      return kExitUsage;
    } catch (const std::exception& e) {
      err << "vurerode: " << e.what() << '\n';
      return kExitFailure;
    }
  }
  err << "vurerode: unknown command '" << args[0] << "'\n";
  PrintUsage(err);
  return kExitUsage;
}

}  // namespace vurerode::cli
