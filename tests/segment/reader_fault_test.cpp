// Damaged, foreign, missing and cut-short sets: each ends with its own message, and afterwards no
// file is open, the work folder is empty and the application's handlers are back.
#include <gtest/gtest.h>

#include <functional>

#include "archive/errors.h"
#include "segment/seg_errors.h"
#include "segment/seg_fixture.h"

namespace vurerode::test {
namespace {

namespace fs = std::filesystem;

struct FaultCase {
  const char* name;
  const char* message;
  // Writes the damaged set into the folder; may script the prompter.
  std::function<void(const fs::path& dir, ScriptedPrompter& prompter, const std::string& templ)> make;
  bool segError = true;  // raised as ESegError (rather than an archive or general error)
};

std::vector<uint8_t> GoodArchive() {
  return ArchiveBytes({{"a.txt", TextBytes(500, 7)}});
}

RawSet GoodSet(const std::string& templ) {
  RawSet s;
  s.Header(1).ScanNames(templ, {"a.txt"}).Arc(0, GoodArchive());
  return s;
}

void One(const fs::path& dir, const std::vector<uint8_t>& stream) {
  WriteSegments(dir, "disk", stream, {});
}

std::vector<uint8_t> WithByte(std::vector<uint8_t> v, size_t at, uint8_t b) {
  v.at(at) = b;
  return v;
}

const FaultCase kFaults[] = {
    {"segment one is foreign", "(TSegCompress) Stream open failed",
     [](const fs::path& d, ScriptedPrompter&, const std::string&) {
       WriteFileBytes(d / "disk.001", Bytes("PK\x03\x04 a zip file, not a segment"));
     }},
    {"segment one is shorter than its header", "(TSegCompress) Stream open failed",
     [](const fs::path& d, ScriptedPrompter&, const std::string&) {
       WriteFileBytes(d / "disk.001", Bytes("SSeg\0\0\1"));
     }},
    {"segment identifier compared with case", "(TSegCompress) Stream open failed",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       auto file = SegmentFile(1, GoodSet(t).bytes);
       file[3] = 'G';
       WriteFileBytes(d / "disk.001", file);
     }},
    {"second segment is foreign", "(TSegCompress) Stream open failed",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       WriteSegments(d, "disk", GoodSet(t).bytes, {30});
       WriteFileBytes(d / "disk.002", RandomBytes(100, 3));
     }},
    {"set header", "(TSegCompress) Invalid Segment Header ID",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) { One(d, WithByte(GoodSet(t).bytes, 1, 'h')); }},
    {"scan record", "(TSegCompress) Invalid Scan ID Header",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) { One(d, WithByte(GoodSet(t).bytes, 21, 's')); }},
    {"archive record", "(TSegCompress) Invalid Archive ID Header",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).ScanNames(t, {"a.txt"}).Arc(0, GoodArchive(), {'S', 'A', 'R', 'C'});
       One(d, s.bytes);
     }},
    {"archive out of sequence", "(TSegCompress) Invalid Archive sequence number",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(3).ScanNames(t, {"a.txt"}).ScanNames(t, {"a.txt"}).ScanNames(t, {"a.txt"});
       s.Arc(0, GoodArchive()).Arc(2, GoodArchive());
       One(d, s.bytes);
     }},
    {"archive records repeated", "(TSegCompress) Invalid Archive sequence number",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).ScanNames(t, {"a.txt"}).Arc(1, GoodArchive());
       One(d, s.bytes);
     }},
    {"template longer than the limit", "(TSegCompress) Invalid template length",
     [](const fs::path& d, ScriptedPrompter&, const std::string&) {
       RawSet s;
       s.Header(1).Scan(std::string(8192, 'x'), {}, 1).Arc(0, GoodArchive());
       One(d, s.bytes);
     }},
    {"list record length zero", "(TSegCompress) Invalid list record length",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).Scan(t, ArchiveBytes({{"l", Bytes("a.txt")}}), 0).Arc(0, GoodArchive());
       One(d, s.bytes);
     }},
    {"list record length above the limit", "(TSegCompress) Invalid list record length",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).Scan(t, ArchiveBytes({{"l", Bytes("a.txt")}}), 8192).Arc(0, GoodArchive());
       One(d, s.bytes);
     }},
    {"negative list size", "(TSegCompress) Invalid data size",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).Scan(t, {}, 5);
       s.bytes[21 + 13 + 3] = 0x80;
       One(d, s.bytes);
     }},
    {"negative archive size", "(TSegCompress) Invalid data size",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).ScanNames(t, {"a.txt"}).Arc(0, {});
       s.bytes.back() = 0xFF;
       One(d, s.bytes);
     }},
    {"last record cut short", "(TSegCompress) Operation aborted by user",
     [](const fs::path& d, ScriptedPrompter& p, const std::string& t) {
       auto s = GoodSet(t).bytes;
       s.resize(s.size() - 1);
       One(d, s);
       p.Answer(PromptResult::Cancel);
     }},
    {"set ends inside a scan record", "(TSegCompress) Operation aborted by user",
     [](const fs::path& d, ScriptedPrompter& p, const std::string& t) {
       auto s = GoodSet(t).bytes;
       s.resize(30);
       One(d, s);
       p.Answer(PromptResult::Cancel);
     }},
    {"segments swapped", "(TSegCompress) Operation aborted by user",
     [](const fs::path& d, ScriptedPrompter& p, const std::string& t) {
       WriteSegments(d, "disk", GoodSet(t).bytes, {20, 200});
       fs::rename(d / "disk.002", d / "x");
       fs::rename(d / "disk.003", d / "disk.002");
       fs::rename(d / "x", d / "disk.003");
       p.Answer(PromptResult::Cancel);
     }},
    {"list file under a folder name", "(TSegCompress) Invalid list file name",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).Scan(t, ArchiveBytes({{"sub\\l.lst", Bytes("a.txt")}}), 5).Arc(0, GoodArchive());
       One(d, s.bytes);
     }},
    {"list file rooted", "(TSegCompress) Invalid list file name",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).Scan(t, ArchiveBytes({{"\\l.lst", Bytes("a.txt")}}), 5).Arc(0, GoodArchive());
       One(d, s.bytes);
     }},
    {"list file named as the temporary archive", "(TSegCompress) Invalid list file name",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).Scan(t, ArchiveBytes({{"DISK.$A$", Bytes("a.txt")}}), 5).Arc(0, GoodArchive());
       One(d, s.bytes);
     }},
    {"list data holds no entry", "(TSegCompress) Stream open failed",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).Scan(t, ArchiveBytes({}), 5).Arc(0, GoodArchive());
       One(d, s.bytes);
     }},
    {"list data is not an archive", "Can't recognize compressed file header",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).Scan(t, RandomBytes(80, 5), 5).Arc(0, GoodArchive());
       One(d, s.bytes);
     },
     false},
    {"list file damaged", "Bad checksum during expansion -- data may be invalid",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       auto list = ArchiveBytes({{"l.lst", Bytes("a.txt")}});
       list.back() ^= 1;
       RawSet s;
       s.Header(1).Scan(t, list, 5).Arc(0, GoodArchive());
       One(d, s.bytes);
     },
     false},
    {"archive damaged", "Bad checksum during expansion -- data may be invalid",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       auto data = GoodArchive();
       data.back() ^= 1;
       RawSet s;
       s.Header(1).ScanNames(t, {"a.txt"}).Arc(0, data);
       One(d, s.bytes);
     },
     false},
    {"archive is not an archive", "Can't recognize compressed file header",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).ScanNames(t, {"a.txt"}).Arc(0, RandomBytes(100, 1));
       One(d, s.bytes);
     },
     false},
    {"archive locked without the key", "File locked -- valid key required",
     [](const fs::path& d, ScriptedPrompter&, const std::string& t) {
       RawSet s;
       s.Header(1).ScanNames(t, {"a.txt"}).Arc(0, ArchiveBytes({{"a.txt", Bytes("secret")}}, coNone, 99));
       One(d, s.bytes);
     },
     false},
};

