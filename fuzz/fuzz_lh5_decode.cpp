// libFuzzer target: arbitrary bytes as a coLZH5 entry. The first two bytes choose how many bytes
// to produce, the rest is the coded stream. Decoding runs through TCompress's stream driver and
// must end normally, with ELZHBadDecodeTable or with EBadChecksum (a code past the end of the
// input), never crash or hang, and must give exactly the bytes and the error of the plain
// reference decoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "../tests/archive/lh5_reference_decoder.h"
#include "archive/codec_io.h"
#include "archive/compress.h"
#include "archive/errors.h"
#include "platform/posix/host_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace vurerode;
  if (size < 2) return 0;
  // Up to 128 KiB of output keeps each run short while covering several windows and blocks.
  const int32_t count = static_cast<int32_t>((data[0] | data[1] << 8) * 2);
  const std::vector<uint8_t> coded(data + 2, data + size);

  platform::HostFileSystem files;
  TCompress compress(files);
  TMemoryStream source(coded);
  TMemoryStream out;
  bool bad = false;
  bool stopped = false;
  try {
    compress.ProcessStream(TProcessDirection::Expand, out, source, coLZH5, count, static_cast<int32_t>(coded.size()),
                           false);
  } catch (const ELZHBadDecodeTable&) {
    bad = true;
  } catch (const EBadChecksum&) {
    stopped = true;
  }
  // Decoding stops within one match of the count.
  if (!bad && !stopped &&
      (out.data().size() < static_cast<size_t>(count) || out.data().size() >= static_cast<size_t>(count) + 256))
    std::abort();

  TMemoryStream refSource(coded);
  TMemoryStream refOut;
  CodecIO::Setup setup;
  setup.input = &refSource;
  setup.output = &refOut;
  setup.inputSize = static_cast<int64_t>(coded.size());
  auto io = std::make_unique<CodecIO>(setup);
  bool refBad = false;
  bool refStopped = false;
  try {
    test::ReferenceLh5Decoder(*io).Decode(count);
    io->Finish();
  } catch (const ELZHBadDecodeTable&) {
    refBad = true;
  } catch (const EBadChecksum&) {
    refStopped = true;
  }
  if (bad != refBad || stopped != refStopped || out.data() != refOut.data()) std::abort();
  return 0;
}
