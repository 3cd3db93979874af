#include "ui/console/standard_text.h"

#include <algorithm>
#include <stdexcept>

#include "ui/console/buffered_text.h"
#include "ui/console/utf16_text.h"
#ifdef _WIN32
#include <windows.h>

#include "platform/win32/wide_text.h"
#else
#include <unistd.h>

#include <cerrno>
#endif

namespace vurerode::setup::console {

namespace {

#ifdef _WIN32

bool IsConsole(HANDLE h) {
  DWORD mode = 0;
  return h != INVALID_HANDLE_VALUE && h != nullptr && GetConsoleMode(h, &mode);
}

std::unique_ptr<TextOutput> OutputTo(DWORD which, bool everyWrite) {
  const HANDLE h = GetStdHandle(which);
  if (IsConsole(h))
    return std::make_unique<Utf16Writer>(
        [h](std::u16string_view text) {
          while (!text.empty()) {
            // Large writes to a console can fail for want of the console's shared memory.
            const DWORD n = static_cast<DWORD>(std::min<size_t>(text.size(), 8192));
            DWORD written = 0;
            if (!WriteConsoleW(h, text.data(), n, &written, nullptr) || written == 0) return;
            text.remove_prefix(written);
          }
        },
        everyWrite);
  return std::make_unique<BufferedOut>(
      [h](std::string_view text) {
        // Lines end with CR LF in a file or a pipe, as the C runtime's text mode always wrote them.
        std::string crlf;
        crlf.reserve(text.size() + text.size() / 16);
        for (const char c : text) {
          if (c == '\n') crlf += '\r';
          crlf += c;
        }
        std::string_view bytes = crlf;
        while (!bytes.empty()) {
          DWORD written = 0;
          if (!WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) || written == 0) return;
          bytes.remove_prefix(written);
        }
      },
      BufferedOut::Rules{.everyWrite = everyWrite});
}

// Bytes from a redirected input, a file or a pipe.
class HandleIn final : public LineReader {
 public:
  explicit HandleIn(HANDLE h) : h_(h) {}

 protected:
  bool More(std::string& text) override {
    char bytes[4096];
    DWORD read = 0;
    if (!ReadFile(h_, bytes, sizeof bytes, &read, nullptr) || read == 0) return false;
    text.append(bytes, read);
    return true;
  }

 private:
  HANDLE h_;
};

std::unique_ptr<TextInput> Input() {
  const HANDLE h = GetStdHandle(STD_INPUT_HANDLE);
  if (!IsConsole(h)) return std::make_unique<HandleIn>(h);
  return std::make_unique<Utf16Reader>([h](char16_t* units, size_t n) -> size_t {
    DWORD read = 0;
    if (!ReadConsoleW(h, units, static_cast<DWORD>(n), &read, nullptr)) return 0;
    return read;
  });
}

std::unique_ptr<TextOutput> Output() {
  return OutputTo(STD_OUTPUT_HANDLE, false);
}
std::unique_ptr<TextOutput> Errors() {
  return OutputTo(STD_ERROR_HANDLE, true);
}

#else

std::unique_ptr<TextOutput> OutputTo(int fd, bool everyWrite) {
  return std::make_unique<BufferedOut>(
      [fd](std::string_view bytes) {
        while (!bytes.empty()) {
          const ssize_t n = ::write(fd, bytes.data(), bytes.size());
          if (n < 0 && errno == EINTR) continue;
          if (n <= 0) return;
          bytes.remove_prefix(static_cast<size_t>(n));
        }
      },
      BufferedOut::Rules{.everyWrite = everyWrite});
}

class DescriptorIn final : public LineReader {
 protected:
  bool More(std::string& text) override {
    char bytes[4096];
    ssize_t n;
    while ((n = ::read(STDIN_FILENO, bytes, sizeof bytes)) < 0 && errno == EINTR) {
    }
    if (n <= 0) return false;
    text.append(bytes, static_cast<size_t>(n));
    return true;
  }
};

std::unique_ptr<TextInput> Input() {
  return std::make_unique<DescriptorIn>();
}
std::unique_ptr<TextOutput> Output() {
  return OutputTo(STDOUT_FILENO, false);
}
std::unique_ptr<TextOutput> Errors() {
  return OutputTo(STDERR_FILENO, true);
}

#endif

}  // namespace

StandardText::StandardText() : out_(Output()), err_(Errors()), in_(Input()) {}

StandardText::~StandardText() = default;

FileOut::FileOut(const std::string& path, bool append)
#ifdef _WIN32
    : file_(_wfopen(platform::win32::Wide(path).c_str(), append ? L"ab" : L"wb"))
#else
    : file_(std::fopen(path.c_str(), append ? "ab" : "wb"))
#endif
{
  if (!file_) throw std::runtime_error("cannot write the log file " + path);
}

void FileOut::Write(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), file_.get());
}

void FileOut::Flush() {
  std::fflush(file_.get());
}

}  // namespace vurerode::setup::console
