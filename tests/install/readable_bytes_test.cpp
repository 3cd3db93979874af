// Byte counts in the free-space refusal read as printf's "%.1f KB" would write them, ties to even
// included, though the setup program formats them without printf.
#include <gtest/gtest.h>

#include <cstdio>

#include "install/free_space.h"

namespace vurerode::setup {
namespace {

std::string AsPrintfWrites(uint64_t bytes) {
  char text[48];
  const double b = static_cast<double>(bytes);
  if (bytes < 1024)
    std::snprintf(text, sizeof text, "%.0f bytes", b);
  else if (bytes < 1024 * 1024)
    std::snprintf(text, sizeof text, "%.1f KB", b / 1024);
  else if (bytes < 1024 * 1024 * 1024)
    std::snprintf(text, sizeof text, "%.1f MB", b / (1024.0 * 1024));
  else
    std::snprintf(text, sizeof text, "%.2f GB", b / (1024.0 * 1024 * 1024));
  return text;
}

TEST(ReadableBytes, ReadsAsPrintfWouldWriteIt) {
  const uint64_t kKilo = 1024, kMega = kKilo * kKilo, kGiga = kMega * kKilo;
  // Edges of each unit, halves that round to even either way, and a carry into the next whole.
  for (uint64_t bytes : {uint64_t{0},
                         uint64_t{1},
                         kKilo - 1,
                         kKilo,
                         kKilo + 51,
                         uint64_t{1280},
                         uint64_t{1331},
                         uint64_t{1126},
                         uint64_t{1178},
                         kMega - 1,
                         kMega,
                         kMega + kMega / 20,
                         3 * kMega / 2 + kMega / 20,
                         kGiga - 1,
                         kGiga,
                         kGiga + kGiga / 200,
                         kGiga + 3 * kGiga / 200,
                         5 * kGiga + kGiga / 400,
                         (uint64_t{1} << 40) + 12345,
                         uint64_t{987654321987}})
    EXPECT_EQ(ReadableBytes(bytes), AsPrintfWrites(bytes)) << bytes;
  for (uint64_t seed = 1, bytes = 1; seed < 2000; ++seed) {
    bytes = bytes * 6364136223846793005ull + 1442695040888963407ull;
    const uint64_t sample = bytes >> (seed % 40 + 20);
    EXPECT_EQ(ReadableBytes(sample), AsPrintfWrites(sample)) << sample;
  }
}

}  // namespace
}  // namespace vurerode::setup
