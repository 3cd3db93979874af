// A setup program that may carry its medium, as the setup program and the tool open it: any bytes
// either are no single file, or open, or raise ESingleFileDamaged; what opens reads its members and
// its uninstaller within the file, and a changed byte never verifies unseen.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/memory_file_system.h"
#include "platform/exception.h"
#include "segment/embedded_set_file_system.h"
#include "segment/single_file.h"

using namespace vurerode;
using fuzz::MemoryFileSystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MemoryFileSystem files;
  files.Put("C:\\MEDIA\\setup.exe", std::vector<uint8_t>(data, data + size));
  try {
    auto single = TSingleFile::Open(files, "C:\\MEDIA\\setup.exe");
    if (!single) return 0;
    for (const TEmbeddedMember& m : single->Members())
      if (m.offset + m.stored > size) __builtin_trap();
    if (single->Uninstaller(files).size() > size) __builtin_trap();
    TEmbeddedSetFileSystem view(files, *single);
    std::vector<uint8_t> buffer(4096);
    for (const TEmbeddedMember& m : single->Members()) {
      auto in = view.OpenFile("C:\\MEDIA\\" + m.name, platform::FileAccess::Read);
      uint64_t total = 0;
      for (size_t got; (got = in->Read(buffer.data(), buffer.size())) != 0;) total += got;
      if (total != m.size) __builtin_trap();
    }
    single->Verify(files);
  } catch (const Exception&) {
  }
  return 0;
}
