// The -lh5- benchmark program. bench/run.sh drives it; it can also be run by hand:
//
//   lh5_bench corpus DIR                  build the corpus in DIR (see corpus.h)
//   lh5_bench measure DIR [REPS] [LZH]    time our encoder and decoder on it, in memory through
//                                         CodecIO; write our coded files as one .lzh to LZH
//   lh5_bench sizes OURS.lzh JLHA.lzh     compare coded sizes, member by member
//
// Results are printed as KEY=VALUE lines for the script, with a short summary on stderr.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "archive/codec_io.h"
#include "archive/codecs.h"
#include "corpus.h"
#include "heap_count.h"
#include "support/lha_wrapper.h"

namespace vurerode::bench {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

// A sink that only counts, so that decoding is timed without a growing buffer behind it.
class CountingStream : public TStream {
 public:
  size_t Read(void*, size_t) override { return 0; }
  void Write(const void*, size_t n) override { size_ += static_cast<int64_t>(n); }
  int64_t Seek(int64_t, SeekOrigin) override { return size_; }
  int64_t Size() override { return size_; }
  void Truncate() override {}

 private:
  int64_t size_ = 0;
};

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

CodecIO::Setup SetupFor(TStream& in, TStream& out, size_t inputSize) {
  CodecIO::Setup s;
  s.input = &in;
  s.output = &out;
  s.inputSize = static_cast<int64_t>(inputSize);
  s.outputBudget = INT64_MAX;
  return s;
}

// Processor time of this process: on a shared machine, waiting for a processor does not count,
// as it does not for the peer tools timed by user + system time.
double CpuNow() {
  return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

int Corpus(const fs::path& dir) {
  const auto files = BuildCorpus(dir);
  uint64_t total = 0;
  for (const auto& f : files) total += f.size;
  std::printf("CORPUS_FILES=%zu\nCORPUS_BYTES=%llu\n", files.size(), static_cast<unsigned long long>(total));
  if (total < 50000000) {
    std::fprintf(stderr, "corpus is below 50 MB: this machine lacks some of the expected packages\n");
    return 1;
  }
  return 0;
}

int Measure(const fs::path& dir, int reps, const std::string& lzhOut) {
  const auto manifest = ReadManifest(dir);
  std::vector<Bytes> originals;
  uint64_t total = 0;
  for (const auto& f : manifest) {
    originals.push_back(ReadFile(dir / f.name));
    total += originals.back().size();
  }

  // Encoding, best of reps.
  std::vector<Bytes> coded(originals.size());
  double encodeBest = 1e30;
  for (int rep = 0; rep < reps; ++rep) {
    const double start = CpuNow();
    for (size_t i = 0; i < originals.size(); ++i) {
      TMemoryStream in(originals[i]);
      TMemoryStream out;
      out.data().reserve(originals[i].size() + originals[i].size() / 8 + 64);
      auto io = std::make_unique<CodecIO>(SetupFor(in, out, originals[i].size()));
      EncodeLZH5(*io);
      io->Finish();
      coded[i] = std::move(out.data());
    }
    encodeBest = std::min(encodeBest, CpuNow() - start);
  }
  uint64_t codedTotal = 0;
  for (const auto& c : coded) codedTotal += c.size();

  // Every file must come back exactly before anything is timed.
  for (size_t i = 0; i < originals.size(); ++i) {
    TMemoryStream in(coded[i]);
    TMemoryStream out;
    auto io = std::make_unique<CodecIO>(SetupFor(in, out, coded[i].size()));
    DecodeLZH5(*io, static_cast<int64_t>(originals[i].size()));
    io->Finish();
    if (out.data() != originals[i]) {
      std::fprintf(stderr, "round trip failed for %s\n", manifest[i].name.c_str());
      return 1;
    }
  }
  // Heap the decoder takes beyond the CodecIO (which holds the two 8 KiB buffers).
  size_t decoderHeap = 0;
  for (size_t i = 0; i < originals.size(); ++i) {
    TMemoryStream in(coded[i]);
    CountingStream out;
    auto io = std::make_unique<CodecIO>(SetupFor(in, out, coded[i].size()));
    const size_t before = g_heapNow;
    g_heapPeak = g_heapNow;
    DecodeLZH5(*io, static_cast<int64_t>(originals[i].size()));
    decoderHeap = std::max(decoderHeap, g_heapPeak - before);
  }

  double decodeBest = 1e30;
  for (int rep = 0; rep < reps + 2; ++rep) {
    const double start = CpuNow();
    for (size_t i = 0; i < originals.size(); ++i) {
      TMemoryStream in(coded[i]);
      CountingStream out;
      auto io = std::make_unique<CodecIO>(SetupFor(in, out, coded[i].size()));
      DecodeLZH5(*io, static_cast<int64_t>(originals[i].size()));
      io->Finish();
    }
    decodeBest = std::min(decodeBest, CpuNow() - start);
  }

  if (!lzhOut.empty()) {
    std::ofstream lzh(lzhOut, std::ios::binary | std::ios::trunc);
    for (size_t i = 0; i < originals.size(); ++i) {
      const Bytes member = test::LhaMemberBytes(manifest[i].name, originals[i], coded[i], 1);
      lzh.write(reinterpret_cast<const char*>(member.data()), static_cast<std::streamsize>(member.size()));
    }
    lzh.put('\0');
  }

  std::printf("CORPUS_FILES=%zu\nCORPUS_BYTES=%llu\nOURS_CODED_BYTES=%llu\n", originals.size(),
              static_cast<unsigned long long>(total), static_cast<unsigned long long>(codedTotal));
  std::printf("OURS_ENCODE_SECONDS=%.4f\nOURS_DECODE_SECONDS=%.4f\nDECODER_HEAP_BYTES=%zu\n", encodeBest, decodeBest,
              decoderHeap);
  std::fprintf(stderr, "%zu files, %.1f MB -> %.1f MB; encode %.1f MB/s, decode %.1f MB/s; decoder heap %zu bytes\n",
               originals.size(), total / 1e6, codedTotal / 1e6, total / encodeBest / 1e6, total / decodeBest / 1e6,
               decoderHeap);
  return 0;
}

// Sums, over the files jlha coded with -lh5-, its member sizes and ours; also the totals with
// stored members counted at their stored size.
int Sizes(const std::string& oursPath, const std::string& jlhaPath) {
  std::map<std::string, uint64_t> ours;
  for (const auto& m : test::ParseLhaArchive(ReadFile(oursPath))) ours[m.name] = m.data.size();
  uint64_t jlhaLh5 = 0, oursSame = 0, jlhaAll = 0, oursAll = 0;
  size_t lh5Members = 0;
  for (const auto& m : test::ParseLhaArchive(ReadFile(jlhaPath))) {
    const std::string name = m.name.substr(m.name.find_last_of('/') + 1);
    auto it = ours.find(name);
    if (it == ours.end()) {
      std::fprintf(stderr, "jlha member %s is not in our archive\n", m.name.c_str());
      return 1;
    }
    jlhaAll += m.data.size();
    // Ours as an archive writer would store it: coded only when it shrinks.
    oursAll += std::min<uint64_t>(it->second, m.originalSize);
    if (m.method == "-lh5-") {
      jlhaLh5 += m.data.size();
      oursSame += it->second;
      ++lh5Members;
    }
  }
  std::printf("JLHA_LH5_MEMBERS=%zu\nJLHA_LH5_BYTES=%llu\nOURS_SAME_FILES_BYTES=%llu\n", lh5Members,
              static_cast<unsigned long long>(jlhaLh5), static_cast<unsigned long long>(oursSame));
  std::printf("JLHA_ALL_BYTES=%llu\nOURS_ALL_BYTES=%llu\n", static_cast<unsigned long long>(jlhaAll),
              static_cast<unsigned long long>(oursAll));
  return 0;
}

}  // namespace
}  // namespace vurerode::bench

int main(int argc, char** argv) {
  using namespace vurerode::bench;
  const std::string cmd = argc > 1 ? argv[1] : "";
  try {
    if (cmd == "corpus" && argc == 3) return Corpus(argv[2]);
    if (cmd == "measure" && argc >= 3)
      return Measure(argv[2], argc > 3 ? std::atoi(argv[3]) : 3, argc > 4 ? argv[4] : "");
    if (cmd == "sizes" && argc == 4) return Sizes(argv[2], argv[3]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "lh5_bench: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr, "usage: lh5_bench corpus DIR | measure DIR [REPS] [OUT.lzh] | sizes OURS.lzh JLHA.lzh\n");
  return 2;
}
