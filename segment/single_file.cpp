#include "segment/single_file.h"

#include <algorithm>
#include <cstring>

#include "archive/zstd_method.h"
#include "platform/text.h"
#include "segment/sha256.h"
#include "segment/single_file_bytes.h"

namespace vurerode {

size_t TReadOnlyMemoryFile::Read(void* buffer, size_t n) {
  return bytes_.Read(buffer, n);
}
void TReadOnlyMemoryFile::Write(const void*, size_t) {
  throw EWriteError("Cannot write to " + path_);
}
void TReadOnlyMemoryFile::Truncate() {
  throw EWriteError("Cannot write to " + path_);
}

using single_file_bytes::Align8;
using single_file_bytes::ReadAt;

namespace {

constexpr size_t kHeaderSize = 16;
constexpr size_t kDigestOffsetInTrailer = 32;  // the trailer's bytes before the digest are covered by it
constexpr uint64_t kReadPiece = 1 << 16;

uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint64_t Le64(const uint8_t* p) {
  return Le32(p) | static_cast<uint64_t>(Le32(p + 4)) << 32;
}
// Reads the directory's records one by one, refusing any that runs past its end.
class RecordReader {
 public:
  RecordReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
  const uint8_t* Take(size_t n) {
    if (bytes_.size() - pos_ < n) throw ESingleFileDamaged("the setup program's medium has a damaged directory");
    const uint8_t* p = bytes_.data() + pos_;
    pos_ += n;
    return p;
  }
  uint16_t U16() { return Le16(Take(2)); }
  uint32_t U32() { return Le32(Take(4)); }
  uint64_t U64() { return Le64(Take(8)); }
  std::vector<uint8_t> Bytes(uint64_t n) {
    if (n > bytes_.size()) Take(bytes_.size() + 1);
    const uint8_t* p = Take(static_cast<size_t>(n));
    return std::vector<uint8_t>(p, p + n);
  }
  bool AtPaddedEnd() const {
    return std::all_of(bytes_.begin() + static_cast<std::ptrdiff_t>(pos_), bytes_.end(),
                       [](uint8_t b) { return b == 0; }) &&
           bytes_.size() - pos_ < 8;
  }

 private:
  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
};

// A member of the file, read through a stream of the whole file.
class MemberStream : public platform::TFileStream {
 public:
  MemberStream(std::unique_ptr<platform::TFileStream> file, std::string path, uint64_t offset, uint64_t size)
      : file_(std::move(file)), path_(std::move(path)), offset_(offset), size_(size) {}
  size_t Read(void* buffer, size_t n) override {
    const uint64_t left = size_ - pos_;
    if (n > left) n = static_cast<size_t>(left);
    if (!n) return 0;
    // Reads in order follow each other in the file: only a read after a seek moves its position.
    if (filePos_ != offset_ + pos_) file_->SetPosition(static_cast<int64_t>(offset_ + pos_));
    const size_t got = file_->Read(buffer, n);
    pos_ += got;
    filePos_ = offset_ + pos_;
    return got;
  }
  void Write(const void*, size_t) override { throw EWriteError("Cannot write to " + path_); }
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    int64_t base = origin == SeekOrigin::Begin     ? 0
                   : origin == SeekOrigin::Current ? static_cast<int64_t>(pos_)
                                                   : static_cast<int64_t>(size_);
    const int64_t to = base + offset;
    pos_ = to < 0 ? 0 : static_cast<uint64_t>(to);
    return static_cast<int64_t>(pos_);
  }
  int64_t Size() override { return static_cast<int64_t>(size_); }
  void Truncate() override { throw EWriteError("Cannot write to " + path_); }
  void SetLastWriteDosTime(uint32_t) override {}
  uint32_t LastWriteDosTime() override { return file_->LastWriteDosTime(); }
  const std::string& Path() const override { return path_; }

