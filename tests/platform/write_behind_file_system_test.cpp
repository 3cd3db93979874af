// Files written behind the caller's back must end up exactly as a direct file system leaves them,
// and every failure of the worker must reach the caller.
#include "platform/write_behind_file_system.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>

#include "platform/dos_time.h"
#include "platform/exception.h"
#include "platform/native_file_system.h"
#include "support/forwarding_file_stream.h"
#include "support/test_support.h"

namespace vurerode::platform {
namespace {

using Native = NativeFileSystem;

const uint32_t kDate = PackDosDateTime({2004, 7, 15, 13, 45, 10});

// The real files, with failures on demand: creating a file whose name holds "cannot" fails, and
// writes fail once writeBudget bytes have been written.
class FaultyFileSystem : public Native {
 public:
  std::unique_ptr<TFileStream> CreateFile(const std::string& path) override {
    if (path.find("cannot") != std::string::npos) throw EFCreateError(path);
    created.fetch_add(1);
    return std::make_unique<Budgeted>(Native::CreateFile(path), *this);
  }
  std::atomic<int64_t> writeBudget{INT64_MAX};
  std::atomic<int> created{0};

 private:
  class Budgeted : public test::ForwardingFileStream {
   public:
    Budgeted(std::unique_ptr<TFileStream> inner, FaultyFileSystem& fs)
        : ForwardingFileStream(std::move(inner)), fs_(fs) {}
    void Write(const void* b, size_t n) override {
      if (fs_.writeBudget.fetch_sub(static_cast<int64_t>(n)) < static_cast<int64_t>(n))
        throw EWriteError("Unable to write to " + Path() + ": disk full");
      Inner().Write(b, n);
    }

   private:
    FaultyFileSystem& fs_;
  };
};

class WriteBehind : public ::testing::Test {
 protected:
  std::string At(const std::string& name) const { return (dir_.path() / name).string(); }
  // Writes a file as the archive component does: data in 8 KiB calls, then its date.
  static void WriteLikeAnExpansion(FileSystem& fs, const std::string& path, const std::vector<uint8_t>& data) {
    auto file = fs.CreateFile(path);
    for (size_t at = 0; at < data.size(); at += 8192)
      file->Write(data.data() + at, std::min<size_t>(8192, data.size() - at));
    file->SetLastWriteDosTime(kDate);
  }

