// libFuzzer target: arbitrary bytes through the coLZH5 encoder and back through TCompress's stream
// driver must come back unchanged, with matching byte sums.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "archive/codec_io.h"
#include "archive/codecs.h"
#include "archive/compress.h"
#include "platform/posix/host_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vurerode;
  std::vector<uint8_t> input(data, data + size);
  // Short inputs are stretched by repetition so that long matches and window slides get exercised.
  if (size > 0 && size < 64) {
    const size_t copies = data[0] % 8 == 0 ? 20000 / size : 1;
    for (size_t i = 1; i < copies; ++i) input.insert(input.end(), data, data + size);
  }

  TMemoryStream source(input);
  TMemoryStream coded;
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &coded;
  setup.inputSize = static_cast<int64_t>(input.size());
  setup.outputBudget = INT64_MAX;
  auto io = std::make_unique<CodecIO>(setup);
  EncodeLZH5(*io);
  io->Finish();
  const uint32_t readSum = io->ReadSum();
  if (input.empty() != coded.data().empty()) std::abort();

  platform::HostFileSystem files;
  TCompress compress(files);
  coded.SetPosition(0);
  TMemoryStream out;
  const uint32_t writeSum =
      compress.ProcessStream(TProcessDirection::Expand, out, coded, coLZH5, static_cast<int32_t>(input.size()),
                             static_cast<int32_t>(coded.data().size()), false);
  if (out.data() != input || writeSum != readSum) std::abort();
  return 0;
}
