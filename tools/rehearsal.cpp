#include "tools/rehearsal.h"

#include <algorithm>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "app/setup_program.h"
#include "install/cleanup_batch.h"
#include "media/uninstall_log_format.h"
#include "platform/exception.h"
#include "platform/ini_document.h"
#include "platform/sandbox/sandbox_platform.h"
#include "platform/sandbox/user_profile.h"
#include "platform/text.h"
#include "segment/single_file.h"
#include "tools/host_paths.h"
#include "ui/console/console_options.h"
#include "ui/console/console_view.h"
#include "ui/console/console_wizard.h"

namespace vurerode::cli {

namespace fs = std::filesystem;
using namespace vurerode::setup;

namespace {

std::string WindowsPathOf(const fs::path& relative) {  // drive_c/x/y -> C:\x\y
  std::string first = NativePath(*relative.begin());
  std::string p = std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(first.back())))) + ":";
  for (auto it = std::next(relative.begin()); it != relative.end(); ++it) p += "\\" + NativePath(*it);
  return p;
}

// One run of the setup program on the machine, unattended, as Windows would start it.
struct SilentRun {
  console::StringIn in;
  console::StringOut out, log;
  console::ConsoleView view{in, out, out, true, &log};
  TSetupOutcome outcome = TSetupOutcome::Running;
  std::string failure;
  TRecoveryReport recovery;

  // The command line as the setup program reads it: switches taken out, the rest joined.
  // program: the setup program as the machine names it, when it may carry its medium.
  void Run(platform::Platform& machine, const std::vector<std::string>& commandLine, std::string program = {}) {
    console::ConsoleOptions options = console::ParseConsoleOptions(commandLine);
    options.silent = true;
    TSessionOptions session;
    session.RequestedScope = options.scope;
    session.ProgramFile = std::move(program);
    std::unique_ptr<TDisplayScreen> screen = StartSetup(machine, view, options.args, std::move(session));
    recovery = screen->Recovery();
    view.Attach(screen.get());
    if (!screen->Globals.UninstallMode) screen->Timer1Timer();
    if (!screen->Closed) console::DriveSilent(*screen, view, options);
    screen->Destroy();
    outcome = screen->Outcome;
    failure = screen->FailureMessage;
  }
  // The record lines of one kind ("file: ...").
  std::vector<std::string> Records(const std::string& kind) const {
    std::vector<std::string> lines;
    std::istringstream text(log.str());
    for (std::string line; std::getline(text, line);)
      if (line.rfind(kind + ": ", 0) == 0) lines.push_back(line.substr(kind.size() + 2));
    return lines;
  }
};

// A value of the uninstall entry as Add/Remove Programs shows it: a text, or a number (the size in
// kilobytes).
std::string ValueText(platform::RegistryKey& key, const std::string& name) {
  try {
    return key.ReadString(name).value_or("");
  } catch (const std::exception&) {
  }
  try {
    const std::optional<uint32_t> number = key.ReadInteger(name);
    return number ? std::to_string(*number) + (name == "EstimatedSize" ? " KB" : "") : "";
  } catch (const std::exception&) {
    return "(binary data)";
  }
}

// Tells that the run found an interrupted installation and undid it.
bool ReportRecovery(const SilentRun& run, std::ostream& out) {
  if (!run.recovery.RolledBack) return false;
  out << "recovered: an interrupted installation"
      << (run.recovery.Title.empty() ? "" : " of \"" + run.recovery.Title + "\"") << " was undone first\n";
  for (const std::string& p : run.recovery.Problems) out << "  could not restore: " << p << "\n";
  return true;
}

