// Placeholder until the LZH encoder lands.
#include "archive/codecs.h"
#include "archive/errors.h"

namespace vurerode {
void EncodeLZH(CodecIO&) { throw EUnableToCompress(); }
}  // namespace vurerode
