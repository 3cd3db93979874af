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
