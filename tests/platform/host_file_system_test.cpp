// The host's POSIX file system behind the seam, as the tools on the building machine use it.
#if !defined(_WIN32)

#include "platform/posix/host_file_system.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/file_search.h"
#include "support/test_support.h"

namespace vurerode::platform {
namespace {

TEST(HostFileSystem, SearchesAndPaths) {
  test::ScratchDir dir;
  HostFileSystem fs;
  std::string d = dir.str() + "/";
  test::WriteFileBytes(dir.path() / "b.txt", test::Bytes("12345"));
  test::WriteFileBytes(dir.path() / "a.TXT", test::Bytes(""));
  test::WriteFileBytes(dir.path() / ".hidden", test::Bytes(""));
  std::filesystem::create_directory(dir.path() / "sub");
  std::vector<std::string> names;
  TFileSearch search(fs, d + "*.txt", faAnyFile);
  TSearchRec rec;
  while (search.Next(rec)) names.push_back(rec.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"a.TXT", "b.txt"}));
  TFileSearch plain(fs, d + "*", 0);
  names.clear();
  while (plain.Next(rec)) names.push_back(rec.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"a.TXT", "b.txt"}));  // no hidden files, no folders
  EXPECT_EQ(fs.ShortPathName(d + "b.txt"), d + "b.txt");
  EXPECT_EQ(fs.ShortPathName(d + "none"), "");
  EXPECT_EQ(fs.FullPathName(d + "sub/../b.txt"), d + "b.txt");
  EXPECT_FALSE(fs.WindowsDirectory().empty());
  EXPECT_EQ(HostFileSystem("/opt/win").WindowsDirectory(), "/opt/win");
}

// A name that is taken reads as Windows reports it, so that callers can make a folder of their own
// in one step; other failures keep the host's number.
TEST(HostFileSystem, CreateDirectoryReports183ForATakenName) {
  test::ScratchDir dir;
  HostFileSystem fs;
  test::WriteFileBytes(dir.path() / "file", test::Bytes("x"));
  const struct {
    std::string path;
    int expected;
  } kCases[] = {
      {dir.str() + "/new", 0},
      {dir.str() + "/new", 183},
      {dir.str() + "/file", 183},
      {dir.str() + "/missing/new", ENOENT},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(fs.CreateDirectory(c.path), c.expected);
  }
}

}  // namespace
}  // namespace vurerode::platform

#endif
