// finstall.cfg's entries: read as the installer splits them, written back byte for byte, and the
// builder's entries for folders named like a base directory.
#include "media/finstall_cfg.h"

#include <gtest/gtest.h>

namespace vurerode::media {
namespace {

using Tokens = std::vector<std::string>;

TEST(FinstallCfg, EntriesRoundTrip) {
  const struct {
    const char* line;
    TInstallFileEntry entry;
    const char* written = nullptr;  // nullptr: the line itself
  } cases[] = {
      {"Installation Directory,C:\\Source\\App\\App.exe", {{"Installation Directory"}, "C:\\Source\\App\\App.exe"}},
      {"Installation Directory,bin,plugins,C:\\Source\\App\\bin\\plugins\\one.dll",
       {{"Installation Directory", "bin", "plugins"}, "C:\\Source\\App\\bin\\plugins\\one.dll"}},
      {"Program Files,Acme Cache,C:\\Source\\App\\cache\\",
       {{"Program Files", "Acme Cache"}, "C:\\Source\\App\\cache\\"}},
      {"Installation Directory,bin\\Windows\\,C:\\Source\\App\\bin\\Windows\\w.dll",
       {{"Installation Directory", "bin\\Windows\\"}, "C:\\Source\\App\\bin\\Windows\\w.dll"}},
      {"Fonts,C:\\Source\\App\\caf\xE9.ttf", {{"Fonts"}, "C:\\Source\\App\\caf\xE9.ttf"}},
      // Written by hand: no token, empty tokens, tab-separated tokens before comma-separated ones.
      {"C:\\Source\\App\\a.exe", {{}, "C:\\Source\\App\\a.exe"}},
      {"", {{}, ""}},
      {"Windows,,C:\\a", {{"Windows", ""}, "C:\\a"}},
      {"Installation Directory\tbin\tsub,C:\\a",
       {{"Installation Directory", "bin", "sub"}, "C:\\a"},
       "Installation Directory,bin,sub,C:\\a"},
      {"Windows\tC:\\a", {{"Windows"}, "C:\\a"}, "Windows,C:\\a"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    const TInstallFileEntry parsed = ParseInstallFileEntry(c.line);
    EXPECT_EQ(parsed.Tokens, c.entry.Tokens);
    EXPECT_EQ(parsed.Path, c.entry.Path);
    EXPECT_EQ(FormatInstallFileEntry(parsed), c.written ? c.written : c.line);
    EXPECT_EQ(ParseInstallFileEntry(FormatInstallFileEntry(c.entry)), c.entry);
  }
  EXPECT_TRUE(ParseInstallFileEntry("Root,C:\\Source\\App\\empty\\").NamesFolder());
  EXPECT_FALSE(ParseInstallFileEntry("Root,C:\\Source\\App\\empty").NamesFolder());
}

// The builder's entries, byte for byte: folders called like a base directory must not send the file
// there, so they go into one token that reads as the same folders.
TEST(FinstallCfg, PlacedFilesKeepTheirFolders) {
  const struct {
    const char* base;
    Tokens folders;
    const char* path;
    const char* line;
  } cases[] = {
      {"Installation Directory", {}, "C:\\S\\a.exe", "Installation Directory,C:\\S\\a.exe"},
      {"Installation Directory",
       {"bin", "plugins"},
       "C:\\S\\bin\\plugins\\one.dll",
       "Installation Directory,bin,plugins,C:\\S\\bin\\plugins\\one.dll"},
      {"Program Files", {"Acme Cache"}, "C:\\S\\cache\\", "Program Files,Acme Cache,C:\\S\\cache\\"},
      {"Installation Directory",
       {"data", "Windows"},
       "C:\\S\\data\\Windows\\w.bin",
       "Installation Directory,data\\Windows\\,C:\\S\\data\\Windows\\w.bin"},
      {"Windows",
       {"Extra", "System", "x"},
       "C:\\S\\bin\\System\\x\\s.dll",
       "Windows,Extra\\System\\x\\,C:\\S\\bin\\System\\x\\s.dll"},
      {"Root", {"Fonts"}, "C:\\S\\Fonts\\", "Root,Fonts\\,C:\\S\\Fonts\\"},
      // Only the exact name is a base directory's: another case is a folder.
      {"Installation Directory", {"windows", "FONTS"}, "C:\\S\\f", "Installation Directory,windows,FONTS,C:\\S\\f"},
  };
  for (const auto& c : cases) {
    const TInstallFileEntry entry = PlaceInstallFile(c.base, c.folders, c.path);
    EXPECT_EQ(FormatInstallFileEntry(entry), c.line);
    EXPECT_EQ(ParseInstallFileEntry(c.line), entry) << c.line;
  }
}

TEST(FinstallCfg, BaseDirectoriesAreNumberedInTheInstallersOrder) {
  const Tokens names = {"Installation Directory", "Program Files", "Windows", "System", "System32", "Fonts", "Root"};
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(BaseDirectoryIndex(names[i]), static_cast<int>(i));
  for (const char* other : {"", "windows", "Installation directory", "System\\", " Root"})
    EXPECT_EQ(BaseDirectoryIndex(other), -1) << other;
}

}  // namespace
}  // namespace vurerode::media
