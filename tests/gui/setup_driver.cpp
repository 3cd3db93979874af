// setup_driver: walks setup.exe's windows from outside, as a person would, through window messages:
// it starts setup.exe, waits for each wizard page, clicks, ticks and types, answers the questions,
// takes screenshots (PNG) and checks the setup screen's colours and logo. A Windows program for the
// Windows leg of the test suite (Wine with Xvfb).
//
//   setup_driver install SETUP.EXE DESTINATION SHOTDIR
//   setup_driver uninstall SETUP.EXE SHOTDIR [ARGS...]
//   setup_driver screen SETUP.EXE PNG DISPLAYSTYLE LOGO LOGOPOS [GIFFRAMES]
//   setup_driver unicode SETUP.EXE SHOTDIR TEXTS   (TEXTS: a UTF-8 file of four lines: the title,
//                                                 the program folder, a shortcut's name, a destination)
//   setup_driver bench SETUP.EXE          (time to the main window; gradient repaint)
//   setup_driver gif FILE                 (writes a one-colour 40 by 20 GIF, a logo for the screen)
//   setup_driver anim FILE                (the same with three frames of 0.4 s, each its own colour)
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/wide_text.h"
#include "screen/grad_pan.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/gdi.h"

using namespace vurerode;
using namespace vurerode::setup::win32;
using vurerode::platform::win32::Utf8;
using vurerode::platform::win32::Wide;

namespace {

PROCESS_INFORMATION g_process{};
Handle g_processHandle, g_threadHandle;  // own g_process's two handles
DWORD g_pid = 0;

[[noreturn]] void Fail(const std::string& why) {
  std::fprintf(stderr, "setup_driver: %s\n", why.c_str());
  if (g_process.hProcess) TerminateProcess(g_process.hProcess, 99);
  std::fflush(stderr);
  std::exit(1);
}

void Say(const std::string& what) {
  std::printf("setup_driver: %s\n", what.c_str());
  std::fflush(stdout);
}

void Start(const std::string& exe, const std::string& args) {
  std::string cmd = "\"" + exe + "\"" + (args.empty() ? "" : " " + args);
  std::string dir = exe.substr(0, exe.find_last_of("\\/") + 1);
  STARTUPINFOA si{};
  si.cb = sizeof si;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.empty() ? nullptr : dir.c_str(),
                      &si, &g_process))
    Fail("cannot start " + cmd);
  g_processHandle.reset(g_process.hProcess);
  g_threadHandle.reset(g_process.hThread);
  g_pid = g_process.dwProcessId;
}

// Waits until pred() holds, checking every step_ms; fails after timeout_ms.
template <typename Pred>
void WaitFor(const std::string& what, Pred pred, int timeout_ms = 60000, int step_ms = 50) {
  for (int t = 0; t < timeout_ms; t += step_ms) {
    if (pred()) return;
    DWORD code = 0;
    if (GetExitCodeProcess(g_process.hProcess, &code) && code != STILL_ACTIVE)
      Fail("setup.exe ended (status " + std::to_string(code) + ") while waiting for " + what);
    Sleep(static_cast<DWORD>(step_ms));
  }
  Fail("timed out waiting for " + what);
}

struct FindArgs {
  const wchar_t* cls;
  HWND found;
};

BOOL CALLBACK FindProc(HWND h, LPARAM l) {
  auto* a = reinterpret_cast<FindArgs*>(l);
  DWORD pid = 0;
  GetWindowThreadProcessId(h, &pid);
  wchar_t name[64] = {};
  GetClassNameW(h, name, 64);
  if (pid == g_pid && IsWindowVisible(h) && std::wcscmp(name, a->cls) == 0) {
    a->found = h;
    return FALSE;
  }
  return TRUE;
}

// A visible top-level window of setup.exe's process with the class cls.
HWND FindTop(const wchar_t* cls) {
  FindArgs a{cls, nullptr};
  EnumWindows(FindProc, reinterpret_cast<LPARAM>(&a));
  return a.found;
}

HWND g_main = nullptr, g_wizard = nullptr;

HWND Ctl(int id) {
  return GetDlgItem(g_wizard, id);
}
bool Shown(int id) {
  HWND h = Ctl(id);
  return h && IsWindowVisible(h);
}
// A window's text as UTF-8, read in the wide form: what the window holds, character for character.
std::string Text(HWND h) {
  const LRESULT n = SendMessageW(h, WM_GETTEXTLENGTH, 0, 0);
  std::wstring buf(static_cast<size_t>(n) + 1, L'\0');
  const LRESULT got = SendMessageW(h, WM_GETTEXT, buf.size(), reinterpret_cast<LPARAM>(buf.data()));
  buf.resize(static_cast<size_t>(got));
  return Utf8(buf);
}

void Click(int id) {
  HWND h = Ctl(id);
  if (!h || !IsWindowVisible(h)) Fail("button " + std::to_string(id) + " is not shown");
  PostMessageW(g_wizard, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(h));
}