// What differs from the machine before: paths and registry lines there now that were not, and
// ones gone. The ones keep says the design leaves go to leftByDesign, with the reason.
void Compare(const MachineState& before, const MachineState& after,
             const std::function<std::string(const std::string&)>& keep, RehearsalResult& result) {
  const std::set<std::string> was(before.paths.begin(), before.paths.end());
  for (const std::string& p : after.paths) {
    if (was.count(p)) continue;
    const std::string why = keep(p);
    if (!why.empty())
      result.leftByDesign.push_back(p + "  (" + why + ")");
    else
      result.leftOver.push_back(p);
  }
  for (const std::string& p : before.paths)
    if (!std::binary_search(after.paths.begin(), after.paths.end(), p)) result.leftOver.push_back("(gone) " + p);
  std::multiset<std::string> regBefore(before.registryLines.begin(), before.registryLines.end());
  for (const std::string& line : after.registryLines) {
    auto it = regBefore.find(line);
    if (it != regBefore.end())
      regBefore.erase(it);
    else if (!line.empty())
      result.leftOver.push_back("registry: " + line);
  }
  for (const std::string& line : regBefore)
    if (!line.empty()) result.leftOver.push_back("registry (gone): " + line);
}

// The registry's lines, each with the key it is in ("[HKEY_...\\Key] value line"); key lines as they are.
std::multiset<std::string> KeyedLines(const std::vector<std::string>& lines) {
  std::multiset<std::string> keyed;
  std::string key;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (line.front() == '[') key = line;
    keyed.insert(line.front() == '[' ? line : key + " " + line);
  }
  return keyed;
}

}  // namespace

std::vector<std::string> WrittenOutsideUser(const MachineState& before, const MachineState& after) {
  std::vector<std::string> outside;
  const std::string profile = platform::UpperCase(std::string(platform::sandbox::kUserProfile) + "\\");
  const std::set<std::string> was(before.paths.begin(), before.paths.end());
  for (const std::string& p : after.paths)
    if (!was.count(p) && platform::UpperCase(p).rfind(profile, 0) != 0) outside.push_back(p);
  std::multiset<std::string> regBefore = KeyedLines(before.registryLines);
  for (const std::string& line : KeyedLines(after.registryLines)) {
    auto it = regBefore.find(line);
    if (it != regBefore.end())
      regBefore.erase(it);
    else if (line.rfind("[HKEY_LOCAL_MACHINE", 0) == 0)
      outside.push_back("registry: " + line);
  }
  return outside;
}

MachineState ReadMachineState(const fs::path& root) {
  MachineState state;
  for (const auto& drive : fs::directory_iterator(root)) {
    if (!drive.is_directory() || NativePath(drive.path().filename()).rfind("drive_", 0) != 0) continue;
    for (const auto& e : fs::recursive_directory_iterator(drive.path()))
      state.paths.push_back(WindowsPathOf(fs::relative(e.path(), root)) + (e.is_directory() ? "\\" : ""));
  }
  std::ifstream reg(root / "registry.reg", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(reg)), std::istreambuf_iterator<char>());
  const std::string text = platform::DecodeProfileText(bytes).text;  // UTF-16LE after its mark
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    state.registryLines.push_back(line);
  }
  std::sort(state.paths.begin(), state.paths.end());
  return state;
}

