// The zstd method's reader; the writer is zstd_writer.cpp.
#include "archive/zstd_method.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "archive/errors.h"
#include "archive/format.h"
#include "archive/zstd_shared.h"
#include "platform/exception.h"

namespace vurerode {

using zstd_method::Checked;
using zstd_method::DContextDeleter;
using zstd_method::KeyMask;

namespace {

// The decoder of one archive component: one stream per archive, an entry at a time. The context
// and buffers are taken once and serve archive after archive.
class ZstdDecoder {
 public:
  explicit ZstdDecoder(TCompress& owner) : owner_(owner) {}

  void Start() {
    if (decoder_) ZSTD_DCtx_reset(decoder_.get(), ZSTD_reset_session_only);
  }

  // Decodes exactly sourceSize bytes into exactly destSize bytes; anything else is damage, reported
  // as a bad checksum (or an invalid key, for a locked entry).
  void Expand(TStream& dest, TStream& source, int32_t sourceSize, int32_t destSize, int32_t& checksum) {
    if (!decoder_) {
      decoder_.reset(ZSTD_createDCtx());
      if (!decoder_) throw Exception("Out of memory for the zstd decoder");
      Checked(ZSTD_DCtx_setParameter(decoder_.get(), ZSTD_d_windowLogMax, kZstdMaxWindowLog));
    }
    in_.resize(ZSTD_DStreamInSize());
    out_.resize(ZSTD_DStreamOutSize());
    KeyMask mask(owner_.Key);
    const bool unmask = owner_.ExpandingLockedEntry() && owner_.Key != 0;
    int64_t left = std::max(sourceSize, 0);
    int64_t produced = 0;
    uint32_t sum = 0;
    ZSTD_inBuffer in{in_.data(), 0, 0};
    for (;;) {
      if (in.pos == in.size && left > 0) {
        const size_t got = source.Read(in_.data(), static_cast<size_t>(std::min<int64_t>(left, in_.size())));
        if (got == 0) throw EBadChecksum();  // the archive ends inside the entry
        if (unmask) mask.Apply(in_.data(), got);
        left -= static_cast<int64_t>(got);
        in = ZSTD_inBuffer{in_.data(), got, 0};
      }
      ZSTD_outBuffer out{out_.data(), out_.size(), 0};
      if (ZSTD_isError(ZSTD_decompressStream(decoder_.get(), &out, &in))) throw EBadChecksum();
      if (produced + static_cast<int64_t>(out.pos) > destSize) throw EBadChecksum();
      dest.Write(out_.data(), out.pos);
      sum = ByteSum(out_.data(), out.pos, sum);
      produced += static_cast<int64_t>(out.pos);
      // All of the entry's bytes taken, and the decoder holds nothing more back.
      if (left == 0 && in.pos == in.size && out.pos < out.size) break;
    }
    if (produced != destSize) throw EBadChecksum();
    checksum = static_cast<int32_t>(sum);
  }

 private:
  TCompress& owner_;
  std::unique_ptr<ZSTD_DCtx, DContextDeleter> decoder_;
  std::vector<uint8_t> in_;
  std::vector<uint8_t> out_;
};

}  // namespace

int ZstdWindowLogFor(int64_t archiveBytes) {
  int log = 10;  // zstd's smallest window
  while (log < kZstdMaxWindowLog && (int64_t{1} << log) < archiveBytes) ++log;
  return log;
}

std::vector<uint8_t> ZstdDecodeWhole(const uint8_t* data, size_t n, uint64_t size, bool& ok) {
  ok = false;
  if (ZSTD_getFrameContentSize(data, n) != size || ZSTD_findFrameCompressedSize(data, n) != n) return {};
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  const size_t got = ZSTD_decompress(bytes.data(), bytes.size(), data, n);
  if (ZSTD_isError(got) || got != size) return {};
  ok = true;
  return bytes;
}

void ReadZstdMethod(TCompress& compress) {
  auto decoder = std::make_shared<ZstdDecoder>(compress);
  compress.CustomMethodId = kZstdMethodId;
  compress.ChainedCustomEntries = true;
  // Identifiers of other custom methods still go to the handlers the application had.
  compress.OnRecognize = [previous = std::move(compress.OnRecognize)](const std::string& id, bool& recognized) {
    if (id == kZstdMethodId)
      recognized = true;
    else if (previous)
      previous(id, recognized);
  };
  compress.OnExpand = [decoder, previous = std::move(compress.OnExpand)](TStream& dest, TStream& source,
                                                                         int32_t sourceSize, int32_t destSize,
                                                                         const std::string& id, int32_t& checksum) {
    if (id == kZstdMethodId)
      decoder->Expand(dest, source, sourceSize, destSize, checksum);
    else if (previous)
      previous(dest, source, sourceSize, destSize, id, checksum);
  };
  compress.OnArchiveStart = [decoder](TCProcessMode mode, int64_t) {
    if (mode == cmExpand) decoder->Start();
  };
}

}  // namespace vurerode
