// The installation's journal as recovery reads it after a crash: any bytes give the whole records
// before the first damaged one, never a fault, and those records written again read back the same.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "install/journal_records.h"

using namespace vurerode::setup;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TJournalContents contents = DecodeJournal(std::vector<uint8_t>(data, data + size));
  if (!contents.valid) return 0;
  std::vector<uint8_t> again(kJournalMagic.begin(), kJournalMagic.end());
  for (const TJournalRecord& r : contents.records) {
    const std::vector<uint8_t> bytes = EncodeJournalRecord(r);
    again.insert(again.end(), bytes.begin(), bytes.end());
  }
  const TJournalContents reread = DecodeJournal(again);
  if (reread.torn || reread.records != contents.records) __builtin_trap();
  return 0;
}
