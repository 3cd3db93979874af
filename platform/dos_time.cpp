#include "platform/dos_time.h"

namespace vurerode {

uint32_t EpochToDosDateTime(int64_t seconds) {
  std::time_t t = static_cast<std::time_t>(seconds);
  std::tm tm{};
#if defined(_WIN32)
  if (localtime_s(&tm, &t) != 0) return PackDosDateTime({1980, 1, 1, 0, 0, 0});
#else
  if (localtime_r(&t, &tm) == nullptr) return PackDosDateTime({1980, 1, 1, 0, 0, 0});
#endif
  return PackDosDateTime({tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec});
}

}  // namespace vurerode
