#include "install/journaled_platform.h"

#include "platform/exception.h"
#include "platform/windows_path.h"

namespace vurerode::setup {

using platform::faHidden;
using platform::faReadOnly;
using platform::faSysFile;

namespace {

// What makes each call refuse an existing file on its own.
constexpr uint32_t kCreateRefuses = faReadOnly | faHidden | faSysFile;
constexpr uint32_t kWriteRefuses = faReadOnly;

// Runs a change whose old state the ledger may have saved; a change that fails or raises frees
// the copy again.
template <typename Change>
auto Guarded(TJournalLedger& ledger, const std::string& full, const std::string& copy, Change change) {
  try {
    auto result = change();
    if (!result) ledger.Discard(full, copy);
    return result;
  } catch (...) {
    ledger.Discard(full, copy);
    throw;
  }
}

}  // namespace

class TJournaledPlatform::Files : public platform::FileSystem {
 public:
  Files(platform::FileSystem& inner, TJournalLedger& ledger) : in_(inner), l_(ledger) {}

  uint32_t GetAttributes(const std::string& path) override { return in_.GetAttributes(path); }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    l_.BeforeAttributes(l_.Full(path));
    return in_.SetAttributes(path, attributes);
  }
  std::unique_ptr<platform::TFileStream> OpenFile(const std::string& path, platform::FileAccess access) override {
    if (access == platform::FileAccess::Read) return in_.OpenFile(path, access);
    const std::string full = l_.Full(path);
    const std::string copy = l_.BeforeFileChange(full, TJournalKind::FileContentSaved, kWriteRefuses, false);
    return Guarded(l_, full, copy, [&] { return in_.OpenFile(path, access); });
  }
  std::unique_ptr<platform::TFileStream> CreateFile(const std::string& path) override {
    const std::string full = l_.Full(path);
    const std::string copy = l_.BeforeFileChange(full, TJournalKind::FileReplaced, kCreateRefuses, true, true);
    return Guarded(l_, full, copy, [&] { return in_.CreateFile(path); });
  }
  bool DeleteFile(const std::string& path) override {
    const std::string full = l_.Full(path);
    const std::string copy = l_.BeforeFileChange(full, TJournalKind::FileReplaced, kWriteRefuses, false, true);
    // Moved aside, it is deleted already.
    if (l_.MovedAside(copy)) return true;
    return Guarded(l_, full, copy, [&] { return in_.DeleteFile(path); });
  }
  int64_t RelocateFile(const std::string& source, const std::string& target) override {
    const std::string from = l_.Full(source), to = l_.Full(target);
    // A target that is there makes the move fail, and the caller copies under a copy's rules; only
    // a file announced as about to be replaced, and that a copy would replace, is renamed aside
    // first, which costs no record. A file system that refused its first move is not asked again:
    // Windows never moves (see platform::FileSystem), and each try would rename the file it
    // replaces aside and back.
    if (!relocates_) return -1;
    std::string aside;
    if (!l_.Covers(to)) {
      const uint32_t attributes = in_.GetAttributes(to);
      if (attributes == platform::kInvalidAttributes)
        l_.BeforeFileChange(to, TJournalKind::FileReplaced, kCreateRefuses, true);
      else if ((attributes & (kCreateRefuses | platform::faDirectory)) || (aside = l_.MoveAnnounced(to)).empty())
        return -1;
    }
    const std::string copy = l_.BeforeFileChange(from, TJournalKind::FileReplaced, kWriteRefuses, false);
    try {
      const int64_t size = in_.RelocateFile(source, target);
      if (size < 0) {
        if (!relocated_) relocates_ = false;
        l_.Discard(from, copy);
        l_.DiscardAnnounced(to, aside);
      } else {
        relocated_ = true;
      }
      return size;
    } catch (...) {
      l_.Discard(from, copy);
      l_.DiscardAnnounced(to, aside);
      throw;
    }
  }
  bool ReplaceAtRestart(const std::string& source, const std::string& target) override {
    // Nothing changes before the restart; the file waiting beside the target is noted as created.
    return in_.ReplaceAtRestart(source, target);
  }
  int CreateDirectory(const std::string& path) override {
    const std::string full = l_.Full(path);
    const bool noted = l_.BeforeFolderMade(full);
    const int result = in_.CreateDirectory(path);
    if (noted && result == 0) l_.AfterFolderMade(full);
    return result;
  }
  bool RemoveDirectory(const std::string& path) override {
    l_.BeforeFolderRemoved(l_.Full(path));
    return in_.RemoveDirectory(path);
  }
  std::unique_ptr<platform::DirectorySearch> FindFirst(const std::string& pattern, platform::FindData& first) override {
    return in_.FindFirst(pattern, first);
  }
  std::string CurrentDirectory() override { return in_.CurrentDirectory(); }
  bool ChangeDirectory(const std::string& path) override { return in_.ChangeDirectory(path); }
  std::string WindowsDirectory() override { return in_.WindowsDirectory(); }
  std::string ShortPathName(const std::string& path) override { return in_.ShortPathName(path); }
  std::string FullPathName(const std::string& path) override { return in_.FullPathName(path); }
  double DiskFreeBytes(const std::string& root) override { return in_.DiskFreeBytes(root); }

