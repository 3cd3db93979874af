#include <algorithm>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "archive/compress.h"
#include "archive/zstd_method.h"
#include "platform/exception.h"
#include "tools/cli.h"
#include "tools/host_paths.h"
#include "tools/native_file_system.h"
#include "tools/options.h"
#include "tools/progress.h"

namespace vurerode::cli {
namespace fs = std::filesystem;

const char* const kPackHelp =
    "usage: vurerode pack [-m none|rle|lzh|lh5|zstd] [-k KEY] [-v] ARCHIVE PATH...\n"
    "\n"
    "Creates ARCHIVE from the files and folders named (folders recursively). Each entry is\n"
    "named by its path as given, relative, with '/' turned into '\\'.\n"
    "\n"
    "  -m, --method METHOD  none, rle, lzh, lh5 or zstd (default lh5); files that would not\n"
    "                       shrink are stored\n"
    "  -k, --key KEY        lock the entries with this 32-bit number; expanding them\n"
    "                       needs the same key\n"
    "  -v, --verbose        name each file as it is packed\n";

namespace {

struct Member {
  TArchiveMember member;
  int64_t size;
};

void AddFile(const fs::path& file, const std::string& name, std::vector<Member>& out) {
  std::error_code ec;
  auto size = fs::file_size(file, ec);
  if (ec) throw Exception("cannot read '" + NativePath(file) + "': " + ec.message());
  out.push_back({{NativePath(file), name}, static_cast<int64_t>(size)});
}

std::vector<Member> CollectMembers(const std::vector<std::string>& paths, const fs::path& archive) {
  std::vector<Member> members;
  std::error_code ec;
  const fs::path archiveCanonical = fs::weakly_canonical(archive, ec);
  for (const std::string& operand : paths) {
    const std::string base = EntryNameFor(operand);
    const fs::path root = HostPath(operand);
    auto status = fs::status(root, ec);
    if (ec || !fs::exists(status)) throw Exception("cannot read '" + operand + "': no such file or folder");
    if (fs::is_regular_file(status)) {
      if (base.empty()) throw UsageError{"'" + operand + "' names no file"};
      AddFile(root, base, members);
      continue;
    }
    if (!fs::is_directory(status)) throw Exception("cannot pack '" + operand + "': not a file or folder");
    std::vector<std::pair<std::string, fs::path>> found;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
      if (!it->is_regular_file()) continue;
      if (fs::weakly_canonical(it->path(), ec) == archiveCanonical) continue;  // never pack the archive itself
      std::string rel = NativePath(fs::relative(it->path(), root));
      std::replace(rel.begin(), rel.end(), '/', '\\');
      found.emplace_back(base.empty() ? rel : base + "\\" + rel, it->path());
    }
    if (ec) throw Exception("cannot read folder '" + operand + "': " + ec.message());
    std::sort(found.begin(), found.end());
    for (auto& [name, file] : found) AddFile(file, name, members);
  }
  return members;
}

}  // namespace

int RunPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Options o(args, {"-m", "--method", "-k", "--key"}, {"-v", "--verbose"});
  if (o.Help()) {
    out << kPackHelp;
    return kExitOk;
  }
  if (o.Operands().size() < 2) throw UsageError{"pack needs an archive and at least one path"};
  TCompressionMethod method = coLZH5;
  if (auto m = o.Value("-m")) method = ParseMethod(*m);
  if (auto m = o.Value("--method")) method = ParseMethod(*m);
  const int32_t key = KeyOption(o);
  const bool verbose = o.Has("-v") || o.Has("--verbose");
  const std::string archive = o.Operands()[0];
  std::vector<std::string> paths(o.Operands().begin() + 1, o.Operands().end());

  std::vector<Member> members = CollectMembers(paths, HostPath(archive));
  std::vector<TArchiveMember> list;
  int64_t total = 0;
  for (const Member& m : members) {
    list.push_back(m.member);
    total += m.size;
  }

  NativeFileSystem files;
  TCompress compress(files);
  UseZstdMethod(compress);
  compress.Key = key;
  compress.YieldToOtherThreads = false;  // the tool has no window to keep alive
  ProgressBar bar(err, "packing", total);
  size_t current = 0;
  int64_t doneBefore = 0;
  bool started = false;
  compress.OnCheckFile = [&](std::string&, TCProcessMode) {
    if (started) doneBefore += members[current++].size;
    started = true;
    if (verbose) {
      bar.Clear();
      out << members[current].member.EntryName << '\n';
    }
  };
  compress.OnShowProgress = [&](int32_t& percent) {
    bar.Update(doneBefore + members[current].size * std::clamp(percent, 0, 100) / 100);
  };

  // Write beside the target and move into place only when complete: a failed run leaves any
  // earlier archive of that name as it was.
  const std::string partial = archive + ".partial";
  const fs::path hostPartial = HostPath(partial);
  try {
    auto file = files.CreateFile(partial);
    compress.CompressToStream(*file, list, method);
  } catch (...) {
    std::error_code ec;
    fs::remove(hostPartial, ec);
    throw;
  }
  std::error_code ec;
  fs::rename(hostPartial, HostPath(archive), ec);
  if (ec) {
    fs::remove(hostPartial, ec);
    throw Exception("cannot write '" + archive + "': " + ec.message());
  }
  return kExitOk;
}

}  // namespace vurerode::cli
