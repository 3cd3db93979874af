// The sandbox's batch interpreter carries out a cleanup batch's commands on the machine and
// journals each; anything else is not run.
#include "platform/sandbox/batch_runner.h"

#include <gtest/gtest.h>

#include "platform/sandbox/sandbox_platform.h"
#include "support/test_support.h"

namespace vurerode::platform::sandbox {
namespace {

TEST(BatchRunnerTest, RunsTheCommandsACleanupBatchHolds) {
  const struct {
    const char* name;
    const char* batch;
    bool setupGone, folderGone;
    std::vector<std::string> outcomes;  // the end of each journal line, in order
  } cases[] = {
      {"the uninstaller's batch",
       "Rem Goto Drive of Installed Files.\r\nC:\r\ncd\\\r\ncd PROGRA~1\r\ncd ACME\r\ndel setup.exe\r\ncd..\r\n"
       "rd ACME\r\nexit\r\n",
       true,
       true,
       {"now in C:\\", "now in C:\\", "now in C:\\PROGRA~1\\", "now in C:\\PROGRA~1\\ACME\\",
        "deleted C:\\PROGRA~1\\ACME\\setup.exe", "now in C:\\PROGRA~1\\", "removed C:\\PROGRA~1\\ACME"}},
      {"the uninstaller's batch with full quoted paths",
       "Rem Remove the uninstaller and its emptied folder.\r\ndel \"C:\\PROGRA~1\\ACME\\setup.exe\"\r\n"
       "rd \"C:\\PROGRA~1\\ACME\"\r\nexit\r\n",
       true,
       true,
       {"deleted C:\\PROGRA~1\\ACME\\setup.exe", "removed C:\\PROGRA~1\\ACME"}},
      {"the same batch once the folder has gone touches nothing else",
       "del \"C:\\PROGRA~1\\GONE\\setup.exe\"\r\nrd \"C:\\PROGRA~1\\GONE\"\r\nexit\r\n",
       false,
       false,
       {"could not find C:\\PROGRA~1\\GONE\\setup.exe", "the system cannot find the path specified"}},
      {"a percent sign doubled in a batch is one",
       "del \"C:\\Program Files\\100%%\\setup.exe\"\r\nrd \"C:\\Program Files\\100%%\"\r\n",
       false,
       false,
       {"deleted C:\\Program Files\\100%\\setup.exe", "removed C:\\Program Files\\100%"}},
      {"a folder that still holds files stays",
       "C:\r\ncd \\Program Files\r\nrd Acme\r\n",
       false,
       false,
       {"now in C:\\", "now in C:\\Program Files\\", "the directory is not empty"}},
      {"commands other than a cleanup batch's are not run, exit ends it",
       "C:\r\ncopy a b\r\nformat c:\r\nexit\r\ndel \"C:\\Program Files\\Acme\\setup.exe\"\r\n",
       false,
       false,
       {"now in C:\\", "not run", "not run"}},
      {"names in UTF-8 once the code page is 65001",
       "@chcp 65001 >nul\r\ndel \"C:\\Program Files\\Ünïcödé 日本\\setup.exe\"\r\nrd \"C:\\Program Files\\Ünïcödé "
       "日本\"\r\n",
       false,
       false,
       {"active code page 65001", "deleted C:\\Program Files\\Ünïcödé 日本\\setup.exe",
        "removed C:\\Program Files\\Ünïcödé 日本"}},
      {"names in Windows-1252 before any change of code page, as old batches hold them",
       "del \"C:\\Program Files\\Caf\xE9\\setup.exe\"\r\n",
       false,
       false,
       {"deleted C:\\Program Files\\Café\\setup.exe"}},
      {"UTF-8 without the change of code page is not the name",
       "del \"C:\\Program Files\\Café\\setup.exe\"\r\nchcp 437\r\n",
       false,
       false,
       {"could not find C:\\Program Files\\CafÃ©\\setup.exe", "invalid code page"}},
      {"a missing folder or drive",
       "Q:\r\ncd \\Nowhere\r\ndel nothing.txt\r\n",
       false,
       false,
       {"the system cannot find the drive specified", "the system cannot find the path specified",
        "could not find C:\\nothing.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    vurerode::test::ScratchDir dir;
    SandboxPlatform machine(dir.path());
    FileSystem& fs = machine.fs();
    ASSERT_EQ(fs.CreateDirectory("C:\\Program Files\\Acme"), 0);
    fs.CreateFile("C:\\Program Files\\Acme\\setup.exe");
    // Another program's file where a batch that lost its way would act.
    fs.CreateFile("C:\\Program Files\\setup.exe");
    ASSERT_EQ(fs.CreateDirectory("C:\\Program Files\\100%"), 0);
    fs.CreateFile("C:\\Program Files\\100%\\setup.exe");
    for (const char* name : {"Ünïcödé 日本", "Café"}) {
      ASSERT_EQ(fs.CreateDirectory(std::string("C:\\Program Files\\") + name), 0);
      fs.CreateFile(std::string("C:\\Program Files\\") + name + "\\setup.exe");
    }
    auto batch = fs.CreateFile("C:\\WINDOWS\\Temp\\zad2000.bat");
    batch->Write(c.batch, std::string(c.batch).size());
    batch.reset();
    const size_t before = machine.journal().Lines().size();
    EXPECT_TRUE(BatchRunner(fs, machine.journal()).Run("C:\\WINDOWS\\Temp\\zad2000.bat"));
    EXPECT_EQ(!fs.FileExists("C:\\Program Files\\Acme\\setup.exe"), c.setupGone);
    EXPECT_EQ(!fs.DirectoryExists("C:\\Program Files\\Acme"), c.folderGone);
    EXPECT_TRUE(fs.FileExists("C:\\Program Files\\setup.exe"));
    std::vector<std::string> lines = machine.journal().Lines();
    std::vector<std::string> outcomes;
    for (size_t i = before; i < lines.size(); ++i) outcomes.push_back(lines[i].substr(lines[i].rfind(" -> ") + 4));
    EXPECT_EQ(outcomes, c.outcomes);
  }
}

}  // namespace
}  // namespace vurerode::platform::sandbox
