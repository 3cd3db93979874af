// How the setup program ends: the finish page's actions (follow-up programs, then the application
// or a restart) and the main window's destruction (the expansion directory removed, or the
// uninstaller's cleanup batch started).
#pragma once

#include <string>

namespace vurerode::setup {

class TDisplayScreen;

// The Finished button.
void FinishInstallation(TDisplayScreen& main);
// The destruction of the main window.
void DestroyMainWindow(TDisplayScreen& main);

}  // namespace vurerode::setup