void WaitMain() {
  WaitFor("the main window", [] { return (g_main = FindTop(kMainClass)) != nullptr; });
  WaitFor("the wizard", [] {
    g_wizard = FindWindowExW(g_main, nullptr, kWizardClass, nullptr);
    return g_wizard && IsWindowVisible(g_wizard);
  });
}

// ---- screenshots ----

struct Shot {
  int w = 0, h = 0;
  std::vector<uint32_t> px;  // 0x00RRGGBB, top-down
  uint32_t At(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
};

Shot Capture() {
  Shot s;
  s.w = GetSystemMetrics(SM_CXSCREEN), s.h = GetSystemMetrics(SM_CYSCREEN);
  s.px.resize(static_cast<size_t>(s.w) * s.h);
  WindowDC screen(nullptr);
  MemoryDC mem(screen.get());
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = s.w;
  bi.bmiHeader.biHeight = -s.h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  Bitmap dib(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  {
    Selected sel(mem.get(), dib.get());
    BitBlt(mem.get(), 0, 0, s.w, s.h, screen.get(), 0, 0, SRCCOPY);
    GdiFlush();
    std::memcpy(s.px.data(), bits, s.px.size() * 4);
  }
  for (uint32_t& p : s.px) p &= 0xFFFFFF;
  return s;
}

uint32_t Crc(const std::string& data) {
  static uint32_t table[256];
  if (!table[1])
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      table[n] = c;
    }
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void Be32(std::string& out, uint32_t v) {
  for (int i = 3; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A PNG with stored (uncompressed) deflate blocks: simple and exact.
void WritePng(const Shot& s, const std::string& path) {
  std::string raw;
  for (int y = 0; y < s.h; ++y) {
    raw += '\0';
    for (int x = 0; x < s.w; ++x) {
      const uint32_t p = s.At(x, y);
      raw += static_cast<char>((p >> 16) & 0xFF);
      raw += static_cast<char>((p >> 8) & 0xFF);
      raw += static_cast<char>(p & 0xFF);
    }
  }
  std::string z = "\x78\x01";
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  for (size_t at = 0; at < raw.size(); at += 65535) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z += static_cast<char>(at + n == raw.size() ? 1 : 0);
    z += static_cast<char>(n & 0xFF), z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF), z += static_cast<char>((~n >> 8) & 0xFF);
    z.append(raw, at, n);
  }
  Be32(z, (b << 16) | a);
  std::string png = "\x89PNG\r\n\x1a\n";
  auto chunk = [&](const char* type, const std::string& data) {
    Be32(png, static_cast<uint32_t>(data.size()));
    const std::string body = std::string(type) + data;
    png += body;
    Be32(png, Crc(body));
  };
  std::string ihdr;
  Be32(ihdr, static_cast<uint32_t>(s.w));
  Be32(ihdr, static_cast<uint32_t>(s.h));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  chunk("IHDR", ihdr);
  chunk("IDAT", z);
  chunk("IEND", "");
  std::ofstream(path, std::ios::binary).write(png.data(), static_cast<std::streamsize>(png.size()));
}

void Screenshot(const std::string& dir, const std::string& name) {
  Sleep(300);  // lets the window finish painting
  WritePng(Capture(), dir + "\\" + name + ".png");
  Say("screenshot " + name + ".png");
}

uint32_t Rgb(screen::Color c) {  // 0x00BBGGRR to 0x00RRGGBB
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}

// Every band of the gradient shows its table colour at enough of 16 points along it (text, the
// logo and the wizard cover the others).
void CheckBands(const Shot& s, setup::TDirection effect, screen::Color from, screen::Color to) {
  screen::TGradPan pan;
  pan.Width = s.w, pan.Height = s.h;
  pan.SetBackGroundEffect(effect);
  pan.SetColorStart(from);
  pan.SetColorEnd(to);
  std::array<screen::TGradPan::BandFill, 100> bands;
  if (effect == setup::bdFlat) {
    bands.fill({{0, 0, s.w, s.h}, from});
  } else if (!pan.Bands(bands)) {
    Fail("not a gradient");
  }
  int checked = 0;
  for (size_t k = 0; k < bands.size(); ++k) {
    const screen::Rect& r = bands[k].Area;
    if (r.Right <= r.Left || r.Bottom <= r.Top) continue;
    const uint32_t want = Rgb(bands[k].Fill);
    int hits = 0;
    for (int i = 0; i < 16; ++i) {
      const int x = r.Left + (r.Right - r.Left - 1) * i / 15, y = r.Top + (r.Bottom - r.Top - 1) * i / 15;
      const int cx = r.Right - r.Left > r.Bottom - r.Top ? x : (r.Left + r.Right) / 2;
      const int cy = r.Right - r.Left > r.Bottom - r.Top ? (r.Top + r.Bottom) / 2 : y;
      hits += s.At(cx, cy) == want;
    }
    if (hits < 3) {
      char buf[160];
      std::snprintf(buf, sizeof buf, "band %zu (%d,%d)-(%d,%d): colour %06X seen at %d of 16 points", k, r.Left, r.Top,
                    r.Right, r.Bottom, want, hits);
      Fail(buf);
    }
    ++checked;
  }
  Say("bands: " + std::to_string(checked) + " bands show the colour table");
}

// The logo's opaque pixels are at (left, top) in the screenshot.
// Pixels under the wizard, which floats in front of the screen, are not compared; a logo entirely
// behind it counts as found when it is there (the centred positions).
bool LogoAt(const Shot& s, HBITMAP logo, int lw, int lh, int left, int top, bool allowCovered = true) {
  if (left < 0 || top < 0 || left + lw > s.w || top + lh > s.h) return false;
  RECT wiz{};
  GetWindowRect(g_wizard, &wiz);
  auto covered = [&](int x, int y) { return x >= wiz.left && x < wiz.right && y >= wiz.top && y < wiz.bottom; };
  if (covered(left, top) && covered(left + lw - 1, top + lh - 1)) return allowCovered;
  MemoryDC mdc(nullptr);
  Selected sel(mdc.get(), logo);
  HDC dc = mdc.get();
  const COLORREF transparent = GetPixel(dc, 0, lh - 1);
  int opaque = 0, same = 0;
  for (int y = 0; y < lh; y += 2)
    for (int x = 0; x < lw; x += 2) {
      const COLORREF c = GetPixel(dc, x, y);
      if (c == transparent || covered(left + x, top + y)) continue;
      ++opaque;
      same +=
          s.At(left + x, top + y) == static_cast<uint32_t>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
    }
  return opaque > 0 && same == opaque;
}

void CheckLogo(const Shot& s, const std::string& bmp, const std::string& pos) {
  Bitmap logoBitmap(static_cast<HBITMAP>(LoadImageA(nullptr, bmp.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
  HBITMAP logo = logoBitmap.get();
  if (!logo) Fail("cannot read " + bmp);
  BITMAP info{};
  GetObjectW(logo, sizeof info, &info);
  const int W = s.w, H = s.h, w = info.bmWidth, h = info.bmHeight;
  int left = -1, top = -1;
  if (pos == "Upper Right") left = W - w - 5, top = 5;
  if (pos == "Bottom Right") left = W - w - 5, top = H - h - 5;
  if (pos == "Bottom Left") left = 5, top = H - h - 5;
  if (pos == "Center") left = W / 2 - w / 2, top = H / 2 - h / 2;
  if (pos == "Upper Left (Under Text)") left = 5;
  if (pos == "Upper Center" || pos == "Lower Center") left = W / 2 - w / 2;
  if (left < 0) Fail("unknown Logo Pos " + pos);
  if (top < 0) {
    // Placed by the text lines' heights: found along its column, then checked against the lines.
    for (int y = 0; y + h <= H && top < 0; ++y)
      if (LogoAt(s, logo, w, h, left, y, false)) top = y;
    if (top < 0) Fail("no logo in the column at x " + std::to_string(left));
    const bool upper = pos != "Lower Center";
    if (upper ? top < 40 || top > H / 2 : top < H / 2 || top + h > H - 10)
      Fail("logo at top " + std::to_string(top) + " is not where " + pos + " puts it");
  } else if (!LogoAt(s, logo, w, h, left, top)) {
    Fail("the logo is not at " + std::to_string(left) + "," + std::to_string(top));
  }
  RECT wiz{};
  GetWindowRect(g_wizard, &wiz);
  const bool behind = left >= wiz.left && left + w <= wiz.right && top >= wiz.top && top + h <= wiz.bottom;
  Say(std::string(behind ? "logo (behind the wizard): " : "logo: ") + pos + " at " + std::to_string(left) + "," +
      std::to_string(top) + " size " + std::to_string(w) + "x" + std::to_string(h));
}

// The picture effects with the background picture BMP: a tiled copy exactly, or the stretched picture
// at sampled points (each equal to one of the source pixels next to where it maps).
void CheckImage(const Shot& s, setup::TDirection effect, const std::string& bmp) {
  Bitmap pic(static_cast<HBITMAP>(LoadImageA(nullptr, bmp.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE)));
  if (!pic) Fail("cannot read " + bmp);
  BITMAP info{};
  GetObjectW(pic.get(), sizeof info, &info);
  const int bw = info.bmWidth, bh = info.bmHeight;
  MemoryDC mdc(nullptr);
  Selected sel(mdc.get(), pic.get());
  HDC dc = mdc.get();
  auto src = [&](int x, int y) {
    const COLORREF c = GetPixel(dc, x, y);
    return static_cast<uint32_t>((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c));
  };
  int compared = 0;
  if (effect == setup::bdTileImage) {
    // The copy in column 0, row 5: left of the wizard, below the text lines.
    const int top = 5 * bh;
    for (int y = 0; y < bh; ++y)
      for (int x = 0; x < bw; ++x, ++compared)
        if (s.At(x, top + y) != src(x, y))
          Fail("tile (0, 5) differs at " + std::to_string(x) + "," + std::to_string(y));
  } else {
    const int dw = s.w - 1, dh = s.h - 1;  // stretched into (0, 0)-(W - 1, H - 1)
    for (int y = s.h / 4; y < s.h * 3 / 4; y += 37)
      for (int x : {2, 4, s.w - 4, s.w - 3}) {
        const int sx = x * bw / dw, sy = y * bh / dh;
        bool matches = false;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx)
            matches |=
                sx + dx >= 0 && sx + dx < bw && sy + dy >= 0 && sy + dy < bh && s.At(x, y) == src(sx + dx, sy + dy);
        if (!matches) Fail("stretched picture differs at " + std::to_string(x) + "," + std::to_string(y));
        ++compared;
      }
  }
  Say("background picture: " + std::to_string(compared) + " pixels as the picture " +
      (effect == setup::bdTileImage ? "tiled" : "stretched"));
}

// The animated logo's columns on the left that are transparent: the screen shows through them.
constexpr int kSeeThrough = 4;

// A GIF of solid frames, one colour each (0x00RRGGBB), w by h, each shown for delayCs hundredths
// of a second, looping without end, its first kSeeThrough columns transparent: LZW codes of 3 bits,
// a clear code after every two pixels so the code size never grows. One colour makes a still
// picture without animation blocks or transparency.
void WriteSolidGif(const std::string& path, int w, int h, const std::vector<uint32_t>& colours, int delayCs) {
  std::string g = "GIF89a";
  auto le16 = [&](int v) { g += static_cast<char>(v & 0xFF), g += static_cast<char>((v >> 8) & 0xFF); };
  le16(w), le16(h);
  g += '\x81', g += '\0', g += '\0';  // a global table of 4 colours
  for (size_t i = 0; i < 4; ++i) {
    const uint32_t rgb = i < colours.size() ? colours[i] : 0;
    g += static_cast<char>(rgb >> 16), g += static_cast<char>(rgb >> 8), g += static_cast<char>(rgb);
  }
  if (colours.size() > 1) g += std::string("\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
  for (size_t frame = 0; frame < colours.size(); ++frame) {
    if (colours.size() > 1) {
      g += std::string("\x21\xF9\x04\x01", 4);  // with a transparent index: the table's last
      le16(delayCs);
      g += std::string("\x03\x00", 2);
    }
    g += ',';
    le16(0), le16(0), le16(w), le16(h);
    g += '\0';
    g += '\x02';  // minimum code size
    std::string data;
    uint32_t acc = 0;
    int bits = 0;
    auto code = [&](int c) {
      acc |= static_cast<uint32_t>(c) << bits, bits += 3;
      while (bits >= 8) data += static_cast<char>(acc & 0xFF), acc >>= 8, bits -= 8;
    };
    const int pixels = w * h;
    auto index = [&](int i) { return colours.size() > 1 && i % w < kSeeThrough ? 3 : static_cast<int>(frame); };
    for (int i = 0; i < pixels; i += 2) {
      code(4);
      code(index(i));
      if (i + 1 < pixels) code(index(i + 1));
    }
    code(5);
    if (bits) data += static_cast<char>(acc & 0xFF);
    for (size_t at = 0; at < data.size(); at += 255) {
      const size_t n = std::min<size_t>(255, data.size() - at);
      g += static_cast<char>(n);
      g.append(data, at, n);
    }
    g += '\0';
  }
  g += ';';
  std::ofstream(path, std::ios::binary).write(g.data(), static_cast<std::streamsize>(g.size()));
}

// The colour every pixel of the w by h area at (left, top) has; nullopt when they differ.
std::optional<uint32_t> SolidColour(const Shot& s, int left, int top, int w, int h) {
  const uint32_t c = s.At(left, top);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (s.At(left + x, top + y) != c) return std::nullopt;
  return c;
}

// A GIF logo of solid frames: its frame (8 pixels larger) at Upper Right, the picture 4 pixels
// inside it, showing `frames` different colours of its table in screenshots taken while it plays
// (the first of them written to png, the others beside it); an animated one's transparent columns
// show the frame's colour ("Image Border Color") it lies on.
void CheckGifLogo(const Shot& first, const std::string& gif, const std::string& png, size_t frames) {
  std::ifstream in(gif, std::ios::binary);
  unsigned char head[25] = {};
  in.read(reinterpret_cast<char*>(head), sizeof head);
  const int gw = head[6] | head[7] << 8, gh = head[8] | head[9] << 8;
  std::vector<uint32_t> table;
  for (size_t i = 0; i < 4; ++i)
    table.push_back(static_cast<uint32_t>(head[13 + 3 * i] << 16 | head[14 + 3 * i] << 8 | head[15 + 3 * i]));
  const int left = first.w - (gw + 8) - 5 + 4, top = 5 + 4, clear = frames > 1 ? kSeeThrough : 0;
  if (clear > 0) {
    // The pixel just inside the bevel, left of the picture, has the frame's colour.
    for (int y = top; y < top + gh; ++y)
      for (int x = left; x < left + clear; ++x)
        if (first.At(x, y) != first.At(left - 1, y))
          Fail("the GIF logo's transparent pixel at " + std::to_string(x) + "," + std::to_string(y) +
               " does not show the frame's colour");
    Say("GIF logo: its transparent pixels show the frame's colour");
  }
  std::vector<uint32_t> seen;
  std::string last = "nothing";
  Shot s = first;
  // Frames change on the program's clock: screenshots until enough were seen, within a time limit.
  for (int t = 0; t < 15000 && seen.size() < frames; t += 50) {
    if (t > 0) {
      Sleep(50);
      s = Capture();
    }
    const std::optional<uint32_t> c = SolidColour(s, left + clear, top, gw - clear, gh);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%06X", c.value_or(0));
    last = c ? std::string("colour ") + buf : "a picture of several colours";
    if (!c || std::find(seen.begin(), seen.end(), *c) != seen.end()) continue;
    if (std::find(table.begin(), table.begin() + static_cast<long>(frames), *c) ==
        table.begin() + static_cast<long>(frames))
      Fail("the GIF logo at " + std::to_string(left) + "," + std::to_string(top) + " shows " + last +
           ", which none of its frames has");
    seen.push_back(*c);
    if (seen.size() > 1) WritePng(s, png.substr(0, png.size() - 4) + "-frame" + std::to_string(seen.size()) + ".png");
    Say("GIF logo: frame colour " + std::string(buf) + " inside the frame at " + std::to_string(left - 4) + "," +
        std::to_string(top - 4));
  }
  if (seen.size() < frames)
    Fail("the GIF logo showed " + std::to_string(seen.size()) + " of " + std::to_string(frames) +
         " frames in 15 s; last " + last);
}

int WaitExit() {
  if (WaitForSingleObject(g_process.hProcess, 120000) != WAIT_OBJECT_0) Fail("setup.exe did not end");
  DWORD code = 0;
  GetExitCodeProcess(g_process.hProcess, &code);
  return static_cast<int>(code);
}

// ---- a list view row's state in another process: the item lives in that process's memory ----
void SetRowState(HWND list, int row, UINT state, UINT mask) {
  Handle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, g_pid));
  HANDLE proc = process.get();
  if (!proc) Fail("cannot open setup.exe's process");
  LVITEMW item{};
  item.stateMask = mask;
  item.state = state;
  void* remote = VirtualAllocEx(proc, nullptr, sizeof item, MEM_COMMIT, PAGE_READWRITE);
  WriteProcessMemory(proc, remote, &item, sizeof item, nullptr);
  SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
  VirtualFreeEx(proc, remote, 0, MEM_RELEASE);
}

void SetRowChecked(HWND list, int row, bool checked) {
  SetRowState(list, row, INDEXTOSTATEIMAGEMASK(checked ? 2 : 1), LVIS_STATEIMAGEMASK);
}

bool RowChecked(HWND list, int row) {
  return ((SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) >> 12) - 1) != 0;
}

// A list view row's text (column sub), read through a buffer in setup.exe's memory.
std::string RowText(HWND list, int row, int sub) {
  Handle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ, FALSE, g_pid));
  if (!process.get()) Fail("cannot open setup.exe's process");
  constexpr size_t kChars = 512;
  auto* remote = static_cast<char*>(
      VirtualAllocEx(process.get(), nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE));
  LVITEMW item{};
  item.iSubItem = sub;
  item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof item);
  item.cchTextMax = kChars;
  WriteProcessMemory(process.get(), remote, &item, sizeof item, nullptr);
  const auto n = static_cast<size_t>(
      SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote)));
  std::wstring text(std::min(n, kChars), L'\0');
  ReadProcessMemory(process.get(), remote + sizeof item, text.data(), text.size() * sizeof(wchar_t), nullptr);
  VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
  return Utf8(text);
}

