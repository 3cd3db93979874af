// A test device: makes the sandbox refuse, or the process die just before, the N-th change it makes
// to the machine, so that tests can stop an installation at any point and check what is left.
//
// SandboxPlatform reads it from the environment variable VURERODE_SANDBOX_FAULT:
//   "N"        the N-th change (counted from 1) is refused as the system refuses it: the call
//              returns false (-1, nullptr, an error code) or raises the exception it raises when
//              refused; later changes go through again.
//   "N:abort"  the process ends at once with _exit(86) just before the N-th change is made, as a
//              kill or a power cut would end it.
// Changes counted, across the whole machine: a file created (or replaced), deleted, renamed or
// relocated, or queued to replace another at the restart; a folder created or removed; attributes
// set; a registry key created (not one opened that was there) or deleted; a registry value written
// or deleted. Profile writes and shortcut saves count as the files they write. Writes into a file
// already open are not counted. Unset or unreadable, nothing is counted.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vurerode::platform::sandbox {

class ChangeFaults {
 public:
  enum class Kind { Refuse, Abort };
  // The setting as the environment variable gives it; nullopt when it names no change.
  static std::optional<ChangeFaults> Parse(std::string_view setting);
  ChangeFaults(uint64_t n, Kind kind) : target_(n), kind_(kind) {}

  // Called just before each change. False: refuse this one. Does not return for an abort.
  bool Allow();
  // Changes counted so far.
  uint64_t count() const { return count_; }

  // The exit status of a process ended by the device.
  static constexpr int kAbortStatus = 86;

 private:
  uint64_t target_;
  Kind kind_;
  uint64_t count_ = 0;
};

}  // namespace vurerode::platform::sandbox
