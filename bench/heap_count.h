// Heap accounting for the benchmark: the global allocation functions are replaced to keep a running
// total and its high-water mark, so that the heap a codec takes while it runs can be reported.
#pragma once

#include <cstddef>

namespace vurerode::bench {

extern size_t g_heapNow;   // bytes allocated and not yet freed
extern size_t g_heapPeak;  // highest g_heapNow since it was last reset

}  // namespace vurerode::bench
