// Helpers shared by the test programs: deterministic data, scratch folders, small file utilities.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vurerode::test {

// Deterministic pseudo-random bytes (xorshift), the same on every machine.
std::vector<uint8_t> RandomBytes(size_t n, uint64_t seed);
// Text-like bytes: words from a small vocabulary, compressible as real text is.
std::vector<uint8_t> TextBytes(size_t n, uint64_t seed);
std::vector<uint8_t> Bytes(const std::string& s);

// A fresh folder below the system's temporary folder, removed with everything in it at the end.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

// The Windows form of a path ("/tmp/x" -> "\tmp\x" on a POSIX host, whose file system maps it
// back).
std::string Win(const std::filesystem::path& p);
// The host path of UTF-8 text. A narrow string made into a path is read in the code page on a
// Windows host, so names in any script go through here.
inline std::filesystem::path U8Path(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& p);
void WriteFileBytes(const std::filesystem::path& p, const std::vector<uint8_t>& data);
// The smallest file `vurerode build` takes for a Windows program: "MZ", and e_lfanew at 0x3C pointing
// at "PE\0\0". It is not a program that runs.
void WriteWindowsProgramStub(const std::filesystem::path& p);
// A whole PE32+ program of 1 KB, one section filled with fill: enough for a signer and for the
// single file's layout, though it does nothing when run.
void WriteMinimalProgram(const std::filesystem::path& p, uint8_t fill = 0x90);

// Expects the two folders to hold the same files with the same bytes, and the same folders (empty
// ones included), as diff -r compares them; works where no diff is installed.
void ExpectSameTree(const std::filesystem::path& a, const std::filesystem::path& b);

// True when a program of that name is on PATH (for checks against peer tools).
bool HaveProgram(const std::string& name);
// Runs a shell command; returns its exit status.
int RunCommand(const std::string& command);

}  // namespace vurerode::test
