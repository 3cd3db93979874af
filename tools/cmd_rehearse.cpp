// The rehearse command: install media into a throw-away sandbox machine, remove them again through
// their uninstall entry, and tell whether the machine came back as it was.
#include <filesystem>
#include <optional>
#include <ostream>
#include <random>

#include "platform/text.h"
#include "tools/cli.h"
#include "tools/host_paths.h"
#include "tools/options.h"
#include "tools/rehearsal.h"
#include "tools/set_support.h"
#include "ui/console/console_options.h"

namespace vurerode::cli {

namespace fs = std::filesystem;

const char* const kRehearseHelp =
    "usage: vurerode rehearse [--keep ROOT] [--quota C=BYTES]... [--user] MEDIA_DIR|SETUP_EXE\n"
    "\n"
    "Installs the media in MEDIA_DIR (disk.001, ..., install.cfg, finstall.cfg, or a setup.exe that\n"
    "carries them: single-file media, which can also be named itself) unattended on a fresh\n"
    "sandbox machine, reports what was installed (files, shortcuts, INI and registry values, the\n"
    "uninstall entry), removes the installation through its uninstall entry as Add/Remove Programs\n"
    "would, and reports everything left behind, telling what the design keeps (the cleanup batch,\n"
    "system files an unattended removal does not delete) from what was not removed. An installation\n"
    "that fails must undo itself: what it left is reported. So is an interrupted installation that a\n"
    "setup found and undid.\n"
    "\n"
    "  --keep ROOT       make the machine in ROOT (which must not exist yet) and keep it afterwards\n"
    "  --quota C=BYTES   give the machine's drive C: that size, to rehearse a full disk (K, M, G\n"
    "                    suffixes; repeat the option for other drives)\n"
    "  --user            install for the current user only (/CURRENTUSER) and check that nothing was\n"
    "                    written outside the user's profile or under HKEY_LOCAL_MACHINE\n"
    "\n"
    "Exit status: 0 when the media installed and came off cleanly, 1 when the installation failed or\n"
    "something was left that the design does not keep, 2 on a usage error.\n";

int RunRehearse(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
  Options o(args, {"--keep", "--quota"}, {"--user"});
  if (o.Help()) {
    out << kRehearseHelp;
    return kExitOk;
  }
  if (o.Operands().size() != 1) throw UsageError{"expected one MEDIA_DIR"};
  fs::path media = HostPath(o.Operands()[0]);
  RehearsalOptions options;
  options.currentUser = o.Has("--user");
  if (fs::is_regular_file(media)) {
    options.singleFile = NativePath(media.filename());
    media = media.parent_path().empty() ? fs::path(".") : media.parent_path();
  } else if (!fs::is_regular_file(media / "disk.001") && !fs::is_regular_file(media / "DISK.001")) {
    options.singleFile = "setup.exe";
  }
  if (!options.singleFile.empty()) {
    // The installer copies setup.exe beside the set as the uninstaller: a single file goes by that name.
    const std::optional<SetOperand> set = FindSetOperand(NativePath(media / HostPath(options.singleFile)));
    if (!set || !set->single || !platform::SameText(options.singleFile, "setup.exe"))
      throw UsageError{"no disk.001, and no setup.exe that carries a set, in " + NativePath(media)};
  }
  for (const std::string& quota : o.Values("--quota")) {
    try {
      const auto [drive, bytes] = setup::console::ParseDriveQuota(quota);
      options.quotas[drive] = bytes;
    } catch (const std::invalid_argument& e) {
      throw UsageError{e.what()};
    }
  }
  fs::path root;
  if (auto keep = o.Value("--keep")) {
    root = HostPath(*keep);
    if (fs::exists(root)) throw UsageError{"--keep: " + NativePath(root) + " exists already"};
  } else {
    root = fs::temp_directory_path() / ("vurerode-rehearse-" + std::to_string(std::random_device{}()));
  }
  RehearsalResult r;
  try {
    r = Rehearse(media, root, out, options);
  } catch (...) {
    if (!o.Value("--keep")) fs::remove_all(root);
    throw;
  }
  if (!o.Value("--keep")) fs::remove_all(root);
  const bool clean = r.installed && r.removed && r.leftOver.empty() && r.outsideUser.empty();
  out << "\nrehearse: "
      << (clean                    ? "installed and removed; the machine is as it was, but for what the design keeps"
          : !r.installed           ? "the installation failed"
          : !r.outsideUser.empty() ? "the installation for the current user wrote outside the user's own"
                                   : "the removal left things behind")
      << "\n";
  return clean ? kExitOk : kExitFailure;
}

}  // namespace vurerode::cli
