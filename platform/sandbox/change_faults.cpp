#include "platform/sandbox/change_faults.h"

#include <charconv>
#include <cstdlib>

#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace vurerode::platform::sandbox {

std::optional<ChangeFaults> ChangeFaults::Parse(std::string_view setting) {
  uint64_t n = 0;
  auto [end, ec] = std::from_chars(setting.data(), setting.data() + setting.size(), n);
  if (ec != std::errc() || n == 0) return std::nullopt;
  std::string_view rest(end, static_cast<size_t>(setting.data() + setting.size() - end));
  if (rest.empty()) return ChangeFaults(n, Kind::Refuse);
  if (rest == ":abort") return ChangeFaults(n, Kind::Abort);
  return std::nullopt;
}

bool ChangeFaults::Allow() {
  if (++count_ != target_) return true;
  // Nothing is flushed or unwound: the process stops as a killed one does.
  if (kind_ == Kind::Abort) _exit(kAbortStatus);
  return false;
}

}  // namespace vurerode::platform::sandbox
