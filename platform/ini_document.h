// An INI file as the Windows profile functions see it. Reading drops blank lines and trims every
// line; a line "[name]" starts a section (lines before the first one form a section without a
// name); other lines are entries, split at the first "=" (a line without one is kept but holds no
// value). Writing lays the file out again: a header line per named section, one line per entry,
// CR LF after each. Lookups compare names without regard to case and find the first match.
#pragma once

#include <cstddef>
#include <initializer_list>
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

// How a profile file's bytes hold its text, as the Windows profile functions tell: a file that
// begins with the byte-order mark FF FE is UTF-16LE (the form in which those functions read and write
// any character); one that begins with EF BB BF is UTF-8 (read, never written); any other is text of
// the ANSI code page, Windows-1252 here.
enum class ProfileEncoding { kAnsi, kUtf16, kUtf8 };
struct ProfileText {
  std::string text;  // UTF-8, without the byte-order mark
  ProfileEncoding encoding = ProfileEncoding::kAnsi;
};
ProfileText DecodeProfileText(std::string_view bytes);
// The bytes of text (UTF-8) in the given form, byte-order mark included.
std::string EncodeProfileText(std::string_view text, ProfileEncoding encoding);
// The form a profile file takes when texts are written into it: an ANSI file stays so while they are
// ASCII, so that files of plain names stay byte for byte as they were; any other character turns it
// into UTF-16, its text so far kept.
ProfileEncoding EncodingForWrite(ProfileEncoding current, std::initializer_list<std::string_view> written);

}  // namespace vurerode::platform
