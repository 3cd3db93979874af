// What a publisher adds to `vurerode build`: the signing command run on the programs the media ship,
// and media that come out byte for byte the same under SOURCE_DATE_EPOCH.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <optional>

#include "platform/native_file_system.h"
#include "segment/media_sums.h"
#include "segment/single_file.h"
#include "set_tool_fixture.h"

namespace vurerode::cli {
namespace {
namespace fs = std::filesystem;
using test::ReadFileBytes;

std::string Text(const fs::path& p) {
  const auto b = ReadFileBytes(p);
  return std::string(b.begin(), b.end());
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A signer that needs no certificate: it appends a line to the file, as a signature grows it.
#if defined(_WIN32)
constexpr const char* kAppendingSigner = "echo signed>> {}";
constexpr const char* kRemovingSigner = "del {}";
#else
constexpr const char* kAppendingSigner = "echo signed >> {}";
constexpr const char* kRemovingSigner = "rm {}";
#endif

class BuildPublishing : public SetToolTest {
 protected:
  // A variable of the environment set for a while (and the C library's idea of the zone with TZ).
  class ScopedVariable {
   public:
    ScopedVariable(const char* name, const char* value) : name_(name) {
      const char* old = std::getenv(name);
      if (old) old_ = old;
      Set(value);
    }
    ~ScopedVariable() { Set(old_ ? old_->c_str() : nullptr); }

   private:
    void Set(const char* value) {
      SetVariable(name_, value);
#if defined(_WIN32)
      _tzset();
#else
      tzset();
#endif
    }
    const char* name_;
    std::optional<std::string> old_;
  };

  void SetUp() override {
    SetToolTest::SetUp();
    // The signer needs a whole program, and so does the single file.
    test::WriteMinimalProgram("setup.exe");
    MakeApp("App");
  }
  // Lists the sum of each file SHA256SUMS names against the file as it lies in dir.
  static void ExpectSumsMatch(const fs::path& dir) {
    platform::NativeFileSystem host;
    const TMediaSums sums = TMediaSums::Parse(Text(dir / kMediaSumsFile));
    for (const auto& [name, hex] : sums.Entries())
      EXPECT_EQ(Sha256OfFile(host, test::Win(fs::absolute(dir / name))), hex) << name;
  }
  ScopedVariable noSourceDate_{"SOURCE_DATE_EPOCH", nullptr};
};

TEST_F(BuildPublishing, TheSignCommandRunsOnTheShippedProgramBeforeItsSumIsTaken) {
  const std::vector<uint8_t> program = ReadFileBytes("setup.exe");
  // The option wins over the project's key, which install.cfg never carries.
  test::WriteFileBytes("App/vurerode.prj", test::Bytes("[Setup]\nTitle = Signed\nSign Command = echo {} && exit 9\n"));
  const SetToolRun refused = Build({"App", "Refused"});
  EXPECT_EQ(refused.status, kExitFailure);
  EXPECT_TRUE(Contains(refused.err, "cannot sign setup.exe: the sign command failed with exit status 9"))
      << refused.err;

  const SetToolRun r = Build({"--sign-command", kAppendingSigner, "App", "Media"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_TRUE(Contains(r.out, "setup.exe: from setup.exe, signed")) << r.out;
  const std::vector<uint8_t> shipped = ReadFileBytes("Media/setup.exe");
  ASSERT_GT(shipped.size(), program.size());
  EXPECT_TRUE(std::equal(program.begin(), program.end(), shipped.begin()));
  EXPECT_EQ(ReadFileBytes("setup.exe"), program) << "the publisher's file is left as it was";
  EXPECT_FALSE(Contains(Text("Media/install.cfg"), "Sign Command")) << Text("Media/install.cfg");
  ExpectSumsMatch("Media");
  ExpectNoWorkLeft();
}

// A command that fails stops the build with its status and its own words, and leaves no media.
TEST_F(BuildPublishing, AFailingSignCommandStopsTheBuild) {
  struct Case {
    std::vector<std::string> options;
    std::string message;
  } cases[] = {
    {{"--sign-command", "echo no key for {} && exit 3"},
     "cannot sign setup.exe: the sign command failed with exit status 3"},
    {{"--sign-command", kRemovingSigner}, "cannot sign setup.exe: the sign command left no file behind"},
    {{"--single-file", "--sign-command", "echo no key for {} && exit 3"},
     "cannot sign the uninstaller (setup.exe): the sign command failed with exit status 3"},
#if !defined(_WIN32)
    // The second run, on the single file itself, fails after the set was built.
    {{"--single-file", "--sign-command", "if [ -e once ]; then echo no key for {}; exit 4; fi; touch once"},
     "cannot sign the single file setup.exe: the sign command failed with exit status 4"},
#endif
  };
  for (const Case& c : cases) {
    fs::remove_all("Media");
    fs::remove("once");
    std::vector<std::string> args = c.options;
    args.insert(args.end(), {"App", "Media"});
    const SetToolRun r = Build(args);
    EXPECT_EQ(r.status, kExitFailure) << c.message;
    EXPECT_TRUE(Contains(r.err, c.message)) << r.err;
    EXPECT_TRUE(Contains(r.err, "command: ")) << r.err;
    if (Contains(c.message, "status")) {
      EXPECT_TRUE(Contains(r.err, "no key for")) << "the command's own output";
    }
    EXPECT_FALSE(fs::exists("Media/setup.exe")) << c.message;
    EXPECT_FALSE(fs::exists("Media/SHA256SUMS")) << c.message;
    ExpectNoWorkLeft();
  }
  const SetToolRun unnamed = Build({"--sign-command", "signtool sign", "App", "Media"});
  EXPECT_EQ(unnamed.status, kExitUsage);
  EXPECT_TRUE(Contains(unnamed.err, "must name the file to sign with {}")) << unnamed.err;
}

// A certificate nobody trusts, made for the test, and the signer publishers use on Linux.
TEST_F(BuildPublishing, OsslsigncodeSignsTheSetupProgramAndTheUninstallerInsideTheSingleFile) {
  if (!test::HaveProgram("osslsigncode") || !test::HaveProgram("openssl")) GTEST_SKIP() << "no osslsigncode/openssl";
  ASSERT_EQ(test::RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -keyout key.pem -out cert.pem -days 2 "
                             "-subj /CN=Vurerode-Test >/dev/null 2>&1 && openssl pkcs12 -export -out cert.p12 "
                             "-inkey key.pem -in cert.pem -passout pass:test"),
            0);
  const std::string sign =
      "osslsigncode sign -pkcs12 cert.p12 -pass test -in {} -out {}.signed >/dev/null && mv {}.signed {}";
  const auto verify = [](const std::string& file) {
    return test::RunCommand("osslsigncode verify -CAfile cert.pem -in " + file + " >/dev/null 2>&1");
  };
  ASSERT_EQ(Build({"--sign-command", sign, "App", "Set"}).status, kExitOk);
  EXPECT_EQ(verify("Set/setup.exe"), 0);
  EXPECT_NE(verify("setup.exe"), 0) << "the publisher's file is left unsigned";

  const SetToolRun r = Build({"--single-file", "--sign-command", sign, "App", "Single"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  EXPECT_EQ(verify("Single/setup.exe"), 0);
  platform::NativeFileSystem host;
  const auto single = TSingleFile::Open(host, test::Win(fs::absolute("Single/setup.exe")));
  ASSERT_TRUE(single.has_value());
  single->Verify(host);
  test::WriteFileBytes("uninstaller.exe", single->Uninstaller(host));
  EXPECT_EQ(verify("uninstaller.exe"), 0);
  EXPECT_EQ(Tool({"test", "Single/setup.exe"}).status, kExitOk);
}

TEST_F(BuildPublishing, SourceDateEpochGivesTheSameBytesWhateverTheFileTimesAndTheZone) {
  // An old file keeps its date; the others, touched between the builds, are dated at the epoch.
  const auto old = std::chrono::file_clock::from_sys(std::chrono::sys_seconds(std::chrono::seconds(978307200)));
  fs::last_write_time("App/LICENSE.TXT", old);
  for (const bool single : {false, true}) {
    SCOPED_TRACE(single ? "single file" : "set");
    const ScopedVariable date("SOURCE_DATE_EPOCH", "1700000000");
    std::vector<std::string> options = {"-j", "3"};
    if (single) options.push_back("--single-file");
    const auto build = [&](const char* zone, const char* out) {
      const ScopedVariable tz("TZ", zone);
      std::vector<std::string> args = options;
      args.insert(args.end(), {"App", out});
      const SetToolRun r = Build(args);
      ASSERT_EQ(r.status, kExitOk) << r.err;
    };
    fs::remove_all("One");
    fs::remove_all("Two");
    build("UTC0", "One");
    for (const char* f : {"App/App.exe", "App/bin/core.dll", "App/docs/manual.txt"})
      fs::last_write_time(f, fs::file_time_type::clock::now());
    build("JST-9", "Two");
    test::ExpectSameTree("One", "Two");
    const SetToolRun list = Tool({"list", single ? "One/setup.exe" : "One/disk.001"});
    EXPECT_TRUE(Contains(list.out, "2023-11-14 22:13:20 ---A        C:\\Source\\App\\App.exe")) << list.out;
    EXPECT_TRUE(Contains(list.out, "2001-01-01 00:00:00 ---A        C:\\Source\\App\\LICENSE.TXT")) << list.out;
  }
}

TEST_F(BuildPublishing, AMalformedSourceDateEpochIsRefused) {
  for (const char* value : {"12x", "-5", " 7", "1e9", "0x10", "253402300800"}) {
    const ScopedVariable date("SOURCE_DATE_EPOCH", value);
    const SetToolRun r = Build({"App", "Media"});
    EXPECT_EQ(r.status, kExitUsage) << value;
    EXPECT_TRUE(Contains(r.err, std::string("SOURCE_DATE_EPOCH must be a whole number of seconds since 1970-01-01 "
                                            "00:00 UTC (digits only), not '") +
                                    value + "'"))
        << r.err;
  }
}

}  // namespace
}  // namespace vurerode::cli

namespace vurerode::cli {
namespace {

// --winget: the single file and the manifests that name it by its address and its SHA-256; the
// identifier and version come from the project, and a project without them is refused before
// anything is built.
TEST_F(BuildPublishing, WingetManifestsNameTheSingleFileBuilt) {
  const std::string url = "https://example.com/acme/setup.exe";
  test::WriteFileBytes("App/vurerode.prj", test::Bytes("[Setup]\nTitle = Acme Writer\nPublisher = Acme Corp\n"));
  SetToolRun r = Build({"--winget", url, "App", "Out"});
  EXPECT_EQ(r.status, kExitUsage);
  EXPECT_TRUE(Contains(r.err, "Package Identifier")) << r.err;
  EXPECT_FALSE(fs::exists("Out/setup.exe"));

  test::WriteFileBytes("App/vurerode.prj",
                       test::Bytes("[Setup]\nTitle = Acme Writer\nPublisher = Acme Corp\nDisplay Version = 2.1\n"
                                   "Package Identifier = Acme.Writer\nLicense = Proprietary\nScope = Choose\n"));
  r = Build({"--winget", url, "App", "Out"});
  ASSERT_EQ(r.status, kExitOk) << r.err;
  platform::NativeFileSystem host;
  ASSERT_TRUE(TSingleFile::Open(host, test::Win(fs::absolute("Out/setup.exe")))) << "--winget builds a single file";
  std::string sum = Sha256OfFile(host, test::Win(fs::absolute("Out/setup.exe")));
  for (char& c : sum) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const std::string installer = Text("Out/winget/Acme.Writer.installer.yaml");
  EXPECT_TRUE(Contains(installer, sum)) << installer;
  EXPECT_TRUE(Contains(installer, url)) << installer;
  EXPECT_TRUE(Contains(installer, "Custom: \"/CURRENTUSER\"")) << "the project's scope: " << installer;
  EXPECT_TRUE(Contains(Text("Out/winget/Acme.Writer.yaml"), "2.1"));
  EXPECT_TRUE(fs::exists("Out/winget/Acme.Writer.locale.en-US.yaml"));
}

}  // namespace
}  // namespace vurerode::cli
