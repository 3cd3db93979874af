#include "platform/win32/wide_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <objidl.h>

namespace vurerode::platform::win32 {

HRESULT WINAPI SaveThroughPersistFile(IPersistFile* file, const wchar_t* path) {
  return file->Save(path, FALSE);
}

const WideApi& RealWideApi() {
  static const WideApi real;
  return real;
}

}  // namespace vurerode::platform::win32
