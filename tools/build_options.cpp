#include "tools/build_options.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <thread>

#include "platform/text.h"
#include "platform/exception.h"
#include "segment/seg_records.h"
#include "tools/cli.h"
#include "tools/windows_program.h"

namespace vurerode::cli {
namespace fs = std::filesystem;
namespace {

constexpr const char* kProjectFileName = "vurerode.prj";

fs::path Canonical(const std::string& p) {
  std::error_code ec;
  fs::path c = fs::weakly_canonical(fs::absolute(p), ec);
  return ec ? fs::absolute(p).lexically_normal() : c;
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
  TCompressionMethod method = coLZH5;
  if (auto m = o.Value("-m")) method = ParseMethod(*m);
  if (auto m = o.Value("--method")) method = ParseMethod(*m);
  return method;
}

// The building machine's path of the folder, without a trailing backslash.
std::string BuildingPathOption(const Options& o, const fs::path& source) {
  std::string as = "C:\\Source\\" + ShippableName(source.filename().string(), source);
  if (auto a = o.Value("--as")) as = ToAnsi(*a);
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
  if (auto s = o.Value("--setup"))
    b.setup = *s;
  else
    b.setup = DefaultSetupProgram();
  return b;
}

void CheckSetupProgram(const fs::path& setup) {
  if (setup.empty())
    throw Exception(
        "no Windows setup.exe found in this build (build it with scripts/build-setup.sh, or name one with --setup "
        "FILE)");
  if (!fs::is_regular_file(setup)) throw Exception("cannot read the installer program '" + setup.string() + "'");
  if (!IsWindowsProgram(setup))
    throw Exception("'" + setup.string() + "' is not a Windows program (setup.exe must be the Windows installer)");
}

std::string ShippableName(const std::string& utf8, const fs::path& where) {
  std::string ansi = platform::Utf8ToCp1252(utf8);
  std::string problem;
  if (platform::Cp1252ToUtf8(ansi) != utf8) problem = "it holds characters the Windows-1252 code page lacks";
  for (char c : ansi)
    if (static_cast<unsigned char>(c) < 32 || std::string("<>:\"\\|?*").find(c) != std::string::npos)
      problem = "it holds a character Windows does not allow in names";
  if (ansi.find(',') != std::string::npos) problem = "it holds a comma, which finstall.cfg cannot carry";
  if (!ansi.empty() && (ansi.back() == ' ' || ansi.back() == '.')) problem = "it ends with a space or a period";
  if (!problem.empty()) throw Exception("cannot ship '" + where.string() + "': " + problem);
  return ansi;
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
  if (!in) throw Exception("cannot read '" + p.string() + "'");
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ToAnsi(const std::string& text) {
  std::string ansi = platform::Utf8ToCp1252(text);
  return platform::Cp1252ToUtf8(ansi) == text ? ansi : text;
}

}  // namespace vurerode::cli
