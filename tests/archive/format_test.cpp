#include <gtest/gtest.h>

#include "archive/errors.h"
#include "archive/format.h"

namespace vurerode {
namespace {


std::vector<uint8_t> HeaderBytes(const std::string& id, uint8_t type, int32_t total, int32_t key = 0) {
  auto packed = MakeArchiveHeader(id, type, total, key).Pack();
  return std::vector<uint8_t>(packed.begin(), packed.end());
}

TEST(ArchiveHeader, ShortStreamIsAnEmptyArchive) {
  for (size_t n = 0; n <= 20; ++n) {
    TMemoryStream s(std::vector<uint8_t>(n, 0xEE));
    TArchiveHeader h;
    std::string id;
    ReadArchiveHeader(s, h, id, nullptr);
    EXPECT_EQ(h.TotalSize, 0);
    EXPECT_EQ(h.ArchiveType, caMulti);
    EXPECT_EQ(s.Position(), 0) << "nothing may be read from " << n << " bytes";
    EXPECT_EQ(id.size(), 3u);
  }
}

TEST(ArchiveHeader, RejectsWrongMagicAndType) {
  auto bad = HeaderBytes("LH5", caMulti, 0);
  bad[4] = 0x1B;  // "REZU" followed by something other than 0x1A
  TMemoryStream s1(bad);
  TArchiveHeader h;
  std::string id;
  EXPECT_THROW(ReadArchiveHeader(s1, h, id, nullptr), EInvalidHeader);
  for (uint8_t type : {0, 2}) {
    TMemoryStream s(HeaderBytes("LH5", type, 0));
    try {
      ReadArchiveHeader(s, h, id, nullptr);
      FAIL() << "type " << int(type) << " accepted";
    } catch (const EInvalidHeaderArchiveType& e) {
      EXPECT_STREQ(e.what(), "Archive type must be caMulti");
    }
  }
}

TEST(ArchiveHeader, MethodIdentifiersAreExactAndRecognizable) {
  const std::pair<const char*, TCompressionMethod> known[] = {
      {"NON", coNone}, {"RLE", coRLE}, {"LZH", coLZH}, {"CUS", coCustom}, {"LH5", coLZH5}};
  for (auto [id, m] : known) EXPECT_EQ(IdentifyMethod(id, nullptr), m);
  try {
    IdentifyMethod("lh5", nullptr);
    FAIL();
  } catch (const EUnrecognizedCompressionMethod& e) {
    EXPECT_STREQ(e.what(), "Unrecognized compression method: \"lh5\" in header");
  }
  std::string seen;
  auto accept = [&](const std::string& id, bool& ok) {
    seen = id;
    ok = true;
  };
  EXPECT_EQ(IdentifyMethod("lh5", accept), coCustom);
  EXPECT_EQ(seen, "lh5");
  auto refuse = [](const std::string&, bool&) {};
  EXPECT_THROW(IdentifyMethod("XYZ", refuse), EUnrecognizedCompressionMethod);
}

TEST(ArchiveHeader, LockMarkerFollowsPositiveKeyOnly) {
  EXPECT_EQ(HeaderBytes("LH5", 1, 5, 0)[17], 0);
  EXPECT_EQ(HeaderBytes("LH5", 1, 5, -7)[17], 0);
  EXPECT_EQ(HeaderBytes("LH5", 1, 5, 1)[17], 2);
  auto b = HeaderBytes("RLE", 1, 0x01020304);
  EXPECT_EQ((std::vector<uint8_t>(b.begin(), b.begin() + 13)),
            (std::vector<uint8_t>{'R', 'E', 'Z', 'U', 0x1A, 'R', 'L', 'E', 4, 3, 2, 1, 1}));
}

TEST(EntryHeader, RoundTripsAndStopsOnShortOrNegative) {
  TEntryHeader e;
  e.NameLength = 3;
  e.FileDate = 0x5A2B1234;
  e.Attributes = 0x21;
  e.OriginalSize = 1000;
  e.CompressedSize = 600;
  e.Method = coLZH5;
  e.Checksum = -5;
  e.LockMarker = 2;
  auto packed = e.Pack();
  std::vector<uint8_t> bytes(packed.begin(), packed.end());
  for (char c : std::string("a\\b")) bytes.push_back(static_cast<uint8_t>(c));
  TMemoryStream s(bytes);
  TEntryHeader r;
  std::string name;
  ASSERT_TRUE(ReadEntryHeader(s, r, name));
  EXPECT_EQ(name, "a\\b");
  EXPECT_EQ(r.FileDate, e.FileDate);
  EXPECT_EQ(r.Checksum, -5);
  EXPECT_EQ(r.Method, coLZH5);
  EXPECT_EQ(r.LockMarker, 2);

  bytes.pop_back();  // name cut short
  TMemoryStream cut(bytes);
  EXPECT_FALSE(ReadEntryHeader(cut, r, name));

  e.NameLength = -1;
  packed = e.Pack();
  TMemoryStream negative(std::vector<uint8_t>(packed.begin(), packed.end()));
  EXPECT_FALSE(ReadEntryHeader(negative, r, name));
}

}  // namespace
}  // namespace vurerode