class SegFault : public SegFixture, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(SegFault, EndsWithItsMessageAndLeavesNothingBehind) {
  const FaultCase& c = GetParam();
  c.make(setDir, owner.prompter, Template("app"));
  int handlerCalls = 0;
  seg.OnCheckFile = [&](std::string&, TCProcessMode) { ++handlerCalls; };
  seg.OnShowProgress = [&](int32_t&) { ++handlerCalls; };
  try {
    seg.SegExpand();
    FAIL() << "accepted";
  } catch (const ESegError& e) {
    EXPECT_TRUE(c.segError) << e.what();
    EXPECT_STREQ(e.what(), c.message);
  } catch (const Exception& e) {
    EXPECT_FALSE(c.segError) << e.what();
    EXPECT_STREQ(e.what(), c.message);
  }
  ExpectClean();
  EXPECT_TRUE(owner.prompter.Finished());
  handlerCalls = 0;
  std::string p;
  int32_t percent = 0;
  seg.OnCheckFile(p, cmExpand);
  seg.OnShowProgress(percent);
  EXPECT_EQ(handlerCalls, 2) << "handlers restored";
}

INSTANTIATE_TEST_SUITE_P(Sets, SegFault, ::testing::ValuesIn(kFaults), [](const auto& info) {
  std::string n = info.param.name;
  for (char& ch : n)
    if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return n;
});

