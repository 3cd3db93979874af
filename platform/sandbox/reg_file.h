// The registry as a tree in memory, read from and written to the text format of the registry
// editor ("Windows Registry Editor Version 5.00", UTF-16LE with a byte-order mark and CR LF, as the
// editor exports it), so that regedit on Windows or under Wine can import the file. Reading also
// takes REGEDIT4 files and ANSI or UTF-8 text, "[-key]" and "name"=- deletions, and lines continued
// with a backslash; lines it cannot make sense of are skipped, as the editor skips them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace vurerode::platform::sandbox {

enum : uint32_t { kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4, kRegMultiSz = 7 };

struct RegValue {
  std::string name;  // empty: the key's default value
  uint32_t type = kRegSz;
  std::string text;           // string types: the text
  std::vector<uint8_t> data;  // other types: the bytes as stored
};

struct RegNode {
  std::string name;
  std::vector<RegValue> values;                          // in the order they were first written
  std::map<std::string, std::unique_ptr<RegNode>> keys;  // by upper-case name

  RegNode* Child(std::string_view name) const;
  RegNode* AddChild(const std::string& name);
  RegValue* Value(std::string_view name);
  bool RemoveValue(std::string_view name);
};

class RegTree {
 public:
  RegTree();
  RegNode& Root(RegistryRoot root) { return *roots_[static_cast<size_t>(root)]; }
  // The node of a key path below a root ("Software\Acme"); nullptr when missing.
  RegNode* Find(RegistryRoot root, std::string_view path);
  RegNode* Create(RegistryRoot root, std::string_view path);
  bool Delete(RegistryRoot root, std::string_view path);

  void Import(std::string_view fileBytes);
  std::string Export() const;  // the file's bytes

 private:
  std::vector<std::unique_ptr<RegNode>> roots_;
};

// Whether a key or value name can be written to the file and read back as it was: the format has no
// way to hold a line break inside a name (it would start a line of its own, such as another key or a
// "[-key]" deletion), so names with control characters are refused.
bool StorableName(std::string_view name);

// Splits a key path at its backslashes, leaving out empty parts ("\Software\\Acme\" is two parts).
std::vector<std::string> SplitKeyPath(std::string_view path);

}  // namespace vurerode::platform::sandbox
