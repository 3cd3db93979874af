// The plan of a `vurerode build`: everything the media will hold, worked out before a file is
// written: the files to ship and where each goes, the archives they are packed into, the
// finstall.cfg entries and the install.cfg text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "media/finstall_cfg.h"
#include "segment/seg_compress.h"
#include "tools/build_config.h"
#include "tools/build_options.h"
#include "tools/build_project.h"

namespace vurerode::cli {

struct SourceFile {
  std::string rel;             // backslash separated, relative to the folder
  std::filesystem::path host;  // where the bytes are
  int64_t size = 0;
  Placement placement;
};

struct BuildPlan {
  BuildOptions options;
  Project project;
  std::vector<SourceFile> files;          // in the order of their relative paths
  std::vector<std::string> emptyFolders;  // relative paths of shipped folders with nothing in them
  int64_t totalBytes = 0;                 // of all files
  std::vector<TSegBuildArchive> archives;
  std::vector<media::TInstallFileEntry> entries;  // finstall.cfg: the files, then the empty folders
  IniText installConfig;
  std::string installConfigOrigin;    // "written", or "from" and the folder's own install.cfg
  std::vector<std::string> warnings;  // what the build left out or changed on its own, one line each
  std::string signCommand;            // the option's, else the project's; empty: nothing is signed
};

// Reads the project file and the folder. Raises Exception for a mistake in the project, an
// installer that is not a Windows program, or a file the media cannot carry; UsageError for a title
// that cannot name an uninstall entry.
BuildPlan PlanBuild(const BuildOptions& options);

}  // namespace vurerode::cli
