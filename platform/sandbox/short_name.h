// 8.3 short names as Windows makes them for a long name: upper case, spaces and extra periods
// dropped, characters DOS does not allow turned into "_", the first six characters of the base with
// "~1" (or "~2" .. "~4" when the earlier ones are taken), then the first three of the extension.
// Beyond "~4" the base becomes two characters and four hex digits of a checksum of the long name.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace vurerode::platform::sandbox {

// True when the name is already a valid 8.3 name (then it has no alias; case does not matter).
bool FitsShortName(std::string_view name);

// How many checksum aliases ("~1" .. "~999") are tried before a name goes without one.
inline constexpr int kMaxHashedTails = 999;

// The alias for longName; inUse tells whether an (upper-case) short name is taken in the folder.
// Empty when every candidate is taken (the name then has no alias, as on a volume without them).
std::string MakeShortName(std::string_view longName, const std::function<bool(const std::string&)>& inUse);

}  // namespace vurerode::platform::sandbox
