// What the archive targets do with their input once the component is set up: list it, then expand
// it whole or only every other listed entry, from the one at first on; the library's failures are
// expected answers to bad input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/compress.h"
#include "platform/exception.h"

namespace vurerode::fuzz {

inline void ListAndExpand(TCompress& compress, const std::vector<uint8_t>& archive, bool select, size_t first) {
  TArchiveList list;
  try {
    TMemoryStream stream(archive);
    compress.ListArchiveStream(stream, list);
  } catch (const Exception&) {
  }
  try {
    TMemoryStream stream(archive);
    std::vector<std::string> selection;
    for (size_t i = first; i < list.size(); i += 2) selection.push_back(list[i].Name);
    compress.ExpandArchiveStream(stream, select ? &selection : nullptr);
  } catch (const Exception&) {
  }
}

}  // namespace vurerode::fuzz
