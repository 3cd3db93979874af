#include "install/journal_records.h"

#include <array>

namespace vurerode::setup {
namespace {

// A record longer than this is taken for damage: the longest holds one path per file installed.
constexpr uint32_t kMaxBody = 64u << 20;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutText(std::vector<uint8_t>& out, std::string_view text) {
  Put32(out, static_cast<uint32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool U8(uint8_t& v) {
    if (size_ - pos_ < 1) return false;
    v = data_[pos_++];
    return true;
  }
  bool U32(uint32_t& v) {
    if (size_ - pos_ < 4) return false;
    v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{data_[pos_ + i]} << (8 * i);
    pos_ += 4;
    return true;
  }
  template <typename Bytes>
  bool Text(Bytes& out) {
    uint32_t n = 0;
    if (!U32(n) || size_ - pos_ < n) return false;
    out.assign(data_ + pos_, data_ + pos_ + n);
    pos_ += n;
    return true;
  }
  bool AtEnd() const { return pos_ == size_; }
  size_t Left() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

bool DecodeBody(const uint8_t* data, size_t size, TJournalRecord& r) {
  Reader in(data, size);
  uint8_t kind = 0, hasValue = 0;
  uint32_t count = 0;
  if (!in.U8(kind) || kind < uint8_t(TJournalKind::Title) || kind > uint8_t(TJournalKind::Commit)) return false;
  r.kind = TJournalKind(kind);
  if (!in.Text(r.path) || !in.Text(r.other) || !in.U32(r.number) || !in.U32(r.time) || !in.U8(hasValue) || hasValue > 1)
    return false;
  if (hasValue) {
    r.value.emplace();
    if (!in.U32(r.value->type) || !in.Text(r.value->data)) return false;
  }
  // Each entry takes five bytes at least: a count beyond what is left is damage, not a reason to
  // reserve room for it.
  if (!in.U32(count) || count > in.Left() / 5) return false;
  r.entries.resize(count);
  for (TJournalEntry& e : r.entries) {
    uint8_t what = 0;
    if (!in.U8(what) || what > 2 || !in.Text(e.path)) return false;
    e.folder = what == 1;
    if (what == 2 && (!in.Text(e.saved) || e.saved.empty())) return false;
  }
  return in.AtEnd();
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) c = kCrcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> EncodeJournalRecord(const TJournalRecord& r) {
  std::vector<uint8_t> body;
  body.push_back(static_cast<uint8_t>(r.kind));
  PutText(body, r.path);
  PutText(body, r.other);
  Put32(body, r.number);
  Put32(body, r.time);
  body.push_back(r.value ? 1 : 0);
  if (r.value) {
    Put32(body, r.value->type);
    PutText(body, std::string_view(reinterpret_cast<const char*>(r.value->data.data()), r.value->data.size()));
  }
  Put32(body, static_cast<uint32_t>(r.entries.size()));
  for (const TJournalEntry& e : r.entries) {
    body.push_back(e.folder ? 1 : e.saved.empty() ? 0 : 2);
    PutText(body, e.path);
    if (!e.folder && !e.saved.empty()) PutText(body, e.saved);
  }
  std::vector<uint8_t> framed;
  framed.reserve(body.size() + 8);
  Put32(framed, static_cast<uint32_t>(body.size()));
  Put32(framed, Crc32(body.data(), body.size()));
  framed.insert(framed.end(), body.begin(), body.end());
  return framed;
}

TJournalContents DecodeJournal(const std::vector<uint8_t>& bytes) {
  TJournalContents contents;
  if (bytes.size() < kJournalMagic.size() ||
      std::string_view(reinterpret_cast<const char*>(bytes.data()), kJournalMagic.size()) != kJournalMagic)
    return contents;
  contents.valid = true;
  size_t pos = kJournalMagic.size();
  while (pos < bytes.size()) {
    Reader frame(bytes.data() + pos, bytes.size() - pos);
    uint32_t length = 0, crc = 0;
    TJournalRecord record;
    if (!frame.U32(length) || !frame.U32(crc) || length == 0 || length > kMaxBody || frame.Left() < length ||
        Crc32(bytes.data() + pos + 8, length) != crc || !DecodeBody(bytes.data() + pos + 8, length, record)) {
      contents.torn = true;
      break;
    }
    contents.records.push_back(std::move(record));
    pos += 8 + length;
  }
  return contents;
}

}  // namespace vurerode::setup
