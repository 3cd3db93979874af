// coLZH decoding of arbitrary bits: never out of bounds, exactly the count (plus the tail of a last
// match) unless a code needs bits past the end of the input, and never reading past the input it
// was given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "archive/codecs.h"
#include "archive/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vurerode;
  if (size < 2) return 0;
  // Mostly short counts, some up to 64 KiB: long enough for the model to halve its counts.
  const int64_t count = int64_t{data[0] + 1} << (data[1] % 9);
  TMemoryStream source(std::vector<uint8_t>(data + 2, data + size));
  TMemoryStream sink;
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &sink;
  setup.inputSize = static_cast<int64_t>(size - 2);
  CodecIO io(setup);
  bool stopped = false;
  try {
    DecodeLZH(io, count);
  } catch (const EBadChecksum&) {
    stopped = true;
  }
  io.Finish();
  const int64_t produced = static_cast<int64_t>(sink.data().size());
  const auto input = static_cast<int64_t>(size - 2);
  if (stopped) {
    // Only at the end of the input, and every code before took at least a bit for 60 bytes at most.
    if (produced >= count || source.Position() != input || produced > input * 8 * 60) abort();
  } else if (produced < count || produced >= count + 60 || (count == 0 && produced != 0)) {
    abort();
  }
  if (source.Position() > input) abort();
  return 0;
}
