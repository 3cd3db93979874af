#include "platform/file_search.h"

namespace vurerode::platform {

TFileSearch::TFileSearch(FileSystem& fs, const std::string& pattern, uint32_t attributeMask)
    : exclude_(~attributeMask & (faHidden | faSysFile | faVolumeID | faDirectory)) {
  search_ = fs.FindFirst(pattern, pending_);
  havePending_ = search_ != nullptr;
}

bool TFileSearch::Next(TSearchRec& rec) {
  while (search_) {
    if (!havePending_ && !search_->Next(pending_)) {
      search_.reset();
      break;
    }
    havePending_ = false;
    if (pending_.attributes & exclude_) continue;
    rec.Time = pending_.lastWriteDosTime;
    rec.Size = pending_.size;
    rec.Attr = pending_.attributes;
    rec.Name = pending_.name;
    rec.ShortName = pending_.shortName;
    return true;
  }
  return false;
}

}  // namespace vurerode::platform
