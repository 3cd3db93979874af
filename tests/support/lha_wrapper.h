// LHA archive headers for tests against LHA tools: wrap bare -lh5- streams into .lzh files that
// lhasa, bsdtar and 7z extract, and take the members out of .lzh files other archivers wrote.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vurerode::test {

// CRC-16/ARC (polynomial 0x8005 reflected, initial value 0), the checksum LHA keeps per member.
uint16_t Crc16Arc(const uint8_t* data, size_t n, uint16_t crc = 0);
inline uint16_t Crc16Arc(const std::vector<uint8_t>& data) {
  return Crc16Arc(data.data(), data.size());
}

struct LhaMember {
  std::string name;    // as stored, directory parts joined with '/'
  std::string method;  // e.g. "-lh5-"
  uint32_t originalSize = 0;
  uint16_t crc = 0;           // CRC-16/ARC of the original bytes
  std::vector<uint8_t> data;  // the coded bytes
  int level = 0;              // header level 0, 1 or 2
};

// One member with a level 0 or level 1 header (level 1 adds an OS byte and an empty extension
// chain), for a member coded with `method` whose original bytes are `original`.
std::vector<uint8_t> LhaMemberBytes(const std::string& name, const std::vector<uint8_t>& original,
                                    const std::vector<uint8_t>& coded, int level = 1,
                                    const std::string& method = "-lh5-");
// A whole archive: members followed by the end marker (a zero header size).
std::vector<uint8_t> LhaArchive(const std::vector<std::vector<uint8_t>>& members);

// Reads the members of a .lzh file with headers of level 0, 1 or 2. Raises std::runtime_error
// on a header that is cut short or inconsistent.
std::vector<LhaMember> ParseLhaArchive(const std::vector<uint8_t>& bytes);

}  // namespace vurerode::test
