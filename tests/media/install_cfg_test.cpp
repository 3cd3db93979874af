// install.cfg's records: every line the builder writes reads back to its record and is written
// again byte for byte; lines written by hand with fields missing read as empty fields.
#include "media/install_cfg.h"

#include <gtest/gtest.h>

namespace vurerode::media {
namespace {

TEST(InstallCfg, DesktopEntriesRoundTrip) {
  const struct {
    const char* keyName;
    TDesktopEntry entry;
    const char* written = nullptr;  // what the entry is written as; nullptr: the key name itself
  } cases[] = {
      {"Acme Writer,<InstallDir>\\App.exe,X,X,,C:\\Source\\App\\App.exe,Acme,App.exe",
       {"Acme Writer", "<InstallDir>\\App.exe", true, true, false, "C:\\Source\\App\\App.exe", "Acme", "App.exe"},
       nullptr},
      {"Manual,<InstallDir>\\Manual\\manual.txt,X,,,C:\\Source\\App\\docs\\manual.txt,Acme Writer,",
       {"Manual", "<InstallDir>\\Manual\\manual.txt", true, false, false, "C:\\Source\\App\\docs\\manual.txt",
        "Acme Writer", ""},
       nullptr},
      {"Tool,<Windows>\\notepad.exe,,,X,,Tools,",
       {"Tool", "<Windows>\\notepad.exe", false, false, true, "", "Tools", ""},
       nullptr},
      {",,,,,,,", {}, nullptr},
      // Written by hand: fields missing at the end, ticks other than "X", and more than eight fields.
      {"Read Me,<InstallDir>\\README.TXT",
       {"Read Me", "<InstallDir>\\README.TXT", false, false, false, "", "", ""},
       "Read Me,<InstallDir>\\README.TXT,,,,,,"},
      {"A,B,x,yes,X ,S,F,I", {"A", "B", false, false, false, "S", "F", "I"}, "A,B,,,,S,F,I"},
      {"A,B,X,X,X,S,F,I,extra,more", {"A", "B", true, true, true, "S", "F", "I"}, "A,B,X,X,X,S,F,I"},
      {"", {}, ",,,,,,,"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.keyName);
    const TDesktopEntry parsed = ParseDesktopEntry(c.keyName);
    EXPECT_EQ(parsed, c.entry);
    EXPECT_EQ(FormatDesktopEntry(parsed), c.written ? c.written : c.keyName);
    EXPECT_EQ(ParseDesktopEntry(FormatDesktopEntry(c.entry)), c.entry);
  }
}

TEST(InstallCfg, ConfiguredEntriesRoundTrip) {
  const struct {
    const char* value;
    TConfiguredEntry entry;
    const char* written = nullptr;
  } cases[] = {
      {"HKEY_LOCAL_MACHINE\\Software\\Acme,Writer,Version,2.0",
       {"HKEY_LOCAL_MACHINE\\Software\\Acme", "Writer", "Version", "2.0"},
       nullptr},
      {"acme.ini,Options,Path,<InstallDir>", {"acme.ini", "Options", "Path", "<InstallDir>"}, nullptr},
      {"HKEY_CURRENT_USER\\Software\\V,Sample\\Settings,Data Folder,C:\\Program Files\\V\\data",
       {"HKEY_CURRENT_USER\\Software\\V", "Sample\\Settings", "Data Folder", "C:\\Program Files\\V\\data"},
       nullptr},
      {"win.ini,Section,Name,", {"win.ini", "Section", "Name", ""}, nullptr},
      {"acme.ini,Options", {"acme.ini", "Options", "", ""}, "acme.ini,Options,,"},
      {"acme.ini,Options,List,a,b,c", {"acme.ini", "Options", "List", "a"}, "acme.ini,Options,List,a"},
      {"", {}, ",,,"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    const TConfiguredEntry parsed = ParseConfiguredEntry(c.value);
    EXPECT_EQ(parsed, c.entry);
    EXPECT_EQ(FormatConfiguredEntry(parsed), c.written ? c.written : c.value);
    EXPECT_EQ(ParseConfiguredEntry(FormatConfiguredEntry(c.entry)), c.entry);
  }
  EXPECT_EQ(IniRegistryKey(0), "INIREG 0");
  EXPECT_EQ(IniRegistryKey(12), "INIREG 12");
}

TEST(InstallCfg, LaunchApplicationsRoundTrip) {
  for (const char* keyName : {"C:\\Source\\App\\register.exe", "D:\\Work\\Tools\\setup helper.exe", ""}) {
    const TLaunchApplication parsed = ParseLaunchApplication(keyName);
    EXPECT_EQ(parsed.Program, keyName);
    EXPECT_EQ(FormatLaunchApplication(parsed), keyName);
  }
}

TEST(InstallCfg, TextLineKeysCarryTheLineNumberAndSuffix) {
  EXPECT_EQ(setup_screen::TextLineKey(1), "Text Line 1");
  EXPECT_EQ(setup_screen::TextLineKey(4, setup_screen::kFontName), "Text Line 4 Font Name");
  EXPECT_EQ(setup_screen::TextLineKey(2, setup_screen::kShadowColor), "Text Line 2 Shadow Color");
}

}  // namespace
}  // namespace vurerode::media
