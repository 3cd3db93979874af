// TCompress expanding archives into a scratch folder through the host file system. Archives are
// put together byte by byte here, so that each case can carry exactly the flaw it is about.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "archive/codecs.h"
#include "archive/compress.h"
#include "archive/errors.h"
#include "platform/native_file_system.h"
#include "support/test_support.h"

namespace vurerode {
namespace {

namespace fs = std::filesystem;
using test::Win;
using Bytes = std::vector<uint8_t>;

using platform::NativeFileSystem;

constexpr uint32_t kDate = (uint32_t{44} << 25) | (3u << 21) | (14u << 16) | (15u << 11) | (9u << 5) | 13u;

Bytes Coded(uint8_t method, const Bytes& data, int32_t scrambleKey) {
  TMemoryStream source(data);
  TMemoryStream sink;
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &sink;
  setup.inputSize = static_cast<int64_t>(data.size());
  setup.key = scrambleKey;
  setup.scrambleOutput = scrambleKey != 0;
  CodecIO io(setup);
  switch (method) {
    case coRLE: EncodeRLE(io); break;
    case coLZH: EncodeLZH(io); break;
    case coLZH5: EncodeLZH5(io); break;
    default: CopyStored(io); break;
  }
  io.Finish();
  return sink.data();
}

// The -lh5- encoder may still be a placeholder that refuses everything.
bool HaveLh5Encoder() {
  try {
    return !Coded(coLZH5, Bytes(1000, 'a'), 0).empty();
  } catch (const EUnableToCompress&) {
    return false;
  }
}

struct Entry {
  Entry(std::string n, Bytes d, uint8_t m = coNone, int32_t l = 0, int32_t s = 0)
      : name(std::move(n)), data(std::move(d)), method(m), lock(l), scramble(s) {}
  std::string name;
  Bytes data;
  uint8_t method;
  int32_t lock;                     // entry lock marker
  int32_t scramble;                 // key the data is scrambled with (marker 2)
  std::optional<int32_t> checksum;  // the byte sum unless given
  uint16_t attributes = 0x20;
  std::optional<Bytes> coded;           // the coded data unless given
  std::optional<int32_t> originalSize;  // the data's size unless given
};

Bytes Archive(const std::vector<Entry>& entries, std::optional<int32_t> total = {}, const std::string& id = "NON") {
  int64_t sum = 0;
  for (const Entry& e : entries) sum += static_cast<int64_t>(e.data.size());
  auto header = MakeArchiveHeader(id, caMulti, total.value_or(static_cast<int32_t>(sum)), 0).Pack();
  Bytes out(header.begin(), header.end());
  for (const Entry& e : entries) {
    Bytes coded = e.coded ? *e.coded : Coded(e.method, e.data, e.scramble);
    TEntryHeader h;
    h.NameLength = static_cast<int16_t>(e.name.size());
    h.FileDate = static_cast<int32_t>(kDate);
    h.Attributes = e.attributes;
    h.OriginalSize = e.originalSize.value_or(static_cast<int32_t>(e.data.size()));
    h.CompressedSize = static_cast<int32_t>(coded.size());
    h.Method = e.method;
    h.Checksum = e.checksum ? *e.checksum : static_cast<int32_t>(ByteSum(e.data.data(), e.data.size()));
    h.LockMarker = e.lock;
    auto packed = h.Pack();
    out.insert(out.end(), packed.begin(), packed.end());
    out.insert(out.end(), e.name.begin(), e.name.end());
    out.insert(out.end(), coded.begin(), coded.end());
  }
  return out;
}

// Counts the disk-space queries and answers them with a set figure.
class FakeSpaceFileSystem : public NativeFileSystem {
 public:
  double DiskFreeBytes(const std::string& root) override {
    ++queries;
    lastRoot = root;
    return freeBytes;
  }
  double freeBytes = 0;
  int queries = 0;
  std::string lastRoot;
};

class CompressExpand : public ::testing::Test {
 protected:
  CompressExpand() : target_(scratch_.path() / "out") {
    fs::create_directory(target_);
    compress_.SetTargetPath(Win(target_));
  }

