// RLE coding of arbitrary bytes decodes back to them, and never grows them by more than the
// escape bytes they hold.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/code_bytes.h"
#include "archive/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vurerode;
  std::vector<uint8_t> plain(data, data + size);
  std::vector<uint8_t> coded = CodeBytes(EncodeRLE, plain);
  if (coded.size() > size + static_cast<size_t>(std::count(plain.begin(), plain.end(), 0x94))) abort();
  if (CodeBytes(DecodeRLE, coded) != plain) abort();
  return 0;
}
