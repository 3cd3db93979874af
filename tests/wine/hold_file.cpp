// Holds a file open without sharing it, as a running program holds its own executable or a
// document: hold_file PATH READY STOP opens PATH for reading with no sharing at all, creates READY
// once it holds the file, and lets the file go when STOP exists (scripts/wine-transaction-test.sh).
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE held = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 1;
  HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
  while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES) Sleep(50);
  CloseHandle(held);
  return 0;
}
