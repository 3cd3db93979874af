// The uninstaller's cleanup batch: setup.exe cannot delete itself while it runs, so a small batch
// file in the Windows temporary directory deletes it and the emptied installation directory after
// the program has ended.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"

namespace vurerode::setup {

inline constexpr const char* kCleanupBatchName = "zad2000.bat";

// The batch's lines for an installation directory given in its short form (C:\PROGRA~1\ACME\).
std::vector<std::string> CleanupBatchLines(const std::string& shortDir);
// The line that makes cmd read the rest of a batch as UTF-8.
inline constexpr const char* kCleanupBatchUtf8Line = "@chcp 65001 >nul";
// The batch's bytes: its lines with CR LF, as they are when they are ASCII; otherwise in UTF-8 after
// kCleanupBatchUtf8Line.
std::string CleanupBatchText(const std::string& shortDir);
// Writes the batch for the installation directory; raises EFCreateError "Cannot create file %s" when
// it cannot. tempDir (with its trailing backslash) is where it goes; empty: the Windows directory's
// Temp. The removal of an installation for the current user only gives the user's own Temp, where
// it needs no administrator and writes nothing every user shares.
void WriteCleanupBatch(platform::Platform& platform, const std::string& installDir, const std::string& tempDir = {});
// Starts the batch in tempDir (as above) hidden and returns at once.
void StartCleanupBatch(platform::Platform& platform, const std::string& tempDir = {});

}  // namespace vurerode::setup
