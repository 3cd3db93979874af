#include "tools/build_config.h"

#include "media/finstall_cfg.h"
#include "platform/ini_document.h"
#include "platform/text.h"

namespace vurerode::cli {
namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::string KeyOf(const std::string& line) {
  size_t eq = line.find('=');
  return eq == std::string::npos ? std::string() : Trim(line.substr(0, eq));
}

}  // namespace

IniText IniText::Parse(const std::string& text) {
  IniText ini;
  ini.sections_.push_back({});
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    start = end == std::string::npos ? text.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::string t = Trim(line);
    if (t.size() >= 2 && t.front() == '[' && t.back() == ']') {
      ini.sections_.push_back({line, Trim(t.substr(1, t.size() - 2)), {}});
      continue;
    }
    ini.sections_.back().lines.push_back(line);
  }
  return ini;
}

std::string IniText::Text() const {
  std::vector<std::string> lines;
  for (const Section& s : sections_) {
    if (!s.header.empty()) lines.push_back(s.header);
    lines.insert(lines.end(), s.lines.begin(), s.lines.end());
  }
  return CrLfLines(lines);
}

const IniText::Section* IniText::Find(const std::string& name) const {
  for (const Section& s : sections_)
    if (!s.header.empty() && platform::SameText(s.name, name)) return &s;
  return nullptr;
}

IniText::Section& IniText::FindOrAdd(const std::string& name) {
  for (Section& s : sections_)
    if (!s.header.empty() && platform::SameText(s.name, name)) return s;
  // Keep a blank line between sections when the file had its own.
  Section& last = sections_.back();
  if (!last.lines.empty() && !Trim(last.lines.back()).empty()) last.lines.push_back("");
  sections_.push_back({"[" + name + "]", name, {}});
  return sections_.back();
}

bool IniText::HasKey(const std::string& section, const std::string& key) const {
  const Section* s = Find(section);
  if (!s) return false;
  for (const std::string& line : s->lines)
    if (platform::SameText(KeyOf(line), key)) return true;
  return false;
}

std::string IniText::Value(const std::string& section, const std::string& key) const {
  const Section* s = Find(section);
  if (!s) return {};
  for (const std::string& line : s->lines)
    if (platform::SameText(KeyOf(line), key)) return Trim(line.substr(line.find('=') + 1));
  return {};
}

std::vector<std::pair<std::string, std::string>> IniText::Entries(const std::string& section) const {
  std::vector<std::pair<std::string, std::string>> entries;
  if (const Section* s = Find(section))
    for (const std::string& line : s->lines)
      if (line.find('=') != std::string::npos) entries.emplace_back(KeyOf(line), Trim(line.substr(line.find('=') + 1)));
  return entries;
}

void IniText::SetKey(const std::string& section, const std::string& key, const std::string& value) {
  Section& s = FindOrAdd(section);
  for (std::string& line : s.lines) {
    if (platform::SameText(KeyOf(line), key)) {
      line = key + "=" + value;
      return;
    }
  }
  // Before the blank lines that end the section.
  size_t at = s.lines.size();
  while (at > 0 && Trim(s.lines[at - 1]).empty()) --at;
  s.lines.insert(s.lines.begin() + static_cast<long>(at), key + "=" + value);
}

void IniText::SetSection(const std::string& section, const std::vector<std::string>& lines) {
  Section& s = FindOrAdd(section);
  const bool last = &s == &sections_.back();
  s.lines = lines;
  if (!last) s.lines.push_back("");
}

std::vector<std::string> InstallFolderPaths(const std::string& finstallText) {
  std::vector<std::string> folders;
  size_t start = 0;
  while (start < finstallText.size()) {
    size_t end = finstallText.find('\n', start);
    if (end == std::string::npos) end = finstallText.size();
    std::string line = finstallText.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const media::TInstallFileEntry entry = media::ParseInstallFileEntry(line);
    if (!entry.Tokens.empty() && entry.NamesFolder()) folders.push_back(entry.Path);
  }
  return folders;
}

std::string MediaFileBytes(const std::string& text) {
  return platform::EncodeProfileText(text, platform::EncodingForWrite(platform::ProfileEncoding::kAnsi, {text}));
}

std::string MediaFileText(const std::string& bytes) {
  return platform::DecodeProfileText(bytes).text;
}

std::string CrLfLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l + "\r\n";
  return text;
}

}  // namespace vurerode::cli
