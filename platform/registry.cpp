#include "platform/registry.h"

#include "platform/exception.h"

namespace vurerode::platform {
namespace {

struct RootEntry {
  RegistryRoot root;
  const char* name;
};
constexpr RootEntry kRoots[] = {
    {RegistryRoot::ClassesRoot, "HKEY_CLASSES_ROOT"},     {RegistryRoot::CurrentUser, "HKEY_CURRENT_USER"},
    {RegistryRoot::LocalMachine, "HKEY_LOCAL_MACHINE"},   {RegistryRoot::Users, "HKEY_USERS"},
    {RegistryRoot::CurrentConfig, "HKEY_CURRENT_CONFIG"},
};

}  // namespace

const char* RootName(RegistryRoot root) {
  for (const RootEntry& e : kRoots)
    if (e.root == root) return e.name;
  return "";
}

std::optional<RegistryRoot> RootFromName(std::string_view name) {
  for (const RootEntry& e : kRoots)
    if (name == e.name) return e.root;
  return std::nullopt;
}

std::optional<RegistryValueData> RegistryKey::ReadValue(const std::string& name) {
  try {
    if (auto text = ReadString(name)) {
      RegistryValueData v{kRegTypeSz, std::vector<uint8_t>(text->begin(), text->end())};
      v.data.push_back(0);
      return v;
    }
    return std::nullopt;
  } catch (const ERegistryException&) {
  }
  if (auto number = ReadInteger(name))
    return RegistryValueData{kRegTypeDword,
                             {static_cast<uint8_t>(*number), static_cast<uint8_t>(*number >> 8),
                              static_cast<uint8_t>(*number >> 16), static_cast<uint8_t>(*number >> 24)}};
  return std::nullopt;
}

void RegistryKey::WriteValue(const std::string& name, const RegistryValueData& value) {
  if ((value.type == kRegTypeSz || value.type == kRegTypeExpandSz)) {
    std::string text(value.data.begin(), value.data.end());
    if (!text.empty() && text.back() == '\0') text.pop_back();
    WriteString(name, text);
  } else if (value.type == kRegTypeDword && value.data.size() == 4) {
    WriteInteger(name, static_cast<uint32_t>(value.data[0] | value.data[1] << 8 | value.data[2] << 16 |
                                             uint32_t{value.data[3]} << 24));
  } else {
    throw ERegistryException::SetDataFailed(name);
  }
}

}  // namespace vurerode::platform
