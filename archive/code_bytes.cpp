#include "archive/code_bytes.h"

namespace vurerode {

std::vector<uint8_t> CodeBytes(const std::function<void(CodecIO&)>& codec, const std::vector<uint8_t>& input,
                               int64_t outputBudget) {
  TMemoryStream source(input);
  TMemoryStream sink;
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &sink;
  setup.inputSize = static_cast<int64_t>(input.size());
  setup.outputBudget = outputBudget;
  CodecIO io(setup);
  codec(io);
  io.Finish();
  return sink.data();
}

}  // namespace vurerode
