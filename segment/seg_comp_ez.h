// TSegCompEZ: the one-call front end. SegExpand expands a whole set and reports the archives'
// templates in SegSource; the entries stay in SegArcList until the application clears it.
#pragma once

#include <string>
#include <vector>

#include "segment/seg_compress.h"

namespace vurerode {

enum TBuildMode : uint8_t { bmFlat = 0, bmRecursive = 1 };

class TSegCompEZ : public TSegCompress {
 public:
  TSegCompEZ(platform::FileSystem& fs, TSegOwner& owner) : TSegCompress(fs, owner) {}

  // Settings of the building side; expansion keeps them and never uses them.
  TBuildMode SegBuildMode = bmRecursive;
  TCompressionMethod SegCompType = coLZH;
  bool SegMultiArc = false;

  const std::vector<std::string>& SegSource() const { return segSource_; }
  std::vector<std::string>& SegSource() { return segSource_; }
  void SetSegSource(const std::vector<std::string>& lines) { segSource_ = lines; }

  TSegArcList SegArcList;

  // Empties TargetPath, expands the set into SegArcList, replaces SegSource by the templates in
  // list order and empties TargetPath again. After a failure SegSource is left as it was.
  void SegExpand();

 private:
  std::vector<std::string> segSource_;
};

}  // namespace vurerode
