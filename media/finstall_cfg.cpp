#include "media/finstall_cfg.h"

#include "media/fields.h"

namespace vurerode::media {

int BaseDirectoryIndex(const std::string& token) {
  for (size_t i = 0; i < kBaseDirectoryNames.size(); ++i)
    if (token == kBaseDirectoryNames[i]) return static_cast<int>(i);
  return -1;
}

TInstallFileEntry ParseInstallFileEntry(const std::string& line) {
  TInstallFileEntry entry;
  std::string& rest = entry.Path;
  rest = line;
  while (rest.find('\t') != std::string::npos) entry.Tokens.push_back(TakeField(rest, '\t'));
  while (rest.find(',') != std::string::npos) entry.Tokens.push_back(TakeField(rest, ','));
  return entry;
}

std::string FormatInstallFileEntry(const TInstallFileEntry& entry) {
  std::string line;
  for (const std::string& token : entry.Tokens) line += token + ",";
  return line + entry.Path;
}

TInstallFileEntry PlaceInstallFile(const std::string& base, const std::vector<std::string>& folders,
                                   const std::string& buildingPath) {
  bool clash = false;
  for (const std::string& f : folders) clash = clash || BaseDirectoryIndex(f) >= 0;
  TInstallFileEntry entry{{base}, buildingPath};
  if (!clash) {
    entry.Tokens.insert(entry.Tokens.end(), folders.begin(), folders.end());
  } else {
    std::string joined;
    for (const std::string& f : folders) joined += f + "\\";
    entry.Tokens.push_back(joined);
  }
  return entry;
}

}  // namespace vurerode::media
