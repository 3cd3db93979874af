// Placeholder until the LZH codec lands.
#include "archive/codecs.h"
#include "archive/errors.h"

namespace vurerode {
void EncodeLZH(CodecIO&) { throw EUnableToCompress(); }
void DecodeLZH(CodecIO&, int64_t) {}
}  // namespace vurerode
