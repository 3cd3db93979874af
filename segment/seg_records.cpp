#include "segment/seg_records.h"

#include <cstring>

#include "archive/little_endian.h"

namespace vurerode {
using le::Get16;
using le::Get32;
using le::Put16;
using le::Put32;

std::array<uint8_t, kSegmentHeaderSize> TSegmentHeader::Pack() const {
  std::array<uint8_t, kSegmentHeaderSize> b{};
  std::memcpy(&b[0], Id.data(), 4);
  Put16(&b[4], Reserved);
  Put16(&b[6], Number);
  return b;
}

TSegmentHeader TSegmentHeader::Unpack(const uint8_t* b) {
  TSegmentHeader h;
  std::memcpy(h.Id.data(), b, 4);
  h.Reserved = Get16(&b[4]);
  h.Number = Get16(&b[6]);
  return h;
}

std::array<uint8_t, kSetHeaderSize> TSetHeader::Pack() const {
  std::array<uint8_t, kSetHeaderSize> b{};
  std::memcpy(&b[0], Id.data(), 4);
  Put16(&b[4], Reserved);
  Put16(&b[6], ArchiveCount);
  b[8] = Flag;
  std::memcpy(&b[9], Spare.data(), Spare.size());
  return b;
}

TSetHeader TSetHeader::Unpack(const uint8_t* b) {
  TSetHeader h;
  std::memcpy(h.Id.data(), b, 4);
  h.Reserved = Get16(&b[4]);
  h.ArchiveCount = Get16(&b[6]);
  h.Flag = b[8];
  std::memcpy(h.Spare.data(), &b[9], h.Spare.size());
  return h;
}

std::array<uint8_t, kScanRecordSize> TScanRecord::Pack() const {
  std::array<uint8_t, kScanRecordSize> b{};
  std::memcpy(&b[0], Id.data(), 4);
  Put16(&b[4], Reserved);
  Put16(&b[6], TemplateLength);
  b[8] = Attribute;
  Put32(&b[9], static_cast<uint32_t>(ListRecordLength));
  Put32(&b[13], static_cast<uint32_t>(ListDataSize));
  return b;
}

TScanRecord TScanRecord::Unpack(const uint8_t* b) {
  TScanRecord r;
  std::memcpy(r.Id.data(), b, 4);
  r.Reserved = Get16(&b[4]);
  r.TemplateLength = Get16(&b[6]);
  r.Attribute = b[8];
  r.ListRecordLength = static_cast<int32_t>(Get32(&b[9]));
  r.ListDataSize = static_cast<int32_t>(Get32(&b[13]));
  return r;
}

std::array<uint8_t, kArchiveRecordSize> TSegArcHeader::Pack() const {
  std::array<uint8_t, kArchiveRecordSize> b{};
  std::memcpy(&b[0], Id.data(), 4);
  Put16(&b[4], Reserved);
  Put16(&b[6], Sequence);
  Put32(&b[8], Info);
  Put32(&b[12], static_cast<uint32_t>(DataSize));
  return b;
}

TSegArcHeader TSegArcHeader::Unpack(const uint8_t* b) {
  TSegArcHeader h;
  std::memcpy(h.Id.data(), b, 4);
  h.Reserved = Get16(&b[4]);
  h.Sequence = Get16(&b[6]);
  h.Info = Get32(&b[8]);
  h.DataSize = static_cast<int32_t>(Get32(&b[12]));
  return h;
}

}  // namespace vurerode
