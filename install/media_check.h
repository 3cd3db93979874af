// The medium's own check: the archive checksums are byte sums and miss bytes that only moved, so a
// medium that lists SHA-256 sums has each file compared before it is read.
#pragma once

#include <optional>
#include <set>
#include <string>

#include "platform/file_system.h"
#include "segment/media_sums.h"

namespace vurerode::setup {

class TMediumCheck {
 public:
  // sourceDir ends with a backslash. A medium verified as a whole already has its files taken as
  // whole without reading them again.
  TMediumCheck(platform::FileSystem& fs, std::string sourceDir, bool verified = false)
      : fs_(fs), dir_(std::move(sourceDir)), verified_(verified) {}

  // Compares a file of the medium with SHA256SUMS beside it, when the medium has one and the file
  // is there; raises an error naming a damaged or unlisted file. A file found whole is not read
  // again.
  void Check(const std::string& name);

  // True when SHA256SUMS lists the segments base.001 to base.N without a gap and every one of them
  // is on the medium and whole (a damaged one raises as Check does): the set can then be read again
  // later without a disk to ask for and without a byte that could have changed unseen.
  bool WholeSetVerified(const std::string& base);

 private:
  const std::optional<TMediaSums>& Sums();

  platform::FileSystem& fs_;
  std::string dir_;
  bool verified_;
  std::optional<TMediaSums> sums_;
  bool loaded_ = false;
  std::set<std::string> whole_;  // upper-case names found whole
};

}  // namespace vurerode::setup
