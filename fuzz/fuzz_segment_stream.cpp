// Expands arbitrary bytes as a segmented set held in memory. The first bytes choose how the set is
// cut into segment files (with proper headers, or raw so that the headers are fuzzed too), how
// the prompts are answered, the key, and what the application changes before expansion.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_segment_support.h"

using namespace vurerode;
using namespace vurerode::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 8) return 0;
  const uint8_t options = data[0];
  const size_t segments = data[1] % 6 + 1;
  const uint8_t script = data[2];
  const int32_t key = data[3] & 0x80 ? data[3] : 0;
  const uint8_t* cuts = data + 4;  // one byte per cut: payload sizes of the first segments
  const size_t header = 4 + segments;
  if (size < header) return 0;
  const uint8_t* stream = data + header;
  const size_t streamSize = size - header;

  MemoryFileSystem files;
  files.CreateDirectory("C:\\SET");
  size_t at = 0;
  for (size_t n = 1; n <= segments; ++n) {
    size_t len =
        n < segments ? std::min<size_t>(cuts[n - 1] * ((options & 1) ? 1u : 7u), streamSize - at) : streamSize - at;
    std::string name = "C:\\SET\\disk." + std::string(n < 10 ? "00" : "0") + std::to_string(n);
    if (options & 2) {
      // Raw: the file is whatever bytes come, headers included.
      files.Put(name, std::vector<uint8_t>(stream + at, stream + at + len));
    } else {
      files.Put(name, Segment(static_cast<uint16_t>(n), stream + at, len));
    }
    at += len;
  }

  FuzzOwner owner(script);
  TSegCompEZ seg(files, owner);
  seg.SetSegBaseName("disk");
  seg.SetSegDir("C:\\SET");
  seg.SetSegTmpDir("C:\\WORK");
  seg.SegPopUp = (options & 4) != 0;
  seg.Key = key;
  seg.CheckSpaceBeforeExpand = (options & 8) != 0;
  seg.SmallArchivesInMemory = (options & 64) != 0;
  seg.RestoreFileInfo = (options & 128) == 0;
  if (options & 16) {
    seg.OnSegBeforeExpand = [](TSegArcList& list) {
      if (list.Count() > 1) list.Delete(1);
      if (list.Count() > 0) list[0].FileList.clear();
    };
  }
  std::function<void(std::string&)> checkFile;
  if (options & 32) {
    checkFile = [](std::string& path) {
      if (path.size() % 3 == 0) path.clear();
    };
  }
  ExpandAndCheck(files, seg, checkFile);
  return 0;
}
