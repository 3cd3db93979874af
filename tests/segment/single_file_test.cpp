// The set carried inside the setup program: written, found, read back, and refused whole when a
// byte of it changed or it was cut short; signed by osslsigncode before and after, both programs
// verifying.
#include "segment/single_file.h"

#include <gtest/gtest.h>

#include "platform/native_file_system.h"
#include "segment/embedded_set_file_system.h"
#include "support/test_support.h"

namespace vurerode {
namespace {
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

using test::ReadFileBytes;
using test::WriteFileBytes;

class SingleFile : public ::testing::Test {
 protected:
  SingleFile() {
    test::WriteMinimalProgram(Path("setup.exe"));
    WriteFileBytes(Path("disk.001"), test::RandomBytes(70000, 1));
    WriteFileBytes(Path("install.cfg"), test::Bytes("[Setup Screen]\r\n"));
    WriteFileBytes(Path("empty"), {});
  }
  fs::path Path(const std::string& name) const { return scratch_.path() / name; }
  std::string Win(const std::string& name) const { return test::Win(Path(name)); }
  void Build(const std::string& program = "setup.exe", std::vector<std::string> coded = {}) {
    fs::create_directories(Path("out"));
    WriteSingleFile(files_,
                    {Win(program),
                     {{"disk.001", Win("disk.001")}, {"install.cfg", Win("install.cfg")}, {"empty", Win("empty")}},
                     std::move(coded), {}},
                    Win("out/setup.exe"));
  }
  std::vector<uint8_t> Member(const TSingleFile& f, const std::string& name) {
    auto in = f.OpenMember(files_, *f.Find(name));
    std::vector<uint8_t> bytes(static_cast<size_t>(in->Size()));
    in->ReadBuffer(bytes.data(), bytes.size());
    return bytes;
  }
  bool Sign(const std::string& name) {
    const std::string p = Path(name).string(), cert = Path("cert").string();
    if (!fs::exists(cert + ".p12") &&
        test::RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -subj /CN=Test -days 2 -keyout '" + cert +
                         ".key' -out '" + cert +
                         ".pem' >/dev/null 2>&1 && openssl pkcs12 -export -passout pass:x -inkey '" + cert +
                         ".key' -in '" + cert + ".pem' -out '" + cert + ".p12' >/dev/null 2>&1") != 0)
      return false;
    return test::RunCommand("osslsigncode sign -pkcs12 '" + cert + ".p12' -pass x -in '" + p + "' -out '" + p +
                            ".signed' >/dev/null 2>&1 && mv '" + p + ".signed' '" + p + "'") == 0;
  }
  bool Verifies(const std::string& name) {
    return test::RunCommand("osslsigncode verify -CAfile '" + Path("cert").string() + ".pem' -in '" +
                            Path(name).string() + "' >/dev/null 2>&1") == 0;
  }

