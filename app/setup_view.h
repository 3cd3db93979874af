// What the setup program's model needs from whoever shows it: the questions and messages of a
// Prompter, a chance for pending window messages to run during long work, the measures of text and
// pictures for the screen's layout, the bootstrap window, and a record of what was done. A native
// GUI, the console front end and the tests each provide one.
#pragma once

#include <optional>
#include <string>

#include "app/setup_screen.h"
#include "install/engine_progress.h"
#include "platform/prompter.h"

namespace vurerode::setup {

class TUnzip;

class TSetupView : public Prompter {
 public:
  // Lets pending window messages run, so labels, markers and bars repaint.
  virtual void ProcessMessages() {}
  virtual void Repaint() {}
  // Shows the bootstrap window modally; returns once its model has closed. The view starts the
  // window's one-shot timer after showing it (TUnzip::FormShow, then TUnzip::Timer1Timer).
  virtual void ShowModal(TUnzip& unzip) = 0;
  // A confirmation box with Yes, No and All.
  virtual YesNoAll AskYesNoAll(const std::string& text, const std::string& caption) = 0;
  // The size a shadowed label takes for its caption and font.
  virtual void MeasureLabel(TShadowLabel& label) {
    int h = label.Font.Height < 0 ? -label.Font.Height : label.Font.Height;
    label.Height = h + h / 4;
    label.Width = static_cast<int>(label.Caption.size()) * (h / 2 + 1);
  }
  // Something the installation did, for a front end's log.
  virtual void Record(RecordKind, const std::string&) {}
};

}  // namespace vurerode::setup
