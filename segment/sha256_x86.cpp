#include "segment/sha256_blocks.h"

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define VURERODE_SHA_X86 1
#endif

namespace vurerode::sha256_blocks {

#if VURERODE_SHA_X86
namespace {

bool HasShaInstructions() {
  unsigned a = 0, b = 0, c = 0, d = 0;
  if (!__get_cpuid(1, &a, &b, &c, &d)) return false;
  const bool ssse3 = (c & (1u << 9)) != 0, sse41 = (c & (1u << 19)) != 0;
  if (!__get_cpuid_count(7, 0, &a, &b, &c, &d)) return false;
  return ssse3 && sse41 && (b & (1u << 29)) != 0;
}

// The instructions work on the state as the pairs ABEF and CDGH, four rounds per message word
// group; each group's words come from the four before it.
__attribute__((target("sha,sse4.1,ssse3"))) void Blocks(uint32_t state[8], const uint8_t* blocks, size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
  __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
  const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  for (; count > 0; --count, blocks += 64) {
    const __m128i abefBefore = abef, cdghBefore = cdgh;
    __m128i w[16];
    for (int i = 0; i < 16; ++i) {
      if (i < 4)
        w[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byteSwap);
      else
        w[i] = _mm_sha256msg2_epu32(
            _mm_add_epi32(_mm_sha256msg1_epu32(w[i - 4], w[i - 3]), _mm_alignr_epi8(w[i - 1], w[i - 2], 4)), w[i - 1]);
      __m128i k = _mm_add_epi32(w[i], _mm_load_si128(reinterpret_cast<const __m128i*>(kRound + 4 * i)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, k);
      k = _mm_shuffle_epi32(k, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, k);
    }
    abef = _mm_add_epi32(abef, abefBefore);
    cdgh = _mm_add_epi32(cdgh, cdghBefore);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  dcba = _mm_blend_epi16(feba, dchg, 0xF0);
  hgfe = _mm_alignr_epi8(dchg, feba, 8);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), dcba);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), hgfe);
}

}  // namespace

bool WithShaInstructions(uint32_t state[8], const uint8_t* blocks, size_t count) {
  static const bool available = HasShaInstructions();
  if (!available) return false;
  Blocks(state, blocks, count);
  return true;
}

#else

bool WithShaInstructions(uint32_t*, const uint8_t*, size_t) {
  return false;
}

#endif

}  // namespace vurerode::sha256_blocks