  void Expand(const Bytes& archive, std::vector<std::string>* selection = nullptr) {
    TMemoryStream stream(archive);
    compress_.ExpandArchiveStream(stream, selection);
  }
  Bytes Read(const std::string& relative) { return test::ReadFileBytes(target_ / relative); }
  bool Exists(const std::string& relative) { return fs::exists(target_ / relative); }
  std::vector<std::string> Written() {
    std::vector<std::string> names;
    for (auto& e : fs::recursive_directory_iterator(target_))
      if (e.is_regular_file()) names.push_back(fs::relative(e.path(), target_).string());
    std::sort(names.begin(), names.end());
    return names;
  }

  test::ScratchDir scratch_;
  fs::path target_;
  FakeSpaceFileSystem files_;
  TCompress compress_{files_};
};

TEST(CompressTargetPath, GainsOneTrailingBackslash) {
  NativeFileSystem files;
  TCompress c(files);
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\dest", "C:\\dest\\"}, {"C:\\dest\\", "C:\\dest\\"}, {"", ""}, {"x", "x\\"}};
  for (auto [in, out] : cases) {
    c.SetTargetPath(in);
    EXPECT_EQ(c.TargetPath(), out) << in;
  }
}

TEST_F(CompressExpand, EveryMethodRestoresBytesDateAndAttributes) {
  std::vector<uint8_t> methods = {coNone, coRLE, coLZH};
  if (HaveLh5Encoder()) methods.push_back(coLZH5);
  std::vector<Entry> entries;
  for (uint8_t m : methods) {
    Bytes text = test::TextBytes(30000 + m, m);
    entries.push_back({"m" + std::to_string(m) + ".txt", text, m});
    entries.push_back({"empty" + std::to_string(m), {}, m});
  }
  Entry readOnly{"sub\\deeper\\ro.bin", test::RandomBytes(5000, 9), coNone};
  readOnly.attributes = 0x21;
  entries.push_back(readOnly);
  compress_.MakeDirectories = true;
  Expand(Archive(entries, 1 << 30));  // a TotalSize beyond the sum lets even empty trailing files out
  for (const Entry& e : entries) {
    std::string rel = e.name;
    std::replace(rel.begin(), rel.end(), '\\', '/');
    ASSERT_TRUE(Exists(rel)) << e.name;
    EXPECT_EQ(Read(rel), e.data) << e.name;
    auto file = files_.OpenFile(Win(target_ / rel), platform::FileAccess::Read);
    EXPECT_EQ(file->LastWriteDosTime(), kDate) << e.name;
  }
  EXPECT_EQ(files_.GetAttributes(Win(target_ / "sub/deeper/ro.bin")) & platform::faReadOnly, platform::faReadOnly);
  EXPECT_EQ(files_.GetAttributes(Win(target_ / "m0.txt")) & platform::faReadOnly, 0u);
  EXPECT_EQ(files_.queries, 0) << "no disk query unless CheckSpaceBeforeExpand";
}

// The folder of the entry before is not looked up again, but one that went meanwhile is made anew.
TEST_F(CompressExpand, AFolderRemovedBetweenEntriesIsMadeAgain) {
  compress_.MakeDirectories = true;
  compress_.ExceptionOnFileError = true;
  compress_.OnCheckFile = [&](std::string& path, TCProcessMode) {
    if (path.size() > 5 && path.compare(path.size() - 5, 5, "b.txt") == 0) fs::remove_all(target_ / "sub");
  };
  Expand(Archive({{"sub\\a.txt", test::Bytes("A")}, {"sub\\b.txt", test::Bytes("B")}}));
  EXPECT_EQ(Written(), std::vector<std::string>{(fs::path("sub") / "b.txt").string()});
}

TEST_F(CompressExpand, NameWithLeadingBackslashIsUsedAsItStands) {
  std::string absolute = Win(scratch_.path() / "elsewhere.txt");
#if defined(_WIN32)
  // "\dir\name" is on the current drive: make that the scratch folder's drive.
  const fs::path previous = fs::current_path();
  fs::current_path(scratch_.path());
  struct Restore {
    fs::path to;
    ~Restore() { fs::current_path(to); }
  } restore{previous};
  if (absolute.size() > 1 && absolute[1] == ':') absolute.erase(0, 2);
#endif
  ASSERT_EQ(absolute[0], '\\');
  Expand(Archive({{absolute, test::Bytes("here")}, {"below.txt", test::Bytes("there")}}));
  EXPECT_EQ(test::ReadFileBytes(scratch_.path() / "elsewhere.txt"), test::Bytes("here"));
  EXPECT_EQ(Written(), std::vector<std::string>{"below.txt"});
}

TEST_F(CompressExpand, SelectionIgnoresLetterCaseAndComesBackAsDestinations) {
  std::vector<std::string> selection = {"SECOND.TXT"};
  Expand(Archive({{"first.txt", test::Bytes("1")}, {"second.txt", test::Bytes("2")}, {"third.txt", test::Bytes("3")}}),
         &selection);
  EXPECT_EQ(Written(), std::vector<std::string>{"second.txt"});
  EXPECT_EQ(selection, std::vector<std::string>{Win(target_ / "second.txt")});
}

TEST_F(CompressExpand, CheckFileHandlerRenamesSkipsAndStops) {
  Bytes archive = Archive({{"a.txt", test::Bytes("A")},
                           {"b.txt", test::Bytes("B")},
                           {"c.txt", test::Bytes("C")},
                           {"d.txt", test::Bytes("D")}});
  std::vector<std::string> seen;
  compress_.OnCheckFile = [&](std::string& path, TCProcessMode mode) {
    EXPECT_EQ(mode, cmExpand);
    seen.push_back(path);
    if (path.ends_with("a.txt"))
      path = Win(target_ / "renamed.txt");
    else if (path.ends_with("b.txt"))
      path.clear();
    else if (path.ends_with("d.txt"))
      path = "*";
  };
  std::vector<std::string> selection = {"a.txt", "b.txt", "c.txt", "d.txt"};
  Expand(archive, &selection);
  EXPECT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[0], Win(target_ / "a.txt"));
  EXPECT_EQ(Written(), (std::vector<std::string>{"c.txt", "renamed.txt"}));
  EXPECT_EQ(selection, (std::vector<std::string>{Win(target_ / "renamed.txt"), Win(target_ / "c.txt")}));

