// What a host folder cannot hold for the sandbox's files: their Windows attribute bits (other than
// a file's read-only bit, which is the host's write permission) and the 8.3 aliases given to long
// names when they were created. Kept in ROOT/metadata.txt, one line per entry:
// attributes (hex) TAB alias (or "-") TAB full Windows path.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace vurerode::platform::sandbox {

class MetadataStore {
 public:
  struct Entry {
    std::string name;                    // the long name as created
    std::optional<uint32_t> attributes;  // none: the defaults
    std::string alias;                   // empty: none given yet
  };

  explicit MetadataStore(std::filesystem::path file);
  ~MetadataStore();
  MetadataStore(const MetadataStore&) = delete;
  MetadataStore& operator=(const MetadataStore&) = delete;

  // dir is a full Windows path of a folder without trailing backslash ("C:\WINDOWS", "C:").
  const Entry* Find(const std::string& dir, const std::string& name) const;
  Entry& Get(const std::string& dir, const std::string& name);
  // Forgets the entry and, when it is a folder, everything recorded below it.
  void Remove(const std::string& dir, const std::string& name);
  // The long name an alias of dir stands for, or empty.
  std::string LongNameOfAlias(const std::string& dir, const std::string& alias) const;
  bool AliasTaken(const std::string& dir, const std::string& alias) const;

  void Flush();

 private:
  using Folder = std::map<std::string, Entry>;  // by upper-case name
  void Load();

  std::filesystem::path file_;
  std::map<std::string, Folder> folders_;  // by upper-case folder path
  bool dirty_ = false;
};

}  // namespace vurerode::platform::sandbox
