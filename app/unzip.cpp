#include "app/unzip.h"

#include "app/display_screen.h"
#include "platform/exception.h"
#include "shell/file_ops.h"

namespace vurerode::setup {

TUnzip::TUnzip(TDisplayScreen& main) : main_(main) {
  SegCompEZ1 = std::make_unique<TSegCompEZ>(main.platform().fs(), *this);
  TSegCompEZ& c = *SegCompEZ1;
  c.MakeDirectories = true;
  c.ExceptionOnFileError = false;
  c.Key = 0;
  c.CheckSpaceBeforeExpand = false;
  c.SetSegBaseName("disk");
  c.SetSegDir("a:\\");
  c.SegPopUp = false;
  c.SetSegSize(1440000);
  c.SetSegTmpDir("\\windows\\temp");
  c.SegBuildMode = bmRecursive;
  c.SegCompType = coLZH5;
  c.SegMultiArc = true;
  c.OnSegBefore = [this](TSegMode, const std::string&, uint16_t number) { OnSegBefore(number); };
  c.OnCheckFile = [this](std::string& path, TCProcessMode) { OnCheckFile(path); };
}

TUnzip::~TUnzip() = default;

Prompter& TUnzip::SegPrompter() {
  return main_.view();
}
void TUnzip::Repaint() {
  main_.Repaint();
}
void TUnzip::ProcessMessages() {
  main_.ProcessMessages();
}

void TUnzip::FormShow() {
  Timer1Enabled = true;
}

void TUnzip::Timer1Timer() {
  if (!Timer1Enabled) return;
  Timer1Enabled = false;
  Expand();
}

void TUnzip::Expand() {
  TSetupGlobals& g = main_.Globals;
  platform::FileSystem& fs = main_.platform().fs();
  ProcessMessages();
  main_.ExpansionFailed = false;
  TSegCompEZ& c = *SegCompEZ1;
  c.SetSegBaseName("disk");
  c.SetSegDir(g.SourceDir);
  c.SetSegTmpDir(g.TempDir);
  c.SetTargetPath(g.ExpandDir);
  c.SegArcList.Clear();
  c.SegSource().clear();
  try {
    ForceDirectories(fs, g.ExpandDir);
    ForceDirectories(fs, g.TempDir);
    c.SegExpand();
    main_.ReadSetupConfig(g.ExpandDir);
    ProcessMessages();
    main_.Repaint();
    ProcessMessages();
    c.SegArcList.Clear();
    c.SegSource().clear();
    main_.ExpansionFailed = false;
    Close();
  } catch (const std::exception& e) {
    main_.FailureMessage = std::string(kErrorExpanding) + "\n" + e.what();
    main_.view().Message(main_.FailureMessage, Caption, PromptButtons::Ok, PromptIcon::Error);
    c.SegArcList.Clear();
    c.SegSource().clear();
    Close();
    main_.ExpansionFailed = true;
  }
}

void TUnzip::OnSegBefore(uint16_t segNumber) {
  TSetupGlobals& g = main_.Globals;
  platform::FileSystem& fs = main_.platform().fs();
  std::string number = std::to_string(segNumber);
  while (number.size() < 3) number = "0" + number;
  ProcessMessages();
  const std::string file = g.SourceDir + SegCompEZ1->SegBaseName() + "." + number;
  for (int prompts = 0; !fs.FileExists(file) && prompts < 2; ++prompts)
    main_.view().Message("Please Insert Disk #" + std::to_string(segNumber) + " into Floppy Drive.", Caption,
                         PromptButtons::Ok, PromptIcon::Information);
  CheckMedium(SegCompEZ1->SegBaseName() + "." + number);
  if (segNumber == 1) CopyBesideFiles();
  ProcessMessages();
}

void TUnzip::CopyBesideFiles() {
  TSetupGlobals& g = main_.Globals;
  ProgressBar1.Max = static_cast<int>(g.InstallFiles.size()) + 2;
  ProgressBar1.Position = 0;
  ProcessMessages();
  for (const char* name : {"setup.exe", "install.cfg", "finstall.cfg"}) {
    if (std::string_view(name) != "setup.exe") CheckMedium(name);
    CopyFileInto(main_.platform().fs(), g.SourceDir + name, g.ExpandDir);
    ProgressBar1.StepBy(1);
    ProcessMessages();
  }
}

void TUnzip::OnCheckFile(std::string& filepath) {
  const TSetupGlobals& g = main_.Globals;
  const std::string stored = filepath;
  filepath = g.ExpandDir + (filepath.size() > 2 ? filepath.substr(2) : std::string());
  // The redirection must keep every file inside the expansion directory.
  if (!PathIsBelow(filepath, g.ExpandDir)) throw Exception("The set names a file outside its folder: " + stored);
  ProgressBar1.StepBy(1);
  ProcessMessages();
}

}  // namespace vurerode::setup
