#include "screen/gif_animation.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <utility>

namespace vurerode::screen {

namespace {

// The file is damaged (or ends) here: what was composed before is still shown.
struct Damaged {
  const char* why;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint8_t Byte() {
    if (at_ >= bytes_.size()) throw Damaged{"it ends early"};
    return bytes_[at_++];
  }
  int Le16() {
    const int lo = Byte();
    return lo | Byte() << 8;
  }
  std::span<const uint8_t> Take(size_t n) {
    if (bytes_.size() - at_ < n) throw Damaged{"it ends early"};
    at_ += n;
    return bytes_.subspan(at_ - n, n);
  }
  // A chain of data sub-blocks up to its empty terminator.
  std::vector<uint8_t> SubBlocks() {
    std::vector<uint8_t> data;
    while (const uint8_t n = Byte()) {
      const auto block = Take(n);
      data.insert(data.end(), block.begin(), block.end());
    }
    return data;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
};

struct ColorTable {
  std::array<uint32_t, 256> Colors{};
  size_t Size = 0;
};

ColorTable ReadColorTable(Reader& in, uint8_t packed) {
  ColorTable t;
  t.Size = size_t{2} << (packed & 7);
  const auto rgb = in.Take(3 * t.Size);
  for (size_t i = 0; i < t.Size; ++i)
    t.Colors[i] = 0xFF000000u | uint32_t{rgb[3 * i]} << 16 | uint32_t{rgb[3 * i + 1]} << 8 | rgb[3 * i + 2];
  return t;
}

// The Graphic Control Extension's settings for the next image.
struct Control {
  int Disposal = 0;
  int DelayCs = 0;
  int Transparent = -1;
};

// Variable-length LZW codes, least significant bit first. Returns how many indexes were written:
// data that ends before `out` is full leaves the rest undrawn, as viewers do.
size_t DecodeLzw(int minCodeSize, std::span<const uint8_t> data, std::span<uint8_t> out) {
  if (minCodeSize < 2 || minCodeSize > 8) throw Damaged{"its LZW code size is not 2 to 8"};
  constexpr int kMaxCodes = 4096;
  std::array<uint16_t, kMaxCodes> prefix{};
  std::array<uint8_t, kMaxCodes> suffix{}, first{};
  std::array<uint8_t, kMaxCodes> stack{};
  const int clear = 1 << minCodeSize, end = clear + 1;
  for (int c = 0; c < clear; ++c) suffix[c] = first[c] = static_cast<uint8_t>(c);
  int size = minCodeSize + 1, next = clear + 2, prev = -1;
  uint32_t bits = 0;
  int count = 0;
  size_t at = 0, written = 0;
  while (written < out.size()) {
    while (count < size && at < data.size()) bits |= uint32_t{data[at++]} << count, count += 8;
    if (count < size) break;
    const int code = static_cast<int>(bits & ((1u << size) - 1));
    bits >>= size, count -= size;
    if (code == clear) {
      size = minCodeSize + 1, next = clear + 2, prev = -1;
      continue;
    }
    if (code == end) break;
    if (code > next || (prev < 0 && code >= clear)) throw Damaged{"an LZW code is not yet defined"};
    if (prev >= 0 && next < kMaxCodes) {
      // The new entry is prev's string plus the first index of code's (which is prev's own when
      // code is the entry being made).
      prefix[next] = static_cast<uint16_t>(prev);
      suffix[next] = code == next ? first[prev] : first[code];
      first[next] = first[prev];
      if (++next == 1 << size && size < 12) ++size;
    }
    size_t depth = 0;
    for (int c = code;; c = prefix[c]) {
      stack[depth++] = suffix[c];
      if (c < clear) break;
    }
    while (depth > 0 && written < out.size()) out[written++] = stack[--depth];
    prev = code;
  }
  return written;
}

// The image's rows in the order they are coded: four passes when interlaced.
std::vector<int> RowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  for (auto [start, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}})
    for (int y = start; y < height; y += step) rows.push_back(y);
  return rows;
}

class Decoder {
 public:
  Decoder(std::span<const uint8_t> bytes, const GifLimits& limits) : in_(bytes), limits_(limits) {}

  GifAnimation Run() {
    try {
      Header();
      Blocks();
      if (gif_.Frames.empty()) throw Damaged{"it holds no image"};
    } catch (const Damaged& d) {
      if (gif_.Frames.empty()) throw EGifError(std::string("Not a GIF picture, or a damaged one: ") + d.why);
      gif_.Truncated = true;
    }
    return std::move(gif_);
  }

 private:
  void Header() {
    const auto sig = in_.Take(6);
    if (std::memcmp(sig.data(), "GIF87a", 6) != 0 && std::memcmp(sig.data(), "GIF89a", 6) != 0)
      throw Damaged{"it does not start with GIF87a or GIF89a"};
    gif_.Width = in_.Le16();
    gif_.Height = in_.Le16();
    CheckSize(gif_.Width, gif_.Height, "logical screen");
    if (gif_.Width == 0 || gif_.Height == 0) throw Damaged{"its logical screen is empty"};
    const uint8_t packed = in_.Byte();
    in_.Take(2);  // background index and aspect ratio: the canvas starts transparent, as in browsers
    if (packed & 0x80) global_ = ReadColorTable(in_, packed);
    canvas_.assign(static_cast<size_t>(gif_.Width) * static_cast<size_t>(gif_.Height), 0);
  }