TEST_F(SegFixture, ASegmentThatChangesAfterItWasFoundIsCaught) {
  for (int segment : {1, 2}) {
    SCOPED_TRACE(segment);
    WriteSegments(setDir, "disk", GoodSet(Template("app")).bytes, {60});
    const std::string path = Win(setDir / ("disk.00" + std::to_string(segment)));
    files.opened.clear();
    files.beforeOpen = [&](const std::string& p, int timesBefore) {
      if (SamePath(p, path) && timesBefore == 1)
        WriteFileBytes(setDir / p.substr(p.size() - 8), SegmentFile(7, {1, 2}));
    };
    try {
      seg.SegExpand();
      FAIL() << "accepted";
    } catch (const ESegError& e) {
      EXPECT_STREQ(e.what(), "(TSegCompress) Invalid Segment ID Header");
    }
    ExpectClean();
  }
}

#if !defined(_WIN32)  // Windows lets nobody write a segment the reader holds open
TEST_F(SegFixture, ASegmentThatShrinksWhileReadIsCaught) {
  WriteSegments(setDir, "disk", GoodSet(Template("app")).bytes, {});
  // The list archive is opened while the segment is open and its size already taken.
  files.beforeOpen = [&](const std::string& p, int) {
    if (p.find(".$A$") != std::string::npos) fs::resize_file(setDir / "disk.001", 100);
  };
  try {
    seg.SegExpand();
    FAIL() << "accepted";
  } catch (const ESegError& e) {
    EXPECT_STREQ(e.what(), "(TSegCompress) Stream read failed");
  }
  ExpectClean();
}

#endif

TEST_F(SegFixture, AWorkFolderOfALoneBackslashCannotBeCreated) {
  WriteSegments(setDir, "disk", GoodSet(Template("app")).bytes, {});
  seg.SetSegTmpDir("\\");
  EXPECT_EQ(seg.SegTmpDir(), "");
  try {
    seg.SegExpand();
    FAIL() << "accepted";
  } catch (const ESegError&) {
    FAIL() << "a general error, not a segment error";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Unable to create directory");
  }
  EXPECT_EQ(files.openFiles, 0);
}

TEST_F(SegFixture, AWorkFolderThatCannotBeCreatedFailsAtTheTemporaryArchive) {
  WriteSegments(setDir, "disk", GoodSet(Template("app")).bytes, {});
  WriteFileBytes(scratch.path() / "plain", Bytes("a file, not a folder"));
  seg.SetSegTmpDir(Win(scratch.path() / "plain" / "work"));
  try {
    seg.SegExpand();
    FAIL() << "accepted";
  } catch (const ESegError& e) {
    EXPECT_STREQ(e.what(), "(TSegCompress) Stream open failed");
  }
  EXPECT_EQ(files.openFiles, 0);
}

// A full disk must end in an error wherever it strikes: in the temporary archive, or in a file
// being expanded; never in a short file reported as written.
TEST_F(SegFixture, AFullDiskEndsTheExpansionWithAnError) {
  const std::vector<uint8_t> data = TextBytes(50000, 8);
  RawSet set;
  set.Header(1).ScanNames(Template("app"), {"big.txt"}).Arc(0, ArchiveBytes({{"big.txt", data}}));
  WriteSegments(setDir, "disk", set.bytes, {});
  for (int64_t budget : {int64_t{10}, int64_t{20000}, int64_t{50100}, int64_t{90000}}) {
    SCOPED_TRACE(budget);
    files.writeBudget = budget;
    EXPECT_THROW(seg.SegExpand(), EWriteError);
    ExpectClean();
    fs::remove_all(outDir);
  }
  files.writeBudget = -1;
  seg.SegExpand();
  EXPECT_EQ(ReadFileBytes(Out("app/big.txt")), data);
}

}  // namespace
}  // namespace vurerode::test
