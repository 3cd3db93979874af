// SHA256SUMS as the installer and `vurerode test` read it from a medium: any text either parses or
// raises the library's Exception, and what parses is written back (Format) to a text that parses to
// the same entries.
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/exception.h"
#include "segment/media_sums.h"

using namespace vurerode;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::pair<std::string, std::string>> entries;
  try {
    entries = TMediaSums::Parse(text).Entries();
  } catch (const Exception&) {
    return 0;
  }
  if (TMediaSums::Parse(TMediaSums::Format(entries)).Entries() != entries) __builtin_trap();
  return 0;
}
