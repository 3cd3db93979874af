// RLE decoding of arbitrary bytes, then the round trip of what came out: coding the decoded bytes
// and decoding them again must give them back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/code_bytes.h"
#include "archive/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vurerode;
  std::vector<uint8_t> coded(data, data + size);
  std::vector<uint8_t> plain = CodeBytes(DecodeRLE, coded);
  if (plain.size() > size * 254) abort();
  if (CodeBytes(DecodeRLE, CodeBytes(EncodeRLE, plain)) != plain) abort();
  return 0;
}
