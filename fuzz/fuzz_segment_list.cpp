// List files: arbitrary bytes as a list file (with a record length from the input) inside an
// otherwise sound set, or as the list data itself. The names the reader reports must be exactly
// the records cut at their first zero with trailing spaces removed, read as Windows-1252 (the set
// does not mark its names as UTF-8).
#include <cstddef>
#include <cstdint>

#include "archive/compress.h"
#include "fuzz/fuzz_segment_support.h"
#include "platform/text.h"

using namespace vurerode;
using namespace vurerode::fuzz;

namespace {

std::vector<uint8_t> Archive(const std::string& name, const std::vector<uint8_t>& body) {
  MemoryFileSystem scratch;
  TCompress compress(scratch);
  TMemoryStream archive;
  auto header = MakeArchiveHeader("NON", caMulti, static_cast<int32_t>(body.size()), 0).Pack();
  archive.Write(header.data(), header.size());
  TMemoryStream source(body);
  compress.AppendEntry(archive, source, static_cast<int32_t>(body.size()), name, 0, platform::faArchive, coNone);
  return archive.data();
}

void Append(std::vector<uint8_t>& out, const uint8_t* p, size_t n) {
  out.insert(out.end(), p, p + n);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const bool rawListData = data[0] & 1;
  const int32_t recordLength = static_cast<int32_t>(data[1] | (data[2] & 0x3F) << 8) - ((data[0] & 2) ? 1 : 0);
  const std::vector<uint8_t> body(data + 3, data + size);
  const std::vector<uint8_t> listData = rawListData ? body : Archive("files.lst", body);

  std::vector<uint8_t> stream;
  TSetHeader set;
  set.Id = kSetHeaderId;
  set.ArchiveCount = 1;
  auto s = set.Pack();
  Append(stream, s.data(), s.size());
  const std::string templ = "C:\\OUT\\*.*";
  TScanRecord scan;
  scan.Id = kScanId;
  scan.TemplateLength = static_cast<uint16_t>(templ.size());
  scan.ListRecordLength = recordLength;
  scan.ListDataSize = static_cast<int32_t>(listData.size());
  auto r = scan.Pack();
  Append(stream, r.data(), r.size());
  Append(stream, reinterpret_cast<const uint8_t*>(templ.data()), templ.size());
  Append(stream, listData.data(), listData.size());
  const std::vector<uint8_t> empty = Archive("x", {});
  TSegArcHeader arc;
  arc.Id = kArchiveId;
  arc.DataSize = static_cast<int32_t>(empty.size());
  auto a = arc.Pack();
  Append(stream, a.data(), a.size());
  Append(stream, empty.data(), empty.size());

  MemoryFileSystem files;
  files.Put("C:\\SET\\disk.001", Segment(1, stream.data(), stream.size()));
  FuzzOwner owner(0);
  TSegCompEZ seg(files, owner);
  seg.SetSegBaseName("disk");
  seg.SetSegDir("C:\\SET");
  seg.SetSegTmpDir("C:\\WORK");
  seg.SegPopUp = false;
  std::vector<std::string> names;
  bool scanned = false;
  seg.OnSegBeforeExpand = [&](TSegArcList& list) {
    scanned = true;
    if (list.Count() != 1) abort();
    names = list[0].FileList;
  };
  ExpandAndCheck(files, seg);

  // A sound list file with a valid record length must come back exactly.
  if (!rawListData && recordLength >= 1 && recordLength <= kMaxListRecordLength && !body.empty()) {
    if (!scanned) abort();
    std::vector<std::string> expected;
    for (size_t at = 0; at < body.size(); at += static_cast<size_t>(recordLength)) {
      size_t end = std::min(body.size(), at + static_cast<size_t>(recordLength));
      std::string name;
      for (size_t i = at; i < end && body[i] != 0; ++i) name += static_cast<char>(body[i]);
      while (!name.empty() && name.back() == ' ') name.pop_back();
      expected.push_back(platform::Cp1252ToUtf8(name));
    }
    if (names != expected) abort();
  }
  return 0;
}
