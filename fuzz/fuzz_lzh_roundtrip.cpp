// coLZH coding of arbitrary bytes decodes back to them exactly. The input is stretched by a
// repeat count from its first byte, so that long inputs with long matches are reached too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/code_bytes.h"
#include "archive/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vurerode;
  if (size < 1) return 0;
  std::vector<uint8_t> plain;
  const size_t repeats = 1 + data[0] % 16;
  for (size_t r = 0; r < repeats; ++r) plain.insert(plain.end(), data + 1, data + size);

  const std::vector<uint8_t> coded = CodeBytes(EncodeLZH, plain);
  if (plain.empty() != coded.empty()) abort();
  const int64_t count = static_cast<int64_t>(plain.size());
  if (CodeBytes([count](CodecIO& io) { DecodeLZH(io, count); }, coded) != plain) abort();
  return 0;
}
