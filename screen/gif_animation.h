// A GIF (87a or 89a) decoded into whole frames: each image drawn onto the logical screen as a
// viewer shows it, with the previous frames' disposal applied, so a view only blits the frame it
// is showing. Portable: bytes in, pixels out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/exception.h"

namespace vurerode::screen {

// A file that is not a GIF, is damaged before its first frame is complete, or is larger than the
// limits allow.
class EGifError : public Exception {
 public:
  using Exception::Exception;
};

// What a decode may cost. A logo is small; a file that claims more is hostile or a mistake, and is
// refused before the memory is taken.
struct GifLimits {
  int MaxSide = 4096;                   // of the logical screen and of each image
  size_t MaxFramePixels = 4096 * 1024;  // width * height of the logical screen and of each image
  size_t MaxFrames = 1000;
  size_t MaxTotalPixels = 16 * 1024 * 1024;  // of all composed frames together (4 bytes each)
};

struct GifFrame {
  // Width * Height pixels, top row first, each 0xAARRGGBB (bytes B, G, R, A in memory). Alpha is 0
  // or 255 and a transparent pixel is 0 in every channel, so the pixels are premultiplied as they
  // are: a Windows DIB for AlphaBlend as they stand.
  std::vector<uint32_t> Pixels;
  int DelayMs = 100;
};

struct GifAnimation {
  int Width = 0, Height = 0;  // the logical screen
  std::vector<GifFrame> Frames;
  // How often the frames run through: 0 without end. A file without a loop count plays once, as
  // browsers show it; animation tools write the count (0 for without end) when asked to loop.
  int Plays = 1;
  // The file ended, or went wrong, after Frames; they are what could be shown.
  bool Truncated = false;
};

// Decodes a whole GIF. Throws EGifError when no frame could be completed or a limit is exceeded.
GifAnimation DecodeGif(std::span<const uint8_t> bytes, const GifLimits& limits = {});

}  // namespace vurerode::screen
