#include "platform/sandbox/reg_file.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "platform/ini_document.h"
#include "platform/text.h"

namespace vurerode::platform::sandbox {
namespace {

constexpr RegistryRoot kAllRoots[] = {RegistryRoot::ClassesRoot, RegistryRoot::CurrentUser, RegistryRoot::LocalMachine,
                                      RegistryRoot::Users, RegistryRoot::CurrentConfig};

// The text of the file as UTF-8, whatever encoding it came in: its byte-order mark tells, as a
// profile file's does (a file without one is in the ANSI code page). Bytes that are not UTF-8 in a
// file that says it is become U+FFFD here, as they do when the file is written back in UTF-16:
// two key names that differ only there would otherwise be two keys now and one after a reload.
std::string DecodeFile(std::string_view bytes) {
  ProfileText decoded = DecodeProfileText(bytes);
  if (decoded.encoding != ProfileEncoding::kUtf8) return std::move(decoded.text);
  return Utf16ToUtf8(Utf8ToUtf16(decoded.text));
}

std::string Quote(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  return out + "\"";
}

std::string HexList(const std::vector<uint8_t>& data) {
  std::string out;
  char buf[4];
  for (size_t i = 0; i < data.size(); ++i) {
    std::snprintf(buf, sizeof buf, "%02x", data[i]);
    if (i) out += ',';
    out += buf;
  }
  return out;
}

std::vector<uint8_t> Utf16Bytes(std::string_view text) {
  std::vector<uint8_t> out;
  for (char16_t c : Utf8ToUtf16(text)) {
    out.push_back(static_cast<uint8_t>(c));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  out.push_back(0);
  out.push_back(0);
  return out;
}

std::string TextFromUtf16Bytes(const std::vector<uint8_t>& data) {
  std::u16string w;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    char16_t c = static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    if (c == 0) break;
    w += c;
  }
  return Utf16ToUtf8(w);
}

bool ParseHexBytes(std::string_view s, std::vector<uint8_t>& out) {
  out.clear();
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ',' || s[i] == ' ' || s[i] == '\t')) ++i;
    if (i >= s.size()) break;
    unsigned v = 0;
    int digits = 0;
    while (i < s.size() && std::isxdigit(static_cast<unsigned char>(s[i])) && digits < 2) {
      char c = s[i++];
      v = v * 16 +
          static_cast<unsigned>(std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) - 'a' + 10));
      ++digits;
    }
    if (digits == 0) return false;
    out.push_back(static_cast<uint8_t>(v));
  }
  return true;
}

// Reads a quoted string starting at s[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(std::string_view s, size_t& pos, std::string& out) {
  out.clear();
  if (pos >= s.size() || s[pos] != '"') return false;
  for (++pos; pos < s.size(); ++pos) {
    char c = s[pos];
    if (c == '\\' && pos + 1 < s.size()) {
      out += s[++pos];
    } else if (c == '"') {
      ++pos;
      return true;
    } else {
      out += c;
    }
  }
  return false;
}

void ExportNode(const RegNode& node, const std::string& path, std::string& out) {
  out += "[" + path + "]\r\n";
  for (const RegValue& v : node.values) {
    std::string line = v.name.empty() ? "@=" : Quote(v.name) + "=";
    // A string value ends at its first NUL, as Windows reads it; what follows would not come back.
    std::string_view text = std::string_view(v.text).substr(0, v.text.find('\0'));
    bool plain = v.type == kRegSz && text.find_first_of("\r\n") == std::string_view::npos;
    if (plain) {
      line += Quote(text);
    } else if (v.type == kRegSz || v.type == kRegExpandSz) {
      char head[16];
      std::snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(v.type));
      line += head + HexList(Utf16Bytes(text));
    } else if (v.type == kRegDword && v.data.size() == 4) {
      char buf[24];
      std::snprintf(buf, sizeof buf, "dword:%08x",
                    static_cast<unsigned>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) | (v.data[3] << 24)));
      line += buf;
    } else if (v.type == kRegBinary) {
      line += "hex:" + HexList(v.data);
    } else {
      char head[24];
      std::snprintf(head, sizeof head, "hex(%x):", static_cast<unsigned>(v.type));
      line += head + HexList(v.data);
    }
    out += line + "\r\n";
  }
  out += "\r\n";
  for (const auto& [key, child] : node.keys) ExportNode(*child, path + "\\" + child->name, out);
}

}  // namespace

RegNode* RegNode::Child(std::string_view name) const {
  auto it = keys.find(UpperCase(name));
  return it == keys.end() ? nullptr : it->second.get();
}

RegNode* RegNode::AddChild(const std::string& name) {
  auto& slot = keys[UpperCase(name)];
  if (!slot) {
    slot = std::make_unique<RegNode>();
    slot->name = name;
  }
  return slot.get();
}

RegValue* RegNode::Value(std::string_view name) {
  for (RegValue& v : values)
    if (SameText(v.name, name)) return &v;
  return nullptr;
}

bool RegNode::RemoveValue(std::string_view name) {
  for (auto it = values.begin(); it != values.end(); ++it) {
    if (SameText(it->name, name)) {
      values.erase(it);
      return true;
    }
  }
  return false;
}

bool StorableName(std::string_view name) {
  for (char c : name)
    if (static_cast<unsigned char>(c) < 0x20) return false;
  return true;
}

