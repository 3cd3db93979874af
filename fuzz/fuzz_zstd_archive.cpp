// Lists and expands arbitrary bytes as an archive of the zstd method, in a file system held in
// memory. The first byte chooses a key, a selection of every other entry and a handler that skips
// some, so that entries decoded only to be passed over are reached too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archive/compress.h"
#include "archive/zstd_method.h"
#include "fuzz/archive_walk.h"
#include "fuzz/memory_file_system.h"
#include "platform/exception.h"

namespace {

using namespace vurerode;

// Several entries' worth; a window's worth of output would only repeat paths already covered.
constexpr size_t kOutputLimit = 256 << 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t options = data[0];
  std::vector<uint8_t> archive(data + 1, data + size);

  fuzz::MemoryFileSystem files;
  files.store.budget = kOutputLimit;
  TCompress compress(files);
  ReadZstdMethod(compress);
  compress.Key = (options & 1) ? 0x01020304 : 0;
  compress.SetTargetPath("C:\\target");
  compress.MakeDirectories = true;
  if (options & 2) {
    int calls = 0;
    compress.OnCheckFile = [calls](std::string& path, TCProcessMode) mutable {
      if (++calls % 2 == 1) path.clear();
    };
  }
  fuzz::ListAndExpand(compress, archive, (options & 4) != 0, 1);
  return 0;
}
