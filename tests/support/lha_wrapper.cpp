#include "support/lha_wrapper.h"

#include <stdexcept>

namespace vurerode::test {
namespace {

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x));
  v.push_back(static_cast<uint8_t>(x >> 8));
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& b) : b_(b) {}
  size_t pos = 0;
  void Need(size_t at, size_t n) const {
    if (at + n > b_.size() || at + n < at) throw std::runtime_error("LHA archive cut short");
  }
  uint8_t U8(size_t at) const {
    Need(at, 1);
    return b_[at];
  }
  uint16_t U16(size_t at) const { return static_cast<uint16_t>(U8(at) | U8(at + 1) << 8); }
  uint32_t U32(size_t at) const { return U16(at) | static_cast<uint32_t>(U16(at + 2)) << 16; }
  std::string Str(size_t at, size_t n) const {
    Need(at, n);
    return std::string(b_.begin() + static_cast<long>(at), b_.begin() + static_cast<long>(at + n));
  }
  std::vector<uint8_t> Bytes(size_t at, size_t n) const {
    Need(at, n);
    return std::vector<uint8_t>(b_.begin() + static_cast<long>(at), b_.begin() + static_cast<long>(at + n));
  }
  size_t size() const { return b_.size(); }

 private:
  const std::vector<uint8_t>& b_;
};

// Walks a chain of extended headers starting with the size at `at`; returns the bytes they take.
// Each header is its type byte, its data and the size of the next one.
size_t ReadExtensions(const Reader& r, size_t at, LhaMember& m) {
  size_t total = 0;
  size_t next = r.U16(at);
  at += 2;
  std::string dir;
  while (next != 0) {
    if (next < 3) throw std::runtime_error("LHA extended header too short");
    const uint8_t type = r.U8(at);
    const size_t dataLen = next - 3;
    if (type == 0x01) m.name = r.Str(at + 1, dataLen);
    if (type == 0x02) {
      dir = r.Str(at + 1, dataLen);
      for (char& c : dir)
        if (static_cast<uint8_t>(c) == 0xFF) c = '/';
      if (!dir.empty() && dir.back() != '/') dir += '/';
    }
    total += next;
    at += next;
    next = r.U16(at - 2);
  }
  m.name = dir + m.name;
  return total;
}

}  // namespace

uint16_t Crc16Arc(const uint8_t* data, size_t n, uint16_t crc) {
  for (size_t i = 0; i < n; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = static_cast<uint16_t>((crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1);
  }
  return crc;
}

std::vector<uint8_t> LhaMemberBytes(const std::string& name, const std::vector<uint8_t>& original,
                                    const std::vector<uint8_t>& coded, int level, const std::string& method) {
  if (level != 0 && level != 1) throw std::invalid_argument("only header levels 0 and 1 are written");
  if (name.size() > 200 || method.size() != 5) throw std::invalid_argument("bad LHA member name or method");
  // Header size and checksum are filled in below.
  std::vector<uint8_t> h = {0, 0};
  h.reserve(64 + name.size());
  h.insert(h.end(), method.begin(), method.end());
  // Level 1 counts the (empty) extension chain in the skip size; it has no extensions here.
  Put32(h, static_cast<uint32_t>(coded.size()));
  Put32(h, static_cast<uint32_t>(original.size()));
  Put32(h, 0x5A210000u);  // MS-DOS time 00:00:00, date 2025-01-01
  h.push_back(0x20);
  h.push_back(static_cast<uint8_t>(level));
  h.push_back(static_cast<uint8_t>(name.size()));
  h.insert(h.end(), name.begin(), name.end());
  Put16(h, Crc16Arc(original));
  if (level == 1) {
    h.push_back('U');
    Put16(h, 0);
  }
  h[0] = static_cast<uint8_t>(h.size() - 2);
  uint8_t sum = 0;
  for (size_t i = 2; i < h.size(); ++i) sum = static_cast<uint8_t>(sum + h[i]);
  h[1] = sum;
  h.insert(h.end(), coded.begin(), coded.end());
  return h;
}

std::vector<uint8_t> LhaArchive(const std::vector<std::vector<uint8_t>>& members) {
  std::vector<uint8_t> out;
  for (const auto& m : members) out.insert(out.end(), m.begin(), m.end());
  out.push_back(0);
  return out;
}

std::vector<LhaMember> ParseLhaArchive(const std::vector<uint8_t>& bytes) {
  Reader r(bytes);
  std::vector<LhaMember> members;
  size_t at = 0;
  while (at < r.size() && r.U8(at) != 0) {
    LhaMember m;
    m.level = r.U8(at + 20);
    m.method = r.Str(at + 2, 5);
    m.originalSize = r.U32(at + 11);
    size_t dataAt = 0;
    size_t dataLen = 0;
    if (m.level == 0 || m.level == 1) {
      const size_t headerSize = r.U8(at) + 2u;
      const size_t nameLen = r.U8(at + 21);
      m.name = r.Str(at + 22, nameLen);
      m.crc = r.U16(at + 22 + nameLen);
      size_t skip = r.U32(at + 7);
      dataAt = at + headerSize;
      if (m.level == 1) {
        if (headerSize < 27 + nameLen) throw std::runtime_error("LHA level 1 header too short");
        const size_t ext = ReadExtensions(r, at + headerSize - 2, m);
        if (ext > skip) throw std::runtime_error("LHA level 1 extensions larger than the member");
        dataAt += ext;
        skip -= ext;
      }
      dataLen = skip;
    } else if (m.level == 2) {
      const size_t headerSize = r.U16(at);
      m.crc = r.U16(at + 21);
      ReadExtensions(r, at + 24, m);
      dataAt = at + headerSize;
      dataLen = r.U32(at + 7);
    } else {
      throw std::runtime_error("unknown LHA header level " + std::to_string(m.level));
    }
    m.data = r.Bytes(dataAt, dataLen);
    at = dataAt + dataLen;
    members.push_back(std::move(m));
  }
  return members;
}

}  // namespace vurerode::test
