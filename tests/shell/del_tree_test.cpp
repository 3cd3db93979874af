#include "shell/del_tree.h"

#include <gtest/gtest.h>

#include "shell_test_support.h"

namespace vurerode {
namespace {

using platform::faHidden;
using platform::faReadOnly;
using platform::faSysFile;

class DelTreeTest : public ::testing::Test {
 protected:
  test::Machine m;
  test::RecordingPrompter prompter;
  TMPDelTree MPDelTree1{m.platform, &prompter};

  // C:\Temp\X with files at two levels, some read-only, hidden or system.
  void MakeTree() {
    m.MakeDirs(
        {"C:\\Temp", "C:\\Temp\\X", "C:\\Temp\\X\\A", "C:\\Temp\\X\\A\\B", "C:\\Temp\\X\\A\\C", "C:\\Temp\\X\\Z"});
    for (const char* f : {"C:\\Temp\\X\\top.txt", "C:\\Temp\\X\\A\\B\\1.txt", "C:\\Temp\\X\\A\\B\\2.txt",
                          "C:\\Temp\\X\\A\\B\\3.txt", "C:\\Temp\\X\\A\\C\\c.txt", "C:\\Temp\\X\\Z\\z.txt"})
      m.Put(f, f);
    m.fs().SetAttributes("C:\\Temp\\X\\top.txt", faReadOnly);
    m.fs().SetAttributes("C:\\Temp\\X\\A\\B\\1.txt", faHidden | faSysFile | faReadOnly);
    m.fs().SetAttributes("C:\\Temp\\X\\A\\C", faReadOnly | faHidden);
  }
};

TEST_F(DelTreeTest, RemovesReadOnlyHiddenAndSystemEntries) {
  MakeTree();
  MPDelTree1.Path = "C:\\Temp\\X\\";
  EXPECT_TRUE(MPDelTree1.Execute());
  EXPECT_EQ(MPDelTree1.Path, "C:\\Temp\\X");
  EXPECT_FALSE(m.fs().DirectoryExists("C:\\Temp\\X"));
  EXPECT_TRUE(m.fs().DirectoryExists("C:\\Temp"));
  MakeTree();
  MPDelTree1.Path = "C:\\Temp\\X";
  EXPECT_TRUE(MPDelTree1.Execute());
  EXPECT_FALSE(m.fs().DirectoryExists("C:\\Temp\\X"));
  EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(DelTreeTest, AMissingDirectoryIsReportedAndCountsAsDone) {
  MPDelTree1.Path = "C:\\Temp\\X";
  EXPECT_TRUE(MPDelTree1.Execute());
  EXPECT_TRUE(prompter.messages.empty());
  MPDelTree1.Verbose = true;
  EXPECT_TRUE(MPDelTree1.Execute());
  MPDelTree1.Path = "<..>";  // the initial value
  EXPECT_TRUE(MPDelTree1.Execute());
  EXPECT_EQ(prompter.messages,
            (std::vector<std::string>{"The directory C:\\Temp\\X doesn't exist", "The directory <..> doesn't exist"}));
}

TEST_F(DelTreeTest, CancellingAtTheFirstFileTouchesNothing) {
  MakeTree();
  std::vector<std::string> asked;
  MPDelTree1.OnProcessFile = [&](TMPDelTree& sender, const std::string& file, const platform::TSearchRec& rec,
                                 bool& cancel) {
    EXPECT_EQ(&sender, &MPDelTree1);
    EXPECT_EQ(rec.Name, "1.txt");
    EXPECT_EQ(rec.Attr & faHidden, faHidden);
    asked.push_back(file);
    cancel = true;
  };
  MPDelTree1.Verbose = true;
  MPDelTree1.Path = "C:\\Temp\\X";
  EXPECT_FALSE(MPDelTree1.Execute());
  EXPECT_EQ(asked, (std::vector<std::string>{"C:\\Temp\\X\\A\\B\\1.txt"}));
  for (const char* f : {"C:\\Temp\\X\\top.txt", "C:\\Temp\\X\\A\\B\\1.txt", "C:\\Temp\\X\\Z\\z.txt"})
    EXPECT_TRUE(m.fs().FileExists(f)) << f;
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"DelTree aborted by user !"}));
}

TEST_F(DelTreeTest, ALockedFileTwoLevelsDownKeepsItsWayUp) {
  MakeTree();
  auto locked = m.fs().OpenFile("C:\\Temp\\X\\A\\B\\2.txt", platform::FileAccess::Read);
  MPDelTree1.Verbose = true;
  MPDelTree1.Path = "C:\\Temp\\X";
  EXPECT_FALSE(MPDelTree1.Execute());
  EXPECT_FALSE(m.fs().FileExists("C:\\Temp\\X\\A\\B\\1.txt"));  // before the locked one: gone
  EXPECT_TRUE(m.fs().FileExists("C:\\Temp\\X\\A\\B\\2.txt"));
  EXPECT_TRUE(m.fs().FileExists("C:\\Temp\\X\\A\\B\\3.txt"));  // after it in its folder: stays
  EXPECT_FALSE(m.fs().DirectoryExists("C:\\Temp\\X\\A\\C"));   // sibling folders still go
  EXPECT_FALSE(m.fs().DirectoryExists("C:\\Temp\\X\\Z"));
  EXPECT_FALSE(m.fs().FileExists("C:\\Temp\\X\\top.txt"));
  EXPECT_TRUE(m.fs().DirectoryExists("C:\\Temp\\X\\A\\B"));  // every folder on the way up stays
  EXPECT_TRUE(m.fs().DirectoryExists("C:\\Temp\\X\\A"));
  EXPECT_TRUE(m.fs().DirectoryExists("C:\\Temp\\X"));
  // Two failures (the file, then each folder above it), one message.
  EXPECT_EQ(prompter.messages, (std::vector<std::string>{"Cannot delete file C:\\Temp\\X\\A\\B\\2.txt"}));
  locked.reset();
  EXPECT_TRUE(MPDelTree1.Execute());  // a fresh run after the file is free
  EXPECT_FALSE(m.fs().DirectoryExists("C:\\Temp\\X"));
}

