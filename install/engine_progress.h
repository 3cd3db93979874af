// What the engines tell whoever shows their work, and the questions they put: a status line, a
// progress bar, the steps reached, the items written or removed, and a chance for pending window
// messages to run during long loops. The wizard implements these on its pages; tests record them.
#pragma once

#include <string>

#include "platform/prompter.h"

namespace vurerode::setup {

// Kinds of items the engines write or remove, for the record a front end may keep.
enum class RecordKind { Step, File, Folder, Shortcut, IniValue, RegistryValue, Kept, Removed };
const char* RecordKindName(RecordKind kind);

enum class YesNoAll { Yes, No, All, Closed };

class TEngineProgress {
 public:
  virtual ~TEngineProgress() = default;
  // The line that says what is being done now.
  virtual void Status(const std::string&) {}
  // The bar: a new range with its position at 0, then one step at a time.
  virtual void SetRange(int) {}
  virtual void Advance() {}
  // Something the engine wrote, removed or kept.
  virtual void Record(RecordKind, const std::string&) {}
  // Lets pending window messages run / repaints, so that labels and bars show the latest state.
  virtual void ProcessMessages() {}
  virtual void Repaint() {}
};

// The installation's three steps, each with its marker and its line.
enum class TInstallStep { Files = 0, Shortcuts = 1, Entries = 2 };

class TInstallProgress : public TEngineProgress {
 public:
  // The step is reached: its marker switches to the done picture.
  virtual void StepReached(TInstallStep) {}
  // The item a step works on now: the file being installed, the program whose shortcuts are made.
  virtual void CurrentItem(TInstallStep, const std::string&) {}
  // Where messages and questions go while the medium is read again (a missing disk), and the
  // caption their boxes carry.
  virtual Prompter& Prompts() = 0;
  // True once the user has asked to cancel (the Cancel button, Ctrl+C): the installation stops at
  // its next item and undoes what it did.
  virtual bool CancelRequested() { return false; }
  virtual std::string Caption() const = 0;
};

class TRemovalProgress : public TEngineProgress {
 public:
  // Pass index (0 files, 1 their directories, 2 folders, 3 registry) begins.
  virtual void PassStarted(int) {}
  // Every pass is done: what follows removes the registration and the directory tree.
  virtual void PassesDone() {}
  // Whether a file Windows may use is deleted all the same.
  virtual YesNoAll AskDelete(const std::string& text) = 0;
};

}  // namespace vurerode::setup
