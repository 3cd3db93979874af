#include "platform/sandbox/sandbox_registry.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/exception.h"
#include "platform/sandbox/host_io.h"
#include "platform/sandbox/user_profile.h"

namespace vurerode::platform::sandbox {

// An open key remembers where it is, not the node: a key deleted meanwhile reads as empty and
// refuses writes, as a handle to a deleted key does.
class SandboxKey : public RegistryKey {
 public:
  SandboxKey(SandboxRegistry& registry, RegistryRoot root, std::string path, bool writable)
      : registry_(registry), root_(root), path_(std::move(path)), writable_(writable) {}

  std::optional<std::string> ReadString(const std::string& name) override {
    RegNode* node = registry_.tree_.Find(root_, path_);
    RegValue* v = node ? node->Value(name) : nullptr;
    if (!v) return std::nullopt;
    if (v->type != kRegSz && v->type != kRegExpandSz) throw ERegistryException::InvalidType(name);
    return v->text;
  }

  std::optional<uint32_t> ReadInteger(const std::string& name) override {
    RegNode* node = registry_.tree_.Find(root_, path_);
    RegValue* v = node ? node->Value(name) : nullptr;
    if (!v) return std::nullopt;
    if (v->type != kRegDword || v->data.size() != 4) throw ERegistryException::InvalidType(name);
    return static_cast<uint32_t>(v->data[0] | v->data[1] << 8 | v->data[2] << 16 | uint32_t{v->data[3]} << 24);
  }

  void WriteString(const std::string& name, const std::string& value) override { Store(name, kRegSz, value, {}); }

  // Strings come as the text (UTF-8, as the program keeps it) and its terminating zero, which
  // WriteValue takes back; values of other types as the bytes the file holds.
  std::optional<RegistryValueData> ReadValue(const std::string& name) override {
    RegNode* node = registry_.tree_.Find(root_, path_);
    RegValue* v = node ? node->Value(name) : nullptr;
    if (!v) return std::nullopt;
    RegistryValueData out{v->type, v->data};
    if (IsText(v->type)) {
      out.data.assign(v->text.begin(), v->text.end());
      out.data.push_back(0);
    }
    return out;
  }

