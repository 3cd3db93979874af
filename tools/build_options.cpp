#include "tools/build_options.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <system_error>
#include <thread>

#include "platform/exception.h"
#include "platform/ini_document.h"
#include "platform/text.h"
#include "segment/seg_records.h"
#include "tools/cli.h"
#include "tools/host_paths.h"
#include "tools/source_date.h"
#include "tools/windows_program.h"

namespace vurerode::cli {
namespace fs = std::filesystem;
namespace {

constexpr const char* kProjectFileName = "vurerode.prj";

fs::path Canonical(const std::string& p) {
  std::error_code ec;
  fs::path c = fs::weakly_canonical(fs::absolute(HostPath(p)), ec);
  return ec ? fs::absolute(HostPath(p)).lexically_normal() : c;
}

// The installer to ship: the Windows setup.exe this build made.
fs::path DefaultSetupProgram() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  return WindowsSetupFor(exe.parent_path());
}

int32_t SegmentSizeOption(const Options& o) {
  auto v = o.Value("--segment-size");
  if (!v) return kDefaultSegSize;
  char* end = nullptr;
  long long n = std::strtoll(v->c_str(), &end, 10);
  if (v->empty() || *end != '\0' || n < kMinSegSize || n > INT32_MAX)
    throw UsageError{"the segment size must be a number of bytes from 16384 to 2147483647, not '" + *v + "'"};
  return static_cast<int32_t>(n);
}

int JobsOption(const Options& o) {
  auto v = o.Value("-j");
  if (auto w = o.Value("--jobs")) v = w;
  if (!v) return static_cast<int>(std::clamp(std::thread::hardware_concurrency(), 1u, 8u));
  char* end = nullptr;
  long n = std::strtol(v->c_str(), &end, 10);
  if (v->empty() || *end != '\0' || n < 1 || n > 64)
    throw UsageError{"--jobs needs a number from 1 to 64, not '" + *v + "'"};
  return static_cast<int>(n);
}

TCompressionMethod MethodOption(const Options& o) {
  // New media use the zstd method; -m lh5 writes streams that LHA tools read.
  TCompressionMethod method = coCustom;
  if (auto m = o.Value("-m")) method = ParseMethod(*m);
  if (auto m = o.Value("--method")) method = ParseMethod(*m);
  return method;
}

// The building machine's path of the folder, without a trailing backslash.
std::string BuildingPathOption(const Options& o, const fs::path& source) {
  std::string as = "C:\\Source\\" + ShippableName(NativePath(source.filename()), source);
  if (auto a = o.Value("--as")) as = *a;
  while (as.size() > 3 && as.back() == '\\') as.pop_back();
  if (!HasDrive(as) || as.size() < 4 || as.find_first_of(",\t") != std::string::npos)
    throw UsageError{"--as needs a Windows path with a drive, like C:\\Work\\App (no commas)"};
  return as;
}

}  // namespace

BuildOptions ReadBuildOptions(const Options& o) {
  if (o.Operands().size() != 2) throw UsageError{"build needs a source folder and an output folder"};
  BuildOptions b;
  b.segmentSize = SegmentSizeOption(o);
  b.method = MethodOption(o);
  b.key = KeyOption(o);
  b.verbose = o.Has("-v") || o.Has("--verbose");
  b.jobs = JobsOption(o);

  b.source = Canonical(o.Operands()[0]);
  b.target = Canonical(o.Operands()[1]);
  if (!fs::is_directory(b.source)) throw UsageError{"'" + o.Operands()[0] + "' is not a folder"};
  if (b.source == b.target || IsBelow(b.source, b.target))
    throw UsageError{"the output folder cannot be the source folder or hold it"};
  b.as = BuildingPathOption(o, b.source);

  if (auto p = o.Value("--project"))
    b.projectFile = Canonical(*p);
  else if (fs::is_regular_file(b.source / kProjectFileName))
    b.projectFile = b.source / kProjectFileName;
  b.signCommand = o.Value("--sign-command");
  b.sourceDate = ParseSourceDateEpoch(std::getenv(kSourceDateVariable));
  b.wingetUrl = o.Value("--winget");
  b.singleFile = o.Has("--single-file") || b.wingetUrl.has_value();
  if (auto s = o.Value("--setup"))
    b.setup = HostPath(*s);
  else
    b.setup = DefaultSetupProgram();
  return b;
}

void CheckSetupProgram(const fs::path& setup) {
  if (setup.empty())
    throw Exception(
        "no Windows setup.exe found in this build (build it with scripts/build-setup.sh, or name one with --setup "
        "FILE)");
  if (!fs::is_regular_file(setup)) throw Exception("cannot read the installer program '" + NativePath(setup) + "'");
  if (!IsWindowsProgram(setup))
    throw Exception("'" + NativePath(setup) + "' is not a Windows program (setup.exe must be the Windows installer)");
}

std::string NameFault(const std::string& name) {
  if (!platform::IsValidUtf8(name)) return "the host gave it bytes that are not UTF-8 text";
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20)
      return "it holds a control character, which Windows does not allow in names";
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos)
      return std::string("it holds '") + c + "', which Windows does not allow in names";
  }
  if (!name.empty() && (name.back() == ' ' || name.back() == '.')) return "it ends with a space or a period";
  // A device name stays one whatever extension follows it.
  std::string stem = platform::UpperCase(name.substr(0, name.find('.')));
  stem.erase(stem.find_last_not_of(' ') + 1);
  const bool numbered =
      stem.size() == 4 && (stem.rfind("COM", 0) == 0 || stem.rfind("LPT", 0) == 0) && stem[3] >= '1' && stem[3] <= '9';
  if (numbered || stem == "CON" || stem == "PRN" || stem == "AUX" || stem == "NUL")
    return "Windows keeps the name " + stem + " for a device";
  if (name.find(',') != std::string::npos) return "it holds a comma, which finstall.cfg cannot carry";
  return {};
}

std::string ShippableName(const std::string& name, const fs::path& where) {
  if (const std::string problem = NameFault(name); !problem.empty())
    throw Exception("cannot ship '" + NativePath(where) + "': " + problem);
  return name;
}

bool IsBelow(const fs::path& p, const fs::path& dir) {
  auto rel = p.lexically_relative(dir);
  return !rel.empty() && *rel.begin() != "..";
}

bool HasDrive(const std::string& p) {
  return p.size() >= 3 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':' && p[2] == '\\';
}

std::string ReadHostFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw Exception("cannot read '" + NativePath(p) + "'");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ProjectText(const std::string& bytes) {
  const bool marked = bytes.rfind("\xFF\xFE", 0) == 0 || bytes.rfind("\xEF\xBB\xBF", 0) == 0;
  if (!marked && platform::IsValidUtf8(bytes)) return bytes;
  return platform::DecodeProfileText(bytes).text;
}

}  // namespace vurerode::cli
