// A platform that dies at its N-th change to the machine, as a setup killed there would: the change
// is not made (a write is cut in the middle), and the process's later changes never happen. What
// it does instead is raise Crash, which no code of the installer catches, so that nothing runs
// that a killed process would not run. It also plays a program that holds some files open, and
// watches durability: it counts syncs, and lists each change that destroys something of the
// machine while a file of the journal's folder holds bytes written and not yet synced (a power
// loss then could keep the change and lose what was to undo it).
#pragma once

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/text.h"
#include "platform/exception.h"
#include "platform/platform.h"
#include "support/forwarding_file_stream.h"

namespace vurerode::setup::test {

struct Crash {};

class CrashingPlatform : public platform::Platform {
 public:
  // crashAt 0: never.
  CrashingPlatform(platform::Platform& inner, long crashAt) : in_(inner), crashAt_(crashAt) {}

  long changes() const { return changes_; }
  bool dead() const { return dead_; }
  // Files another program holds, by upper-case full path: they cannot be opened, created (that
  // raises EFileInUse), moved or deleted.
  std::set<std::string> inUse;
  std::vector<std::pair<std::string, std::string>> restartReplacements;
  // The journal's folder, upper case with a trailing backslash; empty: durability not watched.
  std::string journalFolder;
  // Folders (the same way) whose changes destroy nothing of the machine's (the expansion folder).
  std::vector<std::string> scratchFolders;
  // Moves no file, as Windows' file system does not (it copies instead).
  bool neverRelocates = false;
  long syncs = 0;
  std::vector<std::string> unsynced;  // destructive changes made ahead of the journal's sync

  platform::FileSystem& fs() override { return files_; }
  platform::Registry& registry() override { return keys_; }
  platform::Profile& profile() override { return profiles_; }
  platform::Shell& shell() override { return links_; }
  platform::Processes& processes() override { return in_.processes(); }

  // Before a change: raises Crash at the N-th and at every one after it.
  void Change() {
    if (dead_ || ++changes_ == crashAt_) {
      dead_ = true;
      throw Crash();
    }
  }
  // Before a change that destroys what stands at a path (a file, a folder, a registry value or key).
  void Destroying(const std::string& what, bool isPath = true) {
    const std::string key = isPath ? PathKey(what) : what;
    if (journalFolder.empty() || Below(key, journalFolder)) return;
    for (const std::string& scratch : scratchFolders)
      if (Below(key, scratch)) return;
    // What this run made itself, or lies in a folder it made, was nothing of the machine's.
    for (size_t end = key.size(); end != std::string::npos && end > 0; end = key.rfind('\\', end - 1))
      if (made_.count(key.substr(0, end))) return;
    // Only the first change destroys what the machine had: by the next one it was saved.
    if (!made_.insert(key).second) return;
    if (!unsyncedFiles_.empty()) unsynced.push_back(what);
  }

 private:
  class Stream : public vurerode::test::ForwardingFileStream {
   public:
    Stream(std::unique_ptr<platform::TFileStream> inner, CrashingPlatform& p)
        : ForwardingFileStream(std::move(inner)), p_(p) {}
    void Write(const void* b, size_t n) override {
      try {
        p_.Change();
      } catch (const Crash&) {
        Inner().Write(b, n / 2);  // torn
        throw;
      }
      Inner().Write(b, n);
      p_.Written(Path());
    }
    void Sync() override {
      Inner().Sync();
      ++p_.syncs;
      p_.unsyncedFiles_.erase(p_.PathKey(Path()));
    }
    void Truncate() override { p_.Change(), Inner().Truncate(); }
    void SetLastWriteDosTime(uint32_t t) override { p_.Change(), Inner().SetLastWriteDosTime(t); }

   private:
    CrashingPlatform& p_;
  };

