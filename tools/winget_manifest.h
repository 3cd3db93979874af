// `vurerode build --winget URL` describes the single setup.exe to the Windows package manager: the
// three YAML files (version, installer, default locale) a package of the community repository is
// made of, manifest version 1.9.0. The installer manifest tells winget how setup.exe is driven
// without a user (/SILENT, /DIR=, /LOG=), what its exit statuses mean, and which uninstall entry it
// leaves, so that winget can find the installed copy again, and for whom it installs.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "media/install_cfg.h"

namespace vurerode::cli {

struct TWingetPackage {
  std::string identifier;    // [Setup] Package Identifier, e.g. Acme.Writer
  std::string version;       // [Setup] Display Version
  std::string publisher;     // [Setup] Publisher
  std::string license;       // [Setup] License ("Proprietary", "MIT")
  std::string name;          // the title: install.cfg's Text Line 1, the uninstall entry's DisplayName
  std::string installerUrl;  // where setup.exe will be downloaded from
  std::string sha256;        // of the setup.exe at that address, hexadecimal in either case
  std::string productCode;   // the uninstall entry's key name (the title)
  std::string locale = "en-US";
  // [Setup] Scope: machine and user give one installer of that scope; choose gives both, each
  // asking setup for its scope by its switch.
  media::TScopeSetting scope = media::TScopeSetting::Machine;
};

struct TWingetManifestFile {
  std::string name;  // <Identifier>.yaml, <Identifier>.installer.yaml, <Identifier>.locale.<Locale>.yaml
  std::string text;  // UTF-8 without a byte order mark, LF line ends
};

// The three manifests of a package. Raises Exception naming the setting at fault when a value winget
// requires is missing or one it would refuse (the identifier's form, the version's characters, the
// URL's scheme, the digest, the lengths its schema allows).
std::vector<TWingetManifestFile> FormatWingetManifests(const TWingetPackage& package);

// Writes the three manifests into dir (a host path, made when missing); other .yaml files in it are
// removed, since winget reads a folder of manifests as one package. Raises Exception as above, or
// when a file cannot be written.
void WriteWingetManifests(const TWingetPackage& package, const std::filesystem::path& dir);

}  // namespace vurerode::cli
