#include "platform/ini_profile.h"

#include <limits>

#include "platform/exception.h"

namespace vurerode::platform {

std::string IniProfile::ResolveFile(const std::string& file) {
  if (IsBareProfileName(file)) return fs_.WindowsDirectory() + "\\" + file;
  return fs_.FullPathName(file);
}

IniProfile::Loaded IniProfile::Load(const std::string& path) {
  // A file that cannot be read counts as empty, as the profile reader reports it.
  if (path.empty() || !fs_.FileExists(path)) return {};
  std::string text;
  try {
    auto in = fs_.OpenFile(path, FileAccess::Read);
    char buf[8192];
    while (size_t got = in->Read(buf, sizeof buf)) text.append(buf, got);
  } catch (const Exception&) {
    return {};
  }
  ProfileText decoded = DecodeProfileText(text);
  return {IniDocument::Parse(decoded.text), decoded.encoding};
}

void IniProfile::Store(const std::string& file, const std::string& path, const IniDocument& doc,
                       ProfileEncoding encoding) {
  try {
    if (path.empty()) throw EIniFileException(file);
    auto out = fs_.CreateFile(path);
    std::string text = EncodeProfileText(doc.Serialize(), encoding);
    out->Write(text.data(), text.size());
  } catch (const EIniFileException&) {
    throw;
  } catch (const Exception&) {
    throw EIniFileException(file);
  }
}

std::string IniProfile::ReadString(const std::string& file, const std::string& section, const std::string& key,
                                   const std::string& defaultValue) {
  auto value = Load(ResolveFile(file)).doc.Read(section, key, kProfileValueBuffer);
  return value ? *value : ProfileDefault(defaultValue, kProfileValueBuffer);
}

std::vector<std::string> IniProfile::ReadKeyNames(const std::string& file, const std::string& section) {
  return Load(ResolveFile(file)).doc.KeyNames(section, kProfileKeyNamesBuffer);
}

std::vector<std::string> IniProfile::ReadAllKeyNames(const std::string& file, const std::string& section) {
  return Load(ResolveFile(file)).doc.KeyNames(section, std::numeric_limits<size_t>::max());
}

std::vector<std::string> IniProfile::ReadSectionNames(const std::string& file) {
  return Load(ResolveFile(file)).doc.SectionNames(kProfileKeyNamesBuffer);
}

void IniProfile::WriteString(const std::string& file, const std::string& section, const std::string& key,
                             const std::string& value) {
  std::string path = ResolveFile(file);
  auto [doc, encoding] = Load(path);
  ProfileEncoding wanted = EncodingForWrite(encoding, {section, key, value});
  if (doc.Write(section, key, value) || wanted != encoding || !fs_.FileExists(path)) Store(file, path, doc, wanted);
}

void IniProfile::WriteStrings(const std::string& file, const std::string& section,
                              const std::vector<std::pair<std::string, std::string>>& entries) {
  std::string path = ResolveFile(file);
  auto [doc, encoding] = Load(path);
  ProfileEncoding wanted = EncodingForWrite(encoding, {section});
  bool changed = false;
  for (const auto& [key, value] : entries) {
    changed |= doc.Write(section, key, value);
    wanted = EncodingForWrite(wanted, {key, value});
  }
  if (changed || wanted != encoding || !fs_.FileExists(path)) Store(file, path, doc, wanted);
}

void IniProfile::DeleteKey(const std::string& file, const std::string& section, const std::string& key) {
  std::string path = ResolveFile(file);
  auto [doc, encoding] = Load(path);
  if (!doc.DeleteKey(section, key)) return;
  try {
    Store(file, path, doc, encoding);
  } catch (const EIniFileException&) {
  }
}

void IniProfile::EraseSection(const std::string& file, const std::string& section) {
  std::string path = ResolveFile(file);
  auto [doc, encoding] = Load(path);
  if (!doc.EraseSection(section)) return;
  try {
    Store(file, path, doc, encoding);
  } catch (const EIniFileException&) {
  }
}

}  // namespace vurerode::platform
