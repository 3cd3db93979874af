// The console front end's view: messages and questions on the terminal (or their safe answers when
// unattended), progress printed as the model's labels change, and the /LOG record.
#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "app/display_screen.h"
#include "ui/console/text_io.h"

namespace vurerode::setup::console {

class ConsoleView : public TSetupView {
 public:
  // log may be null. Questions read answers from in, one per line; the end of input answers Cancel.
  ConsoleView(TextInput& in, TextOutput& out, TextOutput& err, bool silent, TextOutput* log);

  void Attach(TDisplayScreen* screen) { screen_ = screen; }
  const TDisplayScreen* attached() const { return screen_; }

  PromptResult Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                       PromptIcon icon) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  void ProcessMessages() override { ShowChanges(); }
  void Repaint() override { ShowChanges(); }
  void ShowModal(TUnzip& unzip) override;
  YesNoAll AskYesNoAll(const std::string& text, const std::string& caption) override;
  void Record(RecordKind kind, const std::string& what) override;

  // A line of the user's answer; false at the end of input.
  bool ReadLine(std::string& line);
  TextOutput& out() { return out_; }
  bool silent() const { return silent_; }
  // What the unattended run kept (system files declined), for the closing summary.
  const std::vector<std::string>& kept() const { return kept_; }

 private:
  void ShowChanges();
  // A line, shown at once; a progress line (one per file) may wait up to a tenth of a second
  // for the next, since every write to a console or a pipe costs a call of its own.
  void Say(const std::string& text, bool progress = false);
  // Shows the progress lines held back: now, or once their tenth of a second is over.
  void FlushHeld(bool now);

  TextInput& in_;
  TextOutput& out_;
  TextOutput& err_;
  bool silent_;
  TextOutput* log_;
  TDisplayScreen* screen_ = nullptr;
  TUnzip* unzip_ = nullptr;
  std::vector<std::string> shown_;
  std::vector<std::string> kept_;
  std::chrono::steady_clock::time_point flushed_;
  bool held_ = false;  // a progress line not flushed yet
};

}  // namespace vurerode::setup::console