  void CheckSize(int w, int h, const char* what) const {
    if (w > limits_.MaxSide || h > limits_.MaxSide ||
        static_cast<size_t>(w) * static_cast<size_t>(h) > limits_.MaxFramePixels)
      throw EGifError("GIF picture too large: its " + std::string(what) + " is " + std::to_string(w) + " by " +
                      std::to_string(h) + " pixels");
  }

  void Blocks() {
    for (;;) {
      switch (in_.Byte()) {
        case 0x2C: Image(); break;
        case 0x21: Extension(); break;
        case 0x3B: return;
        default: throw Damaged{"a block of an unknown kind follows"};
      }
    }
  }

  void Extension() {
    const uint8_t label = in_.Byte();
    std::vector<uint8_t> data = in_.SubBlocks();
    if (label == 0xF9 && data.size() >= 4) {
      control_.Disposal = (data[0] >> 2) & 7;
      control_.DelayCs = data[1] | data[2] << 8;
      control_.Transparent = (data[0] & 1) ? data[3] : -1;
    } else if (label == 0xFF && data.size() >= 14 &&
               (std::memcmp(data.data(), "NETSCAPE2.0", 11) == 0 || std::memcmp(data.data(), "ANIMEXTS1.0", 11) == 0) &&
               data[11] == 1) {
      // The count repeats the animation after its first run, as browsers read it; 0 is without end.
      const int loops = data[12] | data[13] << 8;
      gif_.Plays = loops == 0 ? 0 : loops + 1;
    }
  }

  void Image() {
    const int left = in_.Le16(), top = in_.Le16(), w = in_.Le16(), h = in_.Le16();
    CheckSize(w, h, "image");
    const uint8_t packed = in_.Byte();
    const ColorTable local = (packed & 0x80) ? ReadColorTable(in_, packed) : ColorTable{};
    const ColorTable& table = (packed & 0x80) ? local : global_;
    const int minCodeSize = in_.Byte();
    const std::vector<uint8_t> data = in_.SubBlocks();
    if (table.Size == 0) throw Damaged{"an image has no colour table"};
    if (gif_.Frames.size() >= limits_.MaxFrames || (gif_.Frames.size() + 1) * canvas_.size() > limits_.MaxTotalPixels)
      throw EGifError("GIF picture too large: more than " + std::to_string(gif_.Frames.size()) + " frames of " +
                      std::to_string(gif_.Width) + " by " + std::to_string(gif_.Height) + " pixels");
    std::vector<uint8_t> indexes(static_cast<size_t>(w) * static_cast<size_t>(h));
    const size_t decoded = DecodeLzw(minCodeSize, data, indexes);

    const Control c = std::exchange(control_, Control{});
    // Restoring after the first image brings back the empty canvas, as browsers do (ImageMagick
    // keeps the first image instead).
    std::vector<uint32_t> before;
    if (c.Disposal == 3) before = canvas_;
    const std::vector<int> rows = RowOrder(h, (packed & 0x40) != 0);
    for (size_t i = 0; i < decoded; ++i) {
      const int x = left + static_cast<int>(i % static_cast<size_t>(w));
      const int y = top + rows[i / static_cast<size_t>(w)];
      const uint8_t index = indexes[i];
      if (x >= gif_.Width || y >= gif_.Height || index == c.Transparent) continue;
      // An index past the table's end shows black, as the table were padded with it.
      canvas_[Pixel(x, y)] = index < table.Size ? table.Colors[index] : 0xFF000000u;
    }
    // Delays of 0 and 1 hundredths are shown as 100 ms, as browsers do: files written for
    // "as fast as possible" would otherwise spin.
    gif_.Frames.push_back({canvas_, c.DelayCs <= 1 ? 100 : c.DelayCs * 10});

    if (c.Disposal == 2) {
      for (int y = top; y < std::min(top + h, gif_.Height); ++y)
        for (int x = left; x < std::min(left + w, gif_.Width); ++x) canvas_[Pixel(x, y)] = 0;
    } else if (c.Disposal == 3) {
      canvas_ = std::move(before);
    }
  }

  size_t Pixel(int x, int y) const {
    return static_cast<size_t>(y) * static_cast<size_t>(gif_.Width) + static_cast<size_t>(x);
  }

  Reader in_;
  const GifLimits& limits_;
  GifAnimation gif_;
  ColorTable global_;
  Control control_;
  std::vector<uint32_t> canvas_;
};

}  // namespace

GifAnimation DecodeGif(std::span<const uint8_t> bytes, const GifLimits& limits) {
  return Decoder(bytes, limits).Run();
}

}  // namespace vurerode::screen
