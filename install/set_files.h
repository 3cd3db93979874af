// The files of the set as the installer sees them: each arrives named by a path of the machine the
// set was built on and is placed below ExpandDir, drive left out. Shared by the bootstrap
// expansion and by the installation, which reads again what the bootstrap left in the set.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "install/setup_state.h"
#include "platform/file_system.h"
#include "platform/prompter.h"
#include "segment/seg_arc.h"

namespace vurerode::setup {

// ExpandDir followed by the stored path without its drive (C:\Work\a.exe becomes
// ExpandDir\Work\a.exe). Raises an error naming a file that would land outside ExpandDir.
std::string ExpandedPath(const TSetupGlobals& g, const std::string& stored);

// One file's identity below ExpandDir whatever its spelling: the full path in upper case.
std::string FileKey(const std::string& path);

// Takes out of each archive's list the files keep() does not want (given each file's path below
// ExpandDir), and out of the set the archives left without a file, so that their data is skipped.
// Every file is checked as ExpandedPath checks it, wanted or not.
void SelectSetFiles(TSegArcList& list, const TSetupGlobals& g,
                    const std::function<bool(const std::string& expandedPath)>& keep);

// Before segment number is read: asks twice at most for a disk that is not there in sourceDir.
void AskForSegment(platform::FileSystem& fs, Prompter& prompter, const std::string& caption,
                   const std::string& sourceDir, const std::string& base, uint16_t number);

}  // namespace vurerode::setup
