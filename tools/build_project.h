// The project file `vurerode build` reads (vurerode.prj): settings for install.cfg, where files go,
// shortcuts, registry and INI entries, and programs to run after the installation. An INI-style
// text; docs/building-media.md describes it for people who package applications.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "media/finstall_cfg.h"
#include "media/install_cfg.h"

namespace vurerode::cli {

inline constexpr const char* kSignCommandKey = "Sign Command";

// Where a file goes: a base directory (one of media::kBaseDirectoryNames) and folders below it; or
// nowhere (not shipped).
struct Placement {
  bool shipped = true;
  std::string base = media::kBaseDirectoryNames[0];
  std::vector<std::string> folders;
};

struct FileRule {
  std::string pattern;  // backslash separated; ends with a backslash for a folder rule
  Placement placement;
  int line = 0;
};

struct Shortcut {
  std::string name;
  std::string program;  // with a path token, e.g. <InstallDir>\writer.exe
  std::string folder;   // empty: the Desktop Folder setting
  bool startMenu = true, desktop = false, quickLaunch = false;
  std::string icon;
};

struct Project {
  std::vector<std::pair<std::string, std::string>> setup;  // [Setup] keys, in file order
  std::vector<FileRule> files;
  std::optional<std::vector<Shortcut>> shortcuts;
  std::optional<std::vector<media::TConfiguredEntry>> registry;  // registry entries, then INI entries
  std::optional<std::vector<std::string>> runAfter;              // paths relative to the folder
  // [Setup]'s Sign Command: the builder's own setting, which install.cfg does not carry.
  std::optional<std::string> signCommand;

  // The placement of a file (relative path, backslash separated) by the first rule that matches;
  // below the installation directory, keeping its folders, when none does.
  Placement Place(const std::string& relativePath) const;
  // The placement of a folder to create: by the first folder rule (PATTERN ending with a
  // backslash) that matches it or a folder above it; keeping its path otherwise.
  Placement PlaceFolder(const std::string& relativePath) const;
};

// Reads a project file's text (UTF-8, see ProjectText). Raises Exception naming the file and line of the
// first mistake.
Project ParseProject(const std::string& text, const std::string& fileName);

}  // namespace vurerode::cli
