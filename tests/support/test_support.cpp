#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <random>
#include <set>
#include <system_error>
#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace vurerode::test {

std::string Win(const std::filesystem::path& p) {
  std::string s = p.string();
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

std::vector<uint8_t> RandomBytes(size_t n, uint64_t seed) {
  std::vector<uint8_t> out(n);
  uint64_t x = seed * 0x9E3779B97F4A7C15ull + 1;
  for (size_t i = 0; i < n; ++i) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    out[i] = static_cast<uint8_t>(x >> 24);
  }
  return out;
}

std::vector<uint8_t> TextBytes(size_t n, uint64_t seed) {
  static const char* const words[] = {"the ",      "archive ", "setup ",  "install ", "file ", "window ",
                                      "segment ",  "of ",      "and ",    "data\r\n", "key ",  "shortcut ",
                                      "registry ", "a ",       "folder ", "program ", "disk ", "value "};
  std::vector<uint8_t> out;
  out.reserve(n);
  std::vector<uint8_t> pick = RandomBytes(n, seed);
  size_t i = 0;
  while (out.size() < n) {
    const char* w = words[pick[i++ % pick.size()] % (sizeof words / sizeof words[0])];
    for (const char* c = w; *c && out.size() < n; ++c) out.push_back(static_cast<uint8_t>(*c));
  }
  return out;
}

std::vector<uint8_t> Bytes(const std::string& s) {
  return std::vector<uint8_t>(s.begin(), s.end());
}

ScratchDir::ScratchDir() {
  static std::random_device rd;
  auto base = std::filesystem::temp_directory_path();
  for (;;) {
    auto candidate = base / ("vurerode-test-" + std::to_string(rd()));
    std::error_code ec;
    if (std::filesystem::create_directory(candidate, ec)) {
      path_ = candidate;
      return;
    }
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Read-only files and folders must not keep the scratch folder alive.
  for (auto it = std::filesystem::recursive_directory_iterator(path_, ec);
       !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::filesystem::path& p, const std::vector<uint8_t>& data) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

void WriteWindowsProgramStub(const std::filesystem::path& p) {
  std::vector<uint8_t> stub(0x44, 0);
  stub[0] = 'M';
  stub[1] = 'Z';
  stub[0x3C] = 0x40;
  stub[0x40] = 'P';
  stub[0x41] = 'E';
  WriteFileBytes(p, stub);
}

bool HaveProgram(const std::string& name) {
  return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0;
}

int RunCommand(const std::string& command) {
  int rc = std::system(command.c_str());
#if defined(_WIN32)
  return rc;
#else
  return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
#endif
}

void ExpectSameTree(const std::filesystem::path& a, const std::filesystem::path& b) {
  namespace fs = std::filesystem;
  auto entries = [](const fs::path& root) {
    std::set<std::string> all;
    for (auto& e : fs::recursive_directory_iterator(root))
      all.insert(fs::relative(e.path(), root).generic_string() + (e.is_directory() ? "/" : ""));
    return all;
  };
  const std::set<std::string> left = entries(a), right = entries(b);
  EXPECT_EQ(left, right) << a << " and " << b;
  for (const std::string& name : left) {
    if (name.back() != '/' && right.count(name)) {
      EXPECT_EQ(ReadFileBytes(a / name), ReadFileBytes(b / name)) << name;
    }
  }
}

}  // namespace vurerode::test
