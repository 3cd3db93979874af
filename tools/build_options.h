// What `vurerode build` is asked to do: its command line read and checked, the folders made
// absolute, the building machine's path and the installer to ship settled.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
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
  std::filesystem::path source;            // the application folder, absolute
  std::filesystem::path target;            // OUT_DIR, absolute; neither the source nor holding it
  std::string as;                          // the folder's path on the building machine (with a drive)
  std::filesystem::path projectFile;       // empty when there is none
  std::filesystem::path setup;             // the installer to ship; empty when this build has none
  std::optional<std::string> signCommand;  // --sign-command, which wins over the project's
  std::optional<int64_t> sourceDate;       // SOURCE_DATE_EPOCH: no file date stored is later
  bool singleFile = false;                 // --single-file: OUT_DIR receives setup.exe alone
  std::optional<std::string> wingetUrl;    // --winget URL: a single file, and its winget manifests
};

// Raises UsageError for options or operands that make no sense.
BuildOptions ReadBuildOptions(const Options& options);

// Raises Exception unless the installer to ship is a Windows program that can be read.
void CheckSetupProgram(const std::filesystem::path& setup);

// Why a file or folder name (as the host gives it, UTF-8 on every host) cannot be shipped: what
// Windows refuses in a name (the characters <>:"/\|?*, control characters, a device's name such as
// CON or COM1 with any extension, a trailing space or period), bytes that are not UTF-8, and a comma,
// which finstall.cfg cannot carry. Empty for a name that can.
std::string NameFault(const std::string& name);
// The name, when it can be shipped; raises Exception naming the file at where otherwise.
std::string ShippableName(const std::string& name, const std::filesystem::path& where);

// True when the host path p lies below the folder dir (both absolute and normal).
bool IsBelow(const std::filesystem::path& p, const std::filesystem::path& dir);

// True for a full Windows path with a drive: C:\...
bool HasDrive(const std::string& path);

// A host file's bytes; raises Exception when it cannot be read.
std::string ReadHostFile(const std::filesystem::path& path);

// A project file's text as UTF-8: one with a byte-order mark as it says (UTF-16LE or UTF-8), one
// without taken as UTF-8 as editors write it today, and as Windows-1252 when it is not UTF-8.
std::string ProjectText(const std::string& bytes);

}  // namespace vurerode::cli
