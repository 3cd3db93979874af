// Paths longer than MAX_PATH reach Windows in the \\?\ form. Wine takes long plain paths as well, so
// only a table of functions that records every path the seam hands over shows it.
#if defined(_WIN32)

#include "platform/win32/wide_api.h"
// (the API's headers before the seam's, see windows_api.h)
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "peer.h"
#include "platform/dos_time.h"
#include "platform/win32/long_path.h"
#include "platform/win32/win32_platform.h"
#include "platform/windows_path.h"
#include "support/test_support.h"
#include "win32_recording_api.h"

namespace vurerode::platform::win32 {
namespace {

TEST(Win32LongPaths, EveryLongPathReachesWindowsInItsLongForm) {
  test::ScratchDir scratch;
  Recorded().clear();
  Win32Platform win(RecordingApi());
  FileSystem& fs = win.fs();

  // A tree more than 300 units deep, in names of several scripts.
  std::vector<std::string> folders;
  std::string deep = scratch.str();
  for (int level = 0; Wide(deep).size() < 320; ++level) {
    deep += "\\" + std::to_string(level) + " Ünïcödé Ελληνικά Кириллица 日本語 folder";
    ASSERT_EQ(fs.CreateDirectory(deep), 0) << deep;
    folders.push_back(deep);
  }
  ASSERT_EQ(fs.CreateDirectory(deep), 183);  // ERROR_ALREADY_EXISTS, from the long form as well
  // Doubled backslashes, "." and "..", as the installer's paths may hold them.
  const std::string file = deep + "\\data.txt";
  const std::string spelled = deep + "\\\\.\\sub\\..\\data.txt";
  const uint32_t when = PackDosDateTime({2001, 6, 15, 13, 45, 30});
  {
    auto out = fs.CreateFile(spelled);
    out->Write("long", 4);
    out->SetLastWriteDosTime(when);
    out->Sync();
  }
  {
    auto in = fs.OpenFile(file, FileAccess::Read);
    char text[4];
    in->ReadBuffer(text, 4);
    EXPECT_EQ(std::string(text, 4), "long");
    EXPECT_EQ(in->LastWriteDosTime(), when);
  }
  EXPECT_TRUE(fs.FileExists(spelled));
  EXPECT_TRUE(fs.SetAttributes(file, faHidden));
  EXPECT_EQ(fs.GetAttributes(file) & faHidden, faHidden);
  EXPECT_TRUE(fs.SetAttributes(file, 0));
  FindData found;
  auto search = fs.FindFirst(deep + "\\*.txt", found);
  ASSERT_TRUE(search);
  EXPECT_EQ(found.name, "data.txt");
  EXPECT_EQ(found.size, 4);
  search.reset();
  EXPECT_EQ(fs.FullPathName(spelled), file);
  const std::string shortForm = fs.ShortPathName(file);
  EXPECT_FALSE(shortForm.empty());
  EXPECT_EQ(shortForm.rfind("\\\\?\\", 0), std::string::npos) << shortForm;
  EXPECT_TRUE(fs.FileExists(shortForm));
  EXPECT_GT(fs.DiskFreeBytes(IncludeTrailingBackslash(deep)), 0);
  EXPECT_GE(win.shell().FileIconIndex(file), 0);

  EXPECT_TRUE(fs.RenameFile(file, deep + "\\renamed.txt"));
  EXPECT_FALSE(fs.FileExists(file));
  fs.CreateFile(file);
  // Recording a replacement at restart takes an administrator, which Wine's user is.
  if (test::UnderWine()) {
    EXPECT_TRUE(fs.ReplaceAtRestart(deep + "\\renamed.txt", file));
  }

  // A profile file and a shortcut at short paths of their own, holding the long ones.
  const std::string ini = scratch.str() + "\\long.ini";
  win.profile().WriteString(ini, "Files", file, "Ünïcödé");
  EXPECT_EQ(win.profile().ReadString(ini, "Files", file, ""), "Ünïcödé");
  EXPECT_EQ(win.profile().ReadKeyNames(ini, "Files"), (std::vector<std::string>{file}));
  // One deeper than the profile functions reach is kept by the portable rules, through the file system.
  const std::string deepIni = deep + "\\deep.ini";
  win.profile().WriteString(deepIni, "Ελληνικά", "K", file);
  EXPECT_EQ(win.profile().ReadString(deepIni, "Ελληνικά", "K", ""), file);
  EXPECT_TRUE(fs.DeleteFile(deepIni));
  auto link = win.shell().CreateShellLink();
  link->SetPath(win.fs().WindowsDirectory() + "\\notepad.exe");
  EXPECT_TRUE(link->Save(scratch.str() + "\\long.lnk"));

  EXPECT_TRUE(fs.DeleteFile(file));
  EXPECT_TRUE(fs.DeleteFile(deep + "\\renamed.txt"));
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) EXPECT_TRUE(fs.RemoveDirectory(*it)) << *it;
  EXPECT_FALSE(fs.DirectoryExists(folders.front()));

  const LongPathCheck check = CheckRecordedPaths();
  EXPECT_GT(check.longOnes, 20u);
  for (const std::wstring& path : check.plain) ADD_FAILURE() << "a plain long path: " << Utf8(path);
  std::set<std::wstring> shortOnes;
  for (const std::wstring& path : Recorded())
    if (path.size() < kLongPathFrom) shortOnes.insert(path);
  // Short paths pass exactly as they were given.
  EXPECT_EQ(shortOnes.count(Wide(ini)), 1u);
  EXPECT_EQ(shortOnes.count(Wide(scratch.str() + "\\long.lnk")), 1u);
}

// The form itself: full and normalised from 248 units on, \\?\UNC\ for a share, and back again.
TEST(Win32LongPaths, TheLongFormOfAPath) {
  const std::string base = "C:\\" + std::string(240, 'a');
  const struct {
    std::string path;
    std::wstring wide;
  } kCases[] = {
      {"C:\\Temp\\lkst_1\\\\Work\\a.exe", L"C:\\Temp\\lkst_1\\\\Work\\a.exe"},
      {base.substr(0, 247), Wide(base.substr(0, 247))},
      {base + "\\b\\\\c", L"\\\\?\\" + Wide(base) + L"\\b\\c"},
      {base + "\\.\\x\\..\\c", L"\\\\?\\" + Wide(base) + L"\\c"},
      {base + "/bb/c", L"\\\\?\\" + Wide(base) + L"\\bb\\c"},
      {"\\\\server\\share\\" + std::string(240, 'd'), L"\\\\?\\UNC\\server\\share\\" + std::wstring(240, L'd')},
      {"\\\\?\\" + base + "\\..", L"\\\\?\\" + Wide(base) + L"\\.."},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(WidePath(c.path), c.wide);
  }
  EXPECT_EQ(WidePattern(base + "\\.\\*."), L"\\\\?\\" + Wide(base) + L"\\*.");
  EXPECT_EQ(SeamPath(L"\\\\?\\UNC\\server\\share\\x"), "\\\\server\\share\\x");
  EXPECT_EQ(SeamPath(L"\\\\?\\C:\\x"), "C:\\x");
  EXPECT_EQ(SeamPath(L"C:\\x"), "C:\\x");
}

}  // namespace
}  // namespace vurerode::platform::win32

#endif  // _WIN32