// Answers every Yes/No/All question that is open; returns how many.
int AnswerQuestions(int button) {
  int answered = 0;
  for (HWND box; (box = FindTop(L"#32770")) != nullptr;) {
    if (!GetDlgItem(box, idAll)) Fail("an unexpected box: " + Text(box) + ": " + Text(GetDlgItem(box, 0xFFFF)));
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    ++answered;
    Sleep(200);
  }
  return answered;
}

int Install(const std::string& exe, const std::string& dest, const std::string& shots) {
  Start(exe, "");
  // TUNZIP: the expansion window in front of the setup screen, client area 339 by 71.
  HWND unzip = nullptr;
  WaitFor(
      "the expansion window", [&] { return (unzip = FindTop(kUnzipClass)) != nullptr; }, 60000, 10);
  RECT client{};
  GetClientRect(unzip, &client);
  if (client.right != 339 || client.bottom != 71)
    Fail("the expansion window's client area is " + std::to_string(client.right) + " by " +
         std::to_string(client.bottom));
  Screenshot(shots, "tunzip");
  WaitMain();
  // Page 1: the licence, opened first; Back hidden on the start page.
  WaitFor("the licence page with Accept and Decline, without Back and Next", [] {
    return Shown(idLicenceMemo) && !Shown(idBack) && !Shown(idNext) && Shown(idAccept) && Shown(idDecline);
  });
  if (Text(Ctl(idLicenceMemo)).empty()) Fail("the licence text is empty");
  Screenshot(shots, "page1-licence");
  Click(idAccept);
  // Page 2: the destination, typed into the box; Enter is the default button (Next).
  WaitFor("the destination page", [] { return Shown(idMainDir) && Shown(idBack) && Shown(idNext); });
  Screenshot(shots, "page2-destination");
  // The browse button: the shell's folder dialog, centred on the wizard; cancelled, it changes nothing.
  const std::string before = Text(Ctl(idMainDir));
  Click(idBrowse);
  HWND browse = nullptr;
  WaitFor("the folder dialog", [&] { return (browse = FindTop(L"#32770")) != nullptr; });
  Sleep(300);
  RECT d{}, w{};
  GetWindowRect(browse, &d);
  GetWindowRect(g_wizard, &w);
  const int dx = (d.left + d.right) / 2 - (w.left + w.right) / 2, dy = (d.top + d.bottom) / 2 - (w.top + w.bottom) / 2;
  Screenshot(shots, "page2-browse");
  if (dx < -2 || dx > 2 || dy < -2 || dy > 2)
    Fail("the folder dialog is off the wizard's centre by " + std::to_string(dx) + "," + std::to_string(dy));
  PostMessageW(browse, WM_COMMAND, IDCANCEL, 0);
  WaitFor("the folder dialog to close", [] { return FindTop(L"#32770") == nullptr; });
  if (Text(Ctl(idMainDir)) != before) Fail("a cancelled folder dialog changed the destination");
  Say("folder dialog centred on the wizard, cancelled");
  SendMessageW(Ctl(idMainDir), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(dest).c_str()));
  PostMessageW(Ctl(idMainDir), WM_KEYDOWN, VK_RETURN, 0);
  PostMessageW(Ctl(idMainDir), WM_KEYUP, VK_RETURN, 0);
  // Page 3: the shortcuts: the folder to the Start menu, one more row ticked.
  WaitFor("the shortcuts page", [] { return Shown(idShortcutList); });
  HWND list = Ctl(idShortcutList);
  WaitFor("the shortcut rows", [&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) >= 6; });
  const int rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  std::string ticks;
  for (int r = 0; r < rows; ++r) ticks += RowChecked(list, r) ? 'X' : '-';
  Say("shortcut rows " + ticks);
  // The second entry's Desktop row (Manual): ticked by the user.
  SetRowChecked(list, 4, true);
  Sleep(200);
  if (!RowChecked(list, 4)) Fail("row 4 did not take the tick");
  // The keyboard: Space ticks the focused row (the second entry's Quick Launch row).
  SetRowState(list, 5, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
  PostMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
  PostMessageW(list, WM_KEYUP, VK_SPACE, 0);
  WaitFor(
      "Space to tick row 5", [&] { return RowChecked(list, 5); }, 5000);
  SendMessageW(Ctl(idAddFolderToStartMenu), BM_SETCHECK, BST_CHECKED, 0);
  PostMessageW(g_wizard, WM_COMMAND, MAKEWPARAM(idAddFolderToStartMenu, BN_CLICKED),
               reinterpret_cast<LPARAM>(Ctl(idAddFolderToStartMenu)));
  Sleep(200);
  Screenshot(shots, "page3-shortcuts");
  Click(idNext);
  // Page 4: the summary names the destination.
  WaitFor("the summary page", [] { return Shown(idSummary) && Text(Ctl(idNext)) == "&Install"; });
  const std::string memo = Text(Ctl(idSummary));
  if (memo.find("Install To: " + dest) == std::string::npos) Fail("summary: " + memo);
  // Built on entering the shortcuts page: the folder box ticked there afterwards is not in it.
  if (memo.find("StartMenu : ") != std::string::npos) Fail("summary rebuilt after the tick: " + memo);
  Screenshot(shots, "page4-ready");
  Click(idNext);
  // Pages 5 and 6: the installation, then the finish page.
  WaitFor("the install page", [] { return Shown(idInstallProgress) || Shown(idFinished); });
  // The install page lasts as long as the copying: a shot only when it is still there afterwards.
  if (Shown(idInstallProgress)) {
    const Shot during = Capture();
    if (Shown(idInstallProgress) && !Shown(idFinished)) {
      WritePng(during, shots + "\\page5-install.png");
      Say("screenshot page5-install.png");
    } else {
      Say("the install page was gone before its screenshot");
    }
  }
  WaitFor(
      "the finish page", [] { return Shown(idFinished); }, 120000);
  Screenshot(shots, "page6-finished");
  // The radio group: Launch Program is chosen when there is a program; Return to Windows instead.
  Click(idReturnToWindows);
  WaitFor("Return to Windows chosen", [] {
    return SendMessageW(Ctl(idReturnToWindows), BM_GETCHECK, 0, 0) == BST_CHECKED &&
           SendMessageW(Ctl(idLaunchItOption), BM_GETCHECK, 0, 0) != BST_CHECKED;
  });
  Click(idFinished);
  const int status = WaitExit();
  Say("setup.exe ended with status " + std::to_string(status));
  return status;
}

