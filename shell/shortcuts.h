// TShortcuts: writes a program's shortcut (.lnk) into program-group folders and straight onto the
// desktop, the Start menu and the Quick Launch bar.
#pragma once

#include <string>
#include <vector>

#include "platform/platform.h"
#include "shell/shell_folders.h"

namespace vurerode {

class TShortcuts {
 public:
  // Fills FolderList from the Programs folder.
  explicit TShortcuts(platform::Platform& platform);

  std::string RunProgram;   // full path of the program the shortcut starts
  std::string Folder;       // program group folder, may name nested folders (Group\Sub)
  std::string ProgramName;  // the shortcut is ProgramName + ".lnk"
  bool Desktop = false;
  bool QuickLaunch = false;
  bool StartMenu = false;
  bool FolderDesktop = false;
  bool FolderQuickLaunch = false;
  bool FolderStartMenu = false;
  std::vector<std::string> FolderList;  // entries of the Programs folder, shortcuts left out
  std::string IconFile;                 // icon index 0 of this file is used
  TShellSet Folders = TShellSet::Classic;  // whose Desktop, Start Menu and Programs

  void RefreshFolderList();
  // Writes one shortcut for every place the properties select. Raises EOleError when the shell's
  // link object cannot be had, and an error when a group folder cannot be made (shortcuts not yet
  // saved are then not written). A shortcut that cannot be saved is skipped without notice.
  void CreateShortcut();

 private:
  void SaveInGroup(platform::ShellLink& link, const std::string& base);
  void SaveDirect(platform::ShellLink& link, const std::string& base);

  platform::Platform& platform_;
};

}  // namespace vurerode
