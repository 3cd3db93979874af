#include "platform/registry.h"

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

}  // namespace vurerode::platform
