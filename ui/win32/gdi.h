// RAII for the GDI objects, device contexts and windows the native GUI uses.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

namespace vurerode::setup::win32 {

// Any GDI object (font, brush, pen, bitmap, region), deleted with DeleteObject.
template <typename H>
class GdiObject {
 public:
  GdiObject() = default;
  explicit GdiObject(H h) : h_(h) {}
  ~GdiObject() { reset(); }
  GdiObject(GdiObject&& o) noexcept : h_(o.release()) {}
  GdiObject& operator=(GdiObject&& o) noexcept {
    if (this != &o) reset(o.release());
    return *this;
  }
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  H get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  H release() {
    H h = h_;
    h_ = nullptr;
    return h;
  }
  void reset(H h = nullptr) {
    if (h_) DeleteObject(h_);
    h_ = h;
  }

 private:
  H h_ = nullptr;
};
using Font = GdiObject<HFONT>;
using Brush = GdiObject<HBRUSH>;
using Pen = GdiObject<HPEN>;
using Bitmap = GdiObject<HBITMAP>;

// A memory device context, deleted with DeleteDC.
class MemoryDC {
 public:
  explicit MemoryDC(HDC compatible) : dc_(CreateCompatibleDC(compatible)) {}
  ~MemoryDC() {
    if (dc_) DeleteDC(dc_);
  }
  MemoryDC(const MemoryDC&) = delete;
  MemoryDC& operator=(const MemoryDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HDC dc_;
};

// A window's device context from GetDC, released with ReleaseDC.
class WindowDC {
 public:
  explicit WindowDC(HWND w) : w_(w), dc_(GetDC(w)) {}
  ~WindowDC() {
    if (dc_) ReleaseDC(w_, dc_);
  }
  WindowDC(const WindowDC&) = delete;
  WindowDC& operator=(const WindowDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND w_;
  HDC dc_;
};

// BeginPaint/EndPaint.
class PaintDC {
 public:
  explicit PaintDC(HWND w) : w_(w) { BeginPaint(w_, &ps_); }
  ~PaintDC() { EndPaint(w_, &ps_); }
  PaintDC(const PaintDC&) = delete;
  PaintDC& operator=(const PaintDC&) = delete;
  HDC get() const { return ps_.hdc; }
  const RECT& rect() const { return ps_.rcPaint; }

 private:
  HWND w_;
  PAINTSTRUCT ps_{};
};

// An object selected into a DC for a scope; the previous one comes back.
class Selected {
 public:
  Selected(HDC dc, HGDIOBJ obj) : dc_(dc), old_(SelectObject(dc, obj)) {}
  ~Selected() { SelectObject(dc_, old_); }
  Selected(const Selected&) = delete;
  Selected& operator=(const Selected&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A window destroyed with DestroyWindow.
class Window {
 public:
  Window() = default;
  explicit Window(HWND h) : h_(h) {}
  ~Window() { reset(); }
  Window(Window&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Window& operator=(Window&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;
  HWND get() const { return h_; }
  void reset(HWND h = nullptr) {
    if (h_ && IsWindow(h_)) DestroyWindow(h_);
    h_ = h;
  }

 private:
  HWND h_ = nullptr;
};

// A kernel handle, closed with CloseHandle.
class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { reset(); }
  Handle(Handle&& o) noexcept : h_(std::exchange(o.h_, nullptr)) {}
  Handle& operator=(Handle&& o) noexcept {
    if (this != &o) reset(std::exchange(o.h_, nullptr));
    return *this;
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  void reset(HANDLE h = nullptr) {
    if (h_ && h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    h_ = h;
  }

 private:
  HANDLE h_ = nullptr;
};

// A colour of the model (0x00BBGGRR, or 0x80000000 plus a system colour index) as GDI's.
COLORREF ToColorRef(uint32_t c);

}  // namespace vurerode::setup::win32
