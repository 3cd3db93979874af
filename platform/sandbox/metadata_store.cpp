#include "platform/sandbox/metadata_store.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/ansi.h"

namespace vurerode::platform::sandbox {

MetadataStore::MetadataStore(std::filesystem::path file) : file_(std::move(file)) {
  Load();
}

MetadataStore::~MetadataStore() {
  try {
    Flush();
  } catch (...) {
    // A store that cannot be saved loses only attribute bits and aliases.
  }
}

void MetadataStore::Load() {
  std::ifstream in(file_, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    size_t t1 = line.find('\t');
    size_t t2 = t1 == std::string::npos ? std::string::npos : line.find('\t', t1 + 1);
    if (t2 == std::string::npos) continue;
    std::string path = line.substr(t2 + 1);
    size_t cut = path.rfind('\\');
    if (cut == std::string::npos) continue;
    Entry& e = Get(path.substr(0, cut), path.substr(cut + 1));
    std::string attrs = line.substr(0, t1);
    if (attrs != "-") e.attributes = static_cast<uint32_t>(std::strtoul(attrs.c_str(), nullptr, 16));
    std::string alias = line.substr(t1 + 1, t2 - t1 - 1);
    e.alias = alias == "-" ? std::string() : alias;
  }
  dirty_ = false;
}

void MetadataStore::Flush() {
  if (!dirty_) return;
  std::ostringstream out;
  for (const auto& [dirKey, folder] : folders_) {
    for (const auto& [nameKey, e] : folder) {
      if (!e.attributes && e.alias.empty()) continue;
      char attrs[16];
      if (e.attributes)
        std::snprintf(attrs, sizeof attrs, "%X", static_cast<unsigned>(*e.attributes));
      else
        std::snprintf(attrs, sizeof attrs, "-");
      // The folder's own spelling is not kept; the key is enough to find the entry again.
      out << attrs << '\t' << (e.alias.empty() ? "-" : e.alias) << '\t' << dirKey << '\\' << e.name << "\r\n";
    }
  }
  std::filesystem::path temp = file_;
  temp += ".new";
  {
    std::ofstream f(temp, std::ios::binary | std::ios::trunc);
    f << out.str();
    if (!f) return;
  }
  std::error_code ec;
  std::filesystem::rename(temp, file_, ec);
  if (!ec) dirty_ = false;
}

const MetadataStore::Entry* MetadataStore::Find(const std::string& dir, const std::string& name) const {
  auto f = folders_.find(AnsiUpperCase(dir));
  if (f == folders_.end()) return nullptr;
  auto e = f->second.find(AnsiUpperCase(name));
  return e == f->second.end() ? nullptr : &e->second;
}

MetadataStore::Entry& MetadataStore::Get(const std::string& dir, const std::string& name) {
  dirty_ = true;
  Entry& e = folders_[AnsiUpperCase(dir)][AnsiUpperCase(name)];
  if (e.name.empty()) e.name = name;
  return e;
}

void MetadataStore::Remove(const std::string& dir, const std::string& name) {
  std::string dirKey = AnsiUpperCase(dir);
  auto f = folders_.find(dirKey);
  if (f != folders_.end() && f->second.erase(AnsiUpperCase(name))) dirty_ = true;
  std::string below = dirKey + "\\" + AnsiUpperCase(name);
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
  auto f = folders_.find(AnsiUpperCase(dir));
  if (f == folders_.end()) return {};
  for (const auto& [key, e] : f->second)
    if (!e.alias.empty() && AnsiSameText(e.alias, alias)) return e.name;
  return {};
}

bool MetadataStore::AliasTaken(const std::string& dir, const std::string& alias) const {
  return !LongNameOfAlias(dir, alias).empty();
}

}  // namespace vurerode::platform::sandbox
