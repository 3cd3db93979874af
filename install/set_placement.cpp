#include "install/set_placement.h"

#include "archive/zstd_method.h"
#include "install/media_check.h"
#include "install/set_files.h"
#include "platform/windows_path.h"
#include "segment/seg_comp_ez.h"
#include "segment/seg_names.h"
#include "shell/file_ops.h"

namespace vurerode::setup {

namespace {

class Placement : public TSegOwner {
 public:
  Placement(platform::Platform& platform, const TSetupGlobals& globals, const TPlacementPlan& plan,
            TInstallProgress& progress)
      : fs_(platform.fs()),
        g_(globals),
        plan_(plan),
        progress_(progress),
        medium_(fs_, globals.SourceDir, globals.MediumVerified) {}

  TPlacementResult Run();

  Prompter& SegPrompter() override { return progress_.Prompts(); }
  void Repaint() override { progress_.Repaint(); }
  void ProcessMessages() override { progress_.ProcessMessages(); }

 private:
  bool Planned(const std::string& key) const { return plan_.Direct.count(key) || plan_.Expand.count(key); }
  void OnCheckFile(std::string& path);

  platform::FileSystem& fs_;
  const TSetupGlobals& g_;
  const TPlacementPlan& plan_;
  TInstallProgress& progress_;
  TMediumCheck medium_;
  std::string writing_;  // the file being written, until it is whole
  TPlacementResult result_;
};

TPlacementResult Placement::Run() {
  const TSetupGlobals& g = g_;
  platform::FileSystem& fs = fs_;
  TSegCompEZ c(fs, *this);
  ReadZstdMethod(c);
  c.MakeDirectories = true;
  c.ExceptionOnFileError = false;
  c.CheckSpaceBeforeExpand = false;
  c.SegPopUp = false;
  c.RestoreFileInfo = false;
  c.SmallArchivesInMemory = true;
  // The window is kept alive by the handlers letting its messages run, on this same thread: giving up
  // the processor would only hand it to other programs.
  c.YieldToOtherThreads = false;
  c.SetSegBaseName("disk");
  c.SetSegDir(g.SourceDir);
  c.SetSegTmpDir(g.TempDir);
  c.OnSegBefore = [&](TSegMode, const std::string&, uint16_t number) {
    ProcessMessages();
    AskForSegment(fs_, progress_.Prompts(), progress_.Caption(), g.SourceDir, c.SegBaseName(), number);
    medium_.Check(SegmentFileName(c.SegBaseName(), "", number));
  };
  c.OnSegBeforeExpand = [&](TSegArcList& list) {
    SelectSetFiles(list, g, [&](const std::string& path) { return Planned(FileKey(path)); });
  };
  c.OnCheckFile = [&](std::string& path, TCProcessMode) { OnCheckFile(path); };
  c.OnFileExpanded = [&](const std::string& path, int64_t size) {
    result_.Written[path] = size;
    writing_.clear();
  };
  try {
    ForceDirectories(fs, g.TempDir);
    c.SegExpand();
  } catch (const std::exception& e) {
    if (!writing_.empty()) fs.DeleteFile(writing_);
    result_.Stopped = e.what();
  }
  return std::move(result_);
}

void Placement::OnCheckFile(std::string& path) {
  // The file before is whole (and reported) or was never created: nothing of it is to be undone.
  writing_.clear();
  path = ExpandedPath(g_, path);
  const std::string key = FileKey(path);
  if (auto direct = plan_.Direct.find(key); direct != plan_.Direct.end()) {
    path = direct->second;
    // Installed now; a file expanded for the copying is shown when it is copied.
    progress_.CurrentItem(TInstallStep::Files, "Installing : " + platform::ExtractFileName(path));
    progress_.Advance();
  } else if (!plan_.Expand.count(key)) {
    path.clear();  // a second entry of a name the list selected
    return;
  }
  writing_ = path;
  ProcessMessages();
}

}  // namespace

TPlacementResult PlaceSetFiles(platform::Platform& platform, const TSetupGlobals& globals, const TPlacementPlan& plan,
                               TInstallProgress& progress) {
  return Placement(platform, globals, plan, progress).Run();
}

}  // namespace vurerode::setup
