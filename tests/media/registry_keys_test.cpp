// The registry keys no installation may delete, and the form the log keeps a value in.
#include "media/registry_keys.h"

#include <gtest/gtest.h>

#include "media/uninstall_log_format.h"

namespace vurerode::media {
namespace {

TEST(RegistryKeys, SharedKeysAreProtectedUnderEverySpellingAndRoot) {
  const struct {
    const char* key;
    bool isProtected;
  } cases[] = {
      {"HKEY_LOCAL_MACHINE", true},
      {"HKEY_CLASSES_ROOT", true},
      {"HKEY_LOCAL_MACHINE\\", true},
      {"HKEY_LOCAL_MACHINE\\Software", true},
      {"hkey_local_machine\\SOFTWARE\\", true},
      {"HKEY_CURRENT_USER\\\\Software\\\\", true},
      {"Software", true},  // a path without a root is below HKEY_CURRENT_USER
      {"\\Software\\", true},
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft", true},
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows", true},
      {"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion", true},
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\currentversion\\uninstall", true},
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\\\", true},
      {"HKEY_LOCAL_MACHINE\\System", true},
      {"HKEY_CURRENT_USER\\System", true},
      {"HKEY_LOCAL_MACHINE\\Software\\Classes", true},
      {"HKEY_CURRENT_USER\\Software\\Classes", true},
      // An application's own keys, including its uninstall entry and a value's key such as Run.
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme", false},
      {"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", false},
      {"HKEY_LOCAL_MACHINE\\Software\\Acme", false},
      {"HKEY_LOCAL_MACHINE\\Software\\Classes\\.acme", false},
      {"HKEY_LOCAL_MACHINE\\SystemTools", false},
      {"HKEY_LOCAL_MACHINE\\Acme\\Software", false},
      {"\\HKEY_LOCAL_MACHINE\\Software", false},  // below HKEY_CURRENT_USER, as the uninstaller takes it
  };
  for (const auto& c : cases) EXPECT_EQ(!ProtectedKeyReason(c.key).empty(), c.isProtected) << c.key;
}

TEST(RegistryKeys, AnEntryIsCheckedByTheKeyItWritesInto) {
  const struct {
    TConfiguredEntry entry;
    bool isProtected;
  } cases[] = {
      {{"HKEY_LOCAL_MACHINE\\Software", "Microsoft", "Installed", "1"}, true},
      {{"HKEY_LOCAL_MACHINE", "Software", "X", "1"}, true},
      {{"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows", "CurrentVersion", "X", "1"}, true},
      {{"HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion", "Run", "Acme", "a.exe"}, false},
      {{"HKEY_LOCAL_MACHINE\\Software", "Acme", "Version", "1"}, false},
      {{"system.ini", "Software", "X", "1"}, false},  // an INI entry names no key
  };
  for (const auto& c : cases)
    EXPECT_EQ(!ProtectedKeyReason(c.entry).empty(), c.isProtected) << c.entry.Place << "," << c.entry.Section;
}

TEST(RegistryKeys, ALoggedValueSplitsAtTheFirstDoubledBackslash) {
  const struct {
    TLoggedRegistryValue value;
    const char* entry;
  } cases[] = {
      {{"HKEY_LOCAL_MACHINE\\Software\\Run", "Acme"}, "HKEY_LOCAL_MACHINE\\Software\\Run\\\\Acme"},
      {{"HKEY_CURRENT_USER\\Software\\Acme", ""}, "HKEY_CURRENT_USER\\Software\\Acme\\\\"},  // the default value
      {{"HKEY_CURRENT_USER\\Software\\Acme", "a\\\\b"}, "HKEY_CURRENT_USER\\Software\\Acme\\\\a\\\\b"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatLoggedRegistryValue(c.value), c.entry);
    EXPECT_EQ(ParseLoggedRegistryValue(c.entry), c.value) << c.entry;
  }
  // A key with doubled separators is written collapsed, so that it reads back whole.
  EXPECT_EQ(ParseLoggedRegistryValue(FormatLoggedRegistryValue({"HKEY_CURRENT_USER\\\\Software\\Acme\\", "V"})),
            (TLoggedRegistryValue{"HKEY_CURRENT_USER\\Software\\Acme", "V"}));
  for (const char* malformed : {"HKEY_CURRENT_USER\\Software\\Acme", "\\\\Name", ""})
    EXPECT_FALSE(ParseLoggedRegistryValue(malformed).has_value()) << malformed;
}

}  // namespace
}  // namespace vurerode::media
