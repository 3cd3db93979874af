#include "corpus.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <system_error>

namespace vurerode::bench {
namespace fs = std::filesystem;
namespace {

struct Rule {
  const char* label;
  std::vector<const char*> roots;
  bool recursive;
  std::function<bool(const fs::path&)> accept;
  uint64_t minSize, maxSize;  // bytes, inclusive
  uint64_t quota;             // stop once this many bytes are taken
};

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::vector<Rule> Rules() {
  return {
      {"programs", {"/usr/bin"}, false, [](const fs::path&) { return true; }, 20 << 10, 4 << 20, 18000000},
      {"libraries",
       {"/usr/lib/x86_64-linux-gnu"},
       false,
       [](const fs::path& p) { return p.filename().string().find(".so") != std::string::npos; },
       50 << 10,
       6 << 20,
       18000000},
      {"documents",
       {"/usr/share/doc"},
       true,
       [](const fs::path& p) { return !EndsWith(p.string(), ".gz"); },
       1 << 10,
       1 << 20,
       12000000},
      {"images",
       {"/usr/share/icons", "/usr/share/pixmaps"},
       true,
       [](const fs::path& p) { return EndsWith(p.string(), ".png"); },
       1 << 10,
       1 << 20,
       4000000},
  };
}

// Regular files (not links) below the roots, sorted by path as bytes.
std::vector<fs::path> Candidates(const Rule& rule) {
  std::vector<fs::path> found;
  std::error_code ec;
  auto consider = [&](const fs::directory_entry& e) {
    if (e.is_symlink(ec) || !e.is_regular_file(ec)) return;
    if (rule.accept(e.path())) found.push_back(e.path());
  };
  for (const char* root : rule.roots) {
    if (!fs::exists(root, ec)) continue;
    if (rule.recursive) {
      for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
           !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        consider(*it);
    } else {
      for (auto it = fs::directory_iterator(root, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
        consider(*it);
    }
  }
  std::sort(found.begin(), found.end(), [](const fs::path& a, const fs::path& b) { return a.string() < b.string(); });
  return found;
}

std::string FlatName(size_t index, const fs::path& source) {
  std::string base = source.filename().string();
  for (char& c : base)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '+' || c == '-')) c = '_';
  if (base.size() > 60) base.resize(60);
  char prefix[16];
  std::snprintf(prefix, sizeof prefix, "%04zu-", index);
  return prefix + base;
}

}  // namespace

std::vector<CorpusFile> BuildCorpus(const fs::path& dir) {
  fs::create_directories(dir);
  for (const auto& e : fs::directory_iterator(dir)) fs::remove(e.path());
  std::vector<CorpusFile> files;
  for (const Rule& rule : Rules()) {
    uint64_t taken = 0;
    for (const fs::path& p : Candidates(rule)) {
      if (taken >= rule.quota) break;
      std::error_code ec;
      const uint64_t size = fs::file_size(p, ec);
      if (ec || size < rule.minSize || size > rule.maxSize) continue;
      CorpusFile f{FlatName(files.size() + 1, p), size, p.string()};
      if (!fs::copy_file(p, dir / f.name, ec)) continue;  // unreadable: skipped everywhere alike
      files.push_back(f);
      taken += size;
    }
  }
  std::ofstream manifest(dir / "MANIFEST", std::ios::trunc);
  for (const auto& f : files) manifest << f.name << '\t' << f.size << '\t' << f.source << '\n';
  return files;
}

std::vector<CorpusFile> ReadManifest(const fs::path& dir) {
  std::ifstream in(dir / "MANIFEST");
  if (!in) throw std::runtime_error("no MANIFEST in " + dir.string());
  std::vector<CorpusFile> files;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    CorpusFile f;
    std::string size;
    if (!std::getline(fields, f.name, '\t') || !std::getline(fields, size, '\t') || !std::getline(fields, f.source))
      throw std::runtime_error("bad MANIFEST line: " + line);
    f.size = std::stoull(size);
    files.push_back(f);
  }
  return files;
}

}  // namespace vurerode::bench
