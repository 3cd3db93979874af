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
  // Text in the ANSI code page, Windows-1252 here: what it lacks becomes '?', as in the shell's own links.
  void AnsiZ(const std::string& utf8) {
    std::string ansi = IsAscii(utf8) ? utf8 : Utf8ToCp1252(utf8);
    Bytes(ansi.data(), ansi.size());
    out_.push_back(0);
  }
  void UnicodeZ(const std::string& utf8) {
    for (char16_t c : Utf8ToUtf16(utf8)) U16(c);
    U16(0);
  }
  // A StringData structure: a count of characters, then the UTF-16 text without terminator.
  void CountedUnicode(const std::string& utf8) {
    std::u16string w = Utf8ToUtf16(utf8);
    if (w.size() > 0xFFFF) w.resize(0xFFFF);
    U16(static_cast<uint32_t>(w.size()));
    for (char16_t c : w) U16(c);
  }
  size_t size() const { return out_.size(); }
  std::vector<uint8_t>& bytes() { return out_; }

 private:
  std::vector<uint8_t> out_;
};

uint32_t AnsiZSize(const std::string& utf8) {
  return static_cast<uint32_t>((IsAscii(utf8) ? utf8.size() : Utf8ToCp1252(utf8).size()) + 1);
}

uint32_t UnicodeZSize(const std::string& utf8) {
  return static_cast<uint32_t>(2 * (Utf8ToUtf16(utf8).size() + 1));
}

// The volume a target lies on. A label that is not ASCII is stored in UTF-16 alone, which the
// structure marks by a label offset of 0x14.
uint32_t VolumeIdSize(const ShellLinkData& link) {
  return IsAscii(link.volumeLabel) ? 0x10 + AnsiZSize(link.volumeLabel) : 0x14 + UnicodeZSize(link.volumeLabel);
}

void WriteVolumeId(Writer& w, const ShellLinkData& link) {
  const bool unicode = !IsAscii(link.volumeLabel);
  w.U32(VolumeIdSize(link));
  w.U32(link.driveType);
  w.U32(link.volumeSerial);
  w.U32(unicode ? 0x14 : 0x10);  // the label follows the fields
  if (unicode) {
    w.U32(0x14);
    w.UnicodeZ(link.volumeLabel);
  } else {
    w.AnsiZ(link.volumeLabel);
  }
}

// The link information: the target's local path in the ANSI code page and, when the path is not
// ASCII, in UTF-16 too, as the shell writes it, so that every character of it comes back. A link to
// an ASCII path keeps the shorter header without the Unicode offsets.
void WriteLinkInfo(Writer& w, const ShellLinkData& link) {
  const bool unicode = !IsAscii(link.targetPath);
  const uint32_t headerSize = unicode ? 0x24 : 0x1C;
  const uint32_t volumeIdOffset = headerSize;
  const uint32_t localBasePathOffset = volumeIdOffset + VolumeIdSize(link);
  const uint32_t suffixOffset = localBasePathOffset + AnsiZSize(link.targetPath);
  const uint32_t unicodePathOffset = suffixOffset + 1;
  const uint32_t unicodeSuffixOffset = unicodePathOffset + UnicodeZSize(link.targetPath);
  const uint32_t total = unicode ? unicodeSuffixOffset + 2 : suffixOffset + 1;

  w.U32(total);
  w.U32(headerSize);
  w.U32(kVolumeIdAndLocalBasePath);
  w.U32(volumeIdOffset);
  w.U32(localBasePathOffset);
  w.U32(0);  // no network location
  w.U32(suffixOffset);
  if (unicode) {
    w.U32(unicodePathOffset);
    w.U32(unicodeSuffixOffset);
  }
  WriteVolumeId(w, link);
  w.AnsiZ(link.targetPath);
  w.AnsiZ("");  // common path suffix
  if (unicode) {
    w.UnicodeZ(link.targetPath);
    w.UnicodeZ("");
  }
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
