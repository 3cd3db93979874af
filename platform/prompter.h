// Questions the system puts to the person in front of it. A GUI shows message and input boxes, a
// console front end asks on the terminal, tests play a script. Components that need an answer get a
// Prompter; none of them knows which front end is behind it.
#pragma once

#include <string>

namespace vurerode {

enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptIcon { None, Information, Warning, Error, Question };
enum class PromptResult { Ok, Cancel, Yes, No };

class Prompter {
 public:
  virtual ~Prompter() = default;
  // A message with buttons; returns the button chosen (Cancel when the box is closed).
  virtual PromptResult Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                               PromptIcon icon) = 0;
  // Asks for a line of text, starting from value; false when the person cancels (value unchanged).
  virtual bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) = 0;
};

}  // namespace vurerode