int Uninstall(const std::string& exe, const std::string& shots, const std::string& args) {
  Start(exe, args);
  WaitMain();
  WaitFor("the uninstaller page", [] { return Shown(idRemove); });
  Screenshot(shots, "page7-uninstaller");
  Click(idRemove);
  int questions = 0;
  for (;;) {
    DWORD code = 0;
    GetExitCodeProcess(g_process.hProcess, &code);
    if (code != STILL_ACTIVE) break;
    questions += AnswerQuestions(IDYES);
    Sleep(100);
  }
  Say("system-file questions answered Yes: " + std::to_string(questions));
  const int status = WaitExit();
  Say("setup.exe ended with status " + std::to_string(status));
  return questions > 0 ? status : (Fail("no system-file question was asked"), 1);
}

int ScreenCheck(const std::string& exe, const std::string& png, const std::string& style, const std::string& bmp,
                const std::string& pos, size_t gifFrames) {
  const setup::TDirection effect = setup::DisplayStyleEffect(style).value_or(setup::bdHorzIn);
  Start(exe, "");
  WaitMain();
  WaitFor("the first page", [] { return Shown(idLicenceMemo) || Shown(idMainDir); });
  Sleep(300);
  const Shot s = Capture();
  WritePng(s, png);
  if (effect == setup::bdStretchImage || effect == setup::bdTileImage)
    CheckImage(s, effect, bmp);
  else
    CheckBands(s, effect, setup::kClBlue, setup::kClBlack);
  if (bmp.size() > 4 && (bmp.substr(bmp.size() - 4) == ".gif" || bmp.substr(bmp.size() - 4) == ".GIF"))
    CheckGifLogo(s, bmp, png, gifFrames);
  else
    CheckLogo(s, bmp, pos);
  PostMessageW(g_wizard, WM_COMMAND, MAKEWPARAM(idCancel, BN_CLICKED), reinterpret_cast<LPARAM>(Ctl(idCancel)));
  const int status = WaitExit();
  if (status != 2) Fail("Cancel ended with status " + std::to_string(status));
  return 0;
}

