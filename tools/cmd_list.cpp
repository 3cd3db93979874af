#include <cstdio>
#include <iostream>

#include "archive/compress.h"
#include "archive/zstd_method.h"
#include "tools/archive_entries.h"
#include "tools/cli.h"
#include "tools/native_file_system.h"
#include "tools/options.h"
#include "tools/set_support.h"

namespace vurerode::cli {

const char* const kListHelp =
    "usage: vurerode list [-k KEY] ARCHIVE|SET\n"
    "\n"
    "Prints one line per entry: original and compressed size, ratio, method, date,\n"
    "attributes (R read-only, H hidden, S system, A archive), 'locked' for entries that\n"
    "need a key, and the name.\n"
    "\n"
    "A SET is named by one of its segment files (disk.001), or by the setup.exe that carries\n"
    "it (single-file media): each archive of the set is listed under its template, with its\n"
    "entries' paths on the building machine.\n"
    "\n"
    "  -k, --key KEY   accepted for symmetry with the other commands; listing needs no key\n";

int RunList(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o(args, {"-k", "--key"}, {});
  if (o.Help()) {
    out << kListHelp;
    return kExitOk;
  }
  if (o.Operands().size() != 1) throw UsageError{"list needs exactly one archive or set"};
  KeyOption(o);  // validated, not needed
  if (auto set = FindSetOperand(o.Operands()[0])) return ListSet(*set, out, err);

  NativeFileSystem files;
  TCompress compress(files);
  UseZstdMethod(compress);
  TArchiveList entries;
  compress.ListArchiveFile(o.Operands()[0], entries);

  char line[160];
  out << "    Original      Packed  Ratio Method Date                Attr Lock   Name\n";
  int64_t original = 0, packed = 0;
  for (const TListedEntry& e : entries) {
    const TCompressedFileInfo& i = e.Info;
    std::snprintf(line, sizeof line, "%12d %11d %s %-6s %s %s %-6s ", i.OriginalSize, i.CompressedSize,
                  RatioText(i.OriginalSize, i.CompressedSize).c_str(), MethodName(i.Method, compress.ArchiveMethodId()).c_str(),
                  DosDateText(static_cast<uint32_t>(i.FileDate)).c_str(), AttributeText(i.Attributes).c_str(),
                  i.Locked ? "locked" : "");
    out << line << e.Name << '\n';
    original += i.OriginalSize;
    packed += i.CompressedSize;
  }
  std::snprintf(line, sizeof line, "%12lld %11lld %s %zu %s\n", static_cast<long long>(original),
                static_cast<long long>(packed), RatioText(original, packed).c_str(), entries.size(),
                entries.size() == 1 ? "entry" : "entries");
  out << "------------ ----------- ------\n" << line;
  return kExitOk;
}

}  // namespace vurerode::cli
