// coRLE: runs of 3 to 255 equal bytes fold into the byte, the escape byte and the run length; the
// escape byte itself is always written as escape, 0.
#include "archive/codecs.h"

namespace vurerode {
namespace {

constexpr uint8_t kEscape = 0x94;

// The first byte of a run is already out when the run ends; count 0 writes the escaped literal.
inline void EmitRun(CodecIO& io, unsigned count, uint8_t c) {
  if (count == 1 || count == 2) {
    for (unsigned i = 1; i < count; ++i) io.PutByte(c);
  } else {
    io.PutByte(kEscape);
    io.PutByte(static_cast<uint8_t>(count));
  }
}

inline void PutLiteral(CodecIO& io, uint8_t b) {
  io.PutByte(b);
  if (b == kEscape) io.PutByte(0);
}

}  // namespace

void EncodeRLE(CodecIO& io) {
  bool first = true;
  bool inRun = false;
  uint8_t last = 0;
  unsigned count = 0;
  for (;;) {
    const uint8_t b = io.NextByte();
    if (io.EndOfInput()) break;
    if (inRun) {
      if (b == last && count < 255) {
        ++count;
      } else {
        EmitRun(io, count, last);
        last = b;
        PutLiteral(io, b);
        inRun = false;
      }
    } else {
      // The escape byte never starts a run, and neither does the first byte of the input.
      if (b == kEscape) {
        PutLiteral(io, b);
      } else if (b == last && !first) {
        count = 2;
        inRun = true;
      } else {
        io.PutByte(b);
      }
      last = b;
    }
    first = false;
  }
  if (inRun) EmitRun(io, count, last);
}

void DecodeRLE(CodecIO& io) {
  uint8_t last = 0;
  for (;;) {
    const uint8_t a = io.NextByte();
    if (io.EndOfInput()) break;
    if (a != kEscape) {
      io.PutByte(a);
    } else {
      // An escape at the very end reads as 0 and so stands for itself.
      const uint8_t n = io.NextByte();
      if (n == 0) {
        io.PutByte(kEscape);
      } else {
        for (unsigned i = 1; i < n; ++i) io.PutByte(last);
      }
    }
    last = a;
  }
}

}  // namespace vurerode
