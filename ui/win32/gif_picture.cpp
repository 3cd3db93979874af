#include "ui/win32/gif_picture.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "platform/win32/wide_text.h"

namespace vurerode::setup::win32 {

using platform::win32::Utf8;
using platform::win32::Wide;

namespace {

screen::GifAnimation ReadGif(const std::string& path) {
  const auto close = [](std::FILE* f) { std::fclose(f); };
  const std::unique_ptr<std::FILE, decltype(close)> in(_wfopen(Wide(path).c_str(), L"rb"), close);
  if (!in) throw EFOpenError(path);
  std::vector<uint8_t> bytes;
  uint8_t chunk[16384];
  while (const size_t n = std::fread(chunk, 1, sizeof chunk, in.get())) bytes.insert(bytes.end(), chunk, chunk + n);
  if (std::ferror(in.get())) throw EFOpenError(path);
  return screen::DecodeGif(bytes);
}

}  // namespace

GifPicture::GifPicture(const std::string& path) : gif_(ReadGif(path)) {
  for (const screen::GifFrame& f : gif_.Frames) delays_.push_back(f.DelayMs);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = gif_.Width;
  bi.bmiHeader.biHeight = -gif_.Height;  // top row first, as the frames are
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  dib_.reset(CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits_, nullptr, 0));
  if (!dib_ || !bits_) throw Exception("Cannot make a bitmap of " + path);
  std::memcpy(bits_, gif_.Frames[0].Pixels.data(), gif_.Frames[0].Pixels.size() * sizeof(uint32_t));
}

void GifPicture::Show(size_t frame) {
  if (frame == shown_ || frame >= gif_.Frames.size()) return;
  GdiFlush();  // GDI may still be reading the bits for an earlier draw
  const std::vector<uint32_t>& px = gif_.Frames[frame].Pixels;
  std::memcpy(bits_, px.data(), px.size() * sizeof(uint32_t));
  shown_ = frame;
}

void GifPicture::Draw(HDC dc, const TRect& r) const {
  MemoryDC mdc(dc);
  Selected sel(mdc.get(), dib_.get());
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  AlphaBlend(dc, r.Left, r.Top, r.Width, r.Height, mdc.get(), 0, 0, gif_.Width, gif_.Height, blend);
}

}  // namespace vurerode::setup::win32
