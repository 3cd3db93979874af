// Single-file media: `vurerode build --single-file` writes setup.exe alone, and the commands that
// take a set read the set inside it as they read the set of the same folder.
#include <gtest/gtest.h>

#include "platform/native_file_system.h"
#include "segment/single_file.h"
#include "set_tool_fixture.h"

namespace vurerode::cli {
namespace {
namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class SingleFileMedia : public SetToolTest {
 protected:
  void SetUp() override {
    SetToolTest::SetUp();
    test::WriteMinimalProgram("setup.exe");
    MakeApp("App");
    ASSERT_EQ(Build({"--segment-size", "40000", "App", "Set"}).status, kExitOk);
    // A set built there before is replaced: its files go.
    ASSERT_EQ(Build({"--segment-size", "40000", "App", "Single"}).status, kExitOk);
    const SetToolRun r = Build({"--segment-size", "40000", "--single-file", "App", "Single"});
    ASSERT_EQ(r.status, kExitOk) << r.err;
    summary_ = r.out;
  }
  std::string summary_;
};

TEST_F(SingleFileMedia, TheCommandsReadTheSetInsideAsTheSetBeside) {
  EXPECT_EQ(Names("Single"), std::vector<std::string>{"setup.exe"});
  EXPECT_TRUE(Contains(summary_, "setup.exe: single file of ")) << summary_;
  EXPECT_TRUE(Contains(summary_, "SHA-256 of 5 files (inside setup.exe)")) << summary_;
  EXPECT_EQ(Tool({"list", "Single/setup.exe"}).out, Tool({"list", "Set/disk.001"}).out);
  const SetToolRun tested = Tool({"test", "Single/setup.exe"});
  EXPECT_EQ(tested.status, kExitOk) << tested.err;
  EXPECT_TRUE(Contains(tested.out, "Single/setup.exe: 6 files in 2 archives OK, 5 files match SHA256SUMS"))
      << tested.out;
  ASSERT_EQ(Tool({"unpack", "Single/setup.exe", "-C", "fromSingle"}).status, kExitOk);
  ASSERT_EQ(Tool({"unpack", "Set/disk.001", "-C", "fromSet"}).status, kExitOk);
  test::ExpectSameTree("fromSingle", "fromSet");
  const SetToolRun rehearsed = Tool({"rehearse", "Single"});
  EXPECT_EQ(rehearsed.status, kExitOk) << rehearsed.out;
  EXPECT_TRUE(Contains(rehearsed.out, "file      C:\\Program Files\\App\\bin\\core.dll")) << rehearsed.out;
  ExpectNoWorkLeft();
  // The set's build after it takes its place again.
  ASSERT_EQ(Build({"App", "Single"}).status, kExitOk);
  EXPECT_EQ(test::ReadFileBytes("Single/setup.exe"), test::ReadFileBytes("setup.exe"));
}

TEST_F(SingleFileMedia, ADamagedSingleFileIsRefused) {
  platform::NativeFileSystem host;
  const auto single = TSingleFile::Open(host, test::Win(fs::absolute("Single/setup.exe")));
  ASSERT_TRUE(single.has_value());
  const std::vector<uint8_t> good = test::ReadFileBytes("Single/setup.exe");
  const uint64_t payload = single->Members().front().offset + 100;
  const struct {
    const char* damage;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"one payload byte changed",
       [&] {
         auto b = good;
         b[payload] ^= 0x01;
         return b;
       }()},
      {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 10)},
  };
  for (const auto& c : cases) {
    test::WriteFileBytes("Single/setup.exe", c.bytes);
    const SetToolRun r = Tool({"test", "Single/setup.exe"});
    EXPECT_EQ(r.status, kExitFailure) << c.damage;
    EXPECT_TRUE(Contains(r.err, "vurerode: Single/setup.exe: ")) << c.damage << ": " << r.err;
  }
  ExpectNoWorkLeft();
}

}  // namespace
}  // namespace vurerode::cli
