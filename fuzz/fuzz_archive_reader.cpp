// Lists and expands arbitrary bytes as an archive into a file system held in memory, so that no
// disk is touched and every written byte is counted. The first six bytes choose the key, the
// component's options and the free disk space, so locked entries, selections, handlers and the
// space check are all reached.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "archive/compress.h"
#include "fuzz/archive_walk.h"
#include "fuzz/memory_file_system.h"
#include "platform/exception.h"

namespace {

using namespace vurerode;

// Enough for several entries of every method. Beyond it a decoder only repeats paths already
// covered, and slowly under instrumentation (the codec targets go further).
constexpr size_t kOutputLimit = 32 << 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 6) return 0;
  int32_t key = static_cast<int32_t>(data[0] | data[1] << 8 | data[2] << 16 | uint32_t{data[3]} << 24);
  const uint8_t options = data[4];
  const uint8_t space = data[5];
  std::vector<uint8_t> archive(data + 6, data + size);

  fuzz::MemoryFileSystem files;
  files.store.budget = kOutputLimit;
  // A failed disk query, or some free space counted in 4 KiB steps.
  files.freeBytes = (space & 1) ? -1.0 : (space >> 1) * 4096.0;
  TCompress compress(files);
  compress.Key = key;
  compress.SetTargetPath("C:\\target");
  compress.MakeDirectories = options & 1;
  compress.CheckSpaceBeforeExpand = options & 2;
  compress.ExceptionOnFileError = options & 4;
  if (options & 8) compress.OnRecognize = [](const std::string&, bool& ok) { ok = true; };
  if (options & 16) {
    // Custom entries: read a little of the source, write it back, claim a checksum.
    compress.OnExpand = [](TStream& dest, TStream& source, int32_t sourceSize, int32_t, const std::string&,
                           int32_t& checksum) {
      uint8_t buf[64];
      size_t want = sourceSize > 0 && sourceSize < 64 ? static_cast<size_t>(sourceSize) : 64;
      size_t got = source.Read(buf, want);
      dest.Write(buf, got);
      checksum = static_cast<int32_t>(got);
    };
  }
  if (options & 32) {
    int calls = 0;
    compress.OnCheckFile = [calls](std::string& path, TCProcessMode) mutable {
      ++calls;
      if (calls % 3 == 0) path.clear();
      if (calls == 7) path = "*";
    };
  }
  if (options & 64) {
    int calls = 0;
    compress.OnShowProgress = [calls](int32_t& percent) mutable {
      if (++calls == 5) percent = -1;
    };
  }

  fuzz::ListAndExpand(compress, archive, (options & 128) != 0, 0);
  return 0;
}
