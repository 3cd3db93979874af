#include <iostream>

#if defined(_WIN32)
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/text.h"
#endif

#include "tools/cli.h"

#if defined(_WIN32)
// The command line as Windows holds it, in UTF-16: the narrow arguments would have passed through
// the ANSI code page, which lacks most characters of names. The tool speaks UTF-8 inside and to
// the console.
int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::string> args;
  for (int i = 1; argv && i < argc; ++i) {
    const std::wstring_view arg(argv[i]);
    args.push_back(vurerode::platform::Utf16ToUtf8(
        std::u16string_view(reinterpret_cast<const char16_t*>(arg.data()), arg.size())));
  }
  LocalFree(argv);
  SetConsoleOutputCP(CP_UTF8);
  return vurerode::cli::Main(args, std::cout, std::cerr);
}
#else
int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return vurerode::cli::Main(args, std::cout, std::cerr);
}
#endif
