// TCompress's writing half: entries coded and appended, archives made. Apart from the reading half
// so that a program that only expands (the setup program) links none of the encoders.
#include <algorithm>
#include <limits>

#include "archive/codecs.h"
#include "archive/compress.h"
#include "archive/errors.h"
#include "platform/exception.h"
#include "platform/text.h"

namespace vurerode {

CodecRun EncoderOf(uint8_t method) {
  switch (method) {
    case coNone: return [](CodecIO& io, int64_t) { CopyStored(io); };
    case coRLE: return [](CodecIO& io, int64_t) { EncodeRLE(io); };
    case coLZH: return [](CodecIO& io, int64_t) { EncodeLZH(io); };
    case coLZH5: return [](CodecIO& io, int64_t) { EncodeLZH5(io); };
    default: return [](CodecIO&, int64_t) {};
  }
}

uint32_t TCompress::ProcessStream(TProcessDirection direction, TStream& dest, TStream& source, uint8_t method,
                                  int32_t uncompressedSize, int32_t compressedSize, bool unscramble,
                                  int64_t* bytesWritten) {
  const CodecRun code = direction == TProcessDirection::Expand ? DecoderOf(method) : EncoderOf(method);
  return RunCodec(direction, code, dest, source, uncompressedSize, compressedSize, unscramble, bytesWritten);
}

// ---------------------------------------------------------------------------------------------
// Writing

bool TCompress::CodeEntryData(TStream& archive, TStream& source, uint8_t method, int32_t size, uint32_t& checksum,
                              int64_t& coded) {
  checksum = ProcessStream(TProcessDirection::Compress, archive, source, method, size, size, false, &coded);
  return !lastAbandoned_ && lastBytesRead_ == size;
}

TCompressedFileInfo TCompress::AppendEntry(TStream& archive, TStream& source, int32_t size, const std::string& name,
                                           uint32_t fileDate, uint16_t attributes, TCompressionMethod method,
                                           std::string* customId) {
  const std::string stored = StoredEntryName(name, Utf8Names);
  if (stored.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max()))
    throw Exception("Entry name too long for an archive: " + name.substr(0, 64) + "...");
  if (size < 0) throw Exception("File too large for an archive entry: " + name);

  TEntryHeader entry;
  entry.NameLength = static_cast<int16_t>(stored.size());
  entry.FileDate = static_cast<int32_t>(fileDate);
  entry.Attributes = attributes;
  entry.OriginalSize = size;
  entry.Method = method;
  entry.LockMarker = Key != 0 ? 2 : 0;

  const int64_t headerPos = archive.Position();
  const int64_t sourceStart = source.Position();
  auto headerBytes = entry.Pack();
  archive.Write(headerBytes.data(), headerBytes.size());
  archive.Write(stored.data(), stored.size());
  const int64_t dataStart = archive.Position();

  uint32_t checksum = 0;
  int64_t coded = 0;
  bool store = method == coNone;
  if (method == coCustom) {
    if (OnCompress) {
      std::string id = kMethodIdentifiers[coCustom];
      int32_t outputSize = 0;
      int32_t sum = 0;
      OnCompress(archive, source, id, outputSize, sum);
      checksum = static_cast<uint32_t>(sum);
      coded = outputSize;
      if (customId) *customId = id;
    } else {
      store = true;
    }
  } else if (!store) {
    try {
      if (!CodeEntryData(archive, source, method, size, checksum, coded)) store = true;
      // Coded data that is not smaller than the file gains nothing: store the file instead.
      store = store || coded >= size;
    } catch (const EUnableToCompress&) {
      store = true;
    }
  }
  if (store) {
    entry.Method = coNone;
    archive.SetPosition(dataStart);
    source.SetPosition(sourceStart);
    int32_t margin = StoreMargin;
    StoreMargin = 0;  // storing always fits: its budget is the file's own size
    bool whole;
    try {
      whole = CodeEntryData(archive, source, coNone, size, checksum, coded);
    } catch (...) {
      StoreMargin = margin;
      throw;
    }
    StoreMargin = margin;
    if (!whole) {
      // An entry that claims more bytes than it holds would expand to a cut-off file: drop it.
      archive.SetPosition(headerPos);
      archive.Truncate();
      if (lastAbandoned_) throw ECompressionAbandoned(name);
      throw EReadError("File changed while it was read: " + name);
    }
  }
  entry.CompressedSize = static_cast<int32_t>(coded);
  entry.Checksum = static_cast<int32_t>(checksum);
  const int64_t end = dataStart + coded;
  // A failed attempt may have left more bytes than the stored data covers.
  archive.SetPosition(end);
  if (archive.Size() > end) archive.Truncate();
  archive.SetPosition(headerPos);
  headerBytes = entry.Pack();
  archive.Write(headerBytes.data(), headerBytes.size());
  archive.SetPosition(end);

  TCompressedFileInfo info;
  info.FileDate = entry.FileDate;
  info.Attributes = entry.Attributes;
  info.OriginalSize = entry.OriginalSize;
  info.CompressedSize = entry.CompressedSize;
  info.Method = static_cast<TCompressionMethod>(entry.Method);
  info.Checksum = entry.Checksum;
  info.HeaderPosition = static_cast<int32_t>(headerPos);
  info.Locked = entry.LockMarker > 0;
  return info;
}

