// The tool runs on the host but the archive library speaks Windows paths. These helpers turn host
// paths into text and into the absolute backslash form the host file system maps back.
#pragma once

#include <filesystem>
#include <string>

namespace vurerode::cli {

// A host path as text: UTF-8, the form every name inside the tool takes, and the form the
// machine's file system is given paths in (on Windows it converts them to UTF-16 itself).
std::string NativePath(const std::filesystem::path& hostPath);

// The host path a text (an operand, a name, UTF-8) names. On Windows it goes through UTF-16, never
// the ANSI code page, which lacks most characters.
std::filesystem::path HostPath(const std::string& utf8);

// An absolute path in backslash form ("/tmp/out" -> "\tmp\out\" on POSIX; "C:\out\" on Windows),
// always ending with a backslash.
std::string WindowsDirectory(const std::string& hostDir);

// The entry name an operand path is stored under: relative, backslash separated, without "./",
// doubled separators or a trailing separator, leading separators and a drive letter dropped.
// Raises UsageError for a path with a ".." component (it could not be unpacked safely).
std::string EntryNameFor(const std::string& operandPath);

}  // namespace vurerode::cli
