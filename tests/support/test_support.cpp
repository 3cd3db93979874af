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

void WriteMinimalProgram(const std::filesystem::path& p, uint8_t fill) {
  std::vector<uint8_t> image(0x400, 0);
  auto put = [&](size_t at, uint64_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) image[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  image[0] = 'M';
  image[1] = 'Z';
  put(0x3C, 0x40, 4);
  put(0x40, 0x00004550, 4);  // "PE\0\0"
  put(0x44, 0x8664, 2);      // x86-64
  put(0x46, 1, 2);           // one section
  put(0x54, 240, 2);         // the optional header's size
  put(0x56, 0x22, 2);        // executable, large-address aware
  const size_t opt = 0x58;
  put(opt, 0x20B, 2);  // PE32+
  put(opt + 4, 0x200, 4);
  put(opt + 16, 0x1000, 4);
  put(opt + 20, 0x1000, 4);
  put(opt + 24, 0x140000000ull, 8);
  put(opt + 32, 0x1000, 4);
  put(opt + 36, 0x200, 4);
  put(opt + 40, 6, 2);
  put(opt + 48, 6, 2);
  put(opt + 56, 0x2000, 4);  // image size
  put(opt + 60, 0x200, 4);   // header size
  put(opt + 68, 3, 2);       // console
  put(opt + 72, 0x100000, 8);
  put(opt + 80, 0x1000, 8);
  put(opt + 88, 0x100000, 8);
  put(opt + 96, 0x1000, 8);
  put(opt + 108, 16, 4);
  const size_t section = opt + 240;
  std::copy_n(".text", 5, image.begin() + section);
  put(section + 8, 0x200, 4);
  put(section + 12, 0x1000, 4);
  put(section + 16, 0x200, 4);
  put(section + 20, 0x200, 4);
  put(section + 36, 0x60000020, 4);
  std::fill(image.begin() + 0x200, image.end(), fill);
  image[0x200] = 0xC3;  // ret
  WriteFileBytes(p, image);
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
