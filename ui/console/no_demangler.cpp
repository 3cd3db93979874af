// setup.exe on Windows only: the C++ runtime's handler for an exception nobody caught names the
// exception's type, and demangling that name would bring the runtime's whole demangler (some
// 45 KB) into a program that travels on every medium. Without it the handler shows the name as
// the compiler wrote it, which is all the message loses; no other code here demangles.
#include <cxxabi.h>

#include <cstddef>

namespace __cxxabiv1 {

// Reports every name as not demangled (-2: "not a valid mangled name"), so that the caller prints
// the name as it is and frees nothing.
extern "C" char* __cxa_demangle(const char*, char*, std::size_t*, int* status) {
  if (status) *status = -2;
  return nullptr;
}

}  // namespace __cxxabiv1
