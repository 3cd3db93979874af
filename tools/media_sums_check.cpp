#include "tools/media_sums_check.h"

#include "platform/text.h"

namespace vurerode::cli {

MediaSumsCheck::MediaSumsCheck(platform::FileSystem& fs, const std::string& folder, const std::string& shownFolder)
    : fs_(fs), folder_(folder), shownFolder_(shownFolder) {
  try {
    sums_ = TMediaSums::Load(fs, folder);
  } catch (const Exception& e) {
    throw MediaDamage(shownFolder + kMediaSumsFile + ": " + e.what());
  }
}

void MediaSumsCheck::CheckSegment(const std::string& name) {
  // A set whose segments share one name (disk.dat, one per disk) has one sum for the first disk.
  if (!sums_ || checked_.count(platform::LowerCase(name)) > 0 || !fs_.FileExists(folder_ + name)) return;
  MediaSumResult result;
  try {
    result = sums_->Check(fs_, folder_, name);
  } catch (const EFOpenError&) {
    return;  // the reader reports a segment it cannot open
  }
  if (result == MediaSumResult::Mismatch)
    throw MediaDamage(shownFolder_ + name + ": SHA-256 does not match " + kMediaSumsFile);
  if (result == MediaSumResult::Unlisted)
    throw MediaDamage(shownFolder_ + name + ": not listed in " + kMediaSumsFile + ", which lists every segment");
  checked_.insert(platform::LowerCase(name));
}

size_t MediaSumsCheck::CheckTheRest() {
  if (!sums_) return 0;
  for (const auto& [name, hex] : sums_->Entries()) {
    if (!checked_.insert(platform::LowerCase(name)).second) continue;
    MediaSumResult result;
    try {
      result = sums_->Check(fs_, folder_, name);
    } catch (const EFOpenError&) {
      throw MediaDamage(shownFolder_ + name + ": listed in " + kMediaSumsFile + " but cannot be read");
    }
    if (result != MediaSumResult::Match)
      throw MediaDamage(shownFolder_ + name + ": SHA-256 does not match " + kMediaSumsFile);
  }
  return checked_.size();
}

}  // namespace vurerode::cli
