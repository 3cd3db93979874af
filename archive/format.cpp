#include "archive/format.h"

#include <algorithm>
#include <cstring>

#include "archive/errors.h"
#include "archive/little_endian.h"
#include "platform/text.h"

namespace vurerode {
namespace {

using le::Get16;
using le::Get32;
using le::Put16;
using le::Put32;

constexpr uint8_t kMagic[5] = {'R', 'E', 'Z', 'U', 0x1A};

}  // namespace

std::array<uint8_t, kArchiveHeaderSize> TArchiveHeader::Pack() const {
  std::array<uint8_t, kArchiveHeaderSize> b{};
  std::memcpy(&b[0], magic.data(), 5);
  std::memcpy(&b[5], methodId.data(), 3);
  Put32(&b[8], static_cast<uint32_t>(TotalSize));
  b[12] = ArchiveType;
  Put32(&b[13], static_cast<uint32_t>(reserved));
  Put32(&b[17], static_cast<uint32_t>(lockMarker));
  return b;
}

TArchiveHeader TArchiveHeader::Unpack(const uint8_t* b) {
  TArchiveHeader h;
  std::memcpy(h.magic.data(), &b[0], 5);
  std::memcpy(h.methodId.data(), &b[5], 3);
  h.TotalSize = static_cast<int32_t>(Get32(&b[8]));
  h.ArchiveType = b[12];
  h.reserved = static_cast<int32_t>(Get32(&b[13]));
  h.lockMarker = static_cast<int32_t>(Get32(&b[17]));
  return h;
}

std::array<uint8_t, kEntryHeaderSize> TEntryHeader::Pack() const {
  std::array<uint8_t, kEntryHeaderSize> b{};
  Put16(&b[0], static_cast<uint16_t>(NameLength));
  Put32(&b[2], static_cast<uint32_t>(FileDate));
  Put16(&b[6], Attributes);
  Put32(&b[8], static_cast<uint32_t>(OriginalSize));
  Put32(&b[12], static_cast<uint32_t>(CompressedSize));
  b[16] = Method;
  Put32(&b[17], static_cast<uint32_t>(Checksum));
  Put32(&b[21], static_cast<uint32_t>(LockMarker));
  return b;
}

TEntryHeader TEntryHeader::Unpack(const uint8_t* b) {
  TEntryHeader h;
  h.NameLength = static_cast<int16_t>(Get16(&b[0]));
  h.FileDate = static_cast<int32_t>(Get32(&b[2]));
  h.Attributes = Get16(&b[6]);
  h.OriginalSize = static_cast<int32_t>(Get32(&b[8]));
  h.CompressedSize = static_cast<int32_t>(Get32(&b[12]));
  h.Method = b[16];
  h.Checksum = static_cast<int32_t>(Get32(&b[17]));
  h.LockMarker = static_cast<int32_t>(Get32(&b[21]));
  return h;
}

TArchiveHeader MakeArchiveHeader(const std::string& methodId, uint8_t archiveType, int32_t totalSize, int32_t key,
                                 bool utf8Names) {
  TArchiveHeader h;
  std::memcpy(h.magic.data(), kMagic, 5);
  for (size_t i = 0; i < 3; ++i) h.methodId[i] = i < methodId.size() ? methodId[i] : ' ';
  h.TotalSize = totalSize;
  h.ArchiveType = archiveType;
  h.reserved = utf8Names ? kUtf8NamesFlag : 0;
  h.lockMarker = key > 0 ? 2 : 0;
  return h;
}

void ReadArchiveHeader(TStream& stream, TArchiveHeader& header, std::string& methodId,
                       const TRecognizeEvent& onRecognize) {
  methodId.assign(3, '\0');
  if (stream.Remaining() < static_cast<int64_t>(kArchiveHeaderSize)) {
    header = MakeArchiveHeader(std::string(), caMulti, 0, 0);
    return;
  }
  uint8_t bytes[kArchiveHeaderSize] = {};
  stream.Read(bytes, sizeof bytes);
  header = TArchiveHeader::Unpack(bytes);
  if (std::memcmp(header.magic.data(), kMagic, 5) != 0) throw EInvalidHeader();
  if (header.ArchiveType != caMulti) throw EInvalidHeaderArchiveType();
  methodId.assign(header.methodId.data(), 3);
  IdentifyMethod(methodId, onRecognize);
}

bool ReadEntryHeader(TStream& stream, TEntryHeader& header, std::string& name) {
  uint8_t bytes[kEntryHeaderSize];
  if (stream.Read(bytes, sizeof bytes) != sizeof bytes) return false;
  header = TEntryHeader::Unpack(bytes);
  // A negative length cannot name anything: treat it as the end of the archive.
  if (header.NameLength < 0) return false;
  name.assign(static_cast<size_t>(header.NameLength), '\0');
  return stream.Read(name.data(), name.size()) == name.size();
}

std::string EntryNameText(std::string_view stored, bool utf8Names) {
  if (!utf8Names) return platform::Cp1252ToUtf8(stored);
  if (!platform::IsValidUtf8(stored)) throw EInvalidEntryName();
  return std::string(stored);
}

std::string StoredEntryName(std::string_view name, bool utf8Names) {
  if (utf8Names || platform::IsAscii(name)) return std::string(name);
  if (!platform::FitsCp1252(name))
    throw Exception("Entry name cannot be stored among the archive's Windows-1252 names: " + std::string(name));
  return platform::Utf8ToCp1252(name);
}

TCompressionMethod IdentifyMethod(const std::string& methodId, const TRecognizeEvent& onRecognize) {
  for (size_t i = 0; i < kMethodIdentifiers.size(); ++i)
    if (methodId == kMethodIdentifiers[i]) return static_cast<TCompressionMethod>(i);
  if (onRecognize) {
    bool recognized = false;
    onRecognize(methodId, recognized);
    if (recognized) return coCustom;
  }
  throw EUnrecognizedCompressionMethod(methodId);
}

uint32_t ByteSum(const uint8_t* data, size_t n, uint32_t start) {
  // Eight bytes at a time: the even and odd bytes add up in four 16-bit lanes, which cannot
  // overflow within 128 steps (128 * 2 * 255 < 65536).
  uint32_t sum = start;
  size_t i = 0;
  while (n - i >= 8) {
    uint64_t lanes = 0;
    size_t steps = std::min<size_t>((n - i) / 8, 128);
    for (size_t k = 0; k < steps; ++k, i += 8) {
      uint64_t v;
      std::memcpy(&v, data + i, 8);
      lanes += (v & 0x00FF00FF00FF00FFull) + ((v >> 8) & 0x00FF00FF00FF00FFull);
    }
    sum +=
        static_cast<uint32_t>((lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48));
  }
  for (; i < n; ++i) sum += data[i];
  return sum;
}

}  // namespace vurerode
