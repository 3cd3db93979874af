// A Prompter that plays a script: each question takes the next scripted answer, optionally after
// running an action first (putting a disk in place, say). Every question is recorded; one the
// script did not expect fails the test and is answered with Cancel.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace vurerode::test {

class ScriptedPrompter : public Prompter {
 public:
  struct Question {
    bool input = false;  // InputQuery rather than Message
    std::string text;    // message text, or the input prompt label
    std::string caption;
    std::string value;  // the value an input query started from
    PromptButtons buttons = PromptButtons::Ok;
    PromptIcon icon = PromptIcon::None;
  };

  // The next Message gets this answer, after action runs.
  ScriptedPrompter& Answer(PromptResult result, std::function<void()> action = {}) {
    script_.push_back({false, result, std::nullopt, std::move(action)});
    return *this;
  }
  // The next InputQuery gets this text (OK), or is cancelled with std::nullopt.
  ScriptedPrompter& Input(std::optional<std::string> text, std::function<void()> action = {}) {
    script_.push_back({true, PromptResult::Ok, std::move(text), std::move(action)});
    return *this;
  }

  PromptResult Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                       PromptIcon icon) override {
    asked.push_back({false, text, caption, "", buttons, icon});
    Step step;
    if (!Take(false, text, step)) return PromptResult::Cancel;
    return step.result;
  }

  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override {
    asked.push_back({true, prompt, caption, value, PromptButtons::OkCancel, PromptIcon::None});
    Step step;
    if (!Take(true, caption, step) || !step.text) return false;
    value = *step.text;
    return true;
  }

  bool Finished() const { return script_.empty(); }

  std::vector<Question> asked;

 private:
  struct Step {
    bool input = false;
    PromptResult result = PromptResult::Cancel;
    std::optional<std::string> text;
    std::function<void()> action;
  };

  bool Take(bool input, const std::string& what, Step& step) {
    if (script_.empty() || script_.front().input != input) {
      ADD_FAILURE() << "unexpected " << (input ? "input query" : "message") << ": " << what;
      return false;
    }
    step = std::move(script_.front());
    script_.pop_front();
    if (step.action) step.action();
    return true;
  }

  std::deque<Step> script_;
};

}  // namespace vurerode::test
