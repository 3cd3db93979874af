// Damaged input for the parsers behind the sandbox: registry files, INI files, the metadata store
// and command lines. Whatever the bytes, they give a result and never a crash.
#include <gtest/gtest.h>

#include "platform/ini_document.h"
#include "platform/sandbox/command_line.h"
#include "platform/sandbox/reg_file.h"
#include "platform/sandbox/sandbox_file_system.h"
#include "support/test_support.h"

namespace vurerode::platform::sandbox {
namespace {

std::string Noise(size_t n, uint64_t seed, const std::string& alphabet) {
  std::vector<uint8_t> r = test::RandomBytes(n, seed);
  std::string s;
  for (uint8_t b : r) s += alphabet.empty() ? static_cast<char>(b) : alphabet[b % alphabet.size()];
  return s;
}

TEST(Robustness, RegistryFilesOfAnyShape) {
  const std::string header = "Windows Registry Editor Version 5.00\r\n";
  const std::string syntax = "[]\\\"@=-:,hexdword()0123456789abcdefHKEY_CURRENT_USER \r\n;";
  for (uint64_t seed = 1; seed <= 200; ++seed) {
    RegTree tree;
    tree.Import(header + Noise(300, seed, seed % 2 ? syntax : ""));
    std::string out = tree.Export();
    RegTree again;
    again.Import(out);
    EXPECT_EQ(again.Export(), out) << seed;  // what was kept survives a round trip unchanged
  }
  // Key names that are not UTF-8 in a file that says it is: each stands for itself after a reload,
  // so two of them never merge into one key then.
  for (const std::string& names : {std::string("[HKEY_CURRENT_USER\\a\xFF]\r\n[HKEY_CURRENT_USER\\a\xFE]\r\n"),
                                   std::string("[HKEY_CURRENT_USER\\a\xED\xA0\x80]\r\n\"\xC3\"=\"\xE9\"\r\n")}) {
    RegTree first;
    first.Import("\xEF\xBB\xBF" + header + names);
    std::string out = first.Export();
    RegTree again;
    again.Import(out);
    EXPECT_EQ(again.Export(), out) << names;
  }
  RegTree tree;
  tree.Import("\xFF\xFE");
  tree.Import("\xFF");
  tree.Import("");
}

TEST(Robustness, IniFilesOfAnyShape) {
  const std::string syntax = "[]=;ab \t\r\n\"'";
  for (uint64_t seed = 1; seed <= 200; ++seed) {
    IniDocument doc = IniDocument::Parse(Noise(400, seed, seed % 2 ? syntax : ""));
    doc.Write("a", "b", "c");
    for (size_t buffer : {size_t{0}, size_t{1}, size_t{2}, size_t{3}, size_t{16384}}) {
      doc.Read("a", "b", buffer);
      doc.KeyNames("a", buffer);
      doc.SectionNames(buffer);
    }
    std::string text = doc.Serialize();
    EXPECT_EQ(IniDocument::Parse(text).Serialize(), text) << seed;
  }
}

TEST(Robustness, CommandLinesOfAnyShape) {
  for (uint64_t seed = 1; seed <= 200; ++seed) {
    std::string line = Noise(80, seed, "ab \t\"\\");
    for (const ProgramReading& r : ProgramReadings(line)) EXPECT_LE(r.program.size() + r.rest.size(), line.size());
    SplitArguments(line);
  }
  EXPECT_EQ(SplitArguments("a \"b c\" d\\\"e \"f\"\"g\" \\\\\"h i\""),
            (std::vector<std::string>{"a", "b c", "d\"e", "f\"g", "\\h i"}));
}

TEST(Robustness, ADamagedMetadataStoreLosesOnlyItself) {
  test::ScratchDir dir;
  test::WriteFileBytes(
      dir.path() / "metadata.txt",
      test::Bytes("zz\t-\tC:\\x\r\n\t\t\r\nnot a line\n-\tALIAS~1\tnoslash\nFFFFFFFF\t-\tC:\\WINDOWS\\y\n"));
  SandboxFileSystem fs(dir.path());
  EXPECT_TRUE(fs.DirectoryExists("C:\\WINDOWS"));
  EXPECT_EQ(fs.ShortPathName("C:\\Program Files"), "C:\\PROGRA~1");
}

}  // namespace
}  // namespace vurerode::platform::sandbox
