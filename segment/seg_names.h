// Names and paths of a segmented set: segment file names derived from their number, and the parts
// of a template's path. Windows paths.
#pragma once

#include <cstdint>
#include <string>

namespace vurerode {

// "disk", "", 2 -> "disk.002"; the number is padded to at least three digits, never cut (1000 ->
// "disk.1000"). A non-empty extension names every segment alike ("disk", "dat" -> "disk.dat").
std::string SegmentFileName(const std::string& baseName, const std::string& extension, uint32_t number);

// The folder with one trailing backslash removed, a backslash, then the file name.
std::string SegmentFilePath(const std::string& directory, const std::string& fileName);

// Everything up to and including the last backslash or colon; empty when there is neither.
std::string PathDirectoryPart(const std::string& path);
// Everything after the last backslash, slash or colon.
std::string PathFileNamePart(const std::string& path);

}  // namespace vurerode
