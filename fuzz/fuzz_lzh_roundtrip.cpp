// coLZH coding of arbitrary bytes decodes back to them exactly. The input is stretched by a
// repeat count from its first byte, so that long inputs with long matches are reached too.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/codecs.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vurerode;
  if (size < 1) return 0;
  std::vector<uint8_t> plain;
  const size_t repeats = 1 + data[0] % 16;
  for (size_t r = 0; r < repeats; ++r) plain.insert(plain.end(), data + 1, data + size);

  TMemoryStream source(plain);
  TMemoryStream coded;
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &coded;
  setup.inputSize = static_cast<int64_t>(plain.size());
  {
    CodecIO io(setup);
    EncodeLZH(io);
    io.Finish();
  }
  if (plain.empty() != coded.data().empty()) abort();

  TMemoryStream codedIn(coded.data());
  TMemoryStream back;
  CodecIO::Setup decode;
  decode.input = &codedIn;
  decode.output = &back;
  decode.inputSize = static_cast<int64_t>(coded.data().size());
  CodecIO io(decode);
  DecodeLZH(io, static_cast<int64_t>(plain.size()));
  io.Finish();
  if (back.data() != plain) abort();
  return 0;
}
