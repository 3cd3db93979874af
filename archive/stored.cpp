#include <algorithm>

#include "archive/codecs.h"

namespace vurerode {

void CopyStored(CodecIO& io) {
  while (io.FillInput()) {
    size_t n = io.InputAvailable();
    io.PutBytes(io.InputCursor(), n);
    io.Consume(n);
  }
}

}  // namespace vurerode
