#include "tools/terminal.h"

#include <cstdio>
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace vurerode::cli {

#if defined(_WIN32)
bool StandardInputIsTerminal() {
  return _isatty(_fileno(stdin)) != 0;
}
bool StandardErrorIsTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}
#else
bool StandardInputIsTerminal() {
  return isatty(STDIN_FILENO) != 0;
}
bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) != 0;
}
#endif

}  // namespace vurerode::cli
