#include "platform/shell.h"

namespace vurerode::platform {

std::string ShowStateName(int showState) {
  switch (showState) {
    case kShowHide: return "SW_HIDE";
    case kShowNormal: return "SW_SHOWNORMAL";
    case kShowMinimized: return "SW_SHOWMINIMIZED";
    case kShowMaximized: return "SW_SHOWMAXIMIZED";
    case 4: return "SW_SHOWNOACTIVATE";
    case 5: return "SW_SHOW";
    case 6: return "SW_MINIMIZE";
    case 7: return "SW_SHOWMINNOACTIVE";
    case 8: return "SW_SHOWNA";
    case 9: return "SW_RESTORE";
    case 10: return "SW_SHOWDEFAULT";
    default: return std::to_string(showState);
  }
}

}  // namespace vurerode::platform
