#include "ui/console/console_run.h"

#include "app/elevated_start.h"
#include "platform/argument_quoting.h"
#include "ui/console/console_wizard.h"

namespace vurerode::setup::console {

int RunSetup(platform::Platform& machine, ConsoleView& view, const ConsoleOptions& options, TextOutput& out,
             TextOutput* log, TSessionOptions session) {
  const auto end = [&](TSetupOutcome outcome) {
    out << "setup: " << OutcomeText(outcome) << "\n";
    if (log) *log << "outcome: " << OutcomeText(outcome) << '\n';
    return ExitStatus(outcome);
  };
  if (options.scope) session.RequestedScope = options.scope;
  session.Unattended = options.silent;
  session.Elevated = options.elevated;
  session.CommandLine = options.commandLine;
  std::unique_ptr<TDisplayScreen> screen;
  try {
    screen = StartSetup(machine, view, options.args, std::move(session));
  } catch (const ESetupBusy& e) {
    view.Message(e.what(), kSetupTitle, PromptButtons::Ok, PromptIcon::Error);
    return end(TSetupOutcome::Busy);
  }
  view.Attach(screen.get());
  if (!screen->Globals.UninstallMode) screen->Timer1Timer();
  if (!screen->Closed) {
    if (options.silent)
      DriveSilent(*screen, view, options);
    else
      DriveInteractive(*screen, view);
  }
  screen->Destroy();
  if (screen->Outcome == TSetupOutcome::NeedsElevation) {
    const TElevationRequest request = *screen->Elevation;
    screen.reset();  // the machine's lock goes with the window: the elevated run takes it
    // The elevated run appends to the /LOG record: this run writes all it has first, and nothing
    // once that run has written.
    if (log) {
      *log << "elevated start: " << platform::QuoteArguments(request.Arguments) << '\n';
      log->Flush();
    }
    const TElevatedEnd elevated = StartElevated(machine, view, request, options.silent);
    out << "setup: " << ElevatedEndText(elevated) << "\n";
    if (log && elevated.Declined) *log << "outcome: " << ElevatedEndText(elevated) << '\n';
    return elevated.Status;
  }
  if (!view.kept().empty()) {
    out << "Kept (not removed):\n";
    for (const std::string& k : view.kept()) out << "  " << k << "\n";
  }
  // The lock is let go only now, with the window.
  return end(screen->Outcome);
}

}  // namespace vurerode::setup::console
