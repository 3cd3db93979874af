// Uninstall mode: the start (title, installed directory, cleanup batch, configuration) and the
// removal of everything the uninstall log names, pass by pass.
#pragma once

namespace vurerode::setup {

class TDisplayScreen;

// When the main window is first shown in uninstall mode.
void UninstallStart(TDisplayScreen& main);
// The uninstaller page's Start button.
void RemoveInstallation(TDisplayScreen& main);
// True once a removal has run to its end.
bool RemovalCompleted(const TDisplayScreen& main);

}  // namespace vurerode::setup
