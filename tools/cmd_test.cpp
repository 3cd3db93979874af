#include <iostream>

#include "archive/compress.h"
#include "archive/zstd_method.h"
#include "platform/exception.h"
#include "tools/cli.h"
#include "tools/discarding_file_system.h"
#include "tools/options.h"
#include "tools/progress.h"
#include "tools/set_support.h"

namespace vurerode::cli {

const char* const kTestHelp =
    "usage: vurerode test [-k KEY] [-v] ARCHIVE|SET\n"
    "\n"
    "Decodes every entry and verifies its checksum (and key) without writing files.\n"
    "A SET is named by one of its segment files (disk.001); every file it lists is tested,\n"
    "and the SHA256SUMS beside it, when there is one, is checked as sha256sum -c would.\n"
    "A setup.exe that carries the set (single-file media) is named instead: its own SHA-256\n"
    "is checked first, then the set inside it as above.\n"
    "\n"
    "  -k, --key KEY   the key locked entries were written with\n"
    "  -v, --verbose   name each entry as it passes\n";

int RunTest(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o(args, {"-k", "--key"}, {"-v", "--verbose"});
  if (o.Help()) {
    out << kTestHelp;
    return kExitOk;
  }
  if (o.Operands().size() != 1) throw UsageError{"test needs exactly one archive or set"};
  const bool verbose = o.Has("-v") || o.Has("--verbose");
  const std::string archive = o.Operands()[0];
  if (auto set = FindSetOperand(archive)) return TestSet(*set, KeyOption(o), verbose, out, err);

  NativeFileSystem native;
  TArchiveList entries;
  {
    TCompress lister(native);
    UseZstdMethod(lister);
    lister.ListArchiveFile(archive, entries);
  }
  int64_t total = 0;
  for (const auto& e : entries) total += e.Info.CompressedSize > 0 ? e.Info.CompressedSize : 0;

  DiscardingFileSystem files;
  TCompress compress(files);
  UseZstdMethod(compress);
  compress.Key = KeyOption(o);
  compress.YieldToOtherThreads = false;  // the tool has no window to keep alive
  ProgressBar bar(err, "testing", total);
  std::string current;
  size_t index = 0;
  int64_t doneBefore = 0;
  compress.OnCheckFile = [&](std::string& path, TCProcessMode) {
    if (!current.empty() && verbose) {
      bar.Clear();
      out << "OK   " << current << '\n';
    }
    if (index > 0) doneBefore += entries[index - 1].Info.CompressedSize;
    current = index < entries.size() ? entries[index].Name : path;
    ++index;
  };
  compress.OnShowProgress = [&](int32_t& percent) {
    int64_t size = index > 0 && index <= entries.size() ? entries[index - 1].Info.CompressedSize : 0;
    bar.Update(doneBefore + size * (percent < 0 ? 0 : percent) / 100);
  };
  try {
    compress.ExpandArchiveFile(archive);
  } catch (const Exception& e) {
    bar.Clear();
    err << "vurerode: " << archive << (current.empty() ? "" : ": " + current) << ": " << e.what() << '\n';
    return kExitFailure;
  }
  bar.Clear();
  if (verbose && !current.empty()) out << "OK   " << current << '\n';
  out << archive << ": " << entries.size() << (entries.size() == 1 ? " entry" : " entries") << " OK\n";
  return kExitOk;
}

}  // namespace vurerode::cli
