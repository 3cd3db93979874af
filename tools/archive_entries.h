// Text forms of an entry's fields for listings.
#pragma once

#include <cstdint>
#include <string>

#include "archive/format.h"

namespace vurerode::cli {

std::string MethodName(uint8_t method, const std::string& archiveMethodId = "");
// "YYYY-MM-DD HH:MM:SS" from a packed MS-DOS date and time.
std::string DosDateText(uint32_t packed);
// Read-only, hidden, system, archive as "RHSA" letters or '-'.
std::string AttributeText(uint16_t attributes);
// Compressed size as a percentage of the original, "  45.9%"; blank for empty files.
std::string RatioText(int64_t original, int64_t packed);

}  // namespace vurerode::cli