 private:
  platform::FileSystem& in_;
  TJournalLedger& l_;
  bool relocates_ = true;   // not known to refuse every move
  bool relocated_ = false;  // moved a file once
};

class TJournaledPlatform::Profiles : public platform::Profile {
 public:
  Profiles(platform::Profile& inner, platform::FileSystem& fs, TJournalLedger& ledger)
      : in_(inner), fs_(fs), l_(ledger) {}

  std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& defaultValue) override {
    return in_.ReadString(file, section, key, defaultValue);
  }
  std::vector<std::string> ReadKeyNames(const std::string& file, const std::string& section) override {
    return in_.ReadKeyNames(file, section);
  }
  std::vector<std::string> ReadAllKeyNames(const std::string& file, const std::string& section) override {
    return in_.ReadAllKeyNames(file, section);
  }
  std::vector<std::string> ReadSectionNames(const std::string& file) override { return in_.ReadSectionNames(file); }
  void WriteString(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override {
    Change(file, true, [&] { in_.WriteString(file, section, key, value); });
  }
  void WriteStrings(const std::string& file, const std::string& section,
                    const std::vector<std::pair<std::string, std::string>>& entries) override {
    Change(file, true, [&] { in_.WriteStrings(file, section, entries); });
  }
  void DeleteKey(const std::string& file, const std::string& section, const std::string& key) override {
    Change(file, false, [&] { in_.DeleteKey(file, section, key); });
  }
  void EraseSection(const std::string& file, const std::string& section) override {
    Change(file, false, [&] { in_.EraseSection(file, section); });
  }

 private:
  template <typename Write>
  void Change(const std::string& file, bool creates, Write write) {
    // A bare name is a file of the Windows directory, as the profile functions have it.
    const bool bare = file.find_first_of("\\/") == std::string::npos;
    const std::string full = l_.Full(bare ? platform::IncludeTrailingBackslash(fs_.WindowsDirectory()) + file : file);
    const std::string copy = l_.BeforeFileChange(full, TJournalKind::FileContentSaved, kWriteRefuses, creates);
    Guarded(l_, full, copy, [&] { return write(), true; });
  }

  platform::Profile& in_;
  platform::FileSystem& fs_;
  TJournalLedger& l_;
};

class TJournaledPlatform::Links : public platform::Shell {
 public:
  Links(platform::Shell& inner, TJournalLedger& ledger) : in_(inner), l_(ledger) {}

  int FileIconIndex(const std::string& path) override { return in_.FileIconIndex(path); }
  std::unique_ptr<platform::ShellLink> CreateShellLink() override {
    return std::make_unique<Link>(in_.CreateShellLink(), l_);
  }
  int Execute(platform::ShellOwner owner, const std::string& verb, const std::string& file,
              const std::string& parameters, const std::string& directory, int showState) override {
    return in_.Execute(owner, verb, file, parameters, directory, showState);
  }
  void SetMainWindow(uintptr_t window) override { in_.SetMainWindow(window); }

 private:
  // A shortcut is a file like any other: noted as created, or saved aside when it replaces one.
  class Link : public platform::ShellLink {
   public:
    Link(std::unique_ptr<platform::ShellLink> inner, TJournalLedger& ledger) : in_(std::move(inner)), l_(ledger) {}
    void SetPath(const std::string& target) override { in_->SetPath(target); }
    void SetWorkingDirectory(const std::string& directory) override { in_->SetWorkingDirectory(directory); }
    void SetIconLocation(const std::string& iconFile, int index) override { in_->SetIconLocation(iconFile, index); }
    bool Save(const std::string& file) override {
      const std::string full = l_.Full(file);
      const std::string copy = l_.BeforeFileChange(full, TJournalKind::FileReplaced, kCreateRefuses, true);
      return Guarded(l_, full, copy, [&] { return in_->Save(file); });
    }

