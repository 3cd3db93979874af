// Reproducible media: SOURCE_DATE_EPOCH (decimal seconds since 1970-01-01 00:00 UTC) caps every
// file date the build stores. The archives' dates are MS-DOS calendar times with no zone; with the
// variable set they are all taken in UTC, so that the bytes do not depend on the building
// machine's time zone either.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "tools/case_blind_file_system.h"

namespace vurerode::cli {

inline constexpr const char* kSourceDateVariable = "SOURCE_DATE_EPOCH";

// The variable's value read; nullopt when it is not set or empty. Raises UsageError for any
// other text than a decimal number of seconds from 0 to the end of the year 9999.
std::optional<int64_t> ParseSourceDateEpoch(const char* value);

// Seconds since 1970 (UTC) as a packed MS-DOS date and time of the same calendar time in UTC,
// limited to the years the packing holds (1980 to 2107).
uint32_t UtcDosDateTime(int64_t seconds);

// The host's files, each opened for reading reporting as its last-write time the earlier of its
// own and the source date, in UTC.
class SourceDatedFileSystem : public CaseBlindFileSystem {
 public:
  explicit SourceDatedFileSystem(int64_t sourceDate) : sourceDate_(sourceDate) {}
  std::unique_ptr<platform::TFileStream> OpenFile(const std::string& path, platform::FileAccess access) override;

 private:
  int64_t sourceDate_;
};

}  // namespace vurerode::cli
