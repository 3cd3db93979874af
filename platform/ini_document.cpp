#include "platform/ini_document.h"

#include <cctype>

#include "platform/text.h"

namespace vurerode::platform {
namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v' || c == 0x1A;
}

std::string_view TrimLeft(std::string_view s) {
  while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
  return s;
}

std::string_view Trim(std::string_view s) {
  s = TrimLeft(s);
  while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
  return s;
}

bool IsComment(const std::string& name) {
  return !name.empty() && name[0] == ';';
}

}  // namespace

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument doc;
  Section* current = nullptr;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty()) continue;
    if (line.front() == '[') {
      size_t close = line.rfind(']');
      if (close != std::string_view::npos) {
        doc.sections_.push_back(Section{std::string(line.substr(1, close - 1)), {}});
        current = &doc.sections_.back();
        continue;
      }
    }
    if (!current) {
      doc.sections_.push_back(Section{});
      current = &doc.sections_.back();
    }
    size_t eq = line.find('=');
    if (eq == std::string_view::npos) {
      current->entries.push_back(Entry{std::string(line), std::nullopt});
    } else {
      current->entries.push_back(Entry{std::string(Trim(line.substr(0, eq))), std::string(Trim(line.substr(eq + 1)))});
    }
  }
  return doc;
}

std::string IniDocument::Serialize() const {
  std::string out;
  for (const Section& s : sections_) {
    if (!s.name.empty()) out += "[" + s.name + "]\r\n";
    for (const Entry& e : s.entries) {
      out += e.name;
      if (e.value) out += "=" + *e.value;
      out += "\r\n";
    }
  }
  return out;
}

IniDocument::Section* IniDocument::FindSection(std::string_view name) {
  name = Trim(name);
  for (Section& s : sections_)
    if (SameText(s.name, name)) return &s;
  return nullptr;
}

const IniDocument::Section* IniDocument::FindSection(std::string_view name) const {
  return const_cast<IniDocument*>(this)->FindSection(name);
}

std::optional<std::string> IniDocument::Read(std::string_view section, std::string_view key, size_t bufferSize) const {
  const Section* s = FindSection(section);
  if (!s || bufferSize == 0) return std::nullopt;
  key = Trim(key);
  for (const Entry& e : s->entries) {
    if (!SameText(e.name, key)) continue;
    if (!e.value) return std::nullopt;
    std::string_view v = *e.value;
    bool quoted = false;
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
      v.remove_prefix(1);
      quoted = true;
    }
    // The buffer holds UTF-16 code units; a character it would cut in two is left out.
    std::string out(Utf16Head(v, bufferSize - 1));
    // The closing quote goes only when it came through the buffer.
    if (quoted && bufferSize >= Utf16Length(v) && !out.empty()) out.resize(Utf16Head(out, Utf16Length(out) - 1).size());
    return out;
  }
  return std::nullopt;
}

std::vector<std::string> IniDocument::KeyNames(std::string_view section, size_t bufferSize) const {
  std::vector<std::string> names;
  if (const Section* s = FindSection(section))
    for (const Entry& e : s->entries)
      if (e.value && !IsComment(e.name)) names.push_back(e.name);
  return FitNamesToBuffer(names, bufferSize);
}

std::vector<std::string> IniDocument::SectionNames(size_t bufferSize) const {
  std::vector<std::string> names;
  for (const Section& s : sections_)
    if (!s.name.empty()) names.push_back(s.name);
  return FitNamesToBuffer(names, bufferSize);
}

bool IniDocument::Write(std::string_view section, std::string_view key, std::string_view value) {
  value = TrimLeft(value);
  Section* s = FindSection(section);
  if (!s) {
    sections_.push_back(Section{std::string(TrimLeft(section)), {}});
    s = &sections_.back();
  }
  std::string_view wanted = Trim(key);
  for (Entry& e : s->entries) {
    if (!SameText(e.name, wanted)) continue;
    if (e.value && *e.value == value) return false;
    e.value = std::string(value);
    return true;
  }
  s->entries.push_back(Entry{std::string(TrimLeft(key)), std::string(value)});
  return true;
}

bool IniDocument::DeleteKey(std::string_view section, std::string_view key) {
  Section* s = FindSection(section);
  if (!s) return false;
  key = Trim(key);
  for (auto it = s->entries.begin(); it != s->entries.end(); ++it) {
    if (SameText(it->name, key)) {
      s->entries.erase(it);
      return true;
    }
  }
  return false;
}

bool IniDocument::EraseSection(std::string_view section) {
  Section* s = FindSection(section);
  if (!s) return false;
  sections_.erase(sections_.begin() + (s - sections_.data()));
  return true;
}

std::string ProfileDefault(std::string_view defaultValue, size_t bufferSize) {
  if (bufferSize == 0) return {};
  while (!defaultValue.empty() && defaultValue.back() == ' ') defaultValue.remove_suffix(1);
  return std::string(Utf16Head(defaultValue, bufferSize - 1));
}

std::vector<std::string> FitNamesToBuffer(const std::vector<std::string>& names, size_t bufferSize) {
  // Room left in the buffer, counted as the reader counts it: each name takes its length in UTF-16
  // code units plus a zero, and two units stay for the final zeros.
  std::vector<std::string> out;
  size_t room = bufferSize;
  for (const std::string& name : names) {
    // An empty name would read as the end of the list.
    if (room <= 2 || name.empty()) break;
    std::string cut(Utf16Head(name, room - 2));
    if (cut.empty()) break;  // not even its first character fits
    room -= Utf16Length(cut) + 1;
    out.push_back(std::move(cut));
    if (room < 2) break;
  }
  return out;
}

bool IsBareProfileName(std::string_view file) {
  if (file.find_first_of("\\/") != std::string_view::npos) return false;
  return !(file.size() >= 2 && file[1] == ':' && std::isalpha(static_cast<unsigned char>(file[0])));
}

ProfileText DecodeProfileText(std::string_view bytes) {
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    std::u16string wide;
    wide.reserve(bytes.size() / 2);
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      wide +=
          static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    return {Utf16ToUtf8(wide), ProfileEncoding::kUtf16};
  }
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return {std::string(bytes.substr(3)), ProfileEncoding::kUtf8};
  return {IsAscii(bytes) ? std::string(bytes) : Cp1252ToUtf8(bytes), ProfileEncoding::kAnsi};
}

std::string EncodeProfileText(std::string_view text, ProfileEncoding encoding) {
  switch (encoding) {
    case ProfileEncoding::kAnsi: return IsAscii(text) ? std::string(text) : Utf8ToCp1252(text);
    case ProfileEncoding::kUtf8: return "\xEF\xBB\xBF" + std::string(text);
    case ProfileEncoding::kUtf16: break;
  }
  std::u16string wide = Utf8ToUtf16(text);
  std::string out = "\xFF\xFE";
  out.reserve(2 + wide.size() * 2);
  for (char16_t u : wide) {
    out += static_cast<char>(u & 0xFF);
    out += static_cast<char>(u >> 8);
  }
  return out;
}

ProfileEncoding EncodingForWrite(ProfileEncoding current, std::initializer_list<std::string_view> written) {
  if (current != ProfileEncoding::kAnsi) return current;
  for (std::string_view s : written)
    if (!IsAscii(s)) return ProfileEncoding::kUtf16;
  return current;
}

}  // namespace vurerode::platform
