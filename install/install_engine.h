// InstallApplication: copies the files into place, makes the program folders and shortcuts, writes
// the configured INI and registry entries, logs every item for the uninstaller and registers it.
#pragma once

#include <string>
#include <vector>

namespace vurerode::setup {

class TDisplayScreen;

// Runs the whole installation from the install page and switches the wizard to the finish page.
// Files that could not be copied do not stop it (the uninstall log and registration are still
// written, so what did land can be removed); they are reported at the end and the run counts as
// failed.
void InstallApplication(TDisplayScreen& main);

// The folder chain of a shortcut group: G, then G without its last part, down to the first part,
// which is listed twice (A\B\C gives A\B\C, A\B, A, A); an empty or single G gives G once.
std::vector<std::string> FolderChain(const std::string& folder);

}  // namespace vurerode::setup
