#include "platform/sandbox/sandbox_shell.h"

#include "platform/text.h"
#include "platform/dos_time.h"
#include "platform/exception.h"
#include "platform/sandbox/batch_runner.h"
#include "platform/sandbox/command_line.h"
#include "platform/shell_link_file.h"
#include "platform/windows_path.h"

namespace vurerode::platform::sandbox {
namespace {

constexpr int kShellOk = 42;           // any result above 32 means success
constexpr int kErrorFileNotFound = 2;  // SE_ERR_FNF

class SandboxShellLink : public ShellLink {
 public:
  explicit SandboxShellLink(SandboxFileSystem& fs) : fs_(fs) {}

  void SetPath(const std::string& target) override { link_.targetPath = target; }
  void SetWorkingDirectory(const std::string& directory) override { link_.workingDirectory = directory; }
  void SetIconLocation(const std::string& iconFile, int index) override {
    link_.iconLocation = iconFile;
    link_.iconIndex = index;
  }

  bool Save(const std::string& file) override {
    ShellLinkData data = link_;
    // The shell stores the target as a full path and notes what it knows of the file.
    if (!data.targetPath.empty()) data.targetPath = fs_.FullPathName(data.targetPath);
    FindData fd;
    if (!data.targetPath.empty() && fs_.FindFirst(data.targetPath, fd)) {
      data.fileAttributes = fd.attributes;
      data.fileSize = static_cast<uint32_t>(fd.size);
      int64_t t = DosDateTimeToEpoch(fd.lastWriteDosTime);
      data.writeTime = data.creationTime = data.accessTime = t < 0 ? 0 : EpochToFileTime(t);
    }
    if (!data.targetPath.empty())
      data.volumeSerial =
          0x1C0DE000u + static_cast<uint32_t>(static_cast<unsigned char>(AsciiUpper(data.targetPath[0])));
    std::vector<uint8_t> bytes = BuildShellLinkFile(data);
    try {
      auto out = fs_.CreateFile(file);
      out->Write(bytes.data(), bytes.size());
      return true;
    } catch (const Exception&) {
      return false;
    }
  }

 private:
  SandboxFileSystem& fs_;
  ShellLinkData link_;
};

}  // namespace

int SandboxShell::FileIconIndex(const std::string& path) {
  std::string full = fs_.FullPathName(path);
  uint32_t attrs = fs_.GetAttributes(full);
  if (attrs == kInvalidAttributes) return 0;
  if (IsDriveRoot(full)) return 8;
  if (attrs & faDirectory) return 3;
  std::string name = ExtractFileName(full);
  size_t dot = name.rfind('.');
  std::string ext = dot == std::string::npos ? std::string() : UpperCase(name.substr(dot));
  if (ext == ".EXE" || ext == ".COM") return 2;
  if (extensionIcons_.empty()) return extensionIcons_[ext] = 1;
  auto it = extensionIcons_.find(ext);
  if (it != extensionIcons_.end()) return it->second;
  int index = 39 + static_cast<int>(extensionIcons_.size());
  return extensionIcons_[ext] = index;
}

std::unique_ptr<ShellLink> SandboxShell::CreateShellLink() {
  return std::make_unique<SandboxShellLink>(fs_);
}

int SandboxShell::Execute(ShellOwner owner, const std::string& verb, const std::string& file,
                          const std::string& parameters, const std::string& directory, int showState) {
  std::string head = "ShellExecute " + std::string(owner == ShellOwner::Desktop ? "desktop " : "main ") +
                     (verb.empty() ? std::string("(default)") : verb) + " " + ShowStateName(showState) + " " +
                     JournalQuote(file) + " params=" + JournalQuote(parameters) + " dir=" + JournalQuote(directory);
  std::string target = runner_.Locate(file, directory, true);
  if (target.empty()) {
    // Folders are opened in a window; anything else that is not there fails.
    std::string folder = MakeFullPath(file, directory.empty() ? fs_.CurrentDirectory() : fs_.FullPathName(directory));
    if (!folder.empty() && fs_.DirectoryExists(folder)) {
      journal_.Record(head + " -> recorded " + JournalQuote(folder));
      return kShellOk;
    }
    journal_.Record(head + " -> not found");
    return kErrorFileNotFound;
  }
  bool runs = verb.empty() || SameText(verb, "open");
  std::optional<int> code = runs ? runner_.Run(target, SplitArguments(parameters), showState, directory) : std::nullopt;
  if (code) {
    journal_.Record(head + " -> exit " + std::to_string(*code) + " " + JournalQuote(target));
    return kShellOk;
  }
  const std::string name = ExtractFileName(target);
  const std::string ext =
      name.rfind('.') == std::string::npos ? std::string() : UpperCase(name.substr(name.rfind('.')));
  if (runs && (ext == ".BAT" || ext == ".CMD")) {
    deferred_.push_back(target);
    journal_.Record(head + " -> runs when the program has ended " + JournalQuote(target));
    return kShellOk;
  }
  journal_.Record(head + " -> recorded " + JournalQuote(target));
  return kShellOk;
}

void SandboxShell::RunDeferred() {
  std::vector<std::string> batches;
  batches.swap(deferred_);
  for (const std::string& batch : batches) BatchRunner(fs_, journal_).Run(batch);
}

}  // namespace vurerode::platform::sandbox