 private:
  std::unique_ptr<platform::TFileStream> file_;
  std::string path_;
  uint64_t offset_, size_, pos_ = 0;
  uint64_t filePos_ = UINT64_MAX;  // where the whole file's stream stands, when known
};

// Feeds [from, to) of the file to the digest, with the signer's two fields read as zeros.
void DigestRange(TStream& in, const TPeLayout& pe, uint64_t from, uint64_t to, Sha256& sha) {
  std::vector<uint8_t> piece;
  for (uint64_t at = from; at < to; at += piece.size()) {
    piece = ReadAt(in, at, std::min(kReadPiece, to - at));
    if (piece.empty()) throw ESingleFileDamaged("the setup program was cut short");
    for (auto [field, size] : {std::pair<uint64_t, uint64_t>{pe.checksumOffset, 4}, {pe.certificateEntryOffset, 8}})
      for (uint64_t i = field; i < field + size; ++i)
        if (i >= at && i < at + piece.size()) piece[static_cast<size_t>(i - at)] = 0;
    sha.Update(piece.data(), piece.size());
  }
}

}  // namespace

std::optional<TPeLayout> ReadPeLayout(const std::vector<uint8_t>& h) {
  if (h.size() < 0x40 || h[0] != 'M' || h[1] != 'Z') return std::nullopt;
  const uint32_t pe = Le32(&h[0x3C]);
  if (pe > h.size() || h.size() - pe < 24 || std::memcmp(&h[pe], "PE\0\0", 4) != 0) return std::nullopt;
  const uint16_t sections = Le16(&h[pe + 6]);
  const uint16_t optionalSize = Le16(&h[pe + 20]);
  const uint32_t optional = pe + 24;
  if (h.size() - optional < optionalSize || optionalSize < 2) return std::nullopt;
  const uint16_t magic = Le16(&h[optional]);
  const uint32_t directories = optional + (magic == 0x20B ? 112 : magic == 0x10B ? 96 : 0);
  if (directories == optional || directories + 5 * 8 > optional + optionalSize) return std::nullopt;
  TPeLayout layout;
  layout.checksumOffset = optional + 64;
  layout.certificateEntryOffset = directories + 4 * 8;
  layout.certificateTable = Le32(&h[layout.certificateEntryOffset]);
  layout.certificateSize = Le32(&h[layout.certificateEntryOffset + 4]);
  const uint64_t table = static_cast<uint64_t>(optional) + optionalSize;
  if (table + uint64_t{sections} * 40 > h.size()) return std::nullopt;
  for (uint16_t i = 0; i < sections; ++i) {
    const uint8_t* s = &h[table + i * 40u];
    const uint64_t end = static_cast<uint64_t>(Le32(s + 20)) + Le32(s + 16);
    if (Le32(s + 16)) layout.sectionsEnd = std::max(layout.sectionsEnd, end);
  }
  return layout;
}

