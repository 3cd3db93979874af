// The zstd method: an archive whose header carries "ZST" holds coCustom entries coded with libzstd
// as one stream, so that each file is coded with the context of the files before it, as a solid
// archive is. Each entry's data is what the encoder gives for that file, flushed at its end, so
// that a reader taking the entries in order decodes every file whole from its own bytes; a reader
// that skips an entry still decodes it (the entries after it refer to its bytes).
#pragma once

#include <cstdint>
#include <vector>

#include "archive/compress.h"

namespace vurerode {

inline constexpr char kZstdMethodId[] = "ZST";

// The largest window a writer uses and a reader accepts: the reader keeps the window whole in
// memory. 2^24 bytes (16 MiB) codes the bench corpus's 32 MiB archives within 0.01% of a window
// that holds them whole; 2^23 costs 0.5%.
inline constexpr int kZstdMaxWindowLog = 24;

struct TZstdSettings {
  int Level = 19;
  // 0: the smallest window that holds the whole archive, up to kZstdMaxWindowLog.
  int WindowLog = 0;
};

// The window an archive of this many bytes is coded with: the whole archive fits, so every file can
// refer to any file before it, and a small archive does not cost its reader a large window.
int ZstdWindowLogFor(int64_t archiveBytes);

// Attaches the method's reader to an archive component: it recognises "ZST" archives and decodes
// their entries. Other custom identifiers still go to the component's own OnRecognize and OnExpand;
// OnArchiveStart is replaced. A program that only reads (the installer) links no encoder.
void ReadZstdMethod(TCompress& compress);
// The reader and the writer: coCustom entries are coded with the method.
void UseZstdMethod(TCompress& compress, const TZstdSettings& settings = {});

// One zstd frame of the whole of data, its size and a checksum of its bytes recorded in it.
std::vector<uint8_t> ZstdCodeWhole(const std::vector<uint8_t>& data, int level);
// The bytes of one zstd frame that decodes to exactly size bytes; empty with ok false when it does
// not (damage).
std::vector<uint8_t> ZstdDecodeWhole(const uint8_t* data, size_t n, uint64_t size, bool& ok);

}  // namespace vurerode
