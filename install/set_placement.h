// Reading the set again at installation for the files the bootstrap left in it (a whole medium
// whose SHA-256 sums matched): each file goes straight to the one place that takes it, or into
// ExpandDir when the copying reads it from there, so that most files are written once.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "install/engine_progress.h"
#include "install/setup_state.h"
#include "platform/platform.h"

namespace vurerode::setup {

struct TPlacementPlan {
  // FileKey of a path below ExpandDir -> the file it is expanded to.
  std::unordered_map<std::string, std::string> Direct;
  // FileKeys of the files expanded into ExpandDir, as the bootstrap would have.
  std::unordered_set<std::string> Expand;
};

struct TPlacementResult {
  // Every planned file written whole, by the path it was written to, with its size.
  std::unordered_map<std::string, int64_t> Written;
  // Empty when the set was read to its end, otherwise what stopped it; the file being written
  // then is deleted, so that nothing half written is taken for installed.
  std::string Stopped;
};

// Reads the set and places the planned files, each left as a copy would be (dated now, Archive
// alone).
TPlacementResult PlaceSetFiles(platform::Platform& platform, const TSetupGlobals& globals, const TPlacementPlan& plan,
                               TInstallProgress& progress);

}  // namespace vurerode::setup
