#include "app/elevated_start.h"

namespace vurerode::setup {

namespace {

const char kDeclinedText[] =
    "Setup needs administrator rights to install or remove this application for all users of this computer, "
    "and they were not given. Nothing was changed.\n\nStart setup again and allow it to make changes, or ask an "
    "administrator to run it.";

}  // namespace

TElevatedEnd StartElevated(platform::Platform& machine, TSetupView& view, const TElevationRequest& request,
                           bool unattended) {
  TElevatedEnd end;
  const std::optional<int> status = machine.processes().RunThisProgramElevated(request.Arguments, request.Directory);
  if (status) {
    end.Status = *status;
    return end;
  }
  end.Declined = true;
  if (!unattended) view.Message(kDeclinedText, kSetupTitle, PromptButtons::Ok, PromptIcon::Warning);
  return end;
}

std::string ElevatedEndText(const TElevatedEnd& end) {
  if (end.Declined) return "administrator rights were declined; nothing was changed";
  return "the run with administrator rights ended with status " + std::to_string(end.Status);
}

}  // namespace vurerode::setup
