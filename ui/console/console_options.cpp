#include "ui/console/console_options.h"

#include <stdexcept>

#include "platform/ansi.h"

namespace vurerode::setup::console {

const char* const kConsoleHelp =
    "usage: setup [--sandbox ROOT [--media DIR] [--run-host-programs]] [/SILENT] [/DIR=path] [/LOG=file]\n"
    "             [ARGUMENTS...]\n"
    "\n"
    "Installs the application whose media (disk.001, ..., install.cfg, finstall.cfg) lie beside\n"
    "setup.exe; started from an installed application's folder, or with its title as ARGUMENTS, it\n"
    "removes that installation.\n"
    "\n"
    "  --sandbox ROOT       run on a Windows machine kept in the host folder ROOT (made when missing)\n"
    "  --media DIR          mount the host folder DIR as drive A: and start there, as A:\\setup.exe\n"
    "  --run-host-programs  let the sandbox really run follow-up programs that are host programs\n"
    "  /SILENT              ask nothing: the licence counts as accepted, every question gets its safe\n"
    "                       answer (printed), follow-up programs run, nothing is launched or restarted\n"
    "  /DIR=path            the installation directory\n"
    "  /LOG=file            write a plain-text record of every step and of every item written\n"
    "\n"
    "Exit status: 0 installed (or removed), 1 failed, 2 cancelled, declined or nothing to remove.\n";

namespace {

bool SwitchIs(const std::string& arg, const char* name, std::string* value) {
  const std::string upper = platform::AnsiUpperCase(arg);
  const std::string n = name;
  if (n.back() == '=') {
    if (upper.compare(0, n.size(), n) != 0) return false;
    *value = arg.substr(n.size());
    return true;
  }
  return upper == n;
}

}  // namespace

ConsoleOptions ParseConsoleOptions(const std::vector<std::string>& argv) {
  ConsoleOptions o;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    std::string value;
    auto next = [&](const char* option) {
      if (i + 1 >= argv.size()) throw std::invalid_argument(std::string(option) + " needs a value");
      return argv[++i];
    };
    if (a == "--sandbox")
      o.sandboxRoot = next("--sandbox");
    else if (a == "--media")
      o.media = next("--media");
    else if (a == "--run-host-programs")
      o.runHostPrograms = true;
    else if (a == "--help" || a == "/?")
      o.help = true;
    else if (SwitchIs(a, "/SILENT", &value))
      o.silent = true;
    else if (SwitchIs(a, "/DIR=", &value))
      o.dir = value;
    else if (SwitchIs(a, "/LOG=", &value))
      o.log = value;
    else
      o.args.push_back(a);
  }
  if (o.media && !o.sandboxRoot) throw std::invalid_argument("--media needs --sandbox ROOT");
  if (o.dir && o.dir->empty()) throw std::invalid_argument("/DIR= needs a path");
  if (o.log && o.log->empty()) throw std::invalid_argument("/LOG= needs a file");
  return o;
}

}  // namespace vurerode::setup::console