  class Files : public platform::FileSystem {
   public:
    explicit Files(CrashingPlatform& p) : p_(p), in_(p.in_.fs()) {}
    uint32_t GetAttributes(const std::string& path) override { return in_.GetAttributes(path); }
    bool SetAttributes(const std::string& path, uint32_t a) override { return p_.Change(), in_.SetAttributes(path, a); }
    std::unique_ptr<platform::TFileStream> OpenFile(const std::string& path, platform::FileAccess access) override {
      if (access == platform::FileAccess::ReadWrite) p_.Change(), p_.Destroying(path);
      if (Held(path)) throw EFOpenError(path);
      auto file = in_.OpenFile(path, access);
      return std::make_unique<Stream>(std::move(file), p_);
    }
    std::unique_ptr<platform::TFileStream> CreateFile(const std::string& path) override {
      p_.Change();
      if (Held(path)) throw EFileInUse(path);
      if (in_.FileExists(path))
        p_.Destroying(path);
      else
        p_.made_.insert(p_.PathKey(path));
      return std::make_unique<Stream>(in_.CreateFile(path), p_);
    }
    bool DeleteFile(const std::string& path) override {
      p_.Change();
      if (Held(path) || !in_.FileExists(path)) return false;
      p_.Destroying(path);
      p_.unsyncedFiles_.erase(p_.PathKey(path));
      return in_.DeleteFile(path);
    }
    int64_t RelocateFile(const std::string& s, const std::string& t) override {
      p_.Change();
      if (Held(s) || p_.neverRelocates) return -1;
      if (in_.FileExists(s) && !in_.FileExists(t)) p_.Destroying(s), p_.made_.insert(p_.PathKey(t));
      return in_.RelocateFile(s, t);
    }
    bool RenameFile(const std::string& s, const std::string& t) override {
      p_.Change();
      if (Held(s)) return false;
      if (in_.FileExists(s) && !in_.FileExists(t)) p_.Destroying(s);
      return in_.RenameFile(s, t);
    }
    bool ReplaceAtRestart(const std::string& s, const std::string& t) override {
      p_.Change();
      p_.restartReplacements.emplace_back(s, t);
      return true;
    }
    int CreateDirectory(const std::string& path) override {
      p_.Change();
      const int result = in_.CreateDirectory(path);
      if (result == 0) p_.made_.insert(p_.PathKey(path));
      return result;
    }
    bool RemoveDirectory(const std::string& path) override {
      p_.Change();
      if (in_.DirectoryExists(path)) p_.Destroying(path);
      return in_.RemoveDirectory(path);
    }
    std::unique_ptr<platform::DirectorySearch> FindFirst(const std::string& p, platform::FindData& f) override {
      return in_.FindFirst(p, f);
    }
    std::string CurrentDirectory() override { return in_.CurrentDirectory(); }
    bool ChangeDirectory(const std::string& path) override { return in_.ChangeDirectory(path); }
    std::string WindowsDirectory() override { return in_.WindowsDirectory(); }
    std::string ShortPathName(const std::string& path) override { return in_.ShortPathName(path); }
    std::string FullPathName(const std::string& path) override { return in_.FullPathName(path); }
    double DiskFreeBytes(const std::string& root) override { return in_.DiskFreeBytes(root); }

   private:
    bool Held(const std::string& path) { return p_.inUse.count(platform::UpperCase(in_.FullPathName(path))) > 0; }

    CrashingPlatform& p_;
    platform::FileSystem& in_;
  };

  class Key : public platform::RegistryKey {
   public:
    Key(std::unique_ptr<platform::RegistryKey> inner, CrashingPlatform& p, std::string id)
        : in_(std::move(inner)), p_(p), id_(std::move(id)) {}
    std::optional<std::string> ReadString(const std::string& n) override { return in_->ReadString(n); }
    void WriteString(const std::string& n, const std::string& v) override { Changing(n), in_->WriteString(n, v); }
    std::optional<uint32_t> ReadInteger(const std::string& n) override { return in_->ReadInteger(n); }
    void WriteInteger(const std::string& n, uint32_t v) override { Changing(n), in_->WriteInteger(n, v); }
    std::optional<platform::RegistryValueData> ReadValue(const std::string& n) override { return in_->ReadValue(n); }
    void WriteValue(const std::string& n, const platform::RegistryValueData& v) override {
      Changing(n), in_->WriteValue(n, v);
    }
    bool DeleteValue(const std::string& n) override { return Changing(n), in_->DeleteValue(n); }
    std::vector<std::string> SubKeyNames() override { return in_->SubKeyNames(); }
    std::vector<std::string> ValueNames() override { return in_->ValueNames(); }

   private:
    void Changing(const std::string& name) {
      p_.Change();
      if (in_->ReadValue(name)) p_.Destroying(id_ + "\\\\" + platform::UpperCase(name), false);
    }

    std::unique_ptr<platform::RegistryKey> in_;
    CrashingPlatform& p_;
    std::string id_;  // the key, upper case
  };

  class Keys : public platform::Registry {
   public:
    explicit Keys(CrashingPlatform& p) : p_(p) {}
    std::unique_ptr<platform::RegistryKey> OpenKey(platform::RegistryRoot r, const std::string& path,
                                                   platform::RegistryAccess a) override {
      auto key = p_.in_.registry().OpenKey(r, path, a);
      return key ? std::make_unique<Key>(std::move(key), p_, Id(r, path)) : nullptr;
    }
    std::unique_ptr<platform::RegistryKey> CreateKey(platform::RegistryRoot r, const std::string& path) override {
      p_.Change();
      auto key = p_.in_.registry().CreateKey(r, path);
      return key ? std::make_unique<Key>(std::move(key), p_, Id(r, path)) : nullptr;
    }
    bool DeleteKeyTree(platform::RegistryRoot r, const std::string& path) override {
      p_.Change();
      if (p_.in_.registry().OpenKey(r, path, platform::RegistryAccess::Read)) p_.Destroying(Id(r, path), false);
      return p_.in_.registry().DeleteKeyTree(r, path);
    }