  // "*" on the second entry: the first stays, nothing else happens, no error.
  fs::remove_all(target_);
  fs::create_directory(target_);
  int calls = 0;
  compress_.OnCheckFile = [&](std::string& path, TCProcessMode) {
    if (++calls == 2) path = "*";
  };
  Expand(archive);
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(Written(), std::vector<std::string>{"a.txt"});
}

TEST_F(CompressExpand, StoredEntryWithChecksumZeroIsTakenOnTrust) {
  Entry e{"trust.bin", test::Bytes("not all zero"), coNone};
  e.checksum = 0;
  Expand(Archive({e}));
  EXPECT_EQ(Read("trust.bin"), test::Bytes("not all zero"));
  // The same for a coded entry is a checksum failure.
  Entry r{"rle.bin", test::Bytes("not all zero"), coRLE};
  r.checksum = 0;
  EXPECT_THROW(Expand(Archive({r})), EBadChecksum);
}

// A header that claims 2 GB over a few kilobytes of data: each method stops where the data ends,
// with the checksum test's failure, having written no more than the data holds (and, for a locked
// entry, deleted the file as after any key failure).
TEST_F(CompressExpand, EntryClaimingMoreThanItsDataHoldsStopsAtTheData) {
  const Bytes data = test::TextBytes(20000, 12);
  const uint8_t methods[] = {coNone, coRLE, coLZH, coLZH5};
  for (uint8_t m : methods) {
    for (const int32_t key : {0, 0x0BADF00D}) {
      SCOPED_TRACE("method " + std::to_string(m) + (key ? " locked" : " open"));
      Entry e{"claims.bin", data, m, key ? 2 : 0, key};
      e.originalSize = 0x7FFFFF00;
      compress_.Key = key;
      try {
        Expand(Archive({e}));
        FAIL() << "accepted";
      } catch (const EBadChecksum& ex) {
        EXPECT_EQ(key, 0);
        EXPECT_STREQ(ex.what(), "Bad checksum during expansion -- data may be invalid");
      } catch (const EInvalidKey& ex) {
        EXPECT_NE(key, 0);
        EXPECT_STREQ(ex.what(), "File locked -- valid key required");
      }
      if (key != 0) {
        EXPECT_FALSE(Exists("claims.bin"));
        continue;
      }
      const Bytes written = Read("claims.bin");
      EXPECT_LE(written.size(), data.size());
      EXPECT_TRUE(std::equal(written.begin(), written.end(), data.begin()));
    }
  }
}

TEST_F(CompressExpand, DamagedOpenEntryFailsItsChecksumAndStays) {
  Bytes data = test::TextBytes(20000, 4);
  for (uint8_t m : {coNone, coRLE, coLZH}) {
    Entry e{"damaged" + std::to_string(m), data, m};
    Bytes coded = Coded(m, data, 0);
    coded[coded.size() / 2] ^= 0x5A;
    e.coded = coded;
    try {
      Expand(Archive({{"good", test::Bytes("fine")}, e, {"never", test::Bytes("x")}}));
      FAIL() << "method " << int(m);
    } catch (const EBadChecksum& ex) {
      EXPECT_STREQ(ex.what(), "Bad checksum during expansion -- data may be invalid");
    }
    EXPECT_TRUE(Exists("good"));
    EXPECT_TRUE(Exists("damaged" + std::to_string(m))) << "the partly written file stays";
    EXPECT_FALSE(Exists("never"));
  }
}

TEST_F(CompressExpand, LockedEntryNeedsItsKey) {
  const int32_t key = 0x12345678;
  Bytes data = test::TextBytes(10000, 5);
  const int32_t plainSum = static_cast<int32_t>(ByteSum(data.data(), data.size()));
  for (uint8_t m : {coNone, coRLE, coLZH}) {
    SCOPED_TRACE("method " + std::to_string(m));
    Entry plain{"locked.bin", data, m, 2, key};
    Entry offset = plain;
    offset.checksum = static_cast<int32_t>(static_cast<uint32_t>(plainSum) + static_cast<uint32_t>(key));
    for (const Entry& e : {plain, offset}) {
      std::vector<std::string> selection = {"locked.bin"};
      compress_.Key = 0;
      try {
        Expand(Archive({e}), &selection);
        FAIL() << "expanded without a key";
      } catch (const EInvalidKey& ex) {
        EXPECT_STREQ(ex.what(), "File locked -- valid key required");
      }
      EXPECT_FALSE(Exists("locked.bin")) << "the empty destination is deleted";
      EXPECT_EQ(selection, std::vector<std::string>{"locked.bin"}) << "selection untouched on failure";

      compress_.Key = key ^ 0x01000000;
      EXPECT_THROW(Expand(Archive({e})), EInvalidKey);
      EXPECT_FALSE(Exists("locked.bin"));

      compress_.Key = key;
      Expand(Archive({e}));
      EXPECT_EQ(Read("locked.bin"), data);
      fs::remove(target_ / "locked.bin");
    }
  }
  // Marker 1: locked, but the data is stored plainly; any non-zero key with the right checksum works.
  Entry marker1{"one.bin", data, coLZH, 1, 0};
  compress_.Key = 0;
  EXPECT_THROW(Expand(Archive({marker1})), EInvalidKey);
  compress_.Key = 99;
  Expand(Archive({marker1}));
  EXPECT_EQ(Read("one.bin"), data);
}

TEST_F(CompressExpand, WrongKeyOnLockedLh5EntryIsAKeyError) {
  if (!HaveLh5Encoder()) GTEST_SKIP() << "no -lh5- encoder yet";
  Entry e{"locked.lh5", test::TextBytes(30000, 6), coLZH5, 2, 0x0BADF00D};
  compress_.Key = 0x1EE7;
  EXPECT_THROW(Expand(Archive({e})), EInvalidKey);
  EXPECT_FALSE(Exists("locked.lh5"));
}

TEST_F(CompressExpand, FreeSpaceIsCheckedOnlyWhenAsked) {
  Bytes archive = Archive({{"big.bin", Bytes(5000, 7)}});
  files_.freeBytes = 100;
  Expand(archive);
  EXPECT_EQ(files_.queries, 0);

  compress_.CheckSpaceBeforeExpand = true;
  fs::remove(target_ / "big.bin");
  try {
    Expand(archive);
    FAIL();
  } catch (const EInsufficientDiskSpace& e) {
    EXPECT_EQ(std::string(e.what()), "Not enough disk space to expand " + Win(target_ / "big.bin"));
  }
  EXPECT_EQ(files_.queries, 1);
  // A path without a drive letter asks about the current drive; one with a letter asks its root.
  const std::string dest = Win(target_ / "big.bin");
  const bool hasDrive = dest.size() > 1 && dest[1] == ':';
  EXPECT_EQ(files_.lastRoot, hasDrive ? std::string(1, static_cast<char>(std::toupper(dest[0]))) + ":\\" : "");
  EXPECT_FALSE(Exists("big.bin"));

  // Replacing a file of the same size needs no free space at all.
  test::WriteFileBytes(target_ / "big.bin", Bytes(5000, 1));
  files_.freeBytes = 0;
  Expand(archive);
  EXPECT_EQ(Read("big.bin"), Bytes(5000, 7));

  // A failed query counts as -1 bytes free: even an empty new file does not fit.
  files_.freeBytes = -1;
  EXPECT_THROW(Expand(Archive({{"new.bin", {}}}, 1)), EInsufficientDiskSpace);
  files_.freeBytes = 3e9;  // beyond 2^31 - 1 counts as no limit
  Expand(Archive({{"new.bin", Bytes(10, 1)}}));
  EXPECT_TRUE(Exists("new.bin"));
}

TEST_F(CompressExpand, DriveLetterPicksTheDriveToAsk) {
  compress_.CheckSpaceBeforeExpand = true;
  files_.freeBytes = 1e6;
  EXPECT_EQ(compress_.FreeSpaceForFile("d:\\setup\\x.bin"), 1000000);
  EXPECT_EQ(files_.lastRoot, "D:\\");
}

// TotalSize ends the walk once the entries' sizes reach it; empty files after that point are still
// files of the archive, but nothing else that follows it is.
TEST_F(CompressExpand, TotalSizeEndsTheWalk) {
  Entry torn{"torn", {}};
  torn.coded = Bytes(5, 'x');
  const Bytes full = Archive({{"full", Bytes(3, 'x')}});
  auto with = [](Bytes archive, const Bytes& tail) {
    archive.insert(archive.end(), tail.begin(), tail.end());
    return archive;
  };
  struct Case {
    const char* what;
    Bytes archive;
    std::vector<std::string> written;
  };
  const Case cases[] = {
      {"reached by the second entry",
       Archive({{"a", Bytes(10, 'a')}, {"b", Bytes(10, 'b')}, {"c", Bytes(10, 'c')}}, 15),
       {"a", "b"}},
      {"empty files alone", Archive({{"e1", {}}, {"e2", {}}}), {"e1", "e2"}},
      {"an empty file last", Archive({{"full", Bytes(3, 'x')}, {"trailing-empty", {}}}), {"full", "trailing-empty"}},
      {"an empty file, then one with bytes",
       Archive({{"a", Bytes(10, 'a')}, {"e", {}}, {"b", Bytes(10, 'b')}}, 10),
       {"a", "e"}},
      {"an empty file whose data runs past the end",
       [&] {
         Bytes cut = Archive({{"full", Bytes(3, 'x')}, torn});
         cut.pop_back();
         return cut;
       }(),
       {"full"}},
      {"zeros after the archive", with(full, Bytes(60, 0)), {"full"}},
      {"^Z after the archive", with(full, Bytes(60, 0x1A)), {"full"}},
  };
  compress_.ExceptionOnFileError = true;  // an entry taken from padding would fail to be created
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(target_);
    fs::create_directory(target_);
    EXPECT_NO_THROW(Expand(c.archive));
    EXPECT_EQ(Written(), c.written);
  }
}

