#include "shell/del_tree.h"

#include "platform/windows_path.h"
#include "shell/file_ops.h"

namespace vurerode {

using platform::faArchive;
using platform::faDirectory;
using platform::faHidden;
using platform::faReadOnly;
using platform::faSysFile;

bool TMPDelTree::Execute() {
  errorShown_ = false;
  cancelled_ = false;
  platform::FileSystem& fs = platform_.fs();
  // Leave the current directory, which may be the tree itself (the uninstaller runs from there).
  fs.ChangeDirectory(fs.CurrentDirectory() + "\\..");
  Path = platform::ExcludeTrailingBackslash(Path);
  if (!fs.DirectoryExists(Path)) {
    Report("The directory %s doesn't exist", Path);
    return true;
  }
  if (IsProtectedFolder(fs, Path)) {
    Report("Cannot delete directory %s: it is a drive's root or a Windows system folder", Path);
    return false;
  }
  return DeleteTree(Path);
}

bool TMPDelTree::DeleteTree(const std::string& dir) {
  platform::FileSystem& fs = platform_.fs();
  bool result = true;
  std::string d = dir + "\\";
  {
    platform::TFileSearch search(fs, d + "*.*", faReadOnly | faHidden | faSysFile | faDirectory | faArchive);
    platform::TSearchRec rec;
    while (search.Next(rec)) {
      std::string path = d + rec.Name;
      if (rec.Attr & faDirectory) {
        if (rec.Name == "." || rec.Name == "..") continue;
        result = DeleteTree(path);
        if (cancelled_) return false;
        continue;
      }
      if (OnProcessFile) {
        bool cancel = false;
        OnProcessFile(*this, path, rec, cancel);
        if (cancel) {
          search.Close();
          Report("DelTree aborted by user !", "");
          cancelled_ = true;
          return false;
        }
      }
      // Only the attributes that keep a file from being deleted need clearing.
      if (rec.Attr & (faReadOnly | faHidden | faSysFile)) fs.SetAttributes(path, 0);
      if (!fs.DeleteFile(path)) {
        search.Close();
        Report("Cannot delete file %s", path);
        return false;
      }
    }
  }
  fs.SetAttributes(dir, 0);
  if (!fs.RemoveDirectory(dir)) {
    Report("Cannot delete directory %s", dir);
    return false;
  }
  return result;
}

void TMPDelTree::Report(const std::string& format, const std::string& argument) {
  if (Verbose && !errorShown_ && prompter_) {
    std::string text = format;
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, argument);
    prompter_->Message(text, "", PromptButtons::Ok, PromptIcon::Error);
  }
  errorShown_ = true;
}

void DeleteFilesByMask(platform::FileSystem& fs, const std::string& dir, const std::string& mask) {
  if (IsDriveRootFolder(fs, dir.empty() ? std::string(".") : dir)) return;
  platform::TFileSearch search(fs, dir + mask, platform::faAnyFile);
  platform::TSearchRec rec;
  while (search.Next(rec)) fs.DeleteFile(dir + rec.Name);
}

}  // namespace vurerode
