#include "install/uninstall_log.h"

#include "platform/exception.h"
#include "platform/text.h"
#include "platform/windows_path.h"

namespace vurerode::setup {

void TUninstallLog::Create(platform::FileSystem& fs, const std::string& dir) {
  path_ = dir + media::kUninstallLogFile;
  fs.DeleteFile(path_);
}

void TUninstallLog::AddEntry(const std::string& section, const std::string& key) {
  profile_.WriteString(path_, section, key, "");
}

void TUninstallLog::AddEntries(const std::string& section, const std::vector<std::string>& keys) {
  std::vector<std::pair<std::string, std::string>> entries;
  for (const std::string& key : keys) entries.emplace_back(key, "");
  profile_.WriteStrings(path_, section, entries);
}

void TUninstallLog::SetTitle(const std::string& title) {
  profile_.WriteString(path_, media::kUninstallNameSection, media::kUninstallTitleKey, title);
}

void TUninstallLog::SetFormat(const std::string& format) {
  profile_.WriteString(path_, media::kUninstallNameSection, media::kUninstallFormatKey, format);
}

std::string TUninstallLog::ReadFormat() {
  return profile_.ReadString(path_, media::kUninstallNameSection, media::kUninstallFormatKey, "");
}

std::vector<std::string> TUninstallLog::ReadEntries(const std::string& section) {
  // A large installation's log outgrows the usual 16384-byte buffer: every entry is read.
  return profile_.ReadAllKeyNames(path_, section);
}

std::string TUninstallLog::ReadTitle() {
  return profile_.ReadString(path_, media::kUninstallNameSection, media::kUninstallTitleKey, "");
}

void RegisterUninstall(platform::Platform& platform, const TUninstallRegistration& r) {
  auto key = platform.registry().CreateKey(r.Root, "\\" + std::string(media::kUninstallKey) + r.Title);
  if (!key) return;
  const std::string program = r.InstallDir + "setup.exe";
  key->WriteString("DisplayName", r.Title);
  key->WriteString("UninstallString", media::UninstallCommand(program, r.Title));
  key->WriteString("QuietUninstallString", media::QuietUninstallCommand(program, r.Title));
  key->WriteString(media::kInstallLocationValue, r.InstallDir);
  key->WriteString("DisplayIcon", r.DisplayIcon);
  key->WriteInteger("EstimatedSize", r.EstimatedSizeKB);
  // Installed over an earlier version, the entry shows nothing of it that this one does not say.
  if (!r.DisplayVersion.empty())
    key->WriteString("DisplayVersion", r.DisplayVersion);
  else
    key->DeleteValue("DisplayVersion");
  if (!r.Publisher.empty())
    key->WriteString("Publisher", r.Publisher);
  else
    key->DeleteValue("Publisher");
}

std::string ReadUninstallString(platform::Platform& platform, const std::string& title, platform::RegistryRoot root) {
  try {
    auto key = platform.registry().OpenKey(root, media::kUninstallKey + title, platform::RegistryAccess::Read);
    return key ? key->ReadString("UninstallString").value_or("") : std::string();
  } catch (const Exception&) {
    return {};  // a value of another type names no program
  }
}

TRecordedInstallation ReadRecordedInstallation(platform::Platform& platform, const std::string& title,
                                               platform::RegistryRoot root) {
  TRecordedInstallation recorded;
  try {
    auto key = platform.registry().OpenKey(root, media::kUninstallKey + title, platform::RegistryAccess::Read);
    if (!key) return recorded;
    recorded.InstallLocation = key->ReadString(media::kInstallLocationValue).value_or("");
    recorded.LogDigest = key->ReadString(media::kLogDigestValue).value_or("");
  } catch (const Exception&) {
    // A value of another type records nothing.
  }
  return recorded;
}

void RecordLogDigest(platform::Platform& platform, const std::string& title, const std::string& digest,
                     platform::RegistryRoot root) {
  auto key = platform.registry().OpenKey(root, media::kUninstallKey + title, platform::RegistryAccess::ReadWrite);
  if (key) key->WriteString(media::kLogDigestValue, digest);
}

platform::RegistryRoot UninstallEntryRoot(platform::Platform& platform, const std::string& title,
                                          const std::string& installDir) {
  const auto has = [&](platform::RegistryRoot root) {
    return platform.registry().OpenKey(root, media::kUninstallKey + title, platform::RegistryAccess::Read) != nullptr;
  };
  if (title.empty()) return platform::RegistryRoot::LocalMachine;
  if (has(platform::RegistryRoot::LocalMachine)) {
    const std::string location = ReadRecordedInstallation(platform, title).InstallLocation;
    if (location.empty() || platform::SameText(platform::IncludeTrailingBackslash(location),
                                               platform::IncludeTrailingBackslash(installDir)))
      return platform::RegistryRoot::LocalMachine;
  }
  return has(platform::RegistryRoot::CurrentUser) ? platform::RegistryRoot::CurrentUser
                                                  : platform::RegistryRoot::LocalMachine;
}

}  // namespace vurerode::setup
