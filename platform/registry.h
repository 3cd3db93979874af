// The registry half of the seam. Key paths are backslash separated; a leading backslash means "from
// the root" and is ignored. Names are compared without regard to case and keep the case they were
// created with.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vurerode::platform {

enum class RegistryRoot { ClassesRoot, CurrentUser, LocalMachine, Users, CurrentConfig };

// "HKEY_LOCAL_MACHINE" and so on.
const char* RootName(RegistryRoot root);
// The root a full name stands for (exact upper-case names, as the registry editor writes them).
std::optional<RegistryRoot> RootFromName(std::string_view name);

enum class RegistryAccess { Read, ReadWrite };

// Registry value types (the Windows REG_ numbers).
enum : uint32_t { kRegTypeSz = 1, kRegTypeExpandSz = 2, kRegTypeBinary = 3, kRegTypeDword = 4, kRegTypeMultiSz = 7 };

// A value of any type exactly as the registry holds it: its type and its bytes as RegQueryValueEx
// returns them (a string with its terminating zero). What an installation saves before it changes
// a value, so that a rollback puts back what was there whatever its type.
struct RegistryValueData {
  uint32_t type = 0;
  std::vector<uint8_t> data;
  bool operator==(const RegistryValueData&) const = default;
};

// An open key; closing it (destruction) releases the handle.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // A string value (plain or expandable); nullopt when there is no such value. A value of another
  // type raises ERegistryException "Invalid data type for '%s'". The empty name is the default value.
  virtual std::optional<std::string> ReadString(const std::string& name) = 0;
  // Writes a string value; raises ERegistryException "Failed to set data for '%s'" when refused.
  virtual void WriteString(const std::string& name, const std::string& value) = 0;
  // A DWORD value; nullopt when there is no such value, ERegistryException "Invalid data type for
  // '%s'" for a value of another type.
  virtual std::optional<uint32_t> ReadInteger(const std::string& name) = 0;
  // Writes a DWORD value; raises ERegistryException "Failed to set data for '%s'" when refused.
  virtual void WriteInteger(const std::string& name, uint32_t value) = 0;
  // A value of any type; nullopt when there is no such value. This default knows strings and
  // DWORDs only; implementations override it with the exact bytes.
  virtual std::optional<RegistryValueData> ReadValue(const std::string& name);
  // Writes a value of any type; raises ERegistryException "Failed to set data for '%s'" when
  // refused. This default writes strings and DWORDs only.
  virtual void WriteValue(const std::string& name, const RegistryValueData& value);
  // False when there was no such value or it could not be deleted.
  virtual bool DeleteValue(const std::string& name) = 0;
  virtual std::vector<std::string> SubKeyNames() = 0;
  virtual std::vector<std::string> ValueNames() = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens an existing key without creating it; nullptr when it does not exist or is refused.
  virtual std::unique_ptr<RegistryKey> OpenKey(RegistryRoot root, const std::string& path, RegistryAccess access) = 0;
  // Opens a key for writing, creating it and every missing parent; nullptr when that is refused.
  virtual std::unique_ptr<RegistryKey> CreateKey(RegistryRoot root, const std::string& path) = 0;
  // Deletes a key with all its sub-keys (deepest first). False when it does not exist, names a root,
  // or any part of it could not be deleted.
  virtual bool DeleteKeyTree(RegistryRoot root, const std::string& path) = 0;
};

}  // namespace vurerode::platform
