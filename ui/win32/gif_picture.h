// A GIF logo on screen: its decoded frames and one 32-bit DIB holding the frame being shown, drawn
// with AlphaBlend so that its transparent pixels let the setup screen show through.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "app/setup_screen.h"
#include "screen/gif_animation.h"
#include "ui/win32/gdi.h"

namespace vurerode::setup::win32 {

class GifPicture {
 public:
  // Throws when the file cannot be read or decoded, or the system gives no bitmap for it.
  explicit GifPicture(const std::string& path);

  int width() const { return gif_.Width; }
  int height() const { return gif_.Height; }
  const std::vector<int>& delays() const { return delays_; }
  int plays() const { return gif_.Plays; }
  size_t shown() const { return shown_; }
  // Puts frame into the bitmap that Draw shows.
  void Show(size_t frame);
  void Draw(HDC dc, const TRect& r) const;

 private:
  screen::GifAnimation gif_;
  std::vector<int> delays_;
  Bitmap dib_;
  void* bits_ = nullptr;
  size_t shown_ = 0;
};

}  // namespace vurerode::setup::win32
