// An INI file as the Windows profile functions see it. Reading drops blank lines and trims every
// line; a line "[name]" starts a section (lines before the first one form a section without a
// name); other lines are entries, split at the first "=" (a line without one is kept but holds no
// value). Writing lays the file out again: a header line per named section, one line per entry,
// CR LF after each. Lookups compare names without regard to case and find the first match.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vurerode::platform {

class IniDocument {
 public:
  struct Entry {
    std::string name;
    std::optional<std::string> value;  // none for a line without "="
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
  };

  static IniDocument Parse(std::string_view text);
  std::string Serialize() const;

  // The value as GetPrivateProfileString hands it over through a buffer of bufferSize characters:
  // one pair of matching enclosing quotes removed, cut to bufferSize - 1 characters; nullopt when
  // the section or key is missing or the key has no value.
  std::optional<std::string> Read(std::string_view section, std::string_view key, size_t bufferSize) const;
  // The names the profile reader lists for a section (comments and lines without a value left out)
  // and for the file (section names), as they come through a buffer of bufferSize characters.
  std::vector<std::string> KeyNames(std::string_view section, size_t bufferSize) const;
  std::vector<std::string> SectionNames(size_t bufferSize) const;

  // Each returns whether the document changed.
  bool Write(std::string_view section, std::string_view key, std::string_view value);
  bool DeleteKey(std::string_view section, std::string_view key);
  bool EraseSection(std::string_view section);

  const std::vector<Section>& sections() const { return sections_; }

 private:
  Section* FindSection(std::string_view name);
  const Section* FindSection(std::string_view name) const;

  std::vector<Section> sections_;
};

// The text a default value becomes when the profile reader returns it: trailing spaces removed,
// cut to bufferSize - 1 characters.
std::string ProfileDefault(std::string_view defaultValue, size_t bufferSize);

// Splits a buffer of names, each ended by a zero, as the profile reader fills it when the names do
// not all fit: the last one that only partly fits is cut short.
std::vector<std::string> FitNamesToBuffer(const std::vector<std::string>& names, size_t bufferSize);

// True for a profile file name that stands for a file in the Windows directory (no folder, no drive).
bool IsBareProfileName(std::string_view file);

}  // namespace vurerode::platform
