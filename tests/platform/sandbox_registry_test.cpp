#include "platform/sandbox/sandbox_registry.h"

#include <gtest/gtest.h>

#include "platform/exception.h"
#include "support/test_support.h"

namespace vurerode::platform::sandbox {
namespace {

using test::ScratchDir;
constexpr auto HKCU = RegistryRoot::CurrentUser;
constexpr auto HKLM = RegistryRoot::LocalMachine;
const char* const kShellFolders = "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

std::string Text(const std::string& bytes) {
  std::string out;  // the UTF-16LE file read back as ASCII, for comparisons
  for (size_t i = 2; i + 1 < bytes.size(); i += 2) out += bytes[i];
  return out;
}

TEST(SandboxRegistry, ANewMachineHasTheClassicShellFolders) {
  ScratchDir dir;
  SandboxRegistry reg(dir.path() / "registry.reg", true);
  auto key = reg.OpenKey(HKCU, kShellFolders, RegistryAccess::Read);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ReadString("Desktop"), "C:\\WINDOWS\\Desktop");
  EXPECT_EQ(key->ReadString("programs"), "C:\\WINDOWS\\Start Menu\\Programs");
  EXPECT_EQ(key->ReadString("Start Menu"), "C:\\WINDOWS\\Start Menu");
  EXPECT_EQ(key->ReadString("Startup"), "C:\\WINDOWS\\Start Menu\\Programs\\StartUp");
  EXPECT_EQ(key->ReadString("Missing"), std::nullopt);
  std::vector<uint8_t> bytes = test::ReadFileBytes(dir.path() / "registry.reg");
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);  // UTF-16LE with its byte-order mark, as the editor exports
  EXPECT_EQ(bytes[1], 0xFE);
  std::string file = Text(std::string(bytes.begin(), bytes.end()));
  EXPECT_EQ(file.substr(0, 40), "Windows Registry Editor Version 5.00\r\n\r\n");
  EXPECT_NE(file.find("[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\r\n"
                      "\"Desktop\"=\"C:\\\\WINDOWS\\\\Desktop\"\r\n"),
            std::string::npos);
}

TEST(SandboxRegistry, KeysAndValuesSurviveARestartInTheirSpelling) {
  ScratchDir dir;
  {
    SandboxRegistry reg(dir.path() / "registry.reg", true);
    auto key = reg.CreateKey(HKLM, "Software\\Acme\\App");
    ASSERT_TRUE(key);
    key->WriteString("Version", "2.0");
    key->WriteString("", "default \"quoted\" \\ value");
    key->WriteString("Multi", "line one\r\nline two");
    key->WriteString("VERSION", "2.1");  // same value, other spelling
  }
  SandboxRegistry reg(dir.path() / "registry.reg", true);
  auto key = reg.OpenKey(HKLM, "SOFTWARE\\acme\\APP", RegistryAccess::Read);
  ASSERT_TRUE(key);
  EXPECT_EQ(key->ValueNames(), (std::vector<std::string>{"Version", "", "Multi"}));
  EXPECT_EQ(key->ReadString("version"), "2.1");
  EXPECT_EQ(key->ReadString(""), "default \"quoted\" \\ value");
  EXPECT_EQ(key->ReadString("Multi"), "line one\r\nline two");
  auto software = reg.OpenKey(HKLM, "Software", RegistryAccess::Read);
  EXPECT_EQ(software->SubKeyNames(), (std::vector<std::string>{"Acme", "Microsoft"}));
}

TEST(SandboxRegistry, DeletingATreeTakesItsSubKeys) {
  ScratchDir dir;
  SandboxRegistry reg(dir.path() / "registry.reg", true);
  reg.CreateKey(HKCU, "Software\\Acme\\App\\Sub\\Deeper")->WriteString("x", "1");
  auto open = reg.OpenKey(HKCU, "Software\\Acme\\App\\Sub", RegistryAccess::ReadWrite);
  EXPECT_TRUE(reg.DeleteKeyTree(HKCU, "\\Software\\Acme\\App"));
  EXPECT_FALSE(reg.OpenKey(HKCU, "Software\\Acme\\App", RegistryAccess::Read));
  EXPECT_TRUE(reg.OpenKey(HKCU, "Software\\Acme", RegistryAccess::Read));
  EXPECT_EQ(open->ReadString("x"), std::nullopt);  // a handle to a deleted key
  EXPECT_THROW(open->WriteString("y", "2"), ERegistryException);
  EXPECT_FALSE(reg.DeleteKeyTree(HKCU, "Software\\Acme\\App"));
  EXPECT_FALSE(reg.DeleteKeyTree(HKCU, ""));
}

TEST(SandboxRegistry, RefusalsAndTypeErrorsCarryTheirTexts) {
  ScratchDir dir;
  test::WriteFileBytes(dir.path() / "registry.reg",
                       test::Bytes("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\T]\r\n"
                                   "\"Count\"=dword:0000000a\r\n\"Path\"=hex(2):43,00,3a,00,5c,00,00,00\r\n"));
  SandboxRegistry reg(dir.path() / "registry.reg", false);
  auto key = reg.OpenKey(HKLM, "Software\\T", RegistryAccess::Read);
  ASSERT_TRUE(key);
  try {
    key->ReadString("Count");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Invalid data type for 'Count'");
  }
  EXPECT_EQ(key->ReadString("Path"), "C:\\");  // expandable strings read as strings
  try {
    key->WriteString("New", "x");
    FAIL();
  } catch (const ERegistryException& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'New'");
  }
  EXPECT_FALSE(reg.CreateKey(HKLM, "Software\\Other"));
  EXPECT_FALSE(reg.OpenKey(HKLM, "Software\\T", RegistryAccess::ReadWrite));
  EXPECT_TRUE(reg.CreateKey(HKCU, "Software\\Other"));
}

TEST(RegFile, ReadsWhatTheEditorWritesAndSkipsNonsense) {
  RegTree tree;
  tree.Import(
      "REGEDIT4\n\n[HKEY_CURRENT_USER\\A]\n\"s\"=\"v\"\n\"bin\"=hex:01,02,\\\n  03\n@=\"d\"\n"
      "garbage line\n\"broken=\n[HKEY_NOWHERE\\X]\n\"lost\"=\"1\"\n[HKEY_CURRENT_USER\\A\\B]\n\"gone\"=\"1\"\n"
      "[-HKEY_CURRENT_USER\\A\\B]\n[HKEY_CURRENT_USER\\A]\n\"s\"=-\n");
  RegNode* a = tree.Find(RegistryRoot::CurrentUser, "A");
  ASSERT_TRUE(a);
  EXPECT_EQ(a->Value("s"), nullptr);
  ASSERT_TRUE(a->Value("bin"));
  EXPECT_EQ(a->Value("bin")->data, (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(a->Value("")->text, "d");
  EXPECT_EQ(a->Child("B"), nullptr);
  RegTree notAFile;
  notAFile.Import("[HKEY_CURRENT_USER\\A]\n\"s\"=\"v\"\n");
  EXPECT_EQ(notAFile.Find(RegistryRoot::CurrentUser, "A"), nullptr);
}

}  // namespace
}  // namespace vurerode::platform::sandbox
