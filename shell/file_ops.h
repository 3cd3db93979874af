// File services of the installer: copying a file into a folder, attribute tests, making a folder
// with its parents, and telling which folders no removal may empty.
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace vurerode {

// True when every bit of mask is set in the path's attributes. A path whose attributes cannot be
// read has every bit set, so it passes any test.
bool HasAttributes(platform::FileSystem& fs, const std::string& path, uint32_t mask);

// Copies source into destination, a folder (or a full target name). Raises EFOpenError "Cannot open
// file %s" for the source, EFCreateError "Cannot create file %s" for the target; when the copy
// cannot be completed (a full disk) the partial target is deleted and EWriteError
// "Cannot copy %s to %s: ..." is raised. The copy gets the current time and default attributes.
// Returns the bytes copied.
int64_t CopyFileInto(platform::FileSystem& fs, const std::string& source, const std::string& destination);

// Makes dir with every missing parent; false when one could not be made. An empty dir raises
// Exception "Unable to create directory".
bool ForceDirectories(platform::FileSystem& fs, const std::string& dir);

// True for the places no removal may empty: a drive's root, and for trees also the Windows
// directory and its System, System32 and Fonts folders. dir is a folder path, with or without its
// trailing backslash, as the removal would use it.
bool IsDriveRootFolder(platform::FileSystem& fs, const std::string& dir);
bool IsProtectedFolder(platform::FileSystem& fs, const std::string& dir);

}  // namespace vurerode