  test::ScratchDir scratch_;
  platform::NativeFileSystem files_;
};

TEST_F(SingleFile, ProgramsWithoutAMediumAreNotSingleFiles) {
  EXPECT_FALSE(TSingleFile::Open(files_, Win("setup.exe")));
  EXPECT_FALSE(TSingleFile::Open(files_, Win("install.cfg")));
  EXPECT_FALSE(TSingleFile::Open(files_, Win("empty")));
}

TEST_F(SingleFile, MembersAndTheUninstallerReadBackExactly) {
  Build();
  const Bytes out = ReadFileBytes(Path("out/setup.exe"));
  EXPECT_EQ(out.size() % 8, 0u) << "a signer appends its table without padding";
  EXPECT_EQ(out[0x400 + 12], 0) << "with nothing coded, the layout is the first one's";
  auto f = TSingleFile::Open(files_, Win("out/setup.exe"));
  ASSERT_TRUE(f);
  EXPECT_NO_THROW(f->Verify(files_));
  EXPECT_EQ(f->Members().size(), 3u);
  for (const char* name : {"disk.001", "install.cfg", "empty"})
    EXPECT_EQ(Member(*f, name), ReadFileBytes(Path(name))) << name;
  EXPECT_EQ(f->Find("DISK.001"), &f->Members()[0]) << "names compare as Windows compares them";
  EXPECT_EQ(f->Find("disk.002"), nullptr);
  EXPECT_EQ(f->Uninstaller(files_), ReadFileBytes(Path("setup.exe")));

  // The folder seen through the medium: the set's files, and the program as the uninstaller.
  TEmbeddedSetFileSystem view(files_, *f);
  EXPECT_TRUE(view.FileExists(Win("out/disk.001")));
  EXPECT_FALSE(view.FileExists(Win("out/disk.002")));
  auto program = view.OpenFile(Win("out/setup.exe"), platform::FileAccess::Read);
  EXPECT_EQ(program->Size(), 0x400);
  EXPECT_THROW(view.CreateFile(Win("out/disk.001")), EFCreateError);
  platform::FindData found;
  auto search = view.FindFirst(Win("out/disk.*"), found);
  ASSERT_TRUE(search);
  EXPECT_EQ(found.name, "disk.001");
  EXPECT_EQ(found.size, 70000);
}

// Texts are coded, a member that would not shrink is stored, and a coded member that does not
// decode to its size is refused by name even before the whole file is checked.
TEST_F(SingleFile, CodedMembersReadBackAndDamagedOnesAreRefused) {
  Bytes config;
  for (int i = 0; i < 500; ++i) {
    const std::string line = "Installation Directory,bin,C:\\Source\\App\\bin\\file" + std::to_string(i) + ".dll\r\n";
    config.insert(config.end(), line.begin(), line.end());
  }
  WriteFileBytes(Path("install.cfg"), config);
  Build("setup.exe", {"install.cfg", "disk.001"});
  auto f = TSingleFile::Open(files_, Win("out/setup.exe"));
  ASSERT_TRUE(f);
  EXPECT_NO_THROW(f->Verify(files_));
  const TEmbeddedMember& cfg = *f->Find("install.cfg");
  EXPECT_TRUE(cfg.coded);
  EXPECT_LT(cfg.stored * 5, cfg.size);
  EXPECT_FALSE(f->Find("disk.001")->coded) << "random bytes do not shrink";
  for (const char* name : {"disk.001", "install.cfg", "empty"})
    EXPECT_EQ(Member(*f, name), ReadFileBytes(Path(name))) << name;
  platform::FindData found;
  TEmbeddedSetFileSystem view(files_, *f);
  ASSERT_TRUE(view.FindFirst(Win("out/install.cfg"), found));
  EXPECT_EQ(found.size, static_cast<int64_t>(config.size()));

  Bytes bad = ReadFileBytes(Path("out/setup.exe"));
  bad[cfg.offset + cfg.stored / 2] ^= 0x40;
  WriteFileBytes(Path("out/setup.exe"), bad);
  f = TSingleFile::Open(files_, Win("out/setup.exe"));
  ASSERT_TRUE(f);
  try {
    Member(*f, "install.cfg");
    ADD_FAILURE() << "decoded";
  } catch (const ESingleFileDamaged& e) {
    EXPECT_NE(std::string(e.what()).find("install.cfg"), std::string::npos) << e.what();
  }
}

// Every changed byte but the signer's two fields is damage; so is every cut.
TEST_F(SingleFile, AChangedOrShortenedFileIsRefused) {
  Build();
  const Bytes good = ReadFileBytes(Path("out/setup.exe"));
  const size_t payload = 0x400, checksum = 0x58 + 64;
  const struct {
    const char* what;
    size_t at;    // byte flipped; SIZE_MAX: none
    size_t keep;  // bytes kept; 0: all
    bool opens, verifies;
  } cases[] = {
      {"the PE checksum, which a signer sets", checksum, 0, true, true},
      {"a byte of the program", 0x210, 0, true, false},
      {"a byte of a member", payload + 16 + 5000, 0, true, false},
      {"flags this reader does not know", payload + 12, 0, false, false},
      {"the version", payload + 8, 0, false, false},
      {"the last byte of the digest", good.size() - 1, 0, true, false},
      {"cut by one byte", SIZE_MAX, good.size() - 1, false, false},
      {"cut in the middle", SIZE_MAX, good.size() / 2, false, false},
      {"cut after the header", SIZE_MAX, payload + 16, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Bytes bad = good;
    if (c.at != SIZE_MAX) bad[c.at] ^= 0x20;
    if (c.keep) bad.resize(c.keep);
    WriteFileBytes(Path("out/setup.exe"), bad);
    std::optional<TSingleFile> f;
    if (!c.opens) {
      EXPECT_THROW(f = TSingleFile::Open(files_, Win("out/setup.exe")), ESingleFileDamaged);
      continue;
    }
    ASSERT_NO_THROW(f = TSingleFile::Open(files_, Win("out/setup.exe")));
    ASSERT_TRUE(f);
    if (c.verifies)
      EXPECT_NO_THROW(f->Verify(files_));
    else
      EXPECT_THROW(f->Verify(files_), ESingleFileDamaged);
  }
}

// The publisher's order: the uninstaller signed, the single file written from it and signed.
TEST_F(SingleFile, BothProgramsCarryValidSignatures) {
  if (!test::HaveProgram("osslsigncode") || !test::HaveProgram("openssl")) GTEST_SKIP() << "no osslsigncode or openssl";
  ASSERT_TRUE(Sign("setup.exe"));
  ASSERT_TRUE(Verifies("setup.exe"));
  Build();
  EXPECT_FALSE(TSingleFile::Open(files_, Win("setup.exe"))) << "a signed plain program carries no medium";
  ASSERT_TRUE(Sign("out/setup.exe"));
  EXPECT_TRUE(Verifies("out/setup.exe"));
  auto f = TSingleFile::Open(files_, Win("out/setup.exe"));
  ASSERT_TRUE(f);
  EXPECT_NO_THROW(f->Verify(files_));
  EXPECT_EQ(Member(*f, "disk.001"), ReadFileBytes(Path("disk.001")));
  WriteFileBytes(Path("uninstaller.exe"), f->Uninstaller(files_));
  EXPECT_EQ(ReadFileBytes(Path("uninstaller.exe")), ReadFileBytes(Path("setup.exe")));
  EXPECT_TRUE(Verifies("uninstaller.exe"));

  // The signature covers the medium: a changed member breaks it as well as the digest.
  Bytes bad = ReadFileBytes(Path("out/setup.exe"));
  bad[0x400 + 16 + 100] ^= 1;
  WriteFileBytes(Path("out/setup.exe"), bad);
  EXPECT_FALSE(Verifies("out/setup.exe"));
  EXPECT_THROW(TSingleFile::Open(files_, Win("out/setup.exe"))->Verify(files_), ESingleFileDamaged);
}

}  // namespace
}  // namespace vurerode