TEST_F(CompressExpand, ShortStreamsExpandNothing) {
  Bytes archive = Archive({{"a", Bytes(10, 'a')}});
  for (size_t n : {0, 1, 20}) {
    Expand(Bytes(archive.begin(), archive.begin() + static_cast<std::ptrdiff_t>(n)));
    // Even garbage of that length is an empty archive.
    Expand(Bytes(n, 0xEE));
  }
  EXPECT_TRUE(Written().empty());
  // A cut in the middle of an entry header or name ends the walk quietly.
  Bytes two = Archive({{"a", Bytes(10, 'a')}, {"bbbbbbbb", Bytes(10, 'b')}});
  Expand(Bytes(two.begin(), two.end() - 15));
  EXPECT_EQ(Written(), std::vector<std::string>{"a"});
}

TEST_F(CompressExpand, ProgressRunsFromZeroToHundredAndMinusOneAbandons) {
  Bytes data = test::TextBytes(100000, 7);
  Bytes archive = Archive({{"p.txt", data, coLZH}});
  std::vector<int32_t> seen;
  compress_.OnShowProgress = [&](int32_t& percent) { seen.push_back(percent); };
  Expand(archive);
  ASSERT_GE(seen.size(), 3u);
  EXPECT_EQ(seen.front(), 0);
  EXPECT_EQ(seen.back(), 100);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));

  // Abandoned at the second refill: the first buffer is out, the entry fails its checksum.
  int calls = 0;
  compress_.OnShowProgress = [&](int32_t& percent) {
    if (++calls == 3) percent = -1;
  };
  EXPECT_THROW(Expand(Archive({{"p.txt", data, coNone}})), EBadChecksum);
  EXPECT_EQ(Read("p.txt").size(), kCodecBufferSize);

  // Abandoned at 0: nothing is read or written.
  compress_.OnShowProgress = [](int32_t& percent) { percent = -1; };
  EXPECT_THROW(Expand(Archive({{"z.txt", data, coNone}})), EBadChecksum);
  EXPECT_TRUE(Read("z.txt").empty());
}

