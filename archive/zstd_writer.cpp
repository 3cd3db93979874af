// The zstd method's writer: each archive one stream, each entry flushed at its end.
#include <algorithm>
#include <memory>
#include <vector>

#include "archive/errors.h"
#include "archive/format.h"
#include "archive/zstd_method.h"
#include "archive/zstd_shared.h"

namespace vurerode {

using zstd_method::CContextDeleter;
using zstd_method::Checked;
using zstd_method::KeyMask;

namespace {

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
