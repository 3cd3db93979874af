// RLE decoding of arbitrary bytes, then the round trip of what came out: coding the decoded bytes
// and decoding them again must give them back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/codecs.h"

namespace {

std::vector<uint8_t> Run(void (*codec)(vurerode::CodecIO&), const std::vector<uint8_t>& input) {
  using namespace vurerode;
  TMemoryStream source(input);
  TMemoryStream sink;
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &sink;
  setup.inputSize = static_cast<int64_t>(input.size());
  CodecIO io(setup);
  codec(io);
  io.Finish();
  return sink.data();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vurerode;
  std::vector<uint8_t> coded(data, data + size);
  std::vector<uint8_t> plain = Run(DecodeRLE, coded);
  if (plain.size() > size * 254) abort();
  if (Run(DecodeRLE, Run(EncodeRLE, plain)) != plain) abort();
  return 0;
}
