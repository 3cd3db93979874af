#include "shell/file_ops.h"

#include <vector>

#include "platform/text.h"
#include "platform/exception.h"
#include "platform/file_search.h"
#include "platform/windows_path.h"

namespace vurerode {

using platform::ExcludeTrailingBackslash;
using platform::ExtractFileName;
using platform::IncludeTrailingBackslash;

bool HasAttributes(platform::FileSystem& fs, const std::string& path, uint32_t mask) {
  return (fs.GetAttributes(path) & mask) == mask;
}

int64_t CopyFileInto(platform::FileSystem& fs, const std::string& source, const std::string& destination) {
  std::string target = fs.FullPathName(destination);
  if (target.empty()) target = destination;
  if (HasAttributes(fs, target, platform::faDirectory))
    target = IncludeTrailingBackslash(target) + ExtractFileName(source);

  auto in = fs.OpenFile(source, platform::FileAccess::Read);
  auto out = fs.CreateFile(target);
  int64_t copied = 0;
  try {
    std::vector<uint8_t> buffer(8192);
    for (;;) {
      size_t got = in->Read(buffer.data(), buffer.size());
      if (got) out->Write(buffer.data(), got);
      copied += static_cast<int64_t>(got);
      if (got < buffer.size()) break;
    }
  } catch (const Exception& e) {
    // A target that did not get all of the source is worse than none.
    out.reset();
    fs.DeleteFile(target);
    if (dynamic_cast<const EWriteError*>(&e))
      throw EWriteError("Cannot copy " + source + " to " + target + ": " + e.what());
    throw;
  }
  return copied;
}

bool IsDriveRootFolder(platform::FileSystem& fs, const std::string& dir) {
  std::string full = fs.FullPathName(IncludeTrailingBackslash(dir));
  return full.empty() || platform::IsDriveRoot(full);
}

bool IsProtectedFolder(platform::FileSystem& fs, const std::string& dir) {
  if (IsDriveRootFolder(fs, dir)) return true;
  std::string full = fs.FullPathName(IncludeTrailingBackslash(dir));
  std::string shortForm = fs.ShortPathName(full);
  std::string windows = fs.WindowsDirectory();
  for (const char* sub : {"", "System", "System32", "Fonts"}) {
    std::string guarded = fs.FullPathName(IncludeTrailingBackslash(*sub ? windows + "\\" + sub : windows));
    if (platform::SameText(full, guarded)) return true;
    // The same folder may be named by its 8.3 alias.
    std::string guardedShort = fs.ShortPathName(guarded);
    if (!shortForm.empty() && !guardedShort.empty() &&
        platform::SameText(IncludeTrailingBackslash(shortForm), IncludeTrailingBackslash(guardedShort)))
      return true;
  }
  return false;
}

bool ForceDirectories(platform::FileSystem& fs, const std::string& dir) {
  if (dir.empty()) throw Exception("Unable to create directory");
  std::string d = ExcludeTrailingBackslash(dir);
  if (d.empty() || fs.DirectoryExists(d)) return true;
  std::string parent = ExcludeTrailingBackslash(platform::ExtractFilePath(d));
  // A drive ("C:") or a name without a folder has no parent to make first.
  if (!parent.empty() && parent != d && parent.back() != ':' && !ForceDirectories(fs, parent)) return false;
  return fs.CreateDirectory(d) == 0 || fs.DirectoryExists(d);
}

}  // namespace vurerode
