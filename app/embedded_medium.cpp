#include "app/embedded_medium.h"

namespace vurerode::setup {

void TEmbeddedMedium::Verify() {
  if (verified_) return;
  held_ = machine_.fs().OpenFile(files_.Medium().Path(), platform::FileAccess::Read);
  files_.Medium().Verify(machine_.fs());
  verified_ = true;
}

std::unique_ptr<TEmbeddedMedium> OpenEmbeddedMedium(platform::Platform& machine, const std::string& program,
                                                    std::string& damage) {
  if (program.empty()) return nullptr;
  try {
    if (auto medium = TSingleFile::Open(machine.fs(), program))
      return std::make_unique<TEmbeddedMedium>(machine, std::move(*medium));
  } catch (const ESingleFileDamaged& e) {
    damage = e.what();
  } catch (const Exception&) {
    // A program that cannot be read is taken as a plain one: the set beside it, if any, is used.
  }
  return nullptr;
}

}  // namespace vurerode::setup
