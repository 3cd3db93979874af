// The medium's own check: the archive checksums are byte sums and miss bytes that only moved, so a
// medium that lists SHA-256 sums has each file compared before it is read.
#include "app/display_screen.h"
#include "app/unzip.h"
#include "platform/exception.h"

namespace vurerode::setup {

void TUnzip::CheckMedium(const std::string& name) {
  platform::FileSystem& fs = main_.platform().fs();
  const std::string& dir = main_.Globals.SourceDir;
  if (!sumsLoaded_) {
    sums_ = TMediaSums::Load(fs, dir);
    sumsLoaded_ = true;
  }
  if (!sums_ || !fs.FileExists(dir + name)) return;
  switch (sums_->Check(fs, dir, name)) {
    case MediaSumResult::Match: return;
    case MediaSumResult::Mismatch:
      throw Exception(name + " is damaged: its SHA-256 does not match " + kMediaSumsFile + ".");
    case MediaSumResult::Unlisted: throw Exception(name + " is not listed in " + kMediaSumsFile + ".");
  }
}

}  // namespace vurerode::setup
