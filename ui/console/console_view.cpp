#include "ui/console/console_view.h"

#include <cctype>

#include "app/unzip.h"
#include "ui/console/interrupt.h"

namespace vurerode::setup::console {

namespace {

// A message's line breaks as the terminal shows them.
std::string Lines(std::string text) {
  for (char& c : text)
    if (c == '\r') c = '\n';
  return text;
}

}  // namespace

ConsoleView::ConsoleView(TextInput& in, TextOutput& out, TextOutput& err, bool silent, TextOutput* log)
    : in_(in), out_(out), err_(err), silent_(silent), log_(log) {}

bool ConsoleView::ReadLine(std::string& line) {
  if (!in_.ReadLine(line)) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return true;
}

void ConsoleView::Say(const std::string& text, bool progress) {
  out_ << text << '\n';
  held_ = true;
  FlushHeld(!progress);
  if (log_) *log_ << "step: " << text << '\n';
}

void ConsoleView::FlushHeld(bool now) {
  const auto time = std::chrono::steady_clock::now();
  if (!held_ || (!now && time - flushed_ < std::chrono::milliseconds(100))) return;
  out_.Flush();
  flushed_ = time;
  held_ = false;
}

PromptResult ConsoleView::Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                                  PromptIcon icon) {
  FlushHeld(true);  // progress lines waiting come first
  TextOutput& to = icon == PromptIcon::Error ? err_ : out_;
  to << Lines(text) << '\n';
  to.Flush();
  if (log_) *log_ << "message: " << caption << ": " << Lines(text) << '\n';
  PromptResult safe = buttons == PromptButtons::Ok      ? PromptResult::Ok
                      : buttons == PromptButtons::YesNo ? PromptResult::No
                                                        : PromptResult::Cancel;
  if (silent_) {
    if (buttons != PromptButtons::Ok)
      Say(std::string("(answered ") + (safe == PromptResult::No ? "No" : "Cancel") + ")");
    return safe;
  }
  std::string line;
  for (;;) {
    switch (buttons) {
      case PromptButtons::Ok: out_ << "[Enter] OK > "; break;
      case PromptButtons::OkCancel: out_ << "[Enter] OK, [C]ancel > "; break;
      case PromptButtons::YesNo: out_ << "[Y]es, [N]o > "; break;
      case PromptButtons::YesNoCancel: out_ << "[Y]es, [N]o, [C]ancel > "; break;
    }
    out_.Flush();
    if (!ReadLine(line)) return safe;
    const char c = line.empty() ? '\n' : static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
    if (buttons == PromptButtons::Ok) return PromptResult::Ok;
    if (buttons == PromptButtons::OkCancel && (c == '\n' || c == 'O')) return PromptResult::Ok;
    if (c == 'C' && buttons != PromptButtons::YesNo) return PromptResult::Cancel;
    if (c == 'Y' && buttons != PromptButtons::OkCancel) return PromptResult::Yes;
    if (c == 'N' && buttons != PromptButtons::OkCancel) return PromptResult::No;
  }
}

bool ConsoleView::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  out_ << caption << ": " << prompt << " [" << value << "] > ";
  out_.Flush();
  std::string line;
  if (silent_ || !ReadLine(line)) return false;
  if (!line.empty()) value = line;
  return true;
}

YesNoAll ConsoleView::AskYesNoAll(const std::string& text, const std::string& caption) {
  out_ << Lines(text) << '\n';
  out_.Flush();
  if (log_) *log_ << "question: " << caption << ": " << Lines(text) << '\n';
  if (silent_) {
    Say("(answered No)");
    return YesNoAll::No;
  }
  std::string line;
  for (;;) {
    out_ << "[Y]es, [N]o, [A]ll > ";
    out_.Flush();
    if (!ReadLine(line)) return YesNoAll::Closed;
    const char c = line.empty() ? ' ' : static_cast<char>(std::toupper(static_cast<unsigned char>(line[0])));
    if (c == 'Y') return YesNoAll::Yes;
    if (c == 'N') return YesNoAll::No;
    if (c == 'A') return YesNoAll::All;
  }
}

void ConsoleView::Record(RecordKind kind, const std::string& what) {
  if (kind == RecordKind::Kept) kept_.push_back(what);
  if (log_) *log_ << RecordKindName(kind) << ": " << what << '\n';
}

void ConsoleView::ShowModal(TUnzip& unzip) {
  unzip_ = &unzip;
  Say(unzip.PleaseWaitLabel.Caption);
  unzip.FormShow();
  unzip.Timer1Timer();  // a terminal needs no second to show the window
  unzip_ = nullptr;
}

void ConsoleView::ShowChanges() {
  FlushHeld(false);
  if (!screen_) return;
  // Ctrl+C is the terminal's Cancel button, clicked while the installation lets messages run.
  if (screen_->PageIndex == kPageInstall && !screen_->InstallCancelRequested && InterruptAsCancel::Requested()) {
    Say("Cancelling: setup stops and undoes what it did.");
    screen_->InstallCancelClick();
  }
  const TDisplayScreen& s = *screen_;
  // The labels that report progress, each printed when its text changes.
  const std::vector<std::string> now = {s.CurrentFileLabel.Caption, s.IconsStepLabel.Caption,
                                        s.EntriesStepLabel.Caption, s.FinishStatus.Caption, s.UninstallStatus.Caption};
  if (shown_.size() != now.size()) {
    shown_ = now;
    return;
  }
  const bool installing = s.PageIndex == kPageInstall || s.PageIndex == kPageFinished;
  const bool removing = s.PageIndex == kPageUninstaller;
  for (size_t i = 0; i < now.size(); ++i) {
    if (now[i] == shown_[i]) continue;
    shown_[i] = now[i];
    if (now[i].empty() || (i < 3 && !installing) || (i == 3 && s.PageIndex != kPageFinished) || (i == 4 && !removing))
      continue;
    const TProgressBar& bar = removing ? s.RemovalProgress : s.InstallProgress;
    const int percent = bar.Max > bar.Min ? 100 * (bar.Position - bar.Min) / (bar.Max - bar.Min) : 100;
    Say(i == 0 || i == 4 ? "[" +
                               std::string(percent < 10    ? "  "
                                           : percent < 100 ? " "
                                                           : "") +
                               std::to_string(percent) + "%] " + now[i]
                         : now[i],
        i == 0 || i == 4);
  }
}

}  // namespace vurerode::setup::console
