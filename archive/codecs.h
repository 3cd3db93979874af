// The codecs, one file each. They see only the CodecIO byte source and sink; files, keys,
// checksums and progress are the driver's business.
#pragma once

#include <cstdint>

#include "archive/codec_io.h"

namespace vurerode {

// coNone: bytes as they are, until the input ends.
void CopyStored(CodecIO& io);

// coRLE, both ways, until the input ends.
void EncodeRLE(CodecIO& io);
void DecodeRLE(CodecIO& io);

// Both LZ decoders below stop with EBadChecksum, the failure of a damaged entry, as soon as a code
// takes bits beyond the end of the input (or the input was abandoned): a stream written by an
// encoder holds every bit of its codes, and a count that claims more than the data holds must not
// become that much output. What was decoded before reaches the sink.

// coLZH (LZSS with adaptive Huffman coding, 4096-byte window). The decoder produces count bytes
// (possibly a few more when the last match runs past it).
void EncodeLZH(CodecIO& io);
void DecodeLZH(CodecIO& io, int64_t count);

// coLZH5 (the -lh5- method). The decoder produces count bytes (possibly a few more, as above) and
// raises ELZHBadDecodeTable on an inconsistent or oversized code table.
void EncodeLZH5(CodecIO& io);
void DecodeLZH5(CodecIO& io, int64_t count);

// A codec run over one entry: count is the entry's original size, which only decoders use. The
// decoders and the encoders are chosen in different files, so that a program that only expands
// links no encoder. An unknown method codes nothing.
using CodecRun = void (*)(CodecIO& io, int64_t count);
CodecRun DecoderOf(uint8_t method);
CodecRun EncoderOf(uint8_t method);

}  // namespace vurerode
