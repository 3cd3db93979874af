// A scratch world for one expansion: the set's folder, the work folder, the output folder, a
// watched host file system, a scripted owner and a TSegCompEZ set up as the installer sets it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "segment/seg_comp_ez.h"
#include "segment/seg_test_util.h"
#include "support/test_support.h"

namespace vurerode::test {

class SegFixture : public ::testing::Test {
 protected:
  SegFixture() {
    std::filesystem::create_directories(setDir);
    std::filesystem::create_directories(outDir);
    seg.SetSegBaseName("disk");
    seg.SetSegDir(Win(setDir));
    seg.SetSegTmpDir(Win(tmpDir));
    seg.SegPopUp = false;
  }

  // A template whose directory is a folder below the output folder.
  std::string Template(const std::string& sub, const std::string& mask = "*.*") const {
    std::string folder = sub;  // UTF-8 text, joined as text: a host path would pass through the code page
    std::replace(folder.begin(), folder.end(), '/', '\\');
    return Win(outDir) + (folder.empty() ? "" : "\\" + folder) + "\\" + mask;
  }
  std::filesystem::path Out(const std::string& rel) const { return outDir / test::U8Path(rel); }
  void Write(const std::vector<uint8_t>& stream, const std::vector<size_t>& payloads) {
    WriteSegments(setDir, "disk", stream, payloads);
  }
  // Nothing may stay open or behind in the work folder, whatever happened.
  void ExpectClean() {
    EXPECT_EQ(files.openFiles, 0);
    EXPECT_TRUE(FolderEntries(tmpDir).empty()) << *FolderEntries(tmpDir).begin();
  }

  ScratchDir scratch;
  std::filesystem::path setDir = scratch.path() / "set";
  std::filesystem::path tmpDir = scratch.path() / "work";
  std::filesystem::path outDir = scratch.path() / "out";
  WatchedFileSystem files;
  TestOwner owner;
  TSegCompEZ seg{files, owner};
};

}  // namespace vurerode::test
