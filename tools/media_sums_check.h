// `vurerode test` of a set also checks the SHA256SUMS that `vurerode build` writes beside the
// segments: the archives' byte sums miss bytes that only moved, the SHA-256 does not. Each segment
// is checked as the reader comes to it, the other listed files at the end.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "platform/exception.h"
#include "platform/file_system.h"
#include "segment/media_sums.h"

namespace vurerode::cli {

// A file of the media that disagrees with SHA256SUMS; the message names it.
class MediaDamage : public Exception {
 public:
  using Exception::Exception;
};

class MediaSumsCheck {
 public:
  // Reads folder's SHA256SUMS (folder in Windows form, ending with a backslash); without one nothing
  // is checked. shownFolder is the folder as the user named it, for messages.
  MediaSumsCheck(platform::FileSystem& fs, const std::string& folder, const std::string& shownFolder);

  bool Active() const { return sums_.has_value(); }

  // A segment of the folder the reader is about to open. Raises MediaDamage when it does not match
  // its sum or is not listed; a missing segment is left to the reader.
  void CheckSegment(const std::string& name);
  // Every listed file not checked as a segment, in the set's folder; raises MediaDamage for one that
  // does not match or cannot be read. Returns how many files were checked in all.
  size_t CheckTheRest();

 private:
  platform::FileSystem& fs_;
  std::string folder_;
  std::string shownFolder_;
  std::optional<TMediaSums> sums_;
  std::set<std::string> checked_;  // lower case
};

}  // namespace vurerode::cli
