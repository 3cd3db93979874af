// What a host folder cannot hold for the sandbox's files: their Windows attribute bits (other than
// a file's read-only bit, which is the host's write permission) and the 8.3 aliases given to long
// names when they were created, and which files were written through the sandbox (such a file is
// never run on the host). Kept in ROOT/metadata.txt, one line per entry:
// attributes (hex, or "-") with "*" after it for a written file, TAB, alias (or "-"), TAB, full
// Windows path. Control characters and "%" in a field are stored as %XX, so one entry is always one
// line whatever a name holds.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace vurerode::platform::sandbox {

class MetadataStore {
 public:
  struct Entry {
    std::string name;                    // the long name as created
    std::optional<uint32_t> attributes;  // none: the defaults
    std::string alias;                   // empty: none given yet
    bool written = false;                // written through the sandbox: data, never a host program
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

  // Writes the file when something changed, so that a failure leaves the old one whole (see
  // ReplaceHostFileDurably). Raises EInOutError when it cannot: code 112 and "There is not enough
  // space on the disk." when the host is full, as a write to a full disk reports it.
  void Flush();
  // Drops what is held and reads the file again (another process may have written it).
  void Reload();

  // The file's text for what the store holds, and taking entries from such a text (lines it cannot
  // read are skipped). Public for the fuzz target.
  std::string Text() const;
  void LoadText(std::string_view text);

 private:
  using Folder = std::map<std::string, Entry>;  // by upper-case name

  std::filesystem::path file_;
  std::map<std::string, Folder> folders_;  // by upper-case folder path
  bool dirty_ = false;
};

}  // namespace vurerode::platform::sandbox
