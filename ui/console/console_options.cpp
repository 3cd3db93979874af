#include "ui/console/console_options.h"

#include <cctype>
#include <limits>
#include <stdexcept>

#include "platform/text.h"

namespace vurerode::setup::console {

const char* const kConsoleHelp =
    "usage: setup [--sandbox ROOT [--media DIR] [--run-host-programs] [--quota C=BYTES]...] [/SILENT]\n"
    "             [/DIR=path] [/LOG=file] [/ALLUSERS | /CURRENTUSER] [ARGUMENTS...]\n"
    "\n"
    "Installs the application whose media (disk.001, ..., install.cfg, finstall.cfg) lie beside\n"
    "setup.exe; started from an installed application's folder, or with its title as ARGUMENTS, it\n"
    "removes that installation.\n"
    "\n"
    "  --sandbox ROOT       run on a Windows machine kept in the host folder ROOT (made when missing)\n"
    "  --media DIR          mount the host folder DIR as drive A: and start there, as A:\\setup.exe\n"
    "  --run-host-programs  let the sandbox really run follow-up programs that are host programs\n"
    "  --quota C=BYTES      give the sandbox drive C: that size, to rehearse a full disk (K, M, G\n"
    "                       suffixes; repeat the option for other drives)\n"
    "  /SILENT              ask nothing: the licence counts as accepted, every question gets its safe\n"
    "                       answer (printed), follow-up programs run, nothing is launched or restarted\n"
    "  /DIR=path            the installation directory\n"
    "  /LOG=file            write a plain-text record of every step and of every item written\n"
    "  /ALLUSERS            install for every user of the computer; this needs administrator rights,\n"
    "                       which setup started without them asks Windows for (status 2 if declined)\n"
    "  /CURRENTUSER         install for the current user only, into the user's own folders; media\n"
    "                       that install one way only refuse the other switch\n"
    "\n"
    "Exit status: 0 installed (or removed), 1 failed (what setup had changed is undone), 2 cancelled,\n"
    "declined or nothing to remove, 1618 another setup was running on the machine (nothing changed),\n"
    "3010 installed, but Windows must restart to finish. Ctrl+C during the installation cancels it.\n";

namespace {

bool SwitchIs(const std::string& arg, const char* name, std::string* value) {
  const std::string upper = platform::UpperCase(arg);
  const std::string n = name;
  if (n.back() == '=') {
    if (upper.compare(0, n.size(), n) != 0) return false;
    *value = arg.substr(n.size());
    return true;
  }
  return upper == n;
}

}  // namespace

std::pair<char, uint64_t> ParseDriveQuota(const std::string& text) {
  const auto bad = [&] { return std::invalid_argument("--quota: expected C=BYTES, not \"" + text + "\""); };
  if (text.size() < 3 || text[1] != '=' || !std::isalpha(static_cast<unsigned char>(text[0]))) throw bad();
  std::string digits = text.substr(2);
  uint64_t unit = 1;
  switch (std::toupper(static_cast<unsigned char>(digits.back()))) {
    case 'K': unit = uint64_t{1} << 10; break;
    case 'M': unit = uint64_t{1} << 20; break;
    case 'G': unit = uint64_t{1} << 30; break;
    default: break;
  }
  if (unit != 1) digits.pop_back();
  if (digits.empty()) throw bad();
  uint64_t bytes = 0;
  for (char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) throw bad();
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (bytes > (std::numeric_limits<uint64_t>::max() - digit) / 10) throw bad();
    bytes = bytes * 10 + digit;
  }
  if (bytes > std::numeric_limits<uint64_t>::max() / unit) throw bad();
  return {static_cast<char>(std::toupper(static_cast<unsigned char>(text[0]))), bytes * unit};
}

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
    else if (a == "--quota") {
      const auto [drive, bytes] = ParseDriveQuota(next("--quota"));
      o.quotas[drive] = bytes;
    } else if (a == "--run-host-programs")
      o.runHostPrograms = true;
    else if (a == "--help" || a == "/?")
      o.help = true;
    else if (SwitchIs(a, "/SILENT", &value))
      o.silent = true;
    else if (SwitchIs(a, "/DIR=", &value))
      o.dir = value;
    else if (SwitchIs(a, "/LOG=", &value))
      o.log = value;
    else if (SwitchIs(a, setup::kAllUsersSwitch, &value) || SwitchIs(a, setup::kCurrentUserSwitch, &value)) {
      const TInstallScope scope =
          SwitchIs(a, setup::kAllUsersSwitch, &value) ? TInstallScope::Machine : TInstallScope::User;
      if (o.scope && *o.scope != scope) throw std::invalid_argument("/ALLUSERS and /CURRENTUSER exclude each other");
      o.scope = scope;
    } else if (SwitchIs(a, setup::kElevatedSwitch, &value))
      o.elevated = true;
    else
      o.args.push_back(a);
  }
  o.commandLine = argv;
  if (o.media && !o.sandboxRoot) throw std::invalid_argument("--media needs --sandbox ROOT");
  if (!o.quotas.empty() && !o.sandboxRoot) throw std::invalid_argument("--quota needs --sandbox ROOT");
  if (o.dir && o.dir->empty()) throw std::invalid_argument("/DIR= needs a path");
  if (o.log && o.log->empty()) throw std::invalid_argument("/LOG= needs a file");
  return o;
}

}  // namespace vurerode::setup::console
