// The files a sandbox machine keeps and reads again at its next start, fed arbitrary bytes: the
// first byte picks registry.reg or metadata.txt, the rest is the file. Whatever is read, writing it
// out and reading that back must give the same file again (so nothing a name holds changes meaning
// at a later start), and a metadata record must stay one line of three fields.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/sandbox/metadata_store.h"
#include "platform/sandbox/reg_file.h"

namespace {

using namespace vurerode::platform::sandbox;

void RegistryFile(std::string_view bytes) {
  RegTree first;
  first.Import(bytes);
  std::string exported = first.Export();
  RegTree again;
  again.Import(exported);
  if (again.Export() != exported) abort();
}

void MetadataFile(std::string_view bytes) {
  // A store whose file does not exist reads nothing and, never changed, writes nothing.
  const std::filesystem::path none = "/nonexistent/vurerode-fuzz/metadata.txt";
  MetadataStore first(none);
  first.LoadText(bytes);
  std::string text = first.Text();
  size_t at = 0;
  for (size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
    int tabs = 0;
    for (size_t i = at; i < end; ++i) {
      auto c = static_cast<unsigned char>(text[i]);
      if (c == '\t')
        ++tabs;
      else if (c < 0x20)
        abort();
    }
    if (tabs != 2) abort();
  }
  if (at != text.size()) abort();
  MetadataStore again(none);
  again.LoadText(text);
  if (again.Text() != text) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
  if (data[0] & 1)
    MetadataFile(bytes);
  else
    RegistryFile(bytes);
  return 0;
}
