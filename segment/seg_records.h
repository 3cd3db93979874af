// The records of a segmented set. Every segment file starts with an 8-byte segment header; the
// payloads joined in order form the segment stream, which holds a set header, one scan record per
// archive (each followed by its template and list data) and one archive record per archive (each
// followed by the archive's data). Little-endian, packed.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vurerode {

inline constexpr size_t kSegmentHeaderSize = 8;
inline constexpr size_t kSetHeaderSize = 21;
inline constexpr size_t kScanRecordSize = 17;
inline constexpr size_t kArchiveRecordSize = 16;

// The one work buffer of an expansion; a template or a list record must fit in it with a zero after.
inline constexpr size_t kSegBufferSize = 8192;
inline constexpr int32_t kMaxTemplateLength = 8191;
inline constexpr int32_t kMaxListRecordLength = 8191;

// The smallest segment a set is cut into (and the floor of SegSize).
inline constexpr int32_t kMinSegSize = 16384;
inline constexpr int32_t kDefaultSegSize = 1440000;

using TSegId = std::array<char, 4>;
inline constexpr TSegId kSegmentId = {'S', 'S', 'e', 'g'};
inline constexpr TSegId kSetHeaderId = {'S', 'H', 'd', 'r'};
inline constexpr TSegId kScanId = {'S', 'c', 'a', 'n'};
inline constexpr TSegId kArchiveId = {'S', 'A', 'r', 'c'};

// Bytes 4-5 of every record and the set header's bytes 8-20 mean nothing to a reader; a writer
// leaves them zero, but for bit 0 of byte 9 (kUtf8NamesFlag).
struct TSegmentHeader {
  TSegId Id{};
  uint16_t Reserved = 0;
  uint16_t Number = 0;

  std::array<uint8_t, kSegmentHeaderSize> Pack() const;
  static TSegmentHeader Unpack(const uint8_t* bytes);
};

// Bit 0 of the set header's byte 9 (its first spare byte): the templates and the names in the list
// files are UTF-8. Without it they are text of the Windows-1252 code page, as in every set written
// before names could hold any character. Set only when some such name is not ASCII. The archives
// inside carry their own flag for their own names.
inline constexpr uint8_t kSetUtf8NamesFlag = 1;

struct TSetHeader {
  TSegId Id{};
  uint16_t Reserved = 0;
  uint16_t ArchiveCount = 0;
  uint8_t Flag = 0;
  std::array<uint8_t, 12> Spare{};

  bool Utf8Names() const { return (Spare[0] & kSetUtf8NamesFlag) != 0; }

  std::array<uint8_t, kSetHeaderSize> Pack() const;
  static TSetHeader Unpack(const uint8_t* bytes);
};

struct TScanRecord {
  TSegId Id{};
  uint16_t Reserved = 0;
  uint16_t TemplateLength = 0;
  uint8_t Attribute = 0;
  int32_t ListRecordLength = 0;
  int32_t ListDataSize = 0;

  std::array<uint8_t, kScanRecordSize> Pack() const;
  static TScanRecord Unpack(const uint8_t* bytes);
};

// The archive record, handed whole to OnSegAfterArchive.
struct TSegArcHeader {
  TSegId Id{};
  uint16_t Reserved = 0;
  uint16_t Sequence = 0;
  uint32_t Info = 0;
  int32_t DataSize = 0;

  std::array<uint8_t, kArchiveRecordSize> Pack() const;
  static TSegArcHeader Unpack(const uint8_t* bytes);
};

}  // namespace vurerode
