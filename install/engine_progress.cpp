#include "install/engine_progress.h"

namespace vurerode::setup {

const char* RecordKindName(RecordKind kind) {
  switch (kind) {
    case RecordKind::Step: return "step";
    case RecordKind::File: return "file";
    case RecordKind::Folder: return "folder";
    case RecordKind::Shortcut: return "shortcut";
    case RecordKind::IniValue: return "ini";
    case RecordKind::RegistryValue: return "registry";
    case RecordKind::Kept: return "kept";
    case RecordKind::Removed: return "removed";
  }
  return "?";
}

}  // namespace vurerode::setup