TEST_F(CompressExpand, CustomMethodGoesThroughRecognizeAndExpandHandlers) {
  // The archive's identifier is one only the application knows; its entries are XOR-coded.
  Bytes data = test::TextBytes(3000, 8);
  Bytes coded = data;
  for (uint8_t& b : coded) b ^= 0xFF;
  Entry e{"custom.bin", data, coCustom};
  e.coded = coded;
  Bytes archive = Archive({e, {"plain.bin", test::Bytes("plain")}}, {}, "XOR");

  EXPECT_THROW(Expand(archive), EUnrecognizedCompressionMethod);
  compress_.OnRecognize = [](const std::string& id, bool& ok) { ok = id == "XOR"; };
  compress_.OnExpand = [&](TStream& dest, TStream& source, int32_t sourceSize, int32_t destSize, const std::string& id,
                           int32_t& checksum) {
    EXPECT_EQ(id, "XOR");
    EXPECT_EQ(sourceSize, static_cast<int32_t>(coded.size()));
    EXPECT_EQ(destSize, static_cast<int32_t>(data.size()));
    Bytes buf(static_cast<size_t>(sourceSize));
    source.ReadBuffer(buf.data(), buf.size());
    for (uint8_t& b : buf) b ^= 0xFF;
    dest.Write(buf.data(), buf.size());
    checksum = static_cast<int32_t>(ByteSum(buf.data(), buf.size()));
  };
  Expand(archive);
  EXPECT_EQ(Read("custom.bin"), data);
  EXPECT_EQ(Read("plain.bin"), test::Bytes("plain"));

  // A handler that reads nothing leaves the next entry where it was: the walk still finds it.
  compress_.OnExpand = [&](TStream&, TStream&, int32_t, int32_t, const std::string&, int32_t& checksum) {
    checksum = static_cast<int32_t>(ByteSum(data.data(), data.size()));
  };
  fs::remove(target_ / "plain.bin");
  Expand(archive);
  EXPECT_EQ(Read("plain.bin"), test::Bytes("plain"));
}

