// What `vurerode build` is asked to do: its command line read and checked, the folders made
// absolute, the building machine's path and the installer to ship settled.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "archive/format.h"
#include "tools/options.h"

namespace vurerode::cli {

struct BuildOptions {
  int32_t segmentSize = 0;
  TCompressionMethod method = coLZH5;
  int32_t key = 0;
  bool verbose = false;
  int jobs = 1;
  std::filesystem::path source;       // the application folder, absolute
  std::filesystem::path target;       // OUT_DIR, absolute; neither the source nor holding it
  std::string as;                     // the folder's path on the building machine (ANSI, with a drive)
  std::filesystem::path projectFile;  // empty when there is none
  std::filesystem::path setup;        // the installer to ship; empty when this build has none
};

// Raises UsageError for options or operands that make no sense.
BuildOptions ReadBuildOptions(const Options& options);

// Raises Exception unless the installer to ship is a Windows program that can be read.
void CheckSetupProgram(const std::filesystem::path& setup);

// A name the ANSI code page can hold, Windows accepts and finstall.cfg can carry; raises Exception
// naming the file at where otherwise.
std::string ShippableName(const std::string& utf8, const std::filesystem::path& where);

// True when the host path p lies below the folder dir (both absolute and normal).
bool IsBelow(const std::filesystem::path& p, const std::filesystem::path& dir);

// True for a full Windows path with a drive: C:\...
bool HasDrive(const std::string& path);

// A host file's bytes; raises Exception when it cannot be read.
std::string ReadHostFile(const std::filesystem::path& path);

// Project texts are UTF-8 as editors write them today; a text that is not is taken as ANSI already.
std::string ToAnsi(const std::string& text);

}  // namespace vurerode::cli