TEST_F(DelTreeTest, TheCurrentDirectoryIsLeftForItsParent) {
  MakeTree();
  ASSERT_TRUE(m.fs().ChangeDirectory("C:\\Temp\\X"));  // as the uninstaller runs from the tree
  MPDelTree1.Path = "C:\\Temp\\X";
  EXPECT_TRUE(MPDelTree1.Execute());
  EXPECT_EQ(m.fs().CurrentDirectory(), "C:\\Temp");
  EXPECT_FALSE(m.fs().DirectoryExists("C:\\Temp\\X"));
}

TEST_F(DelTreeTest, RootsAndWindowsFoldersAreRefusedHoweverNamed) {
  m.Put("C:\\keep.txt", "k");
  m.MakeDirs({"C:\\WINDOWS\\Temp\\deep"});
  MPDelTree1.Verbose = true;
  for (const char* path : {"C:\\", "C:", "c:\\.", "C:\\WINDOWS", "c:\\windows\\", "C:\\WINDOWS\\System\\",
                           "C:\\WINDOWS\\SYSTEM32", "C:\\Temp\\..\\WINDOWS\\Fonts"}) {
    prompter.messages.clear();
    MPDelTree1.Path = path;
    EXPECT_FALSE(MPDelTree1.Execute()) << path;
    ASSERT_EQ(prompter.messages.size(), 1u) << path;
    EXPECT_NE(prompter.messages[0].find("Cannot delete directory"), std::string::npos);
  }
  MPDelTree1.Path = "\\";  // loses its backslash and then names nothing at all
  EXPECT_TRUE(MPDelTree1.Execute());
  // Relative names are judged by where they lead once the run has moved to the parent folder.
  ASSERT_TRUE(m.fs().ChangeDirectory("C:\\WINDOWS\\Temp\\deep"));
  MPDelTree1.Path = "..\\..";
  EXPECT_FALSE(MPDelTree1.Execute());
  EXPECT_TRUE(m.fs().FileExists("C:\\keep.txt"));
  EXPECT_TRUE(m.fs().DirectoryExists("C:\\WINDOWS\\Temp\\deep"));
  MPDelTree1.Path = "C:\\WINDOWS\\Temp";  // below the Windows directory is fine
  EXPECT_TRUE(MPDelTree1.Execute());
}

TEST(DeleteFilesByMask, DeletesMatchingPlainFilesOnly) {
  test::Machine m;
  m.MakeDirs({"C:\\App", "C:\\App\\sub"});
  for (const char* f : {"C:\\App\\a.txt", "C:\\App\\b.dat", "C:\\App\\ro.txt", "C:\\App\\sub\\s.txt"}) m.Put(f, "x");
  m.fs().SetAttributes("C:\\App\\ro.txt", faReadOnly);
  DeleteFilesByMask(m.fs(), "C:\\App\\", "*.dat");
  EXPECT_FALSE(m.fs().FileExists("C:\\App\\b.dat"));
  EXPECT_TRUE(m.fs().FileExists("C:\\App\\a.txt"));
  DeleteFilesByMask(m.fs(), "C:\\App\\", "*.*");
  EXPECT_FALSE(m.fs().FileExists("C:\\App\\a.txt"));
  EXPECT_TRUE(m.fs().FileExists("C:\\App\\ro.txt"));
  EXPECT_TRUE(m.fs().FileExists("C:\\App\\sub\\s.txt"));
  DeleteFilesByMask(m.fs(), "C:\\nowhere\\", "*.*");
  m.Put("C:\\WINDOWS\\System\\acme.dll", "x");
  DeleteFilesByMask(m.fs(), "C:\\WINDOWS\\System\\", "acme.dll");
  EXPECT_FALSE(m.fs().FileExists("C:\\WINDOWS\\System\\acme.dll"));
}

TEST(DeleteFilesByMask, RefusesADrivesRoot) {
  test::Machine m;
  m.Put("C:\\root.txt", "x");
  m.MakeDirs({"C:\\App"});
  m.fs().ChangeDirectory("C:\\App");
  for (const char* dir : {"C:\\", "C:\\App\\..\\", "\\", "..\\"}) DeleteFilesByMask(m.fs(), dir, "*.*");
  DeleteFilesByMask(m.fs(), "C:\\", "root.txt");
  EXPECT_TRUE(m.fs().FileExists("C:\\root.txt"));
}

}  // namespace
}  // namespace vurerode
