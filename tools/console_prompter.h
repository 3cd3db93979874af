// Questions of the segment reader (a missing disk, a key) asked on the terminal.
#pragma once

#include <iosfwd>
#include <string>

#include "platform/prompter.h"
#include "segment/seg_owner.h"

namespace vurerode::cli {

// Questions on the terminal. Without a terminal to answer from, every question is answered with
// Cancel (after the message is shown), so a script never hangs waiting for a disk.
class ConsolePrompter : public Prompter {
 public:
  ConsolePrompter(std::istream& in, std::ostream& out, bool interactive)
      : in_(in), out_(out), interactive_(interactive) {}
  PromptResult Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                       PromptIcon icon) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;

 private:
  std::istream& in_;
  std::ostream& out_;
  bool interactive_;
};

class ConsoleSegOwner : public TSegOwner {
 public:
  explicit ConsoleSegOwner(Prompter& prompter) : prompter_(prompter) {}
  Prompter& SegPrompter() override { return prompter_; }

 private:
  Prompter& prompter_;
};

}  // namespace vurerode::cli
