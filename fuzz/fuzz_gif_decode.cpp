// The GIF logo's decoder on arbitrary bytes: it refuses or returns whole frames of the logical
// screen whose pixels are opaque or wholly transparent, with delays a timer can keep.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "screen/gif_animation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vurerode::screen;
  GifAnimation gif;
  try {
    gif = DecodeGif(std::span<const uint8_t>(data, size));
  } catch (const EGifError&) {
    return 0;
  }
  if (gif.Frames.empty() || gif.Width <= 0 || gif.Height <= 0 || gif.Plays < 0 || gif.Plays > 65536) abort();
  for (const GifFrame& f : gif.Frames) {
    if (f.Pixels.size() != static_cast<size_t>(gif.Width) * static_cast<size_t>(gif.Height) || f.DelayMs < 20) abort();
    for (uint32_t p : f.Pixels)
      if ((p >> 24) != 0xFF && p != 0) abort();
  }
  return 0;
}