   private:
    static std::string Id(platform::RegistryRoot r, const std::string& path) {
      return std::string(platform::RootName(r)) + "\\" + platform::UpperCase(path);
    }

    CrashingPlatform& p_;
  };

  class Profiles : public platform::Profile {
   public:
    explicit Profiles(CrashingPlatform& p) : p_(p), in_(p.in_.profile()) {}
    std::string ReadString(const std::string& f, const std::string& s, const std::string& k,
                           const std::string& d) override {
      return in_.ReadString(f, s, k, d);
    }
    std::vector<std::string> ReadKeyNames(const std::string& f, const std::string& s) override {
      return in_.ReadKeyNames(f, s);
    }
    std::vector<std::string> ReadAllKeyNames(const std::string& f, const std::string& s) override {
      return in_.ReadAllKeyNames(f, s);
    }
    std::vector<std::string> ReadSectionNames(const std::string& f) override { return in_.ReadSectionNames(f); }
    void WriteString(const std::string& f, const std::string& s, const std::string& k, const std::string& v) override {
      Changing(f), in_.WriteString(f, s, k, v);
    }
    void WriteStrings(const std::string& f, const std::string& s,
                      const std::vector<std::pair<std::string, std::string>>& e) override {
      Changing(f), in_.WriteStrings(f, s, e);
    }
    void DeleteKey(const std::string& f, const std::string& s, const std::string& k) override {
      Changing(f), in_.DeleteKey(f, s, k);
    }
    void EraseSection(const std::string& f, const std::string& s) override { Changing(f), in_.EraseSection(f, s); }

   private:
    // A bare name is a file of the Windows directory.
    void Changing(const std::string& file) {
      p_.Change();
      platform::FileSystem& fs = p_.in_.fs();
      const std::string path =
          file.find_first_of("\\/") == std::string::npos ? fs.WindowsDirectory() + "\\" + file : file;
      if (fs.FileExists(path)) p_.Destroying(path);
    }

    CrashingPlatform& p_;
    platform::Profile& in_;
  };

  class Link : public platform::ShellLink {
   public:
    Link(std::unique_ptr<platform::ShellLink> inner, CrashingPlatform& p) : in_(std::move(inner)), p_(p) {}
    void SetPath(const std::string& t) override { in_->SetPath(t); }
    void SetWorkingDirectory(const std::string& d) override { in_->SetWorkingDirectory(d); }
    void SetIconLocation(const std::string& f, int i) override { in_->SetIconLocation(f, i); }
    bool Save(const std::string& file) override {
      p_.Change();
      if (p_.in_.fs().FileExists(file)) p_.Destroying(file);
      return in_->Save(file);
    }

   private:
    std::unique_ptr<platform::ShellLink> in_;
    CrashingPlatform& p_;
  };

  class Links : public platform::Shell {
   public:
    explicit Links(CrashingPlatform& p) : p_(p) {}
    int FileIconIndex(const std::string& path) override { return p_.in_.shell().FileIconIndex(path); }
    std::unique_ptr<platform::ShellLink> CreateShellLink() override {
      return std::make_unique<Link>(p_.in_.shell().CreateShellLink(), p_);
    }
    int Execute(platform::ShellOwner o, const std::string& v, const std::string& f, const std::string& p,
                const std::string& d, int s) override {
      return p_.in_.shell().Execute(o, v, f, p, d, s);
    }
    void SetMainWindow(uintptr_t w) override { p_.in_.shell().SetMainWindow(w); }

   private:
    CrashingPlatform& p_;
  };

  std::string PathKey(const std::string& path) { return platform::UpperCase(in_.fs().FullPathName(path)); }
  static bool Below(const std::string& key, const std::string& folder) { return key.rfind(folder, 0) == 0; }
  void Written(const std::string& path) {
    const std::string key = PathKey(path);
    if (!journalFolder.empty() && Below(key, journalFolder)) unsyncedFiles_.insert(key);
  }

  platform::Platform& in_;
  std::set<std::string> unsyncedFiles_;
  std::set<std::string>
      made_;  // files and folders this run made  // of the journal's folder: written since their last sync
  long crashAt_;
  long changes_ = 0;
  bool dead_ = false;
  Files files_{*this};
  Keys keys_{*this};
  Profiles profiles_{*this};
  Links links_{*this};
};

}  // namespace vurerode::setup::test
