#include "tools/winget_manifest.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/exception.h"
#include "platform/text.h"
#include "tools/host_paths.h"

namespace vurerode::cli {
namespace fs = std::filesystem;
namespace {

constexpr const char* kManifestVersion = "1.9.0";
constexpr const char* kSchemaBase = "https://aka.ms/winget-manifest.";

// Setup's exit statuses that are not plain success or failure, as winget is to report them.
constexpr struct {
  int status;
  const char* response;
} kExpectedReturnCodes[] = {
    {2, "cancelledByUser"},            // cancelled or declined
    {1618, "installInProgress"},       // another setup is running
    {3010, "rebootRequiredToFinish"},  // done: winget reports success and asks for a restart
};

// The switches winget adds to setup's command line. The paths winget puts in place of the tokens
// are quoted: they may hold spaces, and the command line's quotes go before the program sees it.
constexpr struct {
  const char* name;
  const char* value;
} kSwitches[] = {
    {"Silent", "/SILENT"},
    {"SilentWithProgress", "/SILENT"},
    {"InstallLocation", "/DIR=\"<INSTALLPATH>\""},
    {"Log", "/LOG=\"<LOGPATH>\""},
};

// The installers of a package whose users choose the scope, each with the switch that asks for it.
constexpr struct {
  const char* scope;
  const char* custom;
} kChoices[] = {
    {"user", "/CURRENTUSER"},
    {"machine", "/ALLUSERS"},
};

// The characters winget's patterns refuse in identifiers and versions (besides controls): those a
// file name cannot hold, since the manifests are stored under them.
bool IsNameFault(char32_t c) {
  return c < 0x20 || std::u32string_view(U"\\/:*?\"<>|").find(c) != std::u32string_view::npos;
}

// Whitespace as the schema's regular expressions take \s: the Unicode spaces and line breaks too.
bool IsSpace(char32_t c) {
  return (c >= 0x09 && c <= 0x0D) || c == 0x20 || c == 0x85 || c == 0xA0 || c == 0x1680 ||
         (c >= 0x2000 && c <= 0x200A) || c == 0x2028 || c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000 ||
         c == 0xFEFF;
}

bool AnyChar(std::string_view s, bool (*test)(char32_t)) {
  for (size_t pos = 0; pos < s.size();)
    if (test(platform::NextChar(s, pos))) return true;
  return false;
}

// Lengths as the schema counts them: in characters.
void CheckLength(const std::string& what, const std::string& value, size_t least, size_t most) {
  if (value.empty()) throw Exception("winget needs " + what);
  if (!platform::IsValidUtf8(value)) throw Exception(what + " is not UTF-8 text");
  const size_t n = platform::CharCount(value);
  if (n < least)
    throw Exception(what + " '" + value + "' is too short for winget (at least " + std::to_string(least) +
                    " characters)");
  if (n > most)
    throw Exception(what + " '" + value + "' is too long for winget (at most " + std::to_string(most) + " characters)");
}

void CheckIdentifier(const std::string& id) {
  const std::string what = "[Setup] Package Identifier";
  CheckLength(what, id, 1, 128);
  size_t parts = 0;
  bool fits = !AnyChar(id, IsNameFault) && !AnyChar(id, IsSpace);
  for (size_t start = 0; fits && start <= id.size(); ++parts) {
    const size_t dot = std::min(id.find('.', start), id.size());
    const size_t length = platform::CharCount(std::string_view(id).substr(start, dot - start));
    fits = length >= 1 && length <= 32;
    start = dot + 1;
  }
  if (!fits || parts < 2 || parts > 8)
    throw Exception(what + " '" + id +
                    "' is not a winget identifier: 2 to 8 parts joined by dots (Publisher.Product), each of 1 "
                    "to 32 characters, without spaces or any of \\ / : * ? \" < > |");
}

void CheckVersion(const std::string& version) {
  const std::string what = "[Setup] Display Version";
  CheckLength(what, version, 1, 128);
  if (AnyChar(version, IsNameFault))
    throw Exception(what + " '" + version +
                    "' holds a character winget refuses in a version: a control character or one of \\ / : * ? "
                    "\" < > |");
}

void CheckUrl(const std::string& url) {
  const std::string what = "the installer URL";
  CheckLength(what, url, 1, 2048);
  const std::string scheme = platform::LowerCase(url.substr(0, url.find("://")));
  if ((scheme != "https" && scheme != "http") || url.size() <= scheme.size() + 3)
    throw Exception(what + " '" + url + "' is not one winget takes: it starts with https:// (or http://)");
  if (AnyChar(url, IsSpace) || AnyChar(url, [](char32_t c) { return c < 0x20; }))
    throw Exception(what + " '" + url + "' holds spaces or control characters: write them %-encoded");
}

void CheckSha256(const std::string& digest) {
  if (digest.size() != 64 || digest.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    throw Exception("the installer's SHA-256 '" + digest + "' is not 64 hexadecimal digits");
}

void CheckLocale(const std::string& locale) {
  const std::string what = "the manifest's locale";
  CheckLength(what, locale, 2, 20);
  // language[-region...]: letters only, parts of at most 8, the first of 2 or 3 (or i-/x- and one part).
  size_t start = 0;
  bool fits = true;
  for (size_t part = 0; fits && start <= locale.size(); ++part) {
    const size_t dash = std::min(locale.find('-', start), locale.size());
    const std::string_view p = std::string_view(locale).substr(start, dash - start);
    const bool letters = !p.empty() && p.size() <= 8 && std::all_of(p.begin(), p.end(), [](char c) {
      return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
    const bool privateUse = part == 0 && p.size() == 1 && (p[0] == 'i' || p[0] == 'I' || p[0] == 'x' || p[0] == 'X');
    fits = privateUse || (letters && (part > 0 || (p.size() >= 2 && p.size() <= 3)));
    start = dash + 1;
  }
  if (!fits) throw Exception(what + " '" + locale + "' is not a language tag such as en-US");
}

// A YAML double-quoted scalar: any text the schema allows reads back as itself, whatever it holds
// (':', '#', quotes, a leading '-' or '*', a version that would read as a number, any script).
// Characters YAML may not carry raw or reads as line breaks are escaped.
std::string Quoted(std::string_view s) {
  std::string out = "\"";
  for (size_t pos = 0; pos < s.size();) {
    const size_t start = pos;
    const char32_t c = platform::NextChar(s, pos);
    auto hex = [&](const char* prefix, int digits) {
      static const char kDigits[] = "0123456789ABCDEF";
      out += prefix;
      for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += kDigits[(c >> shift) & 0xF];
    };
    if (c == '"' || c == '\\')
      out += std::string("\\") + static_cast<char>(c);
    else if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else if (c < 0x20 || (c >= 0x7F && c <= 0x9F))
      hex("\\x", 2);
    else if (c == 0x2028 || c == 0x2029 || c == 0xFEFF || c == 0xFFFE || c == 0xFFFF)
      hex("\\u", 4);
    else
      out.append(s.substr(start, pos - start));
  }
  return out + "\"";
}

// One manifest's lines: the schema line winget's own manifests open with, then the fields.
class YamlText {
 public:
  explicit YamlText(const std::string& schema) { text_ = "# yaml-language-server: $schema=" + schema + "\n\n"; }
  // A field whose value is the publisher's text.
  YamlText& Text(const std::string& key, const std::string& value, int indent = 0) {
    return Line(key, Quoted(value), indent);
  }
  // A field whose value is one of the schema's words or a number.
  YamlText& Word(const std::string& key, const std::string& value, int indent = 0) { return Line(key, value, indent); }
  // A field that opens a mapping or a list below it.
  YamlText& Open(const std::string& key) { return Line(key, "", 0); }
  // The first field of a list's next item.
  YamlText& Item(const std::string& key, const std::string& value) {
    text_ += "- " + key + ": " + value + "\n";
    return *this;
  }
  std::string Done(const std::string& type) {
    Word("ManifestType", type);
    Word("ManifestVersion", kManifestVersion);
    return text_;
  }

 private:
  YamlText& Line(const std::string& key, const std::string& value, int indent) {
    text_ += std::string(indent, ' ') + key + ":" + (value.empty() ? "" : " " + value) + "\n";
    return *this;
  }
  std::string text_;
};

std::string Schema(const char* type) {
  return std::string(kSchemaBase) + type + "." + kManifestVersion + ".schema.json";
}

void WriteFile(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << text;
  out.close();
  if (!out) throw Exception("cannot write '" + NativePath(p) + "'");
}

}  // namespace

std::vector<TWingetManifestFile> FormatWingetManifests(const TWingetPackage& p) {
  CheckIdentifier(p.identifier);
  CheckVersion(p.version);
  CheckLength("[Setup] Publisher", p.publisher, 2, 256);
  CheckLength("[Setup] License", p.license, 3, 512);
  // The title is the package's name, its short description and the uninstall entry's name.
  CheckLength("the title", p.name, 3, 256);
  CheckLength("the uninstall entry's key name", p.productCode, 1, 255);
  CheckUrl(p.installerUrl);
  CheckSha256(p.sha256);
  CheckLocale(p.locale);

  auto head = [&](const char* type) {
    YamlText y(Schema(type));
    y.Text("PackageIdentifier", p.identifier).Text("PackageVersion", p.version);
    return y;
  };

  YamlText version = head("version");
  version.Text("DefaultLocale", p.locale);

  // Settings common to every installer stand at the top; an installer carries only its file and,
  // where setup leaves the choice, its scope and the switch that asks for it. Such an installer
  // repeats the switches at the top beside its own, so that it reads the same whether a client
  // merges an installer's switches with those at the top or lets them replace those.
  const bool choose = p.scope == media::TScopeSetting::Choose;
  YamlText installer = head("installer");
  installer.Word("InstallerType", "exe");
  if (!choose) installer.Word("Scope", p.scope == media::TScopeSetting::User ? "user" : "machine");
  installer.Open("InstallerSwitches");
  for (const auto& s : kSwitches) installer.Text(s.name, s.value, 2);
  installer.Open("ExpectedReturnCodes");
  for (const auto& r : kExpectedReturnCodes)
    installer.Item("InstallerReturnCode", std::to_string(r.status)).Word("ReturnResponse", r.response, 2);
  installer.Word("UpgradeBehavior", "install").Text("ProductCode", p.productCode);
  installer.Open("AppsAndFeaturesEntries")
      .Item("DisplayName", Quoted(p.name))
      .Text("Publisher", p.publisher, 2)
      .Text("DisplayVersion", p.version, 2)
      .Text("ProductCode", p.productCode, 2);
  // setup.exe is a 64-bit program.
  installer.Open("Installers");
  const auto file = [&] {
    installer.Text("InstallerUrl", p.installerUrl, 2).Text("InstallerSha256", platform::UpperCase(p.sha256), 2);
  };
  if (!choose) {
    installer.Item("Architecture", "x64");
    file();
  } else {
    for (const auto& [scope, custom] : kChoices) {
      installer.Item("Architecture", "x64").Word("Scope", scope, 2).Word("InstallerSwitches", "", 2);
      for (const auto& s : kSwitches) installer.Text(s.name, s.value, 4);
      installer.Text("Custom", custom, 4);
      file();
    }
  }

  YamlText locale = head("defaultLocale");
  locale.Text("PackageLocale", p.locale)
      .Text("Publisher", p.publisher)
      .Text("PackageName", p.name)
      .Text("License", p.license)
      .Text("ShortDescription", p.name);

  return {{p.identifier + ".yaml", version.Done("version")},
          {p.identifier + ".installer.yaml", installer.Done("installer")},
          {p.identifier + ".locale." + p.locale + ".yaml", locale.Done("defaultLocale")}};
}

void WriteWingetManifests(const TWingetPackage& package, const fs::path& dir) {
  const std::vector<TWingetManifestFile> files = FormatWingetManifests(package);
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) throw Exception("cannot create folder '" + NativePath(dir) + "': " + ec.message());
  // An earlier build's manifests under another identifier or locale would join this package.
  std::vector<fs::path> earlier;
  for (auto it = fs::directory_iterator(dir, ec); !ec && it != fs::directory_iterator(); it.increment(ec))
    if (platform::LowerCase(NativePath(it->path().extension())) == ".yaml") earlier.push_back(it->path());
  for (const fs::path& e : earlier) fs::remove(e, ec);
  for (const TWingetManifestFile& f : files) WriteFile(dir / HostPath(f.name), f.text);
}

}  // namespace vurerode::cli
