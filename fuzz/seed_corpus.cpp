// Writes small seed inputs for the fuzz targets into one folder per target: archives of every
// method made with the library itself (with and without a key), coded streams of each codec, plain
// samples for the round trips, archives whose entries claim far more than their data holds,
// segmented sets and list files made by the set writer, SHA256SUMS, and the GIF tests' pictures.
// Usage: vurerode_fuzz_seeds OUTPUT_DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "archive/code_bytes.h"
#include "archive/codecs.h"
#include "archive/compress.h"
#include "archive/errors.h"
#include "archive/little_endian.h"
#include "archive/zstd_method.h"
#include "fuzz/fuzz_segment_support.h"
#include "install/journal_records.h"
#include "platform/posix/host_file_system.h"
#include "platform/sandbox/metadata_store.h"
#include "platform/sandbox/sandbox_registry.h"
#include "segment/media_sums.h"
#include "segment/seg_comp_ez.h"
#include "segment/single_file.h"

namespace {

using namespace vurerode;
namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

Bytes Text(size_t n, unsigned seed) {
  static const char* const words[] = {"setup ", "archive ", "the ", "file ", "window\r\n", "key ", "of ", "disk "};
  Bytes out;
  uint32_t x = seed * 2654435761u + 1;
  while (out.size() < n) {
    x = x * 1103515245u + 12345u;
    for (const char* c = words[(x >> 16) % 8]; *c && out.size() < n; ++c) out.push_back(static_cast<uint8_t>(*c));
  }
  return out;
}

Bytes Samples(int i) {
  switch (i) {
    case 0: return Text(300, 1);
    case 1: return Bytes(700, 0);
    case 2: {
      Bytes b = Text(2000, 2);
      for (size_t k = 0; k < b.size(); k += 97) b[k] = 0x94;
      return b;
    }
    default: {
      Bytes b;
      uint32_t x = 7;
      for (int k = 0; k < 500; ++k) b.push_back(static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24));
      return b;
    }
  }
}