// Each character of text drawn alone in the font must look like neither a blank nor a character
// that no font has (the box of a missing glyph): the system links a font that has it.
void CheckGlyphs(const LOGFONTW& face, const std::string& what, const std::string& text) {
  LOGFONTW lf = face;
  lf.lfHeight = -32;
  Font font(CreateFontIndirectW(&lf));
  WindowDC screen(nullptr);
  MemoryDC mem(screen.get());
  Bitmap bitmap(CreateCompatibleBitmap(screen.get(), 64, 48));
  Selected sb(mem.get(), bitmap.get());
  Selected sf(mem.get(), font.get());
  SetBkMode(mem.get(), TRANSPARENT);
  SetTextColor(mem.get(), RGB(0, 0, 0));
  auto draw = [&](const std::wstring& c) {
    RECT rc{0, 0, 64, 48};
    FillRect(mem.get(), &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawTextW(mem.get(), c.c_str(), static_cast<int>(c.size()), &rc, DT_NOPREFIX | DT_SINGLELINE);
    std::vector<COLORREF> px;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) px.push_back(GetPixel(mem.get(), x, y));
    return px;
  };
  const auto missing = draw(L"\x0378"), blank = draw(L" ");
  const std::wstring wide = Wide(text);
  for (size_t i = 0; i < wide.size(); ++i) {
    const size_t n = wide[i] >= 0xD800 && wide[i] < 0xDC00 && i + 1 < wide.size() ? 2 : 1;
    const std::wstring c = wide.substr(i, n);
    i += n - 1;
    if (c == L" ") continue;
    const auto shown = draw(c);
    if (shown == missing || shown == blank) Fail(what + " has no glyph for '" + Utf8(c) + "' of \"" + text + "\"");
  }
  Say(what + " shows every character of \"" + text + "\"");
}

