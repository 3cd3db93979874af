#include "ui/console/sandbox_machine.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/sandbox/sandbox_platform.h"

namespace vurerode::setup::console {

namespace fs = std::filesystem;

namespace {

// A host path the options name, in UTF-8 like every text of the program.
fs::path HostPath(const std::string& utf8) {
  return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Of(const fs::path& p) {
  const std::u8string u = p.u8string();
  return std::string(u.begin(), u.end());
}

// Where setup runs without --sandbox.
fs::path DefaultSandboxRoot() {
  const char* data = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  fs::path base = data && *data ? fs::path(data) : fs::path(home ? home : ".") / ".local" / "share";
  return base / "vurerode" / "sandbox";
}

}  // namespace

std::unique_ptr<platform::Platform> SandboxMachine(const ConsoleOptions& o, TextOutput& out) {
  fs::path root = o.sandboxRoot ? HostPath(*o.sandboxRoot) : DefaultSandboxRoot();
  if (!o.sandboxRoot) out << "setup: running on the sandbox machine in " << Utf8Of(root) << "\n";
  fs::create_directories(root);
  platform::sandbox::SandboxOptions options;
  options.runHostPrograms = o.runHostPrograms;
  options.quotas = o.quotas;
  if (o.media) {
    if (!fs::is_directory(HostPath(*o.media))) throw std::invalid_argument("--media: no folder " + *o.media);
    options.mounts.push_back({'A', fs::absolute(HostPath(*o.media)), true});
  }
  auto machine = std::make_unique<platform::sandbox::SandboxPlatform>(fs::absolute(root), options);
  if (o.media) machine->fs().ChangeDirectory("A:\\");
  return machine;
}

}  // namespace vurerode::setup::console
