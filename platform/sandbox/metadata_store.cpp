#include "platform/sandbox/metadata_store.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/exception.h"
#include "platform/sandbox/host_io.h"
#include "platform/text.h"

namespace vurerode::platform::sandbox {

namespace {

bool NeedsEscape(char c) {
  auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7F || c == '%';
}

std::string Escape(std::string_view field) {
  std::string out;
  for (char c : field) {
    if (!NeedsEscape(c)) {
      out += c;
      continue;
    }
    char hex[4];
    std::snprintf(hex, sizeof hex, "%%%02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
    out += hex;
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Only what Escape makes is taken back, so a "%" that older stores kept as it was mostly survives.
std::string Unescape(std::string_view field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '%' && i + 2 < field.size() && HexDigit(field[i + 1]) >= 0 && HexDigit(field[i + 2]) >= 0) {
      char c = static_cast<char>(HexDigit(field[i + 1]) * 16 + HexDigit(field[i + 2]));
      if (NeedsEscape(c)) {
        out += c;
        i += 2;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

// Stores written before names were UTF-8 hold them in the ANSI code page, which is read as such.
std::string UnescapeName(std::string_view field) {
  std::string name = Unescape(field);
  return IsValidUtf8(name) ? name : Cp1252ToUtf8(name);
}

}  // namespace

MetadataStore::MetadataStore(std::filesystem::path file) : file_(std::move(file)) {
  Reload();
}

void MetadataStore::Reload() {
  folders_.clear();
  std::ifstream in(file_, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LoadText(text);
}

MetadataStore::~MetadataStore() {
  try {
    Flush();
  } catch (...) {
    // A store that cannot be saved loses only attribute bits and aliases.
  }
}

void MetadataStore::LoadText(std::string_view text) {
  size_t pos = 0;
  while (pos < text.size()) {
    size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    size_t t1 = line.find('\t');
    size_t t2 = t1 == std::string_view::npos ? std::string_view::npos : line.find('\t', t1 + 1);
    if (t2 == std::string_view::npos) continue;
    std::string path = UnescapeName(line.substr(t2 + 1));
    size_t cut = path.rfind('\\');
    if (cut == std::string::npos || cut + 1 == path.size()) continue;
    std::string_view attrs = line.substr(0, t1);
    bool written = !attrs.empty() && attrs.back() == '*';
    if (written) attrs.remove_suffix(1);
    Entry& e = Get(path.substr(0, cut), path.substr(cut + 1));
    if (attrs != "-") e.attributes = static_cast<uint32_t>(std::strtoul(std::string(attrs).c_str(), nullptr, 16));
    std::string alias = UnescapeName(line.substr(t1 + 1, t2 - t1 - 1));
    e.alias = alias == "-" ? std::string() : alias;
    e.written = written;
  }
  dirty_ = false;
}

std::string MetadataStore::Text() const {
  std::string out;
  for (const auto& [dirKey, folder] : folders_) {
    for (const auto& [nameKey, e] : folder) {
      if (!e.attributes && e.alias.empty() && !e.written) continue;
      char attrs[16];
      if (e.attributes)
        std::snprintf(attrs, sizeof attrs, "%X", static_cast<unsigned>(*e.attributes));
      else
        std::snprintf(attrs, sizeof attrs, "-");
      // The folder's own spelling is not kept; the key is enough to find the entry again.
      out += std::string(attrs) + (e.written ? "*" : "") + '\t' + (e.alias.empty() ? "-" : Escape(e.alias)) + '\t' +
             Escape(dirKey + '\\' + e.name) + "\r\n";
    }
  }
  return out;
}

void MetadataStore::Flush() {
  if (!dirty_) return;
  int error = ReplaceHostFileDurably(file_, Text());
  if (error == 0) {
    dirty_ = false;
    return;
  }
  const std::string target = "Unable to write to " + HostName(file_) + ": ";
  if (error == ENOSPC || error == EFBIG
#if defined(EDQUOT)
      || error == EDQUOT
#endif
  )
    throw EInOutError(112, target + "There is not enough space on the disk.");
  throw EInOutError(29, target + std::generic_category().message(error));
}

const MetadataStore::Entry* MetadataStore::Find(const std::string& dir, const std::string& name) const {
  auto f = folders_.find(UpperCase(dir));
  if (f == folders_.end()) return nullptr;
  auto e = f->second.find(UpperCase(name));
  return e == f->second.end() ? nullptr : &e->second;
}

MetadataStore::Entry& MetadataStore::Get(const std::string& dir, const std::string& name) {
  dirty_ = true;
  Entry& e = folders_[UpperCase(dir)][UpperCase(name)];
  if (e.name.empty()) e.name = name;
  return e;
}

void MetadataStore::Remove(const std::string& dir, const std::string& name) {
  std::string dirKey = UpperCase(dir);
  auto f = folders_.find(dirKey);
  if (f != folders_.end() && f->second.erase(UpperCase(name))) dirty_ = true;
  std::string below = dirKey + "\\" + UpperCase(name);
  for (auto it = folders_.lower_bound(below); it != folders_.end();) {
    const std::string& key = it->first;
    if (key.compare(0, below.size(), below) != 0) break;
    if (key.size() == below.size() || key[below.size()] == '\\') {
      it = folders_.erase(it);
      dirty_ = true;
    } else {
      ++it;
    }
  }
}

std::string MetadataStore::LongNameOfAlias(const std::string& dir, const std::string& alias) const {
  auto f = folders_.find(UpperCase(dir));
  if (f == folders_.end()) return {};
  for (const auto& [key, e] : f->second)
    if (!e.alias.empty() && SameText(e.alias, alias)) return e.name;
  return {};
}

bool MetadataStore::AliasTaken(const std::string& dir, const std::string& alias) const {
  return !LongNameOfAlias(dir, alias).empty();
}

}  // namespace vurerode::platform::sandbox