// A project named outside ASCII: the wizard's fonts have its characters, the setup screen and the
// pages show them (screenshots), and the windows hold exactly the texts (read in the wide form);
// a destination typed with such characters reaches the summary whole. Cancelled on the summary.
int UnicodeCheck(const std::string& exe, const std::string& shots, const std::string& textsFile) {
  std::ifstream in(Wide(textsFile).c_str(), std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  if (lines.size() < 4) Fail("the texts file needs four lines: " + textsFile);
  const std::string &title = lines[0], &folder = lines[1], &shortcut = lines[2], &dest = lines[3];
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  for (const std::string* text : {&title, &folder, &shortcut, &dest})
    CheckGlyphs(ncm.lfMessageFont, "the message font", *text);
  LOGFONTW dialog{};
  wcscpy(dialog.lfFaceName, L"MS Shell Dlg 2");
  CheckGlyphs(dialog, "MS Shell Dlg 2", title);
  LOGFONTW roman{};  // the setup screen's text lines, as the model's font asks for them
  roman.lfPitchAndFamily = VARIABLE_PITCH | FF_ROMAN;
  wcscpy(roman.lfFaceName, L"Times New Roman");
  CheckGlyphs(roman, "Times New Roman", title);

  Start(exe, "");
  WaitMain();
  WaitFor("the licence page", [] { return Shown(idLicenceMemo) && Shown(idAccept); });
  Screenshot(shots, "unicode-screen");
  Click(idAccept);
  WaitFor("the destination page", [] { return Shown(idMainDir) && Shown(idNext); });
  if (Text(Ctl(idMainDir)).find(title) == std::string::npos) Fail("destination: " + Text(Ctl(idMainDir)));
  Screenshot(shots, "unicode-destination");
  SendMessageW(Ctl(idMainDir), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(dest).c_str()));
  Click(idNext);
  WaitFor("the shortcuts page", [] { return Shown(idShortcutList); });
  if (Text(Ctl(idCreateFolder)) != folder) Fail("program folder: \"" + Text(Ctl(idCreateFolder)) + "\"");
  HWND list = Ctl(idShortcutList);
  WaitFor("the shortcut rows", [&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 0; });
  bool found = false;
  for (int r = 0; r < static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); ++r)
    found |= RowText(list, r, 0) == shortcut;
  if (!found) Fail("no shortcut row reads \"" + shortcut + "\"; the first reads \"" + RowText(list, 0, 0) + "\"");
  Say("program folder and shortcut row read back exactly");
  Screenshot(shots, "unicode-shortcuts");
  Click(idNext);
  WaitFor("the summary page", [] { return Shown(idSummary) && Text(Ctl(idNext)) == "&Install"; });
  const std::string memo = Text(Ctl(idSummary));
  if (memo.find("Install To: " + dest) == std::string::npos || memo.find(shortcut) == std::string::npos)
    Fail("summary: " + memo);
  Say("the typed destination and the shortcut reach the summary whole");
  Screenshot(shots, "unicode-ready");
  Click(idCancel);
  const int status = WaitExit();
  if (status != 2) Fail("Cancel ended with status " + std::to_string(status));
  return 0;
}

