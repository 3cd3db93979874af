#include "heap_count.h"

#include <malloc.h>

#include <cstdlib>
#include <new>

namespace vurerode::bench {
size_t g_heapNow = 0;
size_t g_heapPeak = 0;
}  // namespace vurerode::bench

using vurerode::bench::g_heapNow;
using vurerode::bench::g_heapPeak;

void* operator new(size_t n) {
  void* p = std::malloc(n ? n : 1);
  if (!p) throw std::bad_alloc();
  g_heapNow += malloc_usable_size(p);
  if (g_heapNow > g_heapPeak) g_heapPeak = g_heapNow;
  return p;
}
void operator delete(void* p) noexcept {
  if (!p) return;
  g_heapNow -= malloc_usable_size(p);
  std::free(p);
}
void* operator new[](size_t n) {
  return operator new(n);
}
void operator delete[](void* p) noexcept {
  operator delete(p);
}
void operator delete(void* p, size_t) noexcept {
  operator delete(p);
}
void operator delete[](void* p, size_t) noexcept {
  operator delete(p);
}
// Aligned forms: codec states come from the CodecIO's aligned workspace.
void* operator new(size_t n, std::align_val_t a) {
  void* p = nullptr;
  if (posix_memalign(&p, static_cast<size_t>(a), n ? n : 1) != 0) throw std::bad_alloc();
  g_heapNow += malloc_usable_size(p);
  if (g_heapNow > g_heapPeak) g_heapPeak = g_heapNow;
  return p;
}
void operator delete(void* p, std::align_val_t) noexcept {
  operator delete(p);
}
void operator delete(void* p, size_t, std::align_val_t) noexcept {
  operator delete(p);
}
void* operator new[](size_t n, std::align_val_t a) {
  return operator new(n, a);
}
void operator delete[](void* p, std::align_val_t) noexcept {
  operator delete(p);
}
