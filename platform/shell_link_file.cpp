#include "platform/shell_link_file.h"

#include "platform/text.h"

namespace vurerode::platform {
namespace {

enum : uint32_t {
  kHasLinkInfo = 0x02,
  kHasWorkingDir = 0x10,
  kHasIconLocation = 0x40,
  kIsUnicode = 0x80,
};
enum : uint32_t { kVolumeIdAndLocalBasePath = 0x01 };

constexpr uint8_t kShellLinkClsid[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                         0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

class Writer {
 public:
  void U16(uint32_t v) {
    out_.push_back(static_cast<uint8_t>(v));
    out_.push_back(static_cast<uint8_t>(v >> 8));
  }
  void U32(uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void U64(uint64_t v) {
    U32(static_cast<uint32_t>(v));
    U32(static_cast<uint32_t>(v >> 32));
  }
  void Bytes(const void* p, size_t n) {
    auto b = static_cast<const uint8_t*>(p);
    out_.insert(out_.end(), b, b + n);
  }
  void AnsiZ(const std::string& s) {
    Bytes(s.data(), s.size());
    out_.push_back(0);
  }
  // A StringData structure: a count of characters, then the UTF-16 text without terminator.
  void CountedUnicode(const std::string& ansi) {
    std::u16string w = Utf8ToUtf16(ansi);
    if (w.size() > 0xFFFF) w.resize(0xFFFF);
    U16(static_cast<uint32_t>(w.size()));
    for (char16_t c : w) U16(c);
  }
  size_t size() const { return out_.size(); }
  std::vector<uint8_t>& bytes() { return out_; }

 private:
  std::vector<uint8_t> out_;
};

void WriteLinkInfo(Writer& w, const ShellLinkData& link) {
  constexpr uint32_t kHeaderSize = 0x1C;
  uint32_t volumeIdSize = 0x10 + static_cast<uint32_t>(link.volumeLabel.size()) + 1;
  uint32_t volumeIdOffset = kHeaderSize;
  uint32_t localBasePathOffset = volumeIdOffset + volumeIdSize;
  uint32_t suffixOffset = localBasePathOffset + static_cast<uint32_t>(link.targetPath.size()) + 1;
  uint32_t total = suffixOffset + 1;

  w.U32(total);
  w.U32(kHeaderSize);
  w.U32(kVolumeIdAndLocalBasePath);
  w.U32(volumeIdOffset);
  w.U32(localBasePathOffset);
  w.U32(0);  // no network location
  w.U32(suffixOffset);
  // VolumeID
  w.U32(volumeIdSize);
  w.U32(link.driveType);
  w.U32(link.volumeSerial);
  w.U32(0x10);  // the label follows the four fields
  w.AnsiZ(link.volumeLabel);
  w.AnsiZ(link.targetPath);
  w.AnsiZ("");  // common path suffix
}

}  // namespace

std::vector<uint8_t> BuildShellLinkFile(const ShellLinkData& link) {
  uint32_t flags = kIsUnicode;
  if (!link.targetPath.empty()) flags |= kHasLinkInfo;
  if (!link.workingDirectory.empty()) flags |= kHasWorkingDir;
  if (!link.iconLocation.empty()) flags |= kHasIconLocation;

  Writer w;
  w.U32(0x4C);
  w.Bytes(kShellLinkClsid, sizeof kShellLinkClsid);
  w.U32(flags);
  w.U32(link.fileAttributes);
  w.U64(link.creationTime);
  w.U64(link.accessTime);
  w.U64(link.writeTime);
  w.U32(link.fileSize);
  w.U32(static_cast<uint32_t>(link.iconIndex));
  w.U32(link.showCommand);
  w.U16(0);  // no hot key
  w.U16(0);
  w.U32(0);
  w.U32(0);

  if (flags & kHasLinkInfo) WriteLinkInfo(w, link);
  if (flags & kHasWorkingDir) w.CountedUnicode(link.workingDirectory);
  if (flags & kHasIconLocation) w.CountedUnicode(link.iconLocation);
  w.U32(0);  // terminal block of the extra data
  return std::move(w.bytes());
}

uint64_t EpochToFileTime(int64_t seconds) {
  constexpr int64_t kEpochDelta = 11644473600LL;  // seconds from 1601 to 1970
  int64_t s = seconds + kEpochDelta;
  return s < 0 ? 0 : static_cast<uint64_t>(s) * 10000000ULL;
}

}  // namespace vurerode::platform
