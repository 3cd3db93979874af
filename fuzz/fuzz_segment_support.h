// What the segment fuzz targets share: a Windows-like file system held in memory (names compared
// without case, every open file counted, writes capped so that no input runs long), an owner whose
// prompter answers from the input, and the checks every expansion must pass however it ends.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "fuzz/memory_file_system.h"
#include "platform/exception.h"
#include "segment/seg_comp_ez.h"
#include "segment/seg_records.h"

namespace vurerode::fuzz {

// Answers questions from a few bytes of the input: OK or Cancel, and typed folders.
class InputPrompter : public Prompter {
 public:
  explicit InputPrompter(uint8_t script) : script_(script) {}
  PromptResult Message(const std::string&, const std::string&, PromptButtons, PromptIcon) override {
    // At most a few retries, so that no input loops.
    return (++asked_ <= (script_ & 3)) ? PromptResult::Ok : PromptResult::Cancel;
  }
  bool InputQuery(const std::string&, const std::string&, std::string& value) override {
    ++asked_;
    if (asked_ > 6) return false;
    if ((script_ >> 2) & 1) value = (asked_ & 1) ? "" : "C:\\SET";
    return true;
  }

 private:
  uint8_t script_;
  int asked_ = 0;
};

class FuzzOwner : public TSegOwner {
 public:
  explicit FuzzOwner(uint8_t script) : prompter_(script) {}
  Prompter& SegPrompter() override { return prompter_; }

 private:
  InputPrompter prompter_;
};

// One segment file: the 8-byte header and a payload.
inline std::vector<uint8_t> Segment(uint16_t number, const uint8_t* payload, size_t n) {
  TSegmentHeader h;
  h.Id = kSegmentId;
  h.Number = number;
  auto packed = h.Pack();
  std::vector<uint8_t> out(packed.begin(), packed.end());
  out.insert(out.end(), payload, payload + n);
  return out;
}

// Runs one expansion and checks what must hold however it ends: no file open, nothing of the
// reader's own left in the work folder (a set may send its data files there), the application's
// handlers back in place. Only the library's own errors may escape the expansion; anything else
// reaches libFuzzer as a crash. checkFile, when given, is the application's OnCheckFile.
inline void ExpandAndCheck(MemoryFileSystem& files, TSegCompEZ& seg, std::function<void(std::string&)> checkFile = {}) {
  int handlerCalls = 0;
  std::set<std::string> dataFiles;
  seg.OnShowProgress = [&](int32_t&) { ++handlerCalls; };
  seg.OnCheckFile = [&](std::string& path, TCProcessMode) {
    if (checkFile) checkFile(path);
    dataFiles.insert(MemoryFileSystem::Key(path));
  };
  // A file reported written is there, whole, with the size reported.
  seg.OnFileExpanded = [&](const std::string& path, int64_t size) {
    auto file = files.store.files.find(MemoryFileSystem::Key(path));
    if (file == files.store.files.end() || static_cast<int64_t>(file->second->size()) != size) abort();
  };
  try {
    seg.SegExpand();
  } catch (const Exception&) {
  }
  if (files.store.open != 0) abort();
  for (const auto& [path, bytes] : files.store.files)
    if (path.rfind("C:\\WORK\\", 0) == 0 && !dataFiles.count(path)) abort();
  const int before = handlerCalls;
  int32_t percent = 0;
  if (!seg.OnShowProgress) abort();
  seg.OnShowProgress(percent);
  if (handlerCalls != before + 1) abort();
}

}  // namespace vurerode::fuzz
