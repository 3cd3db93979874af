#include "install/set_files.h"

#include "install/install_paths.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "platform/windows_path.h"
#include "segment/seg_names.h"

namespace vurerode::setup {

std::string ExpandedPath(const TSetupGlobals& g, const std::string& stored) {
  const std::string path = g.ExpandDir + std::string(platform::Utf16Tail(stored, 2));
  // The redirection must keep every file inside the expansion directory.
  if (!PathIsBelow(path, g.ExpandDir)) throw Exception("The set names a file outside its folder: " + stored);
  return path;
}

std::string FileKey(const std::string& path) {
  return platform::UpperCase(platform::MakeFullPath(path, "C:\\"));
}

void SelectSetFiles(TSegArcList& list, const TSetupGlobals& g,
                    const std::function<bool(const std::string& expandedPath)>& keep) {
  for (size_t i = list.Count(); i-- > 0;) {
    TSegArc& arc = list[i];
    // Where the expansion of the archive puts a name: below its directory, or as it stands when it
    // starts with a backslash.
    std::string dir = arc.Path;
    if (!dir.empty() && dir.back() != '\\') dir += '\\';
    std::vector<std::string> kept;
    for (const std::string& name : arc.FileList) {
      if (name.find(':') != std::string::npos) throw Exception("The set names a file outside its folder: " + name);
      if (keep(ExpandedPath(g, !name.empty() && name[0] == '\\' ? name : dir + name))) kept.push_back(name);
    }
    arc.FileList = std::move(kept);
    if (arc.FileList.empty()) list.Delete(i);
  }
}

void AskForSegment(platform::FileSystem& fs, Prompter& prompter, const std::string& caption,
                   const std::string& sourceDir, const std::string& base, uint16_t number) {
  const std::string file = sourceDir + SegmentFileName(base, "", number);
  for (int prompts = 0; !fs.FileExists(file) && prompts < 2; ++prompts)
    prompter.Message("Please Insert Disk #" + std::to_string(number) + " into Floppy Drive.", caption,
                     PromptButtons::Ok, PromptIcon::Information);
}

}  // namespace vurerode::setup
