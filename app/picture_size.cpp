#include "app/picture_size.h"

#include <cstdint>
#include <cstdlib>

#include "platform/exception.h"

namespace vurerode::setup {

namespace {

int32_t Le32(const uint8_t* p) {
  return static_cast<int32_t>(p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24);
}
int Le16(const uint8_t* p) {
  return p[0] | p[1] << 8;
}

}  // namespace

std::optional<PictureSize> ReadPictureSize(platform::FileSystem& fs, const std::string& path, PictureKind kind) {
  uint8_t h[26] = {};
  try {
    auto file = fs.OpenFile(path, platform::FileAccess::Read);
    if (file->Read(h, sizeof h) < (kind == PictureKind::Gif ? 10 : 26)) return std::nullopt;
  } catch (const Exception&) {
    return std::nullopt;
  }
  if (kind == PictureKind::Gif) {
    if (h[0] != 'G' || h[1] != 'I' || h[2] != 'F') return std::nullopt;
    return PictureSize{Le16(h + 6), Le16(h + 8)};
  }
  if (h[0] != 'B' || h[1] != 'M') return std::nullopt;
  const int32_t headerSize = Le32(h + 14);
  if (headerSize == 12) return PictureSize{Le16(h + 18), Le16(h + 20)};  // an OS/2 core header
  const int32_t w = Le32(h + 18), ht = Le32(h + 22);
  if (w <= 0 || ht == 0 || w > 65535 || std::abs(ht) > 65535) return std::nullopt;
  return PictureSize{w, std::abs(ht)};
}

}  // namespace vurerode::setup
