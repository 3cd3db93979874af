// The tool runs on the host but the archive library speaks Windows paths. These helpers turn host
// paths into the absolute backslash form the host file system maps back, and archive entry names
// into relative host paths.
#pragma once

#include <filesystem>
#include <string>

namespace vurerode::cli {

// A host path in the form the machine's file system takes: UTF-8 bytes on POSIX, the ANSI code
// page on Windows (whose file system goes through the ANSI functions).
std::string NativePath(const std::filesystem::path& hostPath);

// A name in the ANSI code page (as archives and sets store names) in that same form.
std::string NativeName(const std::string& ansiName);

// An absolute path in backslash form ("/tmp/out" -> "\tmp\out\" on POSIX; "C:\out\" on Windows),
// always ending with a backslash.
std::string WindowsDirectory(const std::string& hostDir);

// The entry name an operand path is stored under: relative, backslash separated, without "./",
// doubled separators or a trailing separator, leading separators and a drive letter dropped.
// Raises UsageError for a path with a ".." component (it could not be unpacked safely).
std::string EntryNameFor(const std::string& operandPath);

}  // namespace vurerode::cli
