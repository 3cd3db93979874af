// The archive's byte layout: a 21-byte archive header, then entries, each a 25-byte entry header,
// the name, and the coded data. Little-endian, packed.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/stream.h"

namespace vurerode {

enum TCompressionMethod : uint8_t { coNone = 0, coRLE = 1, coLZH = 2, coCustom = 3, coLZH5 = 4 };

// Identifiers the archive header names its method by; a method's ordinal is its index here.
inline constexpr std::array<const char*, 5> kMethodIdentifiers = {"NON", "RLE", "LZH", "CUS", "LH5"};

inline constexpr uint8_t caMulti = 1;
inline constexpr size_t kArchiveHeaderSize = 21;
inline constexpr size_t kEntryHeaderSize = 25;

// Bit 0 of the archive header's reserved field: the entry names are UTF-8. Without it they are text
// of the Windows-1252 code page, as in every archive written before names could hold any character.
// A writer sets it only for names that are not all ASCII, so archives of ASCII names keep their bytes.
inline constexpr int32_t kUtf8NamesFlag = 1;

struct TArchiveHeader {
  std::array<uint8_t, 5> magic{};
  std::array<char, 3> methodId{};
  int32_t TotalSize = 0;
  uint8_t ArchiveType = 0;
  int32_t reserved = 0;
  int32_t lockMarker = 0;

  bool Utf8Names() const { return (reserved & kUtf8NamesFlag) != 0; }

  std::array<uint8_t, kArchiveHeaderSize> Pack() const;
  static TArchiveHeader Unpack(const uint8_t* bytes);
};

struct TEntryHeader {
  int16_t NameLength = 0;
  int32_t FileDate = 0;
  uint16_t Attributes = 0;
  int32_t OriginalSize = 0;
  int32_t CompressedSize = 0;
  uint8_t Method = coNone;
  int32_t Checksum = 0;
  int32_t LockMarker = 0;  // 0 open; 1 locked, stored plainly; 2 locked and scrambled with the key

  std::array<uint8_t, kEntryHeaderSize> Pack() const;
  static TEntryHeader Unpack(const uint8_t* bytes);
};

// What listing reports of one entry.
struct TCompressedFileInfo {
  int32_t FileDate = 0;
  uint16_t Attributes = 0;
  int32_t OriginalSize = 0;
  int32_t CompressedSize = 0;
  TCompressionMethod Method = coNone;
  int32_t Checksum = 0;
  int32_t HeaderPosition = 0;
  bool Locked = false;
};

using TRecognizeEvent = std::function<void(const std::string& CompressID, bool& recognized)>;

// Fills a header record in memory (magic, identifier, total, type, lock marker 2 when key > 0, the
// names' flag when they are UTF-8).
TArchiveHeader MakeArchiveHeader(const std::string& methodId, uint8_t archiveType, int32_t totalSize, int32_t key,
                                 bool utf8Names = false);

// Reads the archive header at the stream's position. With fewer than 21 bytes left the stream is
// taken as an empty archive and nothing is read.
void ReadArchiveHeader(TStream& stream, TArchiveHeader& header, std::string& methodId,
                       const TRecognizeEvent& onRecognize);

// Reads an entry header and its name's bytes as stored; false when either is cut short (the end of
// the archive) or the name length is negative.
bool ReadEntryHeader(TStream& stream, TEntryHeader& header, std::string& name);

// A stored name as text (UTF-8): taken as it is from an archive whose names are UTF-8, where bytes
// that are not UTF-8 mean damage (EInvalidEntryName); from the Windows-1252 code page otherwise.
std::string EntryNameText(std::string_view stored, bool utf8Names);
// The bytes a name (UTF-8) is stored as. An archive of Windows-1252 names cannot take a character
// that code page lacks: Exception.
std::string StoredEntryName(std::string_view name, bool utf8Names);

// Maps an identifier to its method; unknown ones go to onRecognize and count as coCustom when it
// accepts them, otherwise EUnrecognizedCompressionMethod.
TCompressionMethod IdentifyMethod(const std::string& methodId, const TRecognizeEvent& onRecognize);

// The sum modulo 2^32 of the bytes, as entries' checksums are formed.
uint32_t ByteSum(const uint8_t* data, size_t n, uint32_t start = 0);

}  // namespace vurerode
