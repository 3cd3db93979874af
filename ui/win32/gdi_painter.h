// The setup screen's and the gradient panel's draws on a GDI device context, the pictures they
// show (bitmaps and GIF frames), and the fonts of the text lines.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <string>

#include "screen/setup_screen_paint.h"
#include "ui/win32/gdi.h"
#include "ui/win32/gif_picture.h"

namespace vurerode::setup::win32 {

// A font as the model describes it. A face the system lacks ("Times New Roman" in a bare Wine
// prefix) is asked for with its family, so font mapping picks a face of the same kind.
Font CreateModelFont(const TFont& f, int escapement = 0);

// The size a shadowed text line takes in its font, shadow included.
void MeasureShadowLabel(HDC dc, TShadowLabel& label);

// A picture file loaded once: a bitmap, or a GIF with the frame it shows.
struct Picture {
  Bitmap bitmap;
  int width = 0, height = 0;
  COLORREF transparent = 0;  // the colour of the bottom-left pixel
  std::unique_ptr<GifPicture> gif;
};

class PictureCache {
 public:
  // The picture of a file, nullptr when it cannot be loaded.
  Picture* Get(const std::string& path);

 private:
  std::map<std::string, std::unique_ptr<Picture>> pictures_;
};

class GdiPainter : public screen::ScreenPainter {
 public:
  // panelBitmap: the panel's bitmap for the picture effects (may be null).
  GdiPainter(HDC dc, PictureCache& pictures, const Picture* panelBitmap = nullptr);
  ~GdiPainter() override;

  void FillRect(const screen::Rect& r, screen::Color c) override;
  void StretchBitmap(const screen::Rect& r) override;
  void DrawBitmap(int x, int y) override;
  int TextHeight(const std::string& text) override;
  void SetTextAlign(unsigned flags) override;
  void TextOut(int x, int y, const std::string& text, screen::Color c, int escapement) override;
  void Line(int x1, int y1, int x2, int y2, screen::Color c) override;
  void FrameRect(const screen::Rect& r, screen::Color c) override;
  void SelectFont(const TFont& font) override;
  void DrawLogo(const std::string& path, const TRect& r, bool transparent) override;

 private:
  HDC dc_;
  PictureCache& pictures_;
  const Picture* panelBitmap_;
  Font font_;
  HGDIOBJ oldFont_ = nullptr;
  int oldBkMode_;
};

}  // namespace vurerode::setup::win32
