// Holds a file open without sharing it, as a running program holds its own executable or a
// document: hold_file PATH READY STOP opens PATH for reading with no sharing at all, creates READY
// once it holds the file, and lets the file go when STOP exists (scripts/wine-transaction-test.sh).
// A file another process still has open (the installation that just ended may not have let go of
// it in the wineserver yet) is tried again for up to a minute; a failure says why on stderr.
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE held = INVALID_HANDLE_VALUE;
  DWORD error = 0;
  for (int attempt = 0; attempt < 600; ++attempt) {
    held = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (held != INVALID_HANDLE_VALUE) break;
    error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) break;
    Sleep(100);
  }
  if (held == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "hold_file: cannot open %s: error %lu\n", argv[1], static_cast<unsigned long>(error));
    return 1;
  }
  HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES) Sleep(50);
  CloseHandle(held);
  return 0;
}
