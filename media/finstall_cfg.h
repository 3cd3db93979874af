// finstall.cfg, the list of files to install: a text beside setup.exe, one entry a line (CR LF).
// Its bytes are those of a profile file (platform/ini_document.h): UTF-16LE after FF FE when some
// name is not ASCII, the ANSI code page otherwise (Windows-1252 on media written before). An
// entry is a run of tokens, then the file's path on the building machine:
//
//   Installation Directory,bin,plugins,C:\Source\App\bin\plugins\one.dll
//   Program Files,Acme Cache,C:\Source\App\cache\   (a folder to create)
//   Fonts,C:\Source\App\fonts\Sans.TTF
//
// The tokens are read in order, tab-separated ones first, then comma-separated ones; what follows
// the last separator is the path. Each token that is a base directory's name (exactly, case and
// all) sets the destination to that directory, dropping the folders named before it; every other
// token is a folder below the destination so far, and may hold several folders itself, each ending
// with a backslash ("bin\Windows\"). The file goes into the destination under its own name, and is
// found in the expanded set by its path below the drive. A path ending with a backslash names a
// folder to create, empty. An entry with no base directory's name is refused.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace vurerode::media {

inline constexpr const char* kFileListFile = "finstall.cfg";

// The base directories, in the order the installer numbers them: the installation directory, the
// system drive's Program Files, the Windows folder, its System, System32 and Fonts folders, and the
// system drive's root.
inline constexpr std::array<const char*, 7> kBaseDirectoryNames = {
    "Installation Directory", "Program Files", "Windows", "System", "System32", "Fonts", "Root"};

// The index in kBaseDirectoryNames of a token that is a base directory's name; -1 for any other.
int BaseDirectoryIndex(const std::string& token);

struct TInstallFileEntry {
  std::vector<std::string> Tokens;  // the base directories and folders, in order; none holds a comma or tab
  std::string Path;                 // the path on the building machine; ends with a backslash for a folder

  bool NamesFolder() const { return !Path.empty() && Path.back() == '\\'; }
  bool operator==(const TInstallFileEntry&) const = default;
};

TInstallFileEntry ParseInstallFileEntry(const std::string& line);
// The tokens comma-separated, then the path.
std::string FormatInstallFileEntry(const TInstallFileEntry& entry);

// The entry that places a file in folders below a base directory. A folder called like a base
// directory ("Windows", "System") would, as a token of its own, send the file to that directory;
// when there is such a folder, all the folders go into one token, each followed by a backslash,
// which no base directory's name equals and which reads as the same folders.
TInstallFileEntry PlaceInstallFile(const std::string& base, const std::vector<std::string>& folders,
                                   const std::string& buildingPath);

}  // namespace vurerode::media