  void WriteValue(const std::string& name, const RegistryValueData& value) override {
    if (!IsText(value.type)) {
      Store(name, value.type, {}, value.data);
      return;
    }
    std::string text(value.data.begin(), value.data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    Store(name, value.type, std::move(text), {});
  }

  void WriteInteger(const std::string& name, uint32_t value) override {
    Store(name, kRegDword, {},
          {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
           static_cast<uint8_t>(value >> 24)});
  }

  bool DeleteValue(const std::string& name) override {
    RegNode* node = writable_ ? registry_.tree_.Find(root_, path_) : nullptr;
    if (!node || !node->Value(name) || !registry_.AllowChange()) return false;
    node->RemoveValue(name);
    return registry_.Save();
  }

  std::vector<std::string> SubKeyNames() override {
    std::vector<std::string> names;
    if (RegNode* node = registry_.tree_.Find(root_, path_))
      for (const auto& [key, child] : node->keys) names.push_back(child->name);
    return names;
  }

  std::vector<std::string> ValueNames() override {
    std::vector<std::string> names;
    if (RegNode* node = registry_.tree_.Find(root_, path_))
      for (const RegValue& v : node->values) names.push_back(v.name);
    return names;
  }

 private:
  static bool IsText(uint32_t type) { return type == kRegSz || type == kRegExpandSz; }

  // Sets a value, refused as Windows refuses a write: a key that is gone or may not be changed, a
  // name the registry file could not hold, or a file that could not be written.
  void Store(const std::string& name, uint32_t type, std::string text, std::vector<uint8_t> data) {
    RegNode* node = writable_ && StorableName(name) ? registry_.tree_.Find(root_, path_) : nullptr;
    if (!node || !registry_.AllowChange()) throw ERegistryException::SetDataFailed(name);
    RegValue* v = node->Value(name);
    if (!v) {
      node->values.push_back(RegValue{name, type, {}, {}});
      v = &node->values.back();
    }
    v->type = type;
    v->text = std::move(text);
    v->data = std::move(data);
    if (!registry_.Save()) throw ERegistryException::SetDataFailed(name);
  }

  SandboxRegistry& registry_;
  RegistryRoot root_;
  std::string path_;
  bool writable_;
};

SandboxRegistry::SandboxRegistry(std::filesystem::path file, bool localMachineWritable)
    : file_(std::move(file)), localMachineWritable_(localMachineWritable) {
  Reload();
}

void SandboxRegistry::Reload() {
  tree_ = RegTree();
  std::ifstream in(file_, std::ios::binary);
  if (in) {
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    tree_.Import(bytes);
  } else {
    Seed();
    Save();
  }
}

void SandboxRegistry::Seed() {
  RegNode* folders =
      tree_.Create(RegistryRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders");
  const char* const kFolders[][2] = {
      {"Desktop", "C:\\WINDOWS\\Desktop"},          {"Programs", "C:\\WINDOWS\\Start Menu\\Programs"},
      {"Start Menu", "C:\\WINDOWS\\Start Menu"},    {"Startup", "C:\\WINDOWS\\Start Menu\\Programs\\StartUp"},
      {"AppData", "C:\\WINDOWS\\Application Data"}, {"Fonts", "C:\\WINDOWS\\Fonts"},
  };
  for (const auto& f : kFolders) folders->values.push_back(RegValue{f[0], kRegSz, f[1], {}});
  // The user's own folders, in the profile: kept expanded, which Windows allows as well.
  RegNode* own = tree_.Create(RegistryRoot::CurrentUser,
                              "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders");
  for (const auto& f : kUserShellFolders) own->values.push_back(RegValue{f[0], kRegSz, f[1], {}});
  RegNode* version = tree_.Create(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion");
  version->values.push_back(RegValue{"ProgramFilesDir", kRegSz, "C:\\Program Files", {}});
  version->values.push_back(RegValue{"SystemRoot", kRegSz, "C:\\WINDOWS", {}});
  tree_.Create(RegistryRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  // Where installations for the current user only register, which every such installation shares.
  tree_.Create(RegistryRoot::CurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
}

bool SandboxRegistry::Save() {
  if (ReplaceHostFileDurably(file_, tree_.Export()) == 0) return true;
  // What the file still holds is what the machine has: the change that was not written is undone.
  std::ifstream in(file_, std::ios::binary);
  if (in) {
    tree_ = RegTree();
    tree_.Import(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  }
  return false;
}

std::unique_ptr<RegistryKey> SandboxRegistry::OpenKey(RegistryRoot root, const std::string& path,
                                                      RegistryAccess access) {
  bool write = access == RegistryAccess::ReadWrite;
  if (write && !Writable(root)) return nullptr;
  if (!tree_.Find(root, path)) return nullptr;
  return std::make_unique<SandboxKey>(*this, root, path, write);
}

std::unique_ptr<RegistryKey> SandboxRegistry::CreateKey(RegistryRoot root, const std::string& path) {
  if (!Writable(root) || !StorableName(path)) return nullptr;
  if (!tree_.Find(root, path)) {
    if (!AllowChange()) return nullptr;
    tree_.Create(root, path);
    if (!Save()) return nullptr;
  }
  return std::make_unique<SandboxKey>(*this, root, path, true);
}

bool SandboxRegistry::DeleteKeyTree(RegistryRoot root, const std::string& path) {
  if (!Writable(root) || !tree_.Find(root, path) || SplitKeyPath(path).empty() || !AllowChange()) return false;
  return tree_.Delete(root, path) && Save();
}

}  // namespace vurerode::platform::sandbox