RehearsalResult Rehearse(const fs::path& mediaDir, const fs::path& root, std::ostream& out,
                         const RehearsalOptions& rehearsal) {
  RehearsalResult result;
  fs::create_directories(root);
  platform::sandbox::SandboxOptions options;
  options.mounts.push_back({'A', fs::absolute(mediaDir), true});
  options.quotas = rehearsal.quotas;
  platform::sandbox::SandboxPlatform machine(fs::absolute(root), options);
  const MachineState before = ReadMachineState(root);

  out << "rehearse: installing " << NativePath(mediaDir) << " unattended on a fresh sandbox machine in "
      << NativePath(root) << "\n";
  machine.fs().ChangeDirectory("A:\\");
  const std::string program = rehearsal.singleFile.empty() ? std::string() : "A:\\" + rehearsal.singleFile;
  if (!program.empty() && !TSingleFile::Open(machine.fs(), program))
    throw Exception("'" + rehearsal.singleFile + "' carries no set");
  SilentRun install;
  install.Run(machine,
              rehearsal.currentUser ? std::vector<std::string>{kCurrentUserSwitch} : std::vector<std::string>{},
              program);
  result.recovered = ReportRecovery(install, out);
  if (install.outcome != TSetupOutcome::Installed && install.outcome != TSetupOutcome::InstalledRestartNeeded) {
    out << "the installation failed:\n" << (install.failure.empty() ? install.out.str() : install.failure) << "\n";
    // A failed installation undoes itself: anything it left is reported.
    Compare(
        before, ReadMachineState(root), [](const std::string&) { return std::string(); }, result);
    out << "\nleft behind by the failed installation:\n";
    for (const std::string& p : result.leftOver) out << "  " << p << "  (NOT UNDONE)\n";
    if (result.leftOver.empty()) out << "  nothing: the machine is as it was\n";
    return result;
  }
  result.installed = true;
  if (rehearsal.currentUser) {
    result.outsideUser = WrittenOutsideUser(before, ReadMachineState(root));
    out << "\nwritten outside the user's profile or under HKEY_LOCAL_MACHINE:\n";
    for (const std::string& p : result.outsideUser) out << "  " << p << "  (NOT THE USER'S OWN)\n";
    if (result.outsideUser.empty()) out << "  nothing\n";
  }
  result.restartNeeded = install.outcome == TSetupOutcome::InstalledRestartNeeded;
  if (result.restartNeeded) out << "\nWindows must restart to finish the installation (exit status 3010)\n";
  out << "\ninstalled:\n";
  for (const char* kind : {"file", "folder", "shortcut", "ini", "registry"})
    for (const std::string& item : install.Records(kind))
      out << "  " << kind << std::string(10 - std::string(kind).size(), ' ') << item << "\n";

  // The uninstall entry, as Add/Remove Programs reads it.
  std::string quiet;
  for (const auto root : {platform::RegistryRoot::LocalMachine, platform::RegistryRoot::CurrentUser}) {
    auto key = machine.registry().OpenKey(root, media::kUninstallKey, platform::RegistryAccess::Read);
    for (const std::string& name : key ? key->SubKeyNames() : std::vector<std::string>{}) {
      auto entry = machine.registry().OpenKey(root, media::kUninstallKey + name, platform::RegistryAccess::Read);
      if (!entry || !entry->ReadString("QuietUninstallString")) continue;
      out << "\nuninstall entry " << platform::RootName(root) << "\\" << media::kUninstallKey << name << ":\n";
      for (const std::string& v : entry->ValueNames()) {
        out << "  " << v << " = " << ValueText(*entry, v) << "\n";
      }
      quiet = entry->ReadString("QuietUninstallString").value_or("");
    }
  }
  if (quiet.empty()) {
    out << "\nno uninstall entry with a QuietUninstallString was written\n";
    return result;
  }

  out << "\nremoving through the uninstall entry: " << quiet << "\n";
  machine.fs().ChangeDirectory(machine.fs().WindowsDirectory());
  SilentRun removal;
  removal.Run(machine, media::ParseUninstallCommand(quiet).Arguments);
  result.recovered = ReportRecovery(removal, out) || result.recovered;
  result.removed = removal.outcome == TSetupOutcome::Removed;
  // The cleanup batch runs once the uninstaller has ended, as on Windows.
  machine.RunDeferredPrograms();
  if (!result.removed) out << "the removal did not run to its end:\n" << removal.out.str();

  const std::vector<std::string> kept = removal.Records("kept");
  const std::string batch = platform::UpperCase(
      (rehearsal.currentUser ? std::string(platform::sandbox::kUserProfile) + "\\AppData\\Local\\Temp\\"
                             : machine.fs().WindowsDirectory() + "\\Temp\\") +
      kCleanupBatchName);
  Compare(
      before, ReadMachineState(root),
      [&](const std::string& p) -> std::string {
        if (platform::UpperCase(p) == batch) return "the cleanup batch; it has run and stays, as on Windows";
        for (const std::string& k : kept)
          if (platform::SameText(k, p)) return "a system file the unattended removal does not delete";
        return {};
      },
      result);

  out << "\nleft behind:\n";
  for (const std::string& p : result.leftByDesign) out << "  " << p << "\n";
  for (const std::string& p : result.leftOver) out << "  " << p << "  (NOT REMOVED)\n";
  if (result.leftByDesign.empty() && result.leftOver.empty()) out << "  nothing\n";
  return result;
}

}  // namespace vurerode::cli
