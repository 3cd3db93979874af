#include "segment/seg_comp_ez.h"

namespace vurerode {

void TSegCompEZ::SegExpand() {
  SetTargetPath("");
  SegExpandArchives(SegArcList);
  segSource_.clear();
  for (size_t i = 0; i < SegArcList.Count(); ++i) segSource_.push_back(SegArcList[i].Template);
  SetTargetPath("");
}

}  // namespace vurerode
