// Placeholder until the LZH and RLE codecs land.
#include "archive/codecs.h"
#include "archive/errors.h"

namespace vurerode {
void EncodeRLE(CodecIO&) { throw EUnableToCompress(); }
void DecodeRLE(CodecIO&) {}
void EncodeLZH(CodecIO&) { throw EUnableToCompress(); }
void DecodeLZH(CodecIO&, int64_t) {}
}  // namespace vurerode
