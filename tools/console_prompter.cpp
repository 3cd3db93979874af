#include "tools/console_prompter.h"

#include <iostream>

namespace vurerode::cli {

PromptResult ConsolePrompter::Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                                      PromptIcon) {
  // The system's line break is LF CR; a terminal wants LF alone.
  std::string shown;
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i > 0 && text[i - 1] == '\n')) shown += text[i];
  out_ << (caption.empty() ? "" : caption + ": ") << shown << '\n';
  const bool cancellable = buttons == PromptButtons::OkCancel || buttons == PromptButtons::YesNoCancel;
  if (!interactive_) return cancellable ? PromptResult::Cancel : PromptResult::Ok;
  out_ << (cancellable ? "[Enter = OK, c = Cancel] " : "[Enter = OK] ") << std::flush;
  std::string answer;
  if (!std::getline(in_, answer)) return cancellable ? PromptResult::Cancel : PromptResult::Ok;
  if (cancellable && !answer.empty() && (answer[0] == 'c' || answer[0] == 'C')) return PromptResult::Cancel;
  return PromptResult::Ok;
}

bool ConsolePrompter::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  out_ << caption << '\n';
  if (!interactive_) return false;
  out_ << prompt << " [" << value << "] (empty line keeps it, a single '-' cancels) " << std::flush;
  std::string answer;
  if (!std::getline(in_, answer) || answer == "-") return false;
  if (!answer.empty()) value = answer;
  return true;
}

}  // namespace vurerode::cli
