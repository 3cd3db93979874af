// Placeholder until the -lh5- encoder lands.
#include "archive/codecs.h"
#include "archive/errors.h"

namespace vurerode {
void EncodeLZH5(CodecIO&) {
  throw EUnableToCompress();
}
}  // namespace vurerode