std::optional<TSingleFile> TSingleFile::Open(platform::FileSystem& fs, const std::string& path) {
  auto in = fs.OpenFile(path, platform::FileAccess::Read);
  const uint64_t fileSize = static_cast<uint64_t>(in->Size());
  const auto pe = ReadPeLayout(ReadAt(*in, 0, std::min<uint64_t>(fileSize, 4096)));
  if (!pe) return std::nullopt;
  const uint64_t start = Align8(pe->sectionsEnd);
  const std::vector<uint8_t> header = ReadAt(*in, start, kHeaderSize);
  if (header.size() != kHeaderSize || std::memcmp(header.data(), kSingleFileMagic, 8) != 0) return std::nullopt;
  const uint32_t flags = Le32(&header[12]);
  if (Le32(&header[8]) != kSingleFileVersion || (flags & ~kCodedMembers) != 0)
    throw ESingleFileDamaged("the setup program's medium is of a later version than this program reads");

  // The payload ends where a signature's table begins, or at the end of the file.
  uint64_t end = fileSize;
  if (pe->certificateTable && pe->certificateTable > start &&
      uint64_t{pe->certificateTable} + pe->certificateSize == fileSize)
    end = pe->certificateTable;
  const std::vector<uint8_t> trailer = end >= start + kHeaderSize + kSingleFileTrailerSize
                                           ? ReadAt(*in, end - kSingleFileTrailerSize, kSingleFileTrailerSize)
                                           : std::vector<uint8_t>();
  if (trailer.size() != kSingleFileTrailerSize || std::memcmp(trailer.data(), kSingleFileTrailerMagic, 8) != 0 ||
      Le32(&trailer[8]) != kSingleFileVersion || Le32(&trailer[12]) != flags || Le64(&trailer[16]) != start)
    throw ESingleFileDamaged("the setup program was cut short: its medium has no end record");
  const uint64_t directory = Le64(&trailer[24]);
  const uint64_t trailerOffset = end - kSingleFileTrailerSize;
  if (directory < start + kHeaderSize || directory > trailerOffset)
    throw ESingleFileDamaged("the setup program's medium has a damaged directory");

  TSingleFile file;
  file.path_ = path;
  file.pe_ = *pe;
  file.programSize_ = pe->sectionsEnd;
  file.trailerOffset_ = trailerOffset;
  std::copy(trailer.begin() + kDigestOffsetInTrailer, trailer.end(), file.digest_.begin());
  const std::vector<uint8_t> records = ReadAt(*in, directory, trailerOffset - directory);
  RecordReader r(records);
  for (uint32_t n = r.U32(); n; --n) {
    const std::vector<uint8_t> name = r.Bytes(r.U16());
    TEmbeddedMember m;
    m.name.assign(name.begin(), name.end());
    m.offset = r.U64();
    m.stored = m.size = r.U64();
    if (flags & kCodedMembers) {
      const uint8_t coding = r.Bytes(1)[0];
      m.size = r.U64();
      m.coded = coding == 1;
      if (coding > 1 || (!m.coded && m.size != m.stored) || (m.coded && m.size > kMaxCodedMemberSize))
        throw ESingleFileDamaged("the setup program's medium has a damaged directory");
    }
    if (m.name.empty() || !platform::IsValidUtf8(m.name) || m.name.find_first_of("\\/:") != std::string::npos ||
        m.offset < start + kHeaderSize || m.offset > directory || m.stored > directory - m.offset)
      throw ESingleFileDamaged("the setup program's medium has a damaged directory");
    file.members_.push_back(std::move(m));
  }
  for (uint32_t n = r.U32(); n; --n) {
    TProgramPatch p;
    p.offset = r.U32();
    p.bytes = r.Bytes(r.U16());
    if (p.offset > file.programSize_ || p.bytes.size() > file.programSize_ - p.offset)
      throw ESingleFileDamaged("the setup program's medium has a damaged directory");
    file.patches_.push_back(std::move(p));
  }
  file.tail_ = r.Bytes(r.U64());
  if (!r.AtPaddedEnd()) throw ESingleFileDamaged("the setup program's medium has a damaged directory");
  return file;
}

const TEmbeddedMember* TSingleFile::Find(const std::string& name) const {
  for (const TEmbeddedMember& m : members_)
    if (platform::SameText(m.name, name)) return &m;
  return nullptr;
}

void TSingleFile::Verify(platform::FileSystem& fs) const {
  auto in = fs.OpenFile(path_, platform::FileAccess::Read);
  Sha256 sha;
  DigestRange(*in, pe_, 0, trailerOffset_ + kDigestOffsetInTrailer, sha);
  if (sha.Final() != digest_)
    throw ESingleFileDamaged("the setup program was changed after it was built: its SHA-256 does not match");
}

std::unique_ptr<platform::TFileStream> TSingleFile::OpenMember(platform::FileSystem& fs,
                                                               const TEmbeddedMember& member) const {
  auto in = fs.OpenFile(path_, platform::FileAccess::Read);
  if (!member.coded)
    return std::make_unique<MemberStream>(std::move(in), path_ + ":" + member.name, member.offset, member.size);
  const std::vector<uint8_t> coded = ReadAt(*in, member.offset, member.stored);
  bool ok = coded.size() == member.stored;
  std::vector<uint8_t> bytes = ok ? ZstdDecodeWhole(coded.data(), coded.size(), member.size, ok) : coded;
  if (!ok) throw ESingleFileDamaged("the setup program's medium has a damaged member: " + member.name);
  return std::make_unique<TReadOnlyMemoryFile>(std::move(bytes), path_ + ":" + member.name, in->LastWriteDosTime());
}

std::vector<uint8_t> TSingleFile::Uninstaller(platform::FileSystem& fs) const {
  auto in = fs.OpenFile(path_, platform::FileAccess::Read);
  std::vector<uint8_t> program = ReadAt(*in, 0, programSize_);
  if (program.size() != programSize_) throw ESingleFileDamaged("the setup program was cut short");
  for (const TProgramPatch& p : patches_) std::copy(p.bytes.begin(), p.bytes.end(), program.begin() + p.offset);
  program.insert(program.end(), tail_.begin(), tail_.end());
  return program;
}

}  // namespace vurerode