int Bench(const std::string& exe) {
  const auto t0 = std::chrono::steady_clock::now();
  Start(exe, "");
  WaitFor(
      "the main window", [] { return (g_main = FindTop(kMainClass)) != nullptr; }, 30000);
  const auto t1 = std::chrono::steady_clock::now();
  // Repaints of the whole screen: the gradient and the text lines, each made to paint at once.
  const int n = 50;
  const auto t2 = std::chrono::steady_clock::now();
  for (int i = 0; i < n; ++i) RedrawWindow(g_main, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  const auto t3 = std::chrono::steady_clock::now();
  const double toWindow = std::chrono::duration<double, std::milli>(t1 - t0).count();
  const double repaint = std::chrono::duration<double, std::milli>(t3 - t2).count() / n;
  char buf[200];
  std::snprintf(buf, sizeof buf, "main window on screen after %.0f ms; a %dx%d repaint takes %.2f ms", toWindow,
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), repaint);
  Say(buf);
  TerminateProcess(g_process.hProcess, 3);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> a(argv + 1, argv + argc);
  if (a.size() >= 4 && a[0] == "install") return Install(a[1], a[2], a[3]);
  if (a.size() >= 3 && a[0] == "uninstall") {
    std::string args;
    for (size_t i = 3; i < a.size(); ++i) args += (i > 3 ? " " : "") + a[i];
    return Uninstall(a[1], a[2], args);
  }
  if (a.size() >= 6 && a[0] == "screen")
    return ScreenCheck(a[1], a[2], a[3], a[4], a[5], a.size() >= 7 ? std::stoul(a[6]) : 1);
  if (a.size() >= 4 && a[0] == "unicode") return UnicodeCheck(a[1], a[2], a[3]);
  if (a.size() >= 2 && a[0] == "bench") return Bench(a[1]);
  if (a.size() >= 2 && a[0] == "gif") {
    WriteSolidGif(a[1], 40, 20, {0xC02010}, 0);
    return 0;
  }
  if (a.size() >= 2 && a[0] == "anim") {
    WriteSolidGif(a[1], 40, 20, {0xC02010, 0x10A040, 0x2030D0}, 40);
    return 0;
  }
  std::fprintf(stderr, "usage: setup_driver install|uninstall|screen|unicode|bench ...\n");
  return 2;
}
