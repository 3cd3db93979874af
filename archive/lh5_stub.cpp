// Placeholder until the -lh5- codec lands.
#include "archive/codecs.h"
#include "archive/errors.h"

namespace vurerode {
void EncodeLZH5(CodecIO&) { throw EUnableToCompress(); }
void DecodeLZH5(CodecIO&, int64_t) { throw ELZHBadDecodeTable(); }
}  // namespace vurerode
