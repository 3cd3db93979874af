#include "app/unzip.h"

#include <unordered_set>

#include "app/display_screen.h"
#include "archive/zstd_method.h"
#include "install/set_files.h"
#include "media/finstall_cfg.h"
#include "media/install_cfg.h"
#include "platform/exception.h"
#include "platform/text.h"
#include "platform/windows_path.h"
#include "segment/seg_names.h"
#include "shell/file_ops.h"

namespace vurerode::setup {

TUnzip::TUnzip(TDisplayScreen& main) : main_(main) {
  SetReader = std::make_unique<TSegCompEZ>(main.platform().fs(), *this);
  TSegCompEZ& c = *SetReader;
  ReadZstdMethod(c);
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
  c.SmallArchivesInMemory = true;
  // The window is kept alive by the handlers letting its messages run, on this same thread: giving up
  // the processor would only hand it to other programs.
  c.YieldToOtherThreads = false;
  c.OnSegBefore = [this](TSegMode, const std::string&, uint16_t number) { OnSegBefore(number); };
  c.OnCheckFile = [this](std::string& path, TCProcessMode) { OnCheckFile(path); };
  c.OnSegBeforeExpand = [this](TSegArcList& list) {
    if (leaveInSet_) LeaveInSet(list);
  };
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
  TimerArmed = true;
}

void TUnzip::Timer1Timer() {
  if (!TimerArmed) return;
  TimerArmed = false;
  Expand();
}

void TUnzip::Expand() {
  TSetupGlobals& g = main_.Globals;
  platform::FileSystem& fs = main_.platform().fs();
  ProcessMessages();
  main_.ExpansionFailed = false;
  TSegCompEZ& c = *SetReader;
  c.SetSegBaseName("disk");
  c.SetSegDir(g.SourceDir);
  c.SetSegTmpDir(g.TempDir);
  c.SetTargetPath(g.ExpandDir);
  c.SegArcList.Clear();
  c.SegSource().clear();
  main_.Globals.DeferredFiles.clear();
  try {
    g.MediumVerified = false;  // until the check below passes
    g.MediumVerified = main_.CheckEmbeddedMedium();
    medium_.emplace(fs, g.SourceDir, g.MediumVerified);
    ForceDirectories(fs, g.ExpandDir);
    ForceDirectories(fs, g.TempDir);
    // A medium whose every segment is there and matches its SHA-256 can be read again at
    // installation: the files go straight to their places then, instead of through ExpandDir.
    leaveInSet_ = medium_->WholeSetVerified(c.SegBaseName());
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
  ProcessMessages();
  AskForSegment(main_.platform().fs(), main_.view(), Caption, main_.Globals.SourceDir, SetReader->SegBaseName(),
                segNumber);
  medium_->Check(SegmentFileName(SetReader->SegBaseName(), "", segNumber));
  if (segNumber == 1) CopyBesideFiles();
  ProcessMessages();
}

void TUnzip::CopyBesideFiles() {
  TSetupGlobals& g = main_.Globals;
  ExpansionProgress.Max = static_cast<int>(g.InstallFiles.size()) + 2;
  ExpansionProgress.Position = 0;
  ProcessMessages();
  for (const char* name : {"setup.exe", media::kInstallConfigFile, media::kFileListFile}) {
    if (std::string_view(name) != "setup.exe") medium_->Check(name);
    CopyFileInto(main_.platform().fs(), g.SourceDir + name, g.ExpandDir);
    ExpansionProgress.StepBy(1);
    ProcessMessages();
  }
}

void TUnzip::OnCheckFile(std::string& filepath) {
  filepath = ExpandedPath(main_.Globals, filepath);
  ExpansionProgress.StepBy(1);
  ProcessMessages();
}

void TUnzip::LeaveInSet(TSegArcList& list) {
  std::unordered_set<std::string> shown;
  for (const std::string& path : main_.FilesShownBeforeInstall(main_.Globals.ExpandDir)) shown.insert(FileKey(path));
  SelectSetFiles(list, main_.Globals, [&](const std::string& path) {
    const std::string key = FileKey(path);
    // Any LICENSE.TXT may turn out to be the licence.
    if (shown.count(key) || platform::UpperCase(platform::ExtractFileName(path)) == "LICENSE.TXT") return true;
    main_.Globals.DeferredFiles.insert(key);
    return false;
  });
}

}  // namespace vurerode::setup
