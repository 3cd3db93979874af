// The winget manifests, read back by a YAML reader nobody here wrote and checked against winget's own
// published schemas (../shared/winget-schema-1.9.0 beside the source tree).
#include "tools/winget_manifest.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "platform/exception.h"
#include "support/test_support.h"

namespace vurerode::cli {
namespace {
namespace fs = std::filesystem;

const fs::path kSchemaDir =
    fs::absolute(fs::path(__FILE__).parent_path() / ".." / ".." / ".." / "shared" / "winget-schema-1.9.0");

// Loads each manifest of a folder, validates it against the schema its ManifestType names, and
// writes every scalar it read as "type.Path.To.Field=value" lines. Exit 77: no yaml or jsonschema.
constexpr const char* kChecker = R"(import json, os, sys
try:
    import yaml, jsonschema
except ImportError:
    sys.exit(77)
folder, schemas, out = sys.argv[1:4]
kinds = {'version': 'version', 'installer': 'installer', 'defaultLocale': 'defaultLocale'}
lines, bad = [], 0
def walk(prefix, v):
    if isinstance(v, dict):
        for k in v: walk(prefix + '.' + k, v[k])
    elif isinstance(v, list):
        for i, x in enumerate(v): walk(prefix + '.' + str(i), x)
    else:
        lines.append(prefix + '=' + str(v))
for name in sorted(os.listdir(folder)):
    raw = open(os.path.join(folder, name), 'rb').read()
    if raw.startswith(b'\xef\xbb\xbf') or b'\r' in raw:
        print(name, 'has a byte order mark or CR'); bad = 1
    doc = yaml.safe_load(raw.decode('utf-8'))
    kind = doc['ManifestType']
    schema = json.load(open(os.path.join(schemas, 'manifest.%s.1.9.0.json' % kind), encoding='utf-8'))
    if raw.split(b'\n', 1)[0].decode().lower() != ('# yaml-language-server: $schema=' + schema['$id']).lower():
        print(name, 'does not name its schema'); bad = 1
    for e in jsonschema.Draft7Validator(schema).iter_errors(doc):
        print(name, list(e.path), e.message); bad = 1
    walk(kind, doc)
    lines.append('file.' + kind + '=' + name)
open(out, 'w', encoding='utf-8', newline='\n').write('\n'.join(lines) + '\n')
sys.exit(bad)
)";

TWingetPackage Acme() {
  return {"Acme.Writer",        "1.0",         "Acme Corp",
          "Proprietary",        "Acme Writer", "https://example.com/acme/setup.exe",
          std::string(64, 'a'), "Acme Writer"};
}

// Writes a package's manifests into a scratch folder beside one left by an earlier build, checks
// them against the schema and reads every field back. Exit 77: the checker's modules are missing.
int ReadBack(const TWingetPackage& p, std::map<std::string, std::string>& read) {
  test::ScratchDir scratch;
  const fs::path dir = scratch.path() / "winget";
  fs::create_directories(dir);
  std::ofstream(dir / "Old.Package.yaml") << "left by an earlier build\n";
  WriteWingetManifests(p, dir);
  const fs::path checker = scratch.path() / "check.py", report = scratch.path() / "fields.txt";
  std::ofstream(checker) << kChecker;
  const int rc = test::RunCommand("python3 '" + checker.string() + "' '" + dir.string() + "' '" + kSchemaDir.string() +
                                  "' '" + report.string() + "'");
  std::ifstream in(report);
  for (std::string line; std::getline(in, line);)
    read[line.substr(0, line.find('='))] = line.substr(line.find('=') + 1);
  return rc;
}

bool CanCheck() {
#if defined(_WIN32)
  return false;  // the schema check runs on the building host
#else
  return fs::is_directory(kSchemaDir) && test::HaveProgram("python3");
#endif
}

TEST(WingetManifest, ReadsBackAsWrittenAndMeetsTheSchema) {
  if (!CanCheck()) GTEST_SKIP() << "no python3 or no schemas at " << kSchemaDir;
  const std::string title = "Writer: \"Pro\" #1 \xE2\x80\x94 \xE6\x97\xA5\xE6\x9C\xAC 'édition' \\ \xF0\x9F\x8E\x89";
  std::vector<TWingetPackage> packages = {Acme(), Acme(), Acme()};
  // Any script, YAML's own punctuation, an address with a query and a fragment.
  packages[1] = {"Ærø.Skrivær.Beta",
                 "2024.10-rc1 (build #7)",
                 "- Acme & *Co*",
                 "MIT",
                 title,
                 "HTTPS://example.com/dl?a=1&b=2#x:y",
                 "0123456789ABCDEFabcdef" + std::string(42, '0'),
                 title,
                 "de-DE"};
  // Words a YAML reader would take for a number, a boolean or nothing.
  packages[2] = {"007.1e3", "007",      "no", "null", "{Acme} [Writer]", "http://x", std::string(64, '9'),
                 "on",      "x-klingon"};

  for (const TWingetPackage& p : packages) {
    SCOPED_TRACE(p.identifier);
    std::map<std::string, std::string> read;
    const int rc = ReadBack(p, read);
    if (rc == 77) GTEST_SKIP() << "python3 has no yaml or jsonschema module";
    ASSERT_EQ(rc, 0);
    std::string upperSha = p.sha256;
    for (char& c : upperSha) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    const std::map<std::string, std::string> expected = {
        {"file.version", p.identifier + ".yaml"},
        {"file.installer", p.identifier + ".installer.yaml"},
        {"file.defaultLocale", p.identifier + ".locale." + p.locale + ".yaml"},
        {"version.PackageVersion", p.version},
        {"installer.Installers.0.InstallerUrl", p.installerUrl},
        {"installer.Installers.0.InstallerSha256", upperSha},
        {"installer.ProductCode", p.productCode},
        {"installer.AppsAndFeaturesEntries.0.DisplayName", p.name},
        {"installer.AppsAndFeaturesEntries.0.Publisher", p.publisher},
        {"installer.InstallerSwitches.InstallLocation", "/DIR=\"<INSTALLPATH>\""},
        {"installer.ExpectedReturnCodes.2.InstallerReturnCode", "3010"},
        {"defaultLocale.PackageName", p.name},
        {"defaultLocale.License", p.license},
    };
    for (const auto& [field, value] : expected) EXPECT_EQ(read[field], value) << field;
  }
}

// Who the installers are for: one of the scope setup installs for, or, where the user chooses, one
// of each, asking for its scope by its switch beside those every installer has.
TEST(WingetManifest, TheScopeGivesOneInstallerOrOneOfEach) {
  if (!CanCheck()) GTEST_SKIP() << "no python3 or no schemas at " << kSchemaDir;
  const struct {
    media::TScopeSetting scope;
    std::map<std::string, std::string> fields;  // "" for a field that must be missing
  } cases[] = {
      {media::TScopeSetting::Machine,
       {{"installer.Scope", "machine"},
        {"installer.Installers.0.Scope", ""},
        {"installer.Installers.1.InstallerUrl", ""}}},
      {media::TScopeSetting::User, {{"installer.Scope", "user"}, {"installer.Installers.1.InstallerUrl", ""}}},
      {media::TScopeSetting::Choose,
       {{"installer.Scope", ""},
        {"installer.Installers.0.Scope", "user"},
        {"installer.Installers.0.InstallerSwitches.Custom", "/CURRENTUSER"},
        {"installer.Installers.0.InstallerUrl", Acme().installerUrl},
        {"installer.Installers.1.Scope", "machine"},
        {"installer.Installers.1.InstallerSwitches.Custom", "/ALLUSERS"},
        {"installer.Installers.1.InstallerSha256", std::string(64, 'A')},
        {"installer.InstallerSwitches.Silent", "/SILENT"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.scope));
    TWingetPackage p = Acme();
    p.scope = c.scope;
    std::map<std::string, std::string> read;
    const int rc = ReadBack(p, read);
    if (rc == 77) GTEST_SKIP() << "python3 has no yaml or jsonschema module";
    ASSERT_EQ(rc, 0);
    for (const auto& [field, value] : c.fields) EXPECT_EQ(read[field], value) << field;
  }
}

// The schema's limits: what is refused names the setting, what it allows passes.
TEST(WingetManifest, RefusesWhatWingetWould) {
  const struct {
    void (*change)(TWingetPackage&);
    const char* refusal;  // empty: accepted
  } cases[] = {
      {[](TWingetPackage& p) { p.identifier.clear(); }, "winget needs [Setup] Package Identifier"},
      {[](TWingetPackage& p) { p.identifier = "AcmeWriter"; }, "Package Identifier 'AcmeWriter'"},
      {[](TWingetPackage& p) { p.identifier = "Acme .Writer"; }, "Package Identifier"},
      {[](TWingetPackage& p) { p.identifier = "Acme..Writer"; }, "Package Identifier"},
      {[](TWingetPackage& p) { p.identifier = "Acme:Corp.Writer"; }, "Package Identifier"},
      {[](TWingetPackage& p) { p.identifier = "A.B.C.D.E.F.G.H.I"; }, "Package Identifier"},
      {[](TWingetPackage& p) { p.identifier = "A." + std::string(33, 'p'); }, "Package Identifier"},
      {[](TWingetPackage& p) {
         p.identifier =
             "Acme\xC2\xA0"
             "Corp.Writer";
       },
       "Package Identifier"},
      {[](TWingetPackage& p) { p.identifier = "A.B.C.D.E.F.G.H"; }, ""},
      {[](TWingetPackage& p) { p.identifier = "A." + std::string(32, 'p'); }, ""},
      {[](TWingetPackage& p) { p.version = "1/2"; }, "Display Version '1/2'"},
      {[](TWingetPackage& p) { p.version.clear(); }, "winget needs [Setup] Display Version"},
      {[](TWingetPackage& p) { p.installerUrl = "ftp://example.com/setup.exe"; }, "installer URL"},
      {[](TWingetPackage& p) { p.installerUrl = "https://example.com/my setup.exe"; }, "installer URL"},
      {[](TWingetPackage& p) { p.sha256 = "abc"; }, "SHA-256 'abc'"},
      {[](TWingetPackage& p) { p.publisher.clear(); }, "winget needs [Setup] Publisher"},
      {[](TWingetPackage& p) { p.license = "X"; }, "[Setup] License 'X' is too short"},
      {[](TWingetPackage& p) { p.name = "Go"; }, "the title 'Go' is too short"},
      {[](TWingetPackage& p) { p.name = std::string(257, 'n'); }, "too long"},
      {[](TWingetPackage& p) { p.name = "Acme \xFF"; }, "not UTF-8"},
      {[](TWingetPackage& p) { p.locale = "english"; }, "locale"},
  };
  for (const auto& c : cases) {
    TWingetPackage p = Acme();
    c.change(p);
    SCOPED_TRACE(p.identifier + " " + p.version + " " + p.installerUrl + " " + p.name);
    if (!*c.refusal) {
      EXPECT_NO_THROW(FormatWingetManifests(p));
      continue;
    }
    try {
      FormatWingetManifests(p);
      ADD_FAILURE() << "accepted; expected: " << c.refusal;
    } catch (const Exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.refusal), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace vurerode::cli
