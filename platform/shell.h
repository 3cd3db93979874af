// The shell half of the seam: icons, shortcut (.lnk) files and handing files to the shell.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace vurerode::platform {

// Window show states (the Windows SW_ values).
enum ShowState : int {
  kShowHide = 0,
  kShowNormal = 1,
  kShowMinimized = 2,
  kShowMaximized = 3,
};
// The SW_ name of a show state ("SW_SHOWNORMAL"), or the number for others.
std::string ShowStateName(int showState);

// The shell's link object, set up and then saved to one or more files. Created per use; the
// implementation brings up whatever the shell needs (COM) for the object's lifetime.
class ShellLink {
 public:
  virtual ~ShellLink() = default;
  virtual void SetPath(const std::string& target) = 0;
  virtual void SetWorkingDirectory(const std::string& directory) = 0;
  virtual void SetIconLocation(const std::string& iconFile, int index) = 0;
  // Writes the link to file (a .lnk path), replacing one that exists. False when it could not be
  // written (for example when the folder does not exist).
  virtual bool Save(const std::string& file) = 0;
};

// Who owns the windows the shell opens for a request.
enum class ShellOwner { MainWindow, Desktop };

class Shell {
 public:
  virtual ~Shell() = default;
  // Index of the file's small icon in the system image list (SHGetFileInfo with
  // SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_SMALLICON); 0 when the shell has none.
  virtual int FileIconIndex(const std::string& path) = 0;
  // A new link object; raises EOleError when the shell cannot provide one.
  virtual std::unique_ptr<ShellLink> CreateShellLink() = 0;
  // ShellExecute: verb empty for the file's default action. Returns the shell's result: greater
  // than 32 when the request was carried out, an error code otherwise.
  virtual int Execute(ShellOwner owner, const std::string& verb, const std::string& file, const std::string& parameters,
                      const std::string& directory, int showState) = 0;
  // The window that MainWindow stands for (an HWND on Windows; 0 for none).
  virtual void SetMainWindow(uintptr_t window) = 0;
};

}  // namespace vurerode::platform