   private:
    std::unique_ptr<platform::ShellLink> in_;
    TJournalLedger& l_;
  };

  platform::Shell& in_;
  TJournalLedger& l_;
};

class TJournaledPlatform::Keys : public platform::Registry {
 public:
  Keys(platform::Registry& inner, TJournalLedger& ledger) : in_(inner), l_(ledger) {}

  std::unique_ptr<platform::RegistryKey> OpenKey(platform::RegistryRoot root, const std::string& path,
                                                 platform::RegistryAccess access) override {
    auto key = in_.OpenKey(root, path, access);
    if (!key || access == platform::RegistryAccess::Read) return key;
    return std::make_unique<Key>(std::move(key), root, path, l_);
  }
  std::unique_ptr<platform::RegistryKey> CreateKey(platform::RegistryRoot root, const std::string& path) override {
    l_.BeforeKeyCreated(in_, root, path);
    auto key = in_.CreateKey(root, path);
    if (!key) return key;
    return std::make_unique<Key>(std::move(key), root, path, l_);
  }
  bool DeleteKeyTree(platform::RegistryRoot root, const std::string& path) override {
    l_.BeforeKeyTreeDeleted(in_, root, path);
    return in_.DeleteKeyTree(root, path);
  }

 private:
  class Key : public platform::RegistryKey {
   public:
    Key(std::unique_ptr<platform::RegistryKey> inner, platform::RegistryRoot root, std::string path,
        TJournalLedger& ledger)
        : in_(std::move(inner)), root_(root), path_(std::move(path)), l_(ledger) {}
    std::optional<std::string> ReadString(const std::string& name) override { return in_->ReadString(name); }
    void WriteString(const std::string& name, const std::string& value) override {
      l_.BeforeValueChanged(*in_, root_, path_, name);
      in_->WriteString(name, value);
    }
    std::optional<uint32_t> ReadInteger(const std::string& name) override { return in_->ReadInteger(name); }
    void WriteInteger(const std::string& name, uint32_t value) override {
      l_.BeforeValueChanged(*in_, root_, path_, name);
      in_->WriteInteger(name, value);
    }
    std::optional<platform::RegistryValueData> ReadValue(const std::string& name) override {
      return in_->ReadValue(name);
    }
    void WriteValue(const std::string& name, const platform::RegistryValueData& value) override {
      l_.BeforeValueChanged(*in_, root_, path_, name);
      in_->WriteValue(name, value);
    }
    bool DeleteValue(const std::string& name) override {
      l_.BeforeValueChanged(*in_, root_, path_, name);
      return in_->DeleteValue(name);
    }
    std::vector<std::string> SubKeyNames() override { return in_->SubKeyNames(); }
    std::vector<std::string> ValueNames() override { return in_->ValueNames(); }

   private:
    std::unique_ptr<platform::RegistryKey> in_;
    platform::RegistryRoot root_;
    std::string path_;
    TJournalLedger& l_;
  };

  platform::Registry& in_;
  TJournalLedger& l_;
};

TJournaledPlatform::TJournaledPlatform(platform::Platform& inner, TJournalFile& journal)
    : inner_(inner),
      ledger_(inner.fs(), journal),
      files_(std::make_unique<Files>(inner.fs(), ledger_)),
      keys_(std::make_unique<Keys>(inner.registry(), ledger_)),
      profiles_(std::make_unique<Profiles>(inner.profile(), inner.fs(), ledger_)),
      links_(std::make_unique<Links>(inner.shell(), ledger_)) {}

TJournaledPlatform::~TJournaledPlatform() = default;

platform::FileSystem& TJournaledPlatform::fs() {
  return *files_;
}
platform::Registry& TJournaledPlatform::registry() {
  return *keys_;
}
platform::Profile& TJournaledPlatform::profile() {
  return *profiles_;
}
platform::Shell& TJournaledPlatform::shell() {
  return *links_;
}

void JournalInstallationTitle(platform::Platform& platform, const std::string& title) {
  if (auto* journaled = dynamic_cast<TJournaledPlatform*>(&platform); journaled && journaled->ledger().Active())
    journaled->ledger().Append(MakeRecord(TJournalKind::Title, title));
}

void JournalExpectedFiles(platform::Platform& platform, const std::vector<std::string>& files,
                          const std::vector<std::string>& folders) {
  if (auto* journaled = dynamic_cast<TJournaledPlatform*>(&platform)) journaled->ledger().ExpectNew(files, folders);
}

}  // namespace vurerode::setup
