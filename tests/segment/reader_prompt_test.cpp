// Asking for segments: the mount message for a missing or wrong segment, and the "Mount Segment #"
// prompt when SegPopUp is on.
#include <gtest/gtest.h>

#include "segment/seg_errors.h"
#include "segment/seg_fixture.h"

namespace vurerode::test {
namespace {

namespace fs = std::filesystem;

class SegPrompt : public SegFixture {
 protected:
  SegPrompt() {
    RawSet set;
    set.Header(1).ScanNames(Template("app"), {"a.txt"}).Arc(0, ArchiveBytes({{"a.txt", data}}));
    stream = set.bytes;
    seg.OnSegBefore = [&](TSegMode, const std::string& name, uint16_t n) {
      before.push_back(name + " " + std::to_string(n));
    };
  }
  void Expanded() { EXPECT_EQ(ReadFileBytes(Out("app/a.txt")), data); }

  std::vector<uint8_t> data = TextBytes(400, 21);
  std::vector<uint8_t> stream;
  std::vector<std::string> before;
};

const char kMissing2[] =
    "Unable to locate \"disk.002\" on this segment!\n\rCorrect and then press OK, or Cancel to abort";
const char kWrong[] = "Incorrect segmented mounted!\n\rCorrect and then press OK, or Cancel to abort";

TEST_F(SegPrompt, AMissingDiskIsAskedForUntilItIsThere) {
  WriteSegments(setDir, "disk", stream, {50});
  fs::rename(setDir / "disk.002", scratch.path() / "held back");
  owner.prompter
      .Answer(PromptResult::Ok)  // not inserted yet
      .Answer(PromptResult::Ok, [&] { fs::rename(scratch.path() / "held back", setDir / "disk.002"); });
  seg.SegExpand();
  Expanded();
  ASSERT_EQ(owner.prompter.asked.size(), 2u);
  for (const auto& q : owner.prompter.asked) {
    EXPECT_EQ(q.text, kMissing2);
    EXPECT_EQ(q.buttons, PromptButtons::OkCancel);
    EXPECT_EQ(q.icon, PromptIcon::Error);
  }
  EXPECT_EQ(before, (std::vector<std::string>{"disk.001 1", "disk.002 2", "disk.002 2", "disk.002 2"}));
}

TEST_F(SegPrompt, CancelAtTheMountMessageAborts) {
  WriteSegments(setDir, "disk", stream, {50});
  fs::remove(setDir / "disk.002");
  owner.prompter.Answer(PromptResult::Cancel);
  try {
    seg.SegExpand();
    FAIL();
  } catch (const ESegError& e) {
    EXPECT_STREQ(e.what(), "(TSegCompress) Operation aborted by user");
  }
  ExpectClean();
}

TEST_F(SegPrompt, AWrongDiskIsToldApartByItsNumber) {
  WriteSegments(setDir, "disk", stream, {50, 50});
  fs::copy_file(setDir / "disk.002", scratch.path() / "right");
  CopyOver(setDir / "disk.003", setDir / "disk.002");
  owner.prompter.Answer(PromptResult::Ok, [&] { CopyOver(scratch.path() / "right", setDir / "disk.002"); });
  seg.SegExpand();
  Expanded();
  ASSERT_EQ(owner.prompter.asked.size(), 1u);
  EXPECT_EQ(owner.prompter.asked[0].text, kWrong);
}

TEST_F(SegPrompt, WithPopUpEveryDiskIsAskedForAndATypedPathIsKeptAsTyped) {
  fs::path disks = scratch.path() / "Floppy";  // upper case: the typed path must not be lowered
  fs::create_directories(disks);
  WriteSegments(disks, "disk", stream, {50});
  seg.SegPopUp = true;
  const std::string typed = Win(disks);
  const std::string initial = seg.SegDir();
  owner.prompter
      .Input("")             // empty: asked again
      .Input(typed)          // segment 1
      .Input(typed + "\\");  // segment 2, with a trailing backslash this time
  seg.SegExpand();
  Expanded();
  const auto& asked = owner.prompter.asked;
  ASSERT_EQ(asked.size(), 3u);
  EXPECT_EQ(asked[0].caption, "Mount Segment #1");
  EXPECT_EQ(asked[0].text, "Directory Path:");
  EXPECT_EQ(asked[0].value, initial);
  EXPECT_EQ(asked[1].caption, "Mount Segment #1");
  EXPECT_EQ(asked[1].value, initial) << "refilled with SegDir";
  EXPECT_EQ(asked[2].caption, "Mount Segment #2");
  EXPECT_EQ(asked[2].value, typed);
  EXPECT_EQ(seg.SegDir(), typed + "\\");
  EXPECT_EQ(owner.repaints, 2);
}

TEST_F(SegPrompt, CancelAtThePromptAbortsAfterARepaint) {
  WriteSegments(setDir, "disk", stream, {});
  seg.SegPopUp = true;
  owner.prompter.Input(std::nullopt);
  try {
    seg.SegExpand();
    FAIL();
  } catch (const ESegError& e) {
    EXPECT_STREQ(e.what(), "(TSegCompress) Operation aborted by user");
  }
  EXPECT_EQ(owner.repaints, 1);
  EXPECT_TRUE(before.empty()) << "OnSegBefore comes after the prompt";
  ExpectClean();
}

TEST_F(SegPrompt, WithPopUpAMissingDiskPromptsAgainOnEveryRetry) {
  WriteSegments(setDir, "disk", stream, {});
  fs::path other = scratch.path() / "other";
  fs::create_directories(other);
  seg.SegPopUp = true;
  owner.prompter.Input(Win(other)).Answer(PromptResult::Ok).Input(Win(setDir));
  seg.SegExpand();
  Expanded();
  EXPECT_EQ(owner.prompter.asked[1].text,
            "Unable to locate \"disk.001\" on this segment!\n\rCorrect and then press OK, or Cancel to abort");
  EXPECT_EQ(before, (std::vector<std::string>{"disk.001 1", "disk.001 1"}));
}

}  // namespace
}  // namespace vurerode::test
