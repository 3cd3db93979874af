// The two configuration files `vurerode build` ships beside the segments: install.cfg (an INI
// file the installer reads its settings and lists from) and finstall.cfg (one line per file to
// install). Lines end with CR LF. The texts are kept in UTF-8 and written as Windows reads such
// files: bytes as they are when all is ASCII, otherwise UTF-16LE after its byte-order mark
// (MediaFileBytes).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vurerode::cli {

// An INI text kept line by line, so that a file someone wrote keeps its comments and order when a
// few keys or sections are replaced.
class IniText {
 public:
  static IniText Parse(const std::string& text);
  std::string Text() const;

  // Replaces the first line of that key in the section (names compared without case), or adds it
  // at the section's end; a missing section is added at the end.
  void SetKey(const std::string& section, const std::string& key, const std::string& value);
  // Replaces the section's lines (a missing section is added).
  void SetSection(const std::string& section, const std::vector<std::string>& lines);
  bool HasKey(const std::string& section, const std::string& key) const;
  // The value of the first line of that key (trimmed), or empty.
  std::string Value(const std::string& section, const std::string& key) const;
  // Every key's name and value (trimmed) in the section, in order.
  std::vector<std::pair<std::string, std::string>> Entries(const std::string& section) const;

 private:
  struct Section {
    std::string header;  // the header line as written; empty for lines before the first section
    std::string name;
    std::vector<std::string> lines;
  };
  Section& FindOrAdd(const std::string& name);
  const Section* Find(const std::string& name) const;
  std::vector<Section> sections_;
};

// The building machine's paths of the folders a finstall.cfg text lists to create (the entries
// whose path ends with a backslash), in its order.
std::vector<std::string> InstallFolderPaths(const std::string& finstallText);

// Joins lines with CR LF after each.
std::string CrLfLines(const std::vector<std::string>& lines);

// The bytes install.cfg and finstall.cfg are written as: the text as it is when it is all ASCII (so
// media of plain names stay byte for byte what they were), otherwise UTF-16LE with its byte-order
// mark, the form Windows' profile functions read any character in.
std::string MediaFileBytes(const std::string& text);
// The text of such a file, and of one written before (Windows-1252, no mark).
std::string MediaFileText(const std::string& bytes);

}  // namespace vurerode::cli
