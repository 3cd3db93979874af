#include "archive/zstd_method.h"

#include <zstd.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "archive/errors.h"
#include "archive/format.h"
#include "platform/exception.h"

namespace vurerode {
namespace {

struct CContextDeleter {
  void operator()(ZSTD_CCtx* c) const { ZSTD_freeCCtx(c); }
};
struct DContextDeleter {
  void operator()(ZSTD_DCtx* d) const { ZSTD_freeDCtx(d); }
};

// A locked entry's coded bytes are XORed with the key's four bytes in turn, from its first byte on,
// as the built-in methods' are.
class KeyMask {
 public:
  explicit KeyMask(int32_t key) {
    for (int i = 0; i < 4; ++i) bytes_[i] = static_cast<uint8_t>(static_cast<uint32_t>(key) >> (8 * i));
  }
  void Apply(uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      p[i] ^= bytes_[index_];
      index_ = (index_ + 1) & 3;
    }
  }

 private:
  uint8_t bytes_[4] = {};
  unsigned index_ = 0;
};

size_t Checked(size_t result) {
  if (ZSTD_isError(result)) throw Exception(std::string("zstd: ") + ZSTD_getErrorName(result));
  return result;
}

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

// The encoder of one archive component: each archive a stream, each entry flushed at its end.
class ZstdEncoder {
 public:
  ZstdEncoder(TCompress& owner, const TZstdSettings& settings) : owner_(owner), settings_(settings) {}

  void Start(int64_t bytes) {
    if (!encoder_) encoder_.reset(ZSTD_createCCtx());
    if (!encoder_) throw Exception("Out of memory for the zstd coder");
    ZSTD_CCtx* c = encoder_.get();
    ZSTD_CCtx_reset(c, ZSTD_reset_session_and_parameters);
    Checked(ZSTD_CCtx_setParameter(c, ZSTD_c_compressionLevel, settings_.Level));
    const int windowLog =
        settings_.WindowLog > 0 ? std::min(settings_.WindowLog, kZstdMaxWindowLog) : ZstdWindowLogFor(bytes);
    Checked(ZSTD_CCtx_setParameter(c, ZSTD_c_windowLog, windowLog));
  }

  void Compress(TStream& dest, TStream& source, std::string& id, int32_t& outputSize, int32_t& checksum) {
    if (!encoder_) Start(0);
    in_.resize(ZSTD_CStreamInSize());
    out_.resize(ZSTD_CStreamOutSize());
    KeyMask mask(owner_.Key);
    uint32_t sum = 0;
    int64_t coded = 0;
    // The entry header records the file's size as it was opened: exactly that many bytes are coded,
    // and a file that shrank meanwhile fails the build instead of leaving an entry that cannot decode.
    int64_t left = source.Remaining();
    for (;;) {
      const size_t got =
          left > 0 ? source.Read(in_.data(), static_cast<size_t>(std::min<int64_t>(left, in_.size()))) : 0;
      if (got == 0 && left > 0) throw EReadError("File changed while it was read");
      left -= static_cast<int64_t>(got);
      sum = ByteSum(in_.data(), got, sum);
      // The entry's last bytes are flushed, so that its data decodes whole without what follows.
      const ZSTD_EndDirective directive = got == 0 ? ZSTD_e_flush : ZSTD_e_continue;
      ZSTD_inBuffer in{in_.data(), got, 0};
      bool done = false;
      while (!done) {
        ZSTD_outBuffer out{out_.data(), out_.size(), 0};
        const size_t left = Checked(ZSTD_compressStream2(encoder_.get(), &out, &in, directive));
        if (owner_.Key != 0) mask.Apply(out_.data(), out.pos);
        dest.Write(out_.data(), out.pos);
        coded += static_cast<int64_t>(out.pos);
        done = directive == ZSTD_e_flush ? left == 0 : in.pos == in.size;
      }
      if (got == 0) break;
    }
    if (coded > INT32_MAX) throw Exception("Entry too large for an archive once coded");
    id = kZstdMethodId;
    outputSize = static_cast<int32_t>(coded);
    checksum = static_cast<int32_t>(sum);
  }

 private:
  TCompress& owner_;
  TZstdSettings settings_;
  std::unique_ptr<ZSTD_CCtx, CContextDeleter> encoder_;
  std::vector<uint8_t> in_;
  std::vector<uint8_t> out_;
};

}  // namespace

int ZstdWindowLogFor(int64_t archiveBytes) {
  int log = 10;  // zstd's smallest window
  while (log < kZstdMaxWindowLog && (int64_t{1} << log) < archiveBytes) ++log;
  return log;
}

std::vector<uint8_t> ZstdCodeWhole(const std::vector<uint8_t>& data, int level) {
  std::unique_ptr<ZSTD_CCtx, CContextDeleter> c(ZSTD_createCCtx());
  if (!c) throw Exception("Out of memory for the zstd coder");
  Checked(ZSTD_CCtx_setParameter(c.get(), ZSTD_c_compressionLevel, level));
  // The frame checks its own bytes: damage is found when it is decoded.
  Checked(ZSTD_CCtx_setParameter(c.get(), ZSTD_c_checksumFlag, 1));
  std::vector<uint8_t> coded(ZSTD_compressBound(data.size()));
  coded.resize(Checked(ZSTD_compress2(c.get(), coded.data(), coded.size(), data.data(), data.size())));
  return coded;
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

void UseZstdMethod(TCompress& compress, const TZstdSettings& settings) {
  ReadZstdMethod(compress);
  auto encoder = std::make_shared<ZstdEncoder>(compress, settings);
  compress.OnCompress = [encoder](TStream& dest, TStream& source, std::string& id, int32_t& size, int32_t& sum) {
    encoder->Compress(dest, source, id, size, sum);
  };
  compress.OnArchiveStart = [encoder, reading = std::move(compress.OnArchiveStart)](TCProcessMode mode, int64_t bytes) {
    if (mode == cmCompress)
      encoder->Start(bytes);
    else
      reading(mode, bytes);
  };
}

}  // namespace vurerode
