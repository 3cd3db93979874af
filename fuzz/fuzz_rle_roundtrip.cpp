// RLE coding of arbitrary bytes decodes back to them, and never grows them by more than the
// escape bytes they hold.
#include <algorithm>
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
  std::vector<uint8_t> plain(data, data + size);
  std::vector<uint8_t> coded = Run(EncodeRLE, plain);
  if (coded.size() > size + static_cast<size_t>(std::count(plain.begin(), plain.end(), 0x94))) abort();
  if (Run(DecodeRLE, coded) != plain) abort();
  return 0;
}
