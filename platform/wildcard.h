// File-name wildcards as FindFirstFile matches them. The pattern is first given the DOS meanings
// Windows gives it: "*.*" matches every name; "?" matches one character other than a period, or
// nothing at a period or at the end of the name; a "*" before a period stops at the name's last
// period; a period before "*", "?" or the end also matches the end of a name without extension
// (so "*." finds names without one, and "a.*" finds "a"). Letters compare without regard to case.
#pragma once

#include <string_view>

namespace vurerode::platform {

bool MatchesWildcard(std::string_view name, std::string_view pattern);
bool HasWildcards(std::string_view pattern);

}  // namespace vurerode::platform