  test::ScratchDir dir_;
  FaultyFileSystem inner_;
};

TEST_F(WriteBehind, FilesEndUpAsWrittenWithTheirDatesAndAttributes) {
  struct Case {
    const char* name;
    size_t size;
    uint32_t attributes;
  };
  // Empty, one byte, around the codec buffer and the queued pieces, and larger than the limit of
  // data waiting to be written.
  const Case cases[] = {{"empty.dat", 0, faArchive},
                        {"one.txt", 1, faArchive},
                        {"buffer.bin", 8192, faReadOnly},
                        {"piece.bin", 64 * 1024, faArchive},
                        {"over.bin", 64 * 1024 + 1, faArchive},
                        {"large.bin", 300 * 1024, faReadOnly}};
  {
    WriteBehindFileSystem fs(inner_, 128 * 1024);
    for (size_t i = 0; i < std::size(cases); ++i) {
      WriteLikeAnExpansion(fs, At(cases[i].name), test::RandomBytes(cases[i].size, i));
      EXPECT_TRUE(fs.SetAttributes(At(cases[i].name), cases[i].attributes));
    }
    fs.Finish();
  }
  Native direct;
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(test::ReadFileBytes(At(cases[i].name)), test::RandomBytes(cases[i].size, i));
    EXPECT_EQ(direct.GetAttributes(At(cases[i].name)) & faReadOnly, cases[i].attributes & faReadOnly);
    EXPECT_EQ(direct.OpenFile(At(cases[i].name), FileAccess::Read)->LastWriteDosTime(), kDate);
    direct.SetAttributes(At(cases[i].name), faArchive);
  }
}

TEST_F(WriteBehind, EveryCallSeesTheFilesAsTheCallerLeftThem) {
  WriteBehindFileSystem fs(inner_);
  // The same name twice: the second file replaces the first, never mixes with it.
  WriteLikeAnExpansion(fs, At("twice.bin"), test::RandomBytes(200000, 1));
  WriteLikeAnExpansion(fs, At("twice.bin"), test::RandomBytes(5000, 2));
  EXPECT_EQ(fs.OpenFile(At("twice.bin"), FileAccess::Read)->Size(), 5000);
  // Reading back what was just written, through the file and through the file system.
  auto file = fs.CreateFile(At("back.txt"));
  file->Write("hello world", 11);
  EXPECT_EQ(file->Size(), 11);
  EXPECT_EQ(file->Position(), 11);
  file->SetPosition(6);
  char got[5] = {};
  EXPECT_EQ(file->Read(got, 5), 5u);
  EXPECT_EQ(std::string(got, 5), "world");
  file->Write("!", 1);
  file.reset();
  EXPECT_EQ(test::ReadFileBytes(At("back.txt")), test::Bytes("hello world!"));
  // Folder listings, deletions and attributes wait for the writes.
  WriteLikeAnExpansion(fs, At("listed.txt"), test::TextBytes(100, 3));
  EXPECT_NE(fs.GetAttributes(At("listed.txt")), kInvalidAttributes);
  FindData first;
  EXPECT_NE(fs.FindFirst(At("listed.*"), first), nullptr);
  EXPECT_TRUE(fs.DeleteFile(At("listed.txt")));
  EXPECT_FALSE(std::filesystem::exists(At("listed.txt")));
  fs.Finish();
}

TEST_F(WriteBehind, AFileThatCannotBeCreatedIsReportedAndNothingIsWrittenAfterIt) {
  WriteBehindFileSystem fs(inner_);
  WriteLikeAnExpansion(fs, At("before.txt"), test::TextBytes(100, 1));
  auto doomed = fs.CreateFile(At("cannot.txt"));  // fails on the worker, later
  doomed->Write("x", 1);
  doomed.reset();
  fs.SetAttributes(At("cannot.txt"), faArchive);
  fs.Wait();
  // Calls about other files keep their own outcome: reading, and files written at once.
  std::filesystem::create_directory(dir_.path() / "work");
  fs.SetDirectFolder(At("work"));
  EXPECT_EQ(fs.OpenFile(At("before.txt"), FileAccess::Read)->Size(), 100);
  EXPECT_NO_THROW(fs.CreateFile(At("work") + "/temp.$a$")->Write("t", 1));
  try {
    WriteLikeAnExpansion(fs, At("after.txt"), test::TextBytes(100, 2));
    FAIL() << "the failure was not raised";
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + At("cannot.txt"));
  }
  // Cleanup calls raise nothing; Finish raises the failure again, however often it is asked.
  EXPECT_FALSE(fs.DeleteFile(At("cannot.txt")));
  EXPECT_THROW(fs.Finish(), EFCreateError);
  EXPECT_THROW(fs.Finish(), EFCreateError);
  EXPECT_TRUE(std::filesystem::exists(At("before.txt")));
  EXPECT_FALSE(std::filesystem::exists(At("after.txt")));
}

TEST_F(WriteBehind, AFullDiskIsAnErrorNeverAShortFileReportedAsWritten) {
  inner_.writeBudget = 100000;
  bool raised = false;
  {
    WriteBehindFileSystem fs(inner_);
    try {
      for (int i = 0; i < 10; ++i) WriteLikeAnExpansion(fs, At("f" + std::to_string(i)), test::RandomBytes(30000, i));
      fs.Finish();
    } catch (const EWriteError& e) {
      raised = true;
      EXPECT_NE(std::string(e.what()).find("disk full"), std::string::npos);
    }
  }
  EXPECT_TRUE(raised);
  // Files past the failure were not even created.
  EXPECT_LT(inner_.created.load(), 10);
}

TEST_F(WriteBehind, DroppingTheFileSystemWaitsForItsWrites) {
  {
    WriteBehindFileSystem fs(inner_, 64 * 1024);
    for (int i = 0; i < 20; ++i) WriteLikeAnExpansion(fs, At("w" + std::to_string(i)), test::RandomBytes(50000, i));
  }
  for (int i = 0; i < 20; ++i) EXPECT_EQ(test::ReadFileBytes(At("w" + std::to_string(i))), test::RandomBytes(50000, i));
}

TEST_F(WriteBehind, FilesOfTheDirectFolderAreWrittenAtOnce) {
  std::filesystem::create_directory(dir_.path() / "work");
  WriteBehindFileSystem fs(inner_);
  fs.SetDirectFolder(At("work"));
  auto file = fs.CreateFile(At("work") + "/temp.$a$");
  file->Write("abc", 3);
  // Written through: the bytes are in the file while it is still open.
  EXPECT_EQ(test::ReadFileBytes(At("work") + "/temp.$a$"), test::Bytes("abc"));
}

}  // namespace
}  // namespace vurerode::platform
