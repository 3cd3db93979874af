#include "ui/console/command_line.h"

#include "platform/text.h"
#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace vurerode::setup::console {

#ifdef _WIN32

namespace {

// The array CommandLineToArgvW allocates, freed with LocalFree.
struct LocalArray {
  wchar_t** words;
  ~LocalArray() {
    if (words) LocalFree(words);
  }
};

}  // namespace

std::vector<std::string> SplitCommandLine(const wchar_t* commandLine) {
  int count = 0;
  const LocalArray argv{CommandLineToArgvW(commandLine, &count)};
  std::vector<std::string> args;
  for (int i = 1; argv.words && i < count; ++i) {
    const std::wstring_view word(argv.words[i]);
    args.push_back(
        platform::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(word.data()), word.size())));
  }
  return args;
}

std::vector<std::string> ProgramArguments(int, char**) {
  return SplitCommandLine(GetCommandLineW());
}

#else

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

#endif

}  // namespace vurerode::setup::console
