#include "shell/shortcuts.h"

#include "platform/text.h"
#include "platform/exception.h"
#include "platform/file_search.h"
#include "platform/windows_path.h"
#include "shell/file_ops.h"
#include "shell/shell_folders.h"

namespace vurerode {

TShortcuts::TShortcuts(platform::Platform& platform) : platform_(platform) {
  RefreshFolderList();
}

void TShortcuts::RefreshFolderList() {
  FolderList.clear();
  platform::TFileSearch search(platform_.fs(), GetShellFolder(platform_, kShellPrograms) + "*.*",
                               platform::faDirectory);
  platform::TSearchRec rec;
  while (search.Next(rec)) {
    std::string upper = platform::UpperCase(rec.Name);
    if (upper.empty() || upper[0] == '.' || upper.find(".LNK") != std::string::npos) continue;
    FolderList.push_back(platform::ExtractFileName(rec.Name));
  }
}

void TShortcuts::SaveInGroup(platform::ShellLink& link, const std::string& base) {
  std::string dir = base + Folder + "\\";
  if (!platform_.fs().DirectoryExists(dir) && !ForceDirectories(platform_.fs(), dir))
    throw EInOutError(5, "Unable to create directory " + dir);
  link.Save(dir + ProgramName + ".lnk");
}

void TShortcuts::SaveDirect(platform::ShellLink& link, const std::string& base) {
  link.Save(base + ProgramName + ".lnk");
}

void TShortcuts::CreateShortcut() {
  std::string quickLaunch = QuickLaunchFolder(platform_, Folders);
  std::unique_ptr<platform::ShellLink> link = platform_.shell().CreateShellLink();
  link->SetPath(RunProgram);
  link->SetWorkingDirectory(platform::ExtractFilePath(RunProgram));
  link->SetIconLocation(IconFile, 0);

  if (FolderDesktop || FolderStartMenu || FolderQuickLaunch) {
    if (FolderDesktop) {
      SaveInGroup(*link, GetShellFolder(platform_, kShellDesktop, Folders));
      SaveInGroup(*link, GetShellFolder(platform_, kShellPrograms, Folders));
    }
    if (FolderStartMenu) SaveInGroup(*link, GetShellFolder(platform_, kShellStartMenu, Folders));
    if (FolderQuickLaunch) SaveInGroup(*link, quickLaunch);
  } else {
    SaveInGroup(*link, GetShellFolder(platform_, kShellPrograms, Folders));
  }
  if (Desktop) SaveDirect(*link, GetShellFolder(platform_, kShellDesktop, Folders));
  if (StartMenu) SaveDirect(*link, GetShellFolder(platform_, kShellStartMenu, Folders));
  if (QuickLaunch) SaveDirect(*link, quickLaunch);
}

}  // namespace vurerode