namespace {

// Adds the members' entries to an archive positioned at its end, adding their sizes to total as
// each one is complete.
void AppendMembers(TCompress& compress, platform::FileSystem& fs, TStream& archive,
                   const std::vector<TArchiveMember>& members, TCompressionMethod method, std::string& customId,
                   int64_t& total) {
  for (const TArchiveMember& m : members) {
    if (compress.OnCheckFile) {
      // The handler sees each file before it is read; it may skip it ("") or stop ("*").
      std::string path = m.SourcePath;
      compress.OnCheckFile(path, cmCompress);
      if (path.empty()) continue;
      if (path == "*") break;
    }
    auto source = fs.OpenFile(m.SourcePath, platform::FileAccess::Read);
    int64_t size = source->Size();
    if (size > std::numeric_limits<int32_t>::max())
      throw Exception("File too large for an archive entry (2 GiB at most): " + m.SourcePath);
    uint32_t attributes = fs.GetAttributes(m.SourcePath);
    if (attributes == platform::kInvalidAttributes) attributes = platform::faArchive;
    std::string id;
    compress.AppendEntry(archive, *source, static_cast<int32_t>(size), m.EntryName, source->LastWriteDosTime(),
                         static_cast<uint16_t>(attributes & ~platform::faDirectory), method, &id);
    if (!id.empty() && customId.empty()) customId = id;
    total += size;
  }
}

void RewriteHeader(TStream& archive, int64_t headerPos, const TArchiveHeader& header) {
  int64_t end = archive.Position();
  archive.SetPosition(headerPos);
  auto bytes = header.Pack();
  archive.Write(bytes.data(), bytes.size());
  archive.SetPosition(end);
}

// Names that are all ASCII are stored as they always were; any other needs the UTF-8 flag.
bool NeedUtf8Names(const std::vector<TArchiveMember>& members) {
  return std::any_of(members.begin(), members.end(),
                     [](const TArchiveMember& m) { return !platform::IsAscii(m.EntryName); });
}

int32_t CheckedTotal(int64_t total) {
  if (total > std::numeric_limits<int32_t>::max())
    throw Exception("Archive too large: its files add up to more than 2 GiB");
  return static_cast<int32_t>(total);
}

// The members' bytes as they are now: an upper bound of what an archive of them codes, since a
// handler may skip members.
int64_t MemberBytes(platform::FileSystem& fs, const std::vector<TArchiveMember>& members) {
  int64_t total = 0;
  for (const TArchiveMember& m : members) {
    try {
      total += fs.OpenFile(m.SourcePath, platform::FileAccess::Read)->Size();
    } catch (const Exception&) {
      // Writing reports a member it cannot open.
    }
  }
  return total;
}

}  // namespace

void TCompress::CompressToStream(TStream& archive, const std::vector<TArchiveMember>& members,
                                 TCompressionMethod method) {
  const int64_t headerPos = archive.Position();
  if (OnArchiveStart) OnArchiveStart(cmCompress, MemberBytes(fs_, members));
  std::string id = method == coCustom ? CustomMethodId : kMethodIdentifiers[method];
  Utf8Names = NeedUtf8Names(members);
  TArchiveHeader header = MakeArchiveHeader(id, caMulti, 0, Key, Utf8Names);
  auto bytes = header.Pack();
  archive.Write(bytes.data(), bytes.size());
  std::string customId;
  int64_t total = 0;
  try {
    AppendMembers(*this, fs_, archive, members, method, customId, total);
  } catch (...) {
    // Keep what was written readable: the header counts the entries that are complete.
    header = MakeArchiveHeader(customId.empty() ? id : customId, caMulti, CheckedTotal(total), Key, Utf8Names);
    RewriteHeader(archive, headerPos, header);
    throw;
  }
  header = MakeArchiveHeader(customId.empty() ? id : customId, caMulti, CheckedTotal(total), Key, Utf8Names);
  RewriteHeader(archive, headerPos, header);
}

void TCompress::CompressFiles(const std::string& archiveFile, const std::vector<TArchiveMember>& members,
                              TCompressionMethod method) {
  if (!fs_.FileExists(archiveFile)) {
    auto file = fs_.CreateFile(archiveFile);
    CompressToStream(*file, members, method);
    return;
  }
  auto file = fs_.OpenFile(archiveFile, platform::FileAccess::ReadWrite);
  if (file->Size() < static_cast<int64_t>(kArchiveHeaderSize)) {
    file->SetPosition(0);
    file->Truncate();
    CompressToStream(*file, members, method);
    return;
  }
  TArchiveHeader header;
  std::string methodId;
  ReadArchiveHeader(*file, header, methodId, OnRecognize);
  if (ChainedCustomEntries && IdentifyMethod(methodId, OnRecognize) == coCustom)
    throw Exception("Files cannot be added to an archive coded as one stream (" + methodId + "): write a new one");
  // Walk to the end of the last whole entry; anything after it (a torn entry) is cut off, and the
  // total is counted again from the entries that stay.
  const int64_t size = file->Size();
  int64_t end = file->Position();
  int64_t total = 0;
  TEntryHeader entry;
  std::string name;
  bool asciiNames = true;
  while (ReadEntryHeader(*file, entry, name) && entry.CompressedSize >= 0 &&
         file->Position() + entry.CompressedSize <= size) {
    end = file->Position() + entry.CompressedSize;
    total += entry.OriginalSize;
    asciiNames = asciiNames && platform::IsAscii(name);
    file->SetPosition(end);
  }
  file->SetPosition(end);
  file->Truncate();
  // Names already stored stay as they are: an archive of ASCII names alone can turn to UTF-8.
  if (!header.Utf8Names() && asciiNames && NeedUtf8Names(members)) header.reserved |= kUtf8NamesFlag;
  Utf8Names = header.Utf8Names();
  std::string customId;
  try {
    AppendMembers(*this, fs_, *file, members, method, customId, total);
  } catch (...) {
    header.TotalSize = CheckedTotal(total);
    RewriteHeader(*file, 0, header);
    throw;
  }
  header.TotalSize = CheckedTotal(total);
  RewriteHeader(*file, 0, header);
}

}  // namespace vurerode
