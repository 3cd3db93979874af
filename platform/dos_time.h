// Packed MS-DOS date and time (local time), as archives store a file's last-write time.
#pragma once

#include <cstdint>
#include <ctime>

namespace vurerode {

struct DosDateTime {
  int year, month, day, hour, minute, second;
};

inline DosDateTime UnpackDosDateTime(uint32_t packed) {
  return DosDateTime{static_cast<int>((packed >> 25) & 0x7F) + 1980, static_cast<int>((packed >> 21) & 0x0F),
                     static_cast<int>((packed >> 16) & 0x1F),        static_cast<int>((packed >> 11) & 0x1F),
                     static_cast<int>((packed >> 5) & 0x3F),         static_cast<int>(packed & 0x1F) * 2};
}

inline uint32_t PackDosDateTime(const DosDateTime& t) {
  int year = t.year < 1980 ? 1980 : (t.year > 2107 ? 2107 : t.year);
  return (static_cast<uint32_t>(year - 1980) << 25) | (static_cast<uint32_t>(t.month & 0x0F) << 21) |
         (static_cast<uint32_t>(t.day & 0x1F) << 16) | (static_cast<uint32_t>(t.hour & 0x1F) << 11) |
         (static_cast<uint32_t>(t.minute & 0x3F) << 5) | static_cast<uint32_t>((t.second / 2) & 0x1F);
}

// Local calendar time to seconds since the epoch; -1 when the fields name no valid time.
inline int64_t DosDateTimeToEpoch(uint32_t packed) {
  DosDateTime d = UnpackDosDateTime(packed);
  if (d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour > 23 || d.minute > 59 || d.second > 59)
    return -1;
  std::tm tm{};
  tm.tm_year = d.year - 1900;
  tm.tm_mon = d.month - 1;
  tm.tm_mday = d.day;
  tm.tm_hour = d.hour;
  tm.tm_min = d.minute;
  tm.tm_sec = d.second;
  tm.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&tm));
}

uint32_t EpochToDosDateTime(int64_t seconds);

}  // namespace vurerode