TEST_F(CompressExpand, UncreatableFileRaisesOrIsSkipped) {
  Bytes archive = Archive({{"missing\\dir\\a.txt", test::Bytes("A")}, {"b.txt", test::Bytes("B")}});
  compress_.ExceptionOnFileError = false;
  Expand(archive);
  EXPECT_EQ(Written(), std::vector<std::string>{"b.txt"});

  compress_.ExceptionOnFileError = true;
  try {
    Expand(archive);
    FAIL();
  } catch (const EFCreateError& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot create file " + Win(target_ / "missing/dir/a.txt"));
  }

  compress_.MakeDirectories = true;
  Expand(archive);
  EXPECT_EQ(Read("missing/dir/a.txt"), test::Bytes("A"));
}

TEST_F(CompressExpand, NamesThatClimbOutOfTheTargetAreRefused) {
  const char* unsafe[] = {
      "..\\evil.txt", "sub\\..\\..\\evil.txt", "...\\evil.txt",  ".. \\evil.txt",     "sub/../../evil.txt", "..",
      "C:evil.txt",   "sub\\a:stream",         "\\..\\evil.txt", "sub\\. .\\evil.txt"};
  for (const char* name : unsafe) {
    bool asked = false;
    compress_.OnCheckFile = [&](std::string&, TCProcessMode) { asked = true; };
    EXPECT_THROW(Expand(Archive({{name, test::Bytes("bad")}})), EUnsafeEntryName) << name;
    EXPECT_FALSE(asked) << name;
  }
  EXPECT_TRUE(Written().empty());
  EXPECT_FALSE(fs::exists(scratch_.path() / "evil.txt"));
  // Dots that do not make a parent component are ordinary names.
  compress_.OnCheckFile = nullptr;
  compress_.MakeDirectories = true;
  Expand(Archive({{"a..b.txt", test::Bytes("1")}, {".hidden", test::Bytes("2")}, {"x\\.\\y.txt", test::Bytes("3")}}));
  EXPECT_EQ(Read("a..b.txt"), test::Bytes("1"));
  EXPECT_EQ(Read(".hidden"), test::Bytes("2"));
}

TEST_F(CompressExpand, ArchiveMayStartInsideAStream) {
  Bytes prefix(1000, 0x77);
  Bytes archive = Archive({{"a", test::Bytes("alpha")}, {"b", test::Bytes("beta")}});
  Bytes stream = prefix;
  stream.insert(stream.end(), archive.begin(), archive.end());
  TMemoryStream s(stream);
  s.SetPosition(1000);
  TArchiveList list;
  compress_.ListArchiveStream(s, list);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].Name, "a");
  EXPECT_EQ(list[0].Info.HeaderPosition, 1021);
  EXPECT_EQ(list[1].Info.HeaderPosition, 1021 + 25 + 1 + 5);
  s.SetPosition(1000);
  compress_.ExpandArchiveStream(s);
  EXPECT_EQ(Read("b"), test::Bytes("beta"));
}

}  // namespace
}  // namespace vurerode