void Write(const fs::path& p, const Bytes& b) {
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

// Seeds for the set targets: sets written by the set writer, given as the segment_stream target
// takes them (options, segment count, prompt script, key, cut sizes, then the stream without the
// segment headers), and list files as the segment_list target takes them.
void WriteSetSeeds(const fs::path& out) {
  fs::create_directories(out / "segment_stream");
  fs::create_directories(out / "segment_list");
  int index = 0;
  for (TCompressionMethod m : {coNone, coLZH, coLZH5}) {
    for (int32_t key : {0, 0x9C}) {
      fuzz::MemoryFileSystem files;
      files.CreateDirectory("C:\\SRC");
      files.CreateDirectory("C:\\SET");
      std::vector<TSegBuildArchive> archives(2);
      for (int a = 0; a < 2; ++a) {
        archives[a].Template = "C:\\SRC\\APP" + std::to_string(a) + "\\*.*";
        for (int i = 0; i < 3; ++i) {
          const std::string name = "FILE" + std::to_string(a * 3 + i) + ".TXT";
          files.Put("C:\\SRC\\" + name, Samples((a * 3 + i) % 4));
          archives[a].Files.push_back({"C:\\SRC\\" + name, name});
        }
      }
      fuzz::FuzzOwner owner(0);
      TSegCompEZ writer(files, owner);
      writer.SetSegBaseName("disk");
      writer.SetSegDir("C:\\SET");
      writer.SetSegTmpDir("C:\\WORK");
      writer.Key = key;
      try {
        writer.SegCompressArchives(archives, m);
      } catch (const Exception&) {
        continue;  // no encoder for the method in this build
      }
      // The payloads of the segments, and how long each is.
      Bytes stream;
      std::vector<size_t> lengths;
      for (int n = 1;; ++n) {
        auto it = files.store.files.find(fuzz::MemoryFileSystem::Key("C:\\SET\\disk.00" + std::to_string(n)));
        if (it == files.store.files.end() || n > 9) break;
        stream.insert(stream.end(), it->second->begin() + 8, it->second->end());
        lengths.push_back(it->second->size() - 8);
      }
      // The target cuts segments at multiples of 7 bytes (255 * 7 at most): one segment, and the
      // same stream cut in two.
      const uint8_t keyByte = key == 0 ? 0 : static_cast<uint8_t>(key);
      Bytes whole = {0, 0, 0, keyByte};
      whole.insert(whole.end(), stream.begin(), stream.end());
      Write(out / "segment_stream" / ("set" + std::to_string(index++)), whole);
      Bytes cut = {0, 1, 1, keyByte, static_cast<uint8_t>(std::min<size_t>(stream.size() / 2 / 7, 255))};
      cut.insert(cut.end(), stream.begin(), stream.end());
      Write(out / "segment_stream" / ("set" + std::to_string(index++)), cut);
    }
  }
  // List files: records of 12 bytes, padded with zeros and with spaces.
  Bytes records = {0, 12, 0};
  for (const char* r : {"readme.txt\0\0", "setup.ini   ", "a\0\0\0\0\0\0\0\0\0\0\0"})
    records.insert(records.end(), r, r + 12);
  Write(out / "segment_list" / "records", records);
  Bytes short_last = records;
  short_last.resize(short_last.size() - 5);
  Write(out / "segment_list" / "short_last_record", short_last);
}

// The sandbox's stored files, each behind the byte that picks its kind in fuzz_sandbox_store: a new
// machine's registry.reg with values of every type, a hand-written REGEDIT4 file with deletions and
// continued lines, and a metadata.txt with attributes, aliases, written marks and escaped names.
// A single file: a small PE program carrying two members, as the builder writes it.
void WriteSingleFileSeeds(const fs::path& out) {
  Bytes program(0x400, 0);
  auto put = [&](size_t at, uint64_t v, size_t n) {
    for (size_t i = 0; i < n; ++i) program[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put(0, 0x5A4D, 2);
  put(0x3C, 0x40, 4);
  put(0x40, 0x4550, 4);
  put(0x44, 0x8664, 2);
  put(0x46, 1, 2);
  put(0x54, 240, 2);
  put(0x58, 0x20B, 2);
  put(0x58 + 108, 16, 4);
  put(0x58 + 240 + 16, 0x200, 4);  // the section's raw size and offset
  put(0x58 + 240 + 20, 0x200, 4);
  fuzz::MemoryFileSystem files;
  files.Put("C:\\IN\\setup.exe", program);
  files.Put("C:\\IN\\disk.001", Bytes(300, 0x41));
  files.Put("C:\\IN\\install.cfg", Bytes{'[', 'S', ']', '\r', '\n'});
  fs::create_directories(out / "single_file");
  // As the first single files were written, and with its members coded where they shrink.
  for (bool coded : {false, true}) {
    const std::vector<std::string> codedNames =
        coded ? std::vector<std::string>{"disk.001"} : std::vector<std::string>{};
    WriteSingleFile(
        files,
        {"C:\\IN\\setup.exe", {{"disk.001", "C:\\IN\\disk.001"}, {"install.cfg", "C:\\IN\\install.cfg"}}, codedNames, {}},
        "C:\\OUT.exe");
    auto in = files.OpenFile("C:\\OUT.exe", platform::FileAccess::Read);
    Bytes single(static_cast<size_t>(in->Size()));
    in->ReadBuffer(single.data(), single.size());
    Write(out / "single_file" / (coded ? "coded" : "whole"), single);
  }
}

void WriteSandboxStoreSeeds(const fs::path& out) {
  using namespace vurerode::platform;
  const fs::path dir = out / "sandbox_store";
  fs::create_directories(dir);
  const fs::path scratch = dir / "scratch";
  fs::create_directories(scratch);
  auto seed = [&](const std::string& name, char kind, const std::string& file) {
    std::string bytes = kind + file;
    Write(dir / name, Bytes(bytes.begin(), bytes.end()));
  };
  {
    sandbox::SandboxRegistry reg(scratch / "registry.reg", true);
    auto key = reg.CreateKey(RegistryRoot::CurrentUser, "Software\\Acme [x]\\-Setup");
    key->WriteString("", "default");
    key->WriteString("Path", "C:\\Program Files\\Acme \"quoted\"");
    key->WriteString("Two\\Lines", "one\r\ntwo");
    sandbox::RegNode* node = reg.tree().Find(RegistryRoot::CurrentUser, "Software\\Acme [x]\\-Setup");
    node->values.push_back(sandbox::RegValue{"Count", sandbox::kRegDword, {}, {1, 0, 0, 0}});
    node->values.push_back(sandbox::RegValue{"Blob", sandbox::kRegBinary, {}, {0, 1, 2, 0xFF}});
    node->values.push_back(sandbox::RegValue{"Expand", sandbox::kRegExpandSz, "%WINDIR%\\x", {}});
    node->values.push_back(sandbox::RegValue{"Multi", sandbox::kRegMultiSz, {}, {'a', 0, 'b', 0, 0, 0}});
    reg.Save();
    std::ifstream in(scratch / "registry.reg", std::ios::binary);
    seed("registry_new_machine", 0,
         std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  }
  seed("registry_regedit4", 0,
       "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Old]\r\n\"Gone\"=-\r\n\"Bin\"=hex:00,01,\\\r\n  02,03\r\n"
       "@=\"x\"\r\n; comment\r\n[-HKEY_LOCAL_MACHINE\\Software\\Old]\r\n[HKEY_USERS\\.DEFAULT]\r\n"
       "\"S\"=hex(2):41,00,00,00\r\n\"D\"=dword:0000ffff\r\n");
  {
    sandbox::MetadataStore store(scratch / "metadata.txt");
    store.Get("C:\\WINDOWS", "Start Menu").alias = "STARTM~1";
    store.Get("C:", "Program Files").alias = "PROGRA~1";
    store.Get("C:\\WINDOWS", "hidden.ini").attributes = 0x22;
    store.Get("C:\\Program Files\\Acme", "a long name.exe").written = true;
    store.Get("D:", "odd\t%name\r\n").alias = "ODDNAM~1";
    seed("metadata", 1, store.Text());
  }
  fs::remove_all(scratch);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  for (const char* d : {"archive_reader", "lzh_decode", "rle_decode", "lh5_decode", "plain"})
    fs::create_directories(out / d);

  bool haveLh5 = true;
  for (int i = 0; i < 4; ++i) {
    const Bytes plain = Samples(i);
    const std::string n = std::to_string(i);
    Write(out / "plain" / ("sample" + n), plain);
    Write(out / "rle_decode" / ("sample" + n), CodeBytes(EncodeRLE, plain));
    // The coLZH target takes a two-byte count before the stream.
    Bytes lzh = {static_cast<uint8_t>(plain.size() / 8 > 0 ? plain.size() / 8 - 1 : 0), 3};
    Bytes coded = CodeBytes(EncodeLZH, plain);
    lzh.insert(lzh.end(), coded.begin(), coded.end());
    Write(out / "lzh_decode" / ("sample" + n), lzh);
    try {
      Write(out / "lh5_decode" / ("sample" + n), CodeBytes(EncodeLZH5, plain));
    } catch (const EUnableToCompress&) {
      haveLh5 = false;
    }
  }

  // Archives: six bytes of key, options and free space, then the archive.
  platform::HostFileSystem files;
  TCompress compress(files);
  int index = 0;
  for (TCompressionMethod m : {coNone, coRLE, coLZH, coLZH5, coCustom}) {
    if (m == coLZH5 && !haveLh5) continue;
    for (int32_t key : {0, 0x01020304}) {
      compress.Key = key;
      compress.OnCompress = [](TStream& dest, TStream& source, std::string& id, int32_t& size, int32_t& sum) {
        Bytes b(static_cast<size_t>(source.Remaining()));
        source.ReadBuffer(b.data(), b.size());
        sum = static_cast<int32_t>(ByteSum(b.data(), b.size()));
        dest.Write(b.data(), b.size());
        size = static_cast<int32_t>(b.size());
        id = "CST";
      };
      TMemoryStream archive;
      const std::string id = kMethodIdentifiers[m];
      // The locked ones keep their names in UTF-8, one of them not ASCII.
      compress.Utf8Names = key != 0;
      auto header = MakeArchiveHeader(id, caMulti, 0, key, compress.Utf8Names).Pack();
      archive.Write(header.data(), header.size());
      int32_t total = 0;
      std::string customId;
      for (int i = 0; i < 4; ++i) {
        Bytes plain = Samples(i);
        TMemoryStream source(plain);
        std::string name = i == 2 ? "sub\\file" + std::to_string(i) : "file" + std::to_string(i);
        if (i == 3 && compress.Utf8Names) name = "\xD1\x84\xE6\x97\xA5" + name;  // ф日
        compress.AppendEntry(archive, source, static_cast<int32_t>(plain.size()), name, 0x58A3B1C2, 0x20, m, &customId);
        total += static_cast<int32_t>(plain.size());
      }
      // An empty file last: it adds nothing to the total the walk ends at.
      TMemoryStream nothing;
      compress.AppendEntry(archive, nothing, 0, "empty", 0x58A3B1C2, 0x20, m, &customId);
      header = MakeArchiveHeader(customId.empty() ? id : customId, caMulti, total, key, compress.Utf8Names).Pack();
      archive.SetPosition(0);
      archive.Write(header.data(), header.size());
      Bytes seed = {static_cast<uint8_t>(key),
                    static_cast<uint8_t>(key >> 8),
                    static_cast<uint8_t>(key >> 16),
                    static_cast<uint8_t>(key >> 24),
                    static_cast<uint8_t>(m == coCustom ? 0x19 : 0x01),
                    0xFE};
      seed.insert(seed.end(), archive.data().begin(), archive.data().end());
      Write(out / "archive_reader" / ("archive" + std::to_string(index++)), seed);
    }
  }
  // One entry of each method whose size field claims 2 GB over 2000 bytes of data (the archive's
  // total says the same): decoding must stop where the data ends.
  compress.Key = 0;
  compress.Utf8Names = false;
  for (TCompressionMethod m : {coNone, coRLE, coLZH, coLZH5}) {
    if (m == coLZH5 && !haveLh5) continue;
    TMemoryStream archive;
    auto header = MakeArchiveHeader(kMethodIdentifiers[m], caMulti, 0, 0).Pack();
    archive.Write(header.data(), header.size());
    const Bytes plain = Samples(m == coRLE ? 1 : 2);  // text would not shrink with runs: it would be stored
    TMemoryStream source(plain);
    compress.AppendEntry(archive, source, static_cast<int32_t>(plain.size()), "claims", 0x58A3B1C2, 0x20, m);
    Bytes seed = {0, 0, 0, 0, 0x01, 0xFE};
    seed.insert(seed.end(), archive.data().begin(), archive.data().end());
    constexpr uint32_t kClaimed = 0x7FFFFF00;
    le::Put32(seed.data() + 6 + 8, kClaimed);                       // the archive's total
    le::Put32(seed.data() + 6 + kArchiveHeaderSize + 8, kClaimed);  // the entry's original size
    Write(out / "archive_reader" / ("claims2gb_" + std::string(kMethodIdentifiers[m])), seed);
  }
  WriteSetSeeds(out);

  // Archives of the zstd method: an option byte, then the archive of the four samples (twice, so
  // that the second copies refer to the first), unlocked and locked.
  fs::create_directories(out / "zstd_archive");
  for (int32_t key : {0, 0x01020304}) {
    TCompress zstd(files);
    UseZstdMethod(zstd, {.Level = 3});
    zstd.Key = key;
    std::vector<TArchiveMember> members;
    const fs::path scratch = out / "zstd_archive.tmp";
    fs::create_directories(scratch);
    for (int i = 0; i < 8; ++i) {
      const fs::path p = scratch / ("s" + std::to_string(i));
      Write(p, Samples(i % 4));
      members.push_back({p.string(), "f" + std::to_string(i)});
    }
    TMemoryStream archive;
    zstd.CompressToStream(archive, members, coCustom);
    for (uint8_t options : {0, 6}) {
      Bytes seed = {static_cast<uint8_t>(options | (key != 0 ? 1 : 0))};
      seed.insert(seed.end(), archive.data().begin(), archive.data().end());
      Write(out / "zstd_archive" / ("archive" + std::to_string(key != 0) + std::to_string(options)), seed);
    }
    fs::remove_all(scratch);
  }

  // SHA256SUMS in each of the forms sha256sum writes.
  fs::create_directories(out / "media_sums");
  const std::string hex = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  const std::string sums = TMediaSums::Format({{"disk.001", hex}, {"setup.exe", hex}, {"odd\\name", hex}}) + hex +
                           " *binary.bin\r\nSHA256 (tagged.cfg) = " + hex + "\n";
  Write(out / "media_sums" / "sums", Bytes(sums.begin(), sums.end()));
  WriteSandboxStoreSeeds(out);
  WriteSingleFileSeeds(out);

  // The installation's journal: a record of each kind, whole and with its last record torn.
  {
    using namespace setup;
    fs::create_directories(out / "journal_reader");
    Bytes journal(kJournalMagic.begin(), kJournalMagic.end());
    TJournalRecord list = MakeRecord(TJournalKind::FilesToCreate);
    list.entries = {{true, "C:\\Program Files\\Acme"}, {false, "C:\\WINDOWS\\System\\acme.dll"}};
    TJournalRecord value = MakeRecord(TJournalKind::RegistryValueChanged, "Software\\Acme", "Path", 2);
    value.value = platform::RegistryValueData{1, {'o', 'l', 'd', 0}};
    for (const TJournalRecord& r : {MakeRecord(TJournalKind::Title, "Acme"),
                                    MakeRecord(TJournalKind::TemporaryFolder, "C:\\WINDOWS\\Temp\\lkst_1"), list,
                                    MakeRecord(TJournalKind::FileReplaced, "C:\\WINDOWS\\a.ini",
                                               "C:\\WINDOWS\\Vurerode\\Journal\\saved\\1.SAV", 0x21, 0x2A3B4C5D),
                                    value, MakeRecord(TJournalKind::Commit)}) {
      const Bytes record = EncodeJournalRecord(r);
      journal.insert(journal.end(), record.begin(), record.end());
    }
    Write(out / "journal_reader" / "whole", journal);
    journal.resize(journal.size() - 3);
    Write(out / "journal_reader" / "torn", journal);
  }
  fs::create_directories(out / "gif_decode");
  for (const auto& e : fs::directory_iterator(VURERODE_GIF_SEEDS))
    if (e.path().extension() == ".gif") fs::copy_file(e.path(), out / "gif_decode" / e.path().filename());
  std::printf("seeds written to %s%s\n", out.c_str(), haveLh5 ? "" : " (no -lh5- encoder: no -lh5- seeds)");
  return 0;
}
