// Runs a codec over bytes held in memory and returns what it wrote: for code that codes buffers
// rather than archive entries (checks, seed inputs, benchmarks). The budget is the CodecIO's output
// budget: past it the codec raises EUnableToCompress.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "archive/codec_io.h"

namespace vurerode {

std::vector<uint8_t> CodeBytes(const std::function<void(CodecIO&)>& codec, const std::vector<uint8_t>& input,
                               int64_t outputBudget = 0x7FFFFFFF);

}  // namespace vurerode
