// The compression function of SHA-256 over whole 64-byte blocks, in its two forms: portable, and
// with the x86 SHA instructions where the processor has them (several times as fast, which a
// medium's check of every segment before reading it notices).
#pragma once

#include <cstddef>
#include <cstdint>

namespace vurerode::sha256_blocks {

void Portable(uint32_t state[8], const uint8_t* blocks, size_t count);
// False, touching nothing, when this processor (or this build) has no SHA instructions.
bool WithShaInstructions(uint32_t state[8], const uint8_t* blocks, size_t count);

}  // namespace vurerode::sha256_blocks