std::vector<std::string> SplitKeyPath(std::string_view path) {
  std::vector<std::string> parts;
  std::string cur;
  for (char c : path) {
    if (c == '\\') {
      if (!cur.empty()) parts.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty()) parts.push_back(cur);
  return parts;
}

RegTree::RegTree() {
  for (RegistryRoot r : kAllRoots) {
    roots_.push_back(std::make_unique<RegNode>());
    roots_.back()->name = RootName(r);
  }
}

RegNode* RegTree::Find(RegistryRoot root, std::string_view path) {
  RegNode* node = &Root(root);
  for (const std::string& part : SplitKeyPath(path)) {
    node = node->Child(part);
    if (!node) return nullptr;
  }
  return node;
}

RegNode* RegTree::Create(RegistryRoot root, std::string_view path) {
  RegNode* node = &Root(root);
  for (const std::string& part : SplitKeyPath(path)) node = node->AddChild(part);
  return node;
}

bool RegTree::Delete(RegistryRoot root, std::string_view path) {
  std::vector<std::string> parts = SplitKeyPath(path);
  if (parts.empty()) return false;
  RegNode* parent = &Root(root);
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    parent = parent->Child(parts[i]);
    if (!parent) return false;
  }
  return parent->keys.erase(UpperCase(parts.back())) > 0;
}

void RegTree::Import(std::string_view fileBytes) {
  std::string text = DecodeFile(fileBytes);
  // Physical lines, with backslash continuations joined.
  std::vector<std::string> lines;
  std::string pending;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    if (end < text.size() && text[end] == '\r' && pos < text.size() && text[pos] == '\n') ++pos;
    if (!pending.empty()) {
      size_t lead = line.find_first_not_of(" \t");
      line = pending + (lead == std::string::npos ? std::string() : line.substr(lead));
      pending.clear();
    }
    if (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos) {
      pending = line.substr(0, line.size() - 1);
      continue;
    }
    lines.push_back(line);
    if (end >= text.size()) break;
  }
  if (!pending.empty()) lines.push_back(pending);

  RegNode* current = nullptr;
  bool headerSeen = false;
  for (std::string& line : lines) {
    size_t lead = line.find_first_not_of(" \t");
    if (lead == std::string::npos) continue;
    std::string_view l = std::string_view(line).substr(lead);
    if (!headerSeen) {
      headerSeen = l.starts_with("Windows Registry Editor Version 5.00") || l.starts_with("REGEDIT4");
      if (!headerSeen) return;  // not a registry file: nothing is taken from it
      continue;
    }
    if (l.front() == ';') continue;
    if (l.front() == '[') {
      size_t close = l.rfind(']');
      if (close == std::string_view::npos) {
        current = nullptr;
        continue;
      }
      std::string_view keyText = l.substr(1, close - 1);
      bool remove = !keyText.empty() && keyText.front() == '-';
      if (remove) keyText.remove_prefix(1);
      size_t slash = keyText.find('\\');
      auto root = RootFromName(keyText.substr(0, slash));
      std::string_view rest = slash == std::string_view::npos ? std::string_view() : keyText.substr(slash + 1);
      current = nullptr;
      if (!root) continue;
      if (remove)
        Delete(*root, rest);
      else
        current = Create(*root, rest);
      continue;
    }
    if (!current) continue;
    std::string name;
    size_t p = 0;
    if (l.front() == '@') {
      p = 1;
    } else if (!ParseQuoted(l, p, name)) {
      continue;
    }
    while (p < l.size() && (l[p] == ' ' || l[p] == '\t')) ++p;
    if (p >= l.size() || l[p] != '=') continue;
    ++p;
    while (p < l.size() && (l[p] == ' ' || l[p] == '\t')) ++p;
    std::string_view data = l.substr(p);
    RegValue v;
    v.name = name;
    if (data == "-") {
      current->RemoveValue(name);
      continue;
    }
    if (!data.empty() && data.front() == '"') {
      size_t q = 0;
      if (!ParseQuoted(data, q, v.text)) continue;
      v.type = kRegSz;
    } else if (data.starts_with("dword:")) {
      unsigned long d = std::strtoul(std::string(data.substr(6)).c_str(), nullptr, 16);
      v.type = kRegDword;
      v.data = {static_cast<uint8_t>(d), static_cast<uint8_t>(d >> 8), static_cast<uint8_t>(d >> 16),
                static_cast<uint8_t>(d >> 24)};
    } else if (data.starts_with("hex")) {
      size_t colon = data.find(':');
      if (colon == std::string_view::npos) continue;
      v.type = kRegBinary;
      if (data.size() > 4 && data[3] == '(')
        v.type = static_cast<uint32_t>(std::strtoul(std::string(data.substr(4, colon - 4)).c_str(), nullptr, 16));
      if (!ParseHexBytes(data.substr(colon + 1), v.data)) continue;
      if (v.type == kRegSz || v.type == kRegExpandSz) {
        v.text = TextFromUtf16Bytes(v.data);
        v.data.clear();
      }
    } else {
      continue;
    }
    if (RegValue* existing = current->Value(name))
      *existing = std::move(v);
    else
      current->values.push_back(std::move(v));
  }
}

std::string RegTree::Export() const {
  std::string text = "Windows Registry Editor Version 5.00\r\n\r\n";
  for (size_t i = 0; i < roots_.size(); ++i)
    for (const auto& [key, child] : roots_[i]->keys) ExportNode(*child, roots_[i]->name + "\\" + child->name, text);
  std::string bytes = "\xFF\xFE";
  for (char16_t c : Utf8ToUtf16(text)) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return bytes;
}

}  // namespace vurerode::platform::sandbox
