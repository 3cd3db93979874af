// A sandbox machine for the shell-service tests, with a prompter that records what it was asked.
#pragma once

#include <string>
#include <vector>

#include "platform/prompter.h"
#include "platform/sandbox/sandbox_platform.h"
#include "support/test_support.h"

namespace vurerode::test {

class RecordingPrompter : public Prompter {
 public:
  PromptResult Message(const std::string& text, const std::string&, PromptButtons, PromptIcon) override {
    messages.push_back(text);
    return PromptResult::Ok;
  }
  bool InputQuery(const std::string&, const std::string&, std::string&) override { return false; }
  std::vector<std::string> messages;
};

class Machine {
 public:
  explicit Machine(const platform::sandbox::SandboxOptions& options = {}) : platform(dir.path(), options) {}
  platform::FileSystem& fs() { return platform.fs(); }
  void Put(const std::string& path, const std::string& text) {
    auto f = fs().CreateFile(path);
    f->Write(text.data(), text.size());
  }
  std::string Get(const std::string& path) {
    auto f = fs().OpenFile(path, platform::FileAccess::Read);
    std::string s(static_cast<size_t>(f->Size()), '\0');
    if (!s.empty()) f->ReadBuffer(s.data(), s.size());
    return s;
  }
  void MakeDirs(const std::vector<std::string>& dirs) {
    for (const std::string& d : dirs) fs().CreateDirectory(d);
  }

  ScratchDir dir;
  platform::sandbox::SandboxPlatform platform;
};

}  // namespace vurerode::test
