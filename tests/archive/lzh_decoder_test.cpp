// coLZH decoding, checked against streams written by an independent -lh1- encoder (the Java LHA
// library that jlha ships) where the machine has it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "archive/codecs.h"
#include "archive/errors.h"
#include "archive/lzh_model.h"
#include "support/test_support.h"

namespace vurerode {
namespace {

using Bytes = std::vector<uint8_t>;

// With damaged set, a decoder that stopped at the end of its data: out is then what it had put.
Bytes Decode(const Bytes& coded, int64_t count, int64_t* bytesRead = nullptr, bool* damaged = nullptr) {
  TMemoryStream source(coded);
  TMemoryStream sink;
  CodecIO::Setup setup;
  setup.input = &source;
  setup.output = &sink;
  setup.inputSize = static_cast<int64_t>(coded.size());
  CodecIO io(setup);
  if (damaged) *damaged = false;
  try {
    DecodeLZH(io, count);
  } catch (const EBadChecksum&) {
    if (!damaged) throw;
    *damaged = true;
  }
  io.Finish();
  if (bytesRead) *bytesRead = source.Position();
  return sink.data();
}

TEST(LzhDecoder, CountZeroReadsNothing) {
  int64_t read = -1;
  EXPECT_TRUE(Decode(test::RandomBytes(100, 1), 0, &read).empty());
  EXPECT_EQ(read, 0);
}

TEST(LzhDecoder, AnyInputDecodesToTheCountOrStopsAtItsEnd) {
  // Every bit pattern is some symbol: the count is met, a last match running past it by at most
  // 59 bytes, unless a code needs bits beyond the data. Nothing is read beyond the entry, and every
  // code takes a bit at least, for at most 60 bytes.
  int stopped = 0;
  for (uint64_t seed = 1; seed <= 40; ++seed) {
    Bytes junk = test::RandomBytes(seed * 37 % 500, seed);
    const int64_t count = static_cast<int64_t>(seed * 997 % 20000) + 1;
    int64_t read = 0;
    bool damaged = false;
    Bytes out = Decode(junk, count, &read, &damaged);
    const auto size = static_cast<int64_t>(out.size());
    if (damaged) {
      ++stopped;
      EXPECT_LT(size, count);
      EXPECT_EQ(read, static_cast<int64_t>(junk.size())) << "stopped before the end of the data";
    } else {
      EXPECT_GE(size, count);
      EXPECT_LT(size, count + lzh::kMaxMatch);
      EXPECT_LE(read, static_cast<int64_t>(junk.size()));
    }
    EXPECT_LE(size, static_cast<int64_t>(junk.size()) * 8 * lzh::kMaxMatch);
  }
  EXPECT_GT(stopped, 0);
  EXPECT_LT(stopped, 40);
  // No input: the first code already lies past the end.
  bool damaged = false;
  EXPECT_TRUE(Decode({}, 5000, nullptr, &damaged).empty());
  EXPECT_TRUE(damaged);
}

// ---- against the Java LHA library's -lh1- encoder ----

const char* const kJavaEncoder = R"(import java.io.*;
import java.util.Properties;
import jp.gr.java_conf.dangan.util.lha.CompressMethod;
public class Lh1Encode {
  public static void main(String[] args) throws Exception {
    InputStream in = new FileInputStream(args[0]);
    OutputStream out = CompressMethod.connectEncoder(new FileOutputStream(args[1]), CompressMethod.LH1,
                                                     new Properties());
    byte[] buf = new byte[8192];
    for (int n; (n = in.read(buf)) > 0;) out.write(buf, 0, n);
    out.close();
  }
}
)";

constexpr const char* kJavaLhaJar = "/usr/share/java/jlha.jar";

class ForeignLh1 : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
#if defined(_WIN32)
    return;  // the commands below are written for a POSIX shell
#endif
    if (!test::HaveProgram("javac") || !test::HaveProgram("java") || !std::ifstream(kJavaLhaJar)) return;
    dir_ = new test::ScratchDir();
    std::ofstream(dir_->path() / "Lh1Encode.java") << kJavaEncoder;
    ready_ = test::RunCommand("javac -cp " + std::string(kJavaLhaJar) + " -d '" + dir_->str() + "' '" + dir_->str() +
                              "/Lh1Encode.java' >/dev/null 2>&1") == 0;
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  void SetUp() override {
    if (!ready_) GTEST_SKIP() << "java, javac or " << kJavaLhaJar << " missing";
  }

  static Bytes ForeignEncode(const Bytes& data) {
    auto in = dir_->path() / "in.bin";
    auto out = dir_->path() / "out.lh1";
    test::WriteFileBytes(in, data);
    std::string cmd = "java -cp " + std::string(kJavaLhaJar) + ":'" + dir_->str() + "' Lh1Encode '" + in.string() +
                      "' '" + out.string() + "'";
    EXPECT_EQ(test::RunCommand(cmd), 0);
    return test::ReadFileBytes(out);
  }

  static inline test::ScratchDir* dir_ = nullptr;
  static inline bool ready_ = false;
};

TEST_F(ForeignLh1, DecodesTheirStreams) {
  Bytes binary = test::ReadFileBytes("/proc/self/exe");
  if (binary.empty()) binary = test::RandomBytes(50000, 3);
  binary.resize(std::min<size_t>(binary.size(), 200000));
  Bytes spaces(3000, 0x20);
  Bytes text = test::TextBytes(4000, 2);
  spaces.insert(spaces.end(), text.begin(), text.end());
  const std::pair<const char*, Bytes> samples[] = {
      {"one byte", test::Bytes("x")},          {"text", test::TextBytes(100000, 1)},
      {"random", test::RandomBytes(30000, 2)}, {"spaces first, matching the window's initial spaces", spaces},
      {"one value", Bytes(70000, 0xAB)},       {"binary", binary},
  };
  // One Java start per sample costs a fraction of a second each; keep the list short.
  for (const auto& [what, data] : samples) {
    Bytes coded = ForeignEncode(data);
    ASSERT_FALSE(coded.empty()) << what;
    EXPECT_EQ(Decode(coded, static_cast<int64_t>(data.size())), data) << what;
  }
}

}  // namespace
}  // namespace vurerode
