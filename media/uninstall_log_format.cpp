#include "media/uninstall_log_format.h"

#include "media/registry_keys.h"

namespace vurerode::media {

namespace {
constexpr const char* kValueJoin = "\\\\";
}

std::string FormatLoggedRegistryValue(const TLoggedRegistryValue& value) {
  return CollapseKeySeparators(value.Key) + kValueJoin + value.Name;
}

std::optional<TLoggedRegistryValue> ParseLoggedRegistryValue(const std::string& entry) {
  const size_t join = entry.find(kValueJoin);
  if (join == std::string::npos || join == 0) return std::nullopt;
  return TLoggedRegistryValue{entry.substr(0, join), entry.substr(join + 2)};
}

}  // namespace vurerode::media
