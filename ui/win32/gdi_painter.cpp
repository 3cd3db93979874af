#include "ui/win32/gdi_painter.h"

#include "platform/text.h"
#include "platform/win32/wide_text.h"

namespace vurerode::setup::win32 {

using platform::win32::Utf8;
using platform::win32::Wide;

COLORREF ToColorRef(uint32_t c) {
  if (c & 0x80000000u) return GetSysColor(static_cast<int>(c & 0xFF));
  return static_cast<COLORREF>(c & 0xFFFFFF);
}

Font CreateModelFont(const TFont& f, int escapement) {
  const std::string upper = platform::UpperCase(f.Name);
  const bool roman = upper.find("TIMES") != std::string::npos || upper.find("ROMAN") != std::string::npos ||
                     upper.find("SERIF") != std::string::npos;
  return Font(CreateFontW(f.Height, 0, escapement, escapement, (f.Style & fsBold) ? FW_BOLD : FW_NORMAL,
                          (f.Style & fsItalic) != 0, (f.Style & fsUnderline) != 0, (f.Style & fsStrikeOut) != 0,
                          DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                          VARIABLE_PITCH | (roman ? FF_ROMAN : FF_SWISS), Wide(f.Name).c_str()));
}

void MeasureShadowLabel(HDC dc, TShadowLabel& label) {
  Font font = CreateModelFont(label.Font);
  Selected sel(dc, font.get());
  const std::wstring text = Wide(label.Caption.empty() ? std::string(" ") : label.Caption);
  SIZE size{};
  GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  label.Width = (label.Caption.empty() ? 0 : size.cx) + screen::kShadowOffset;
  label.Height = size.cy + screen::kShadowOffset;
}

Picture* PictureCache::Get(const std::string& path) {
  auto it = pictures_.find(path);
  if (it != pictures_.end()) return it->second.get();
  std::unique_ptr<Picture> p;
  HBITMAP bmp = static_cast<HBITMAP>(
      LoadImageW(nullptr, Wide(path).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (bmp) {
    p = std::make_unique<Picture>();
    p->bitmap.reset(bmp);
    BITMAP info{};
    GetObjectW(bmp, sizeof info, &info);
    p->width = info.bmWidth;
    p->height = info.bmHeight;
  } else {
    try {
      p = std::make_unique<Picture>();
      p->gif = std::make_unique<GifPicture>(path);
      p->width = p->gif->width();
      p->height = p->gif->height();
    } catch (const std::exception&) {
      p.reset();  // a picture that cannot be loaded is not shown
    }
  }
  if (p && !p->gif && p->width > 0 && p->height > 0) {
    WindowDC screenDC(nullptr);
    MemoryDC mdc(screenDC.get());
    Selected sel(mdc.get(), p->bitmap.get());
    p->transparent = GetPixel(mdc.get(), 0, p->height - 1);
  }
  return (pictures_[path] = std::move(p)).get();
}

GdiPainter::GdiPainter(HDC dc, PictureCache& pictures, const Picture* panelBitmap)
    : dc_(dc), pictures_(pictures), panelBitmap_(panelBitmap), oldBkMode_(SetBkMode(dc, TRANSPARENT)) {}

GdiPainter::~GdiPainter() {
  if (oldFont_) SelectObject(dc_, oldFont_);
  SetBkMode(dc_, oldBkMode_);
}

void GdiPainter::FillRect(const screen::Rect& r, screen::Color c) {
  Brush brush(CreateSolidBrush(ToColorRef(c)));
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  ::FillRect(dc_, &rc, brush.get());
}

void GdiPainter::StretchBitmap(const screen::Rect& r) {
  if (!panelBitmap_) return;
  if (panelBitmap_->gif) {  // a GIF background shows its first frame
    panelBitmap_->gif->Draw(dc_, {r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top});
    return;
  }
  MemoryDC mdc(dc_);
  Selected sel(mdc.get(), panelBitmap_->bitmap.get());
  SetStretchBltMode(dc_, COLORONCOLOR);
  StretchBlt(dc_, r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top, mdc.get(), 0, 0, panelBitmap_->width,
             panelBitmap_->height, SRCCOPY);
}

void GdiPainter::DrawBitmap(int x, int y) {
  if (!panelBitmap_) return;
  if (panelBitmap_->gif) {
    panelBitmap_->gif->Draw(dc_, {x, y, panelBitmap_->width, panelBitmap_->height});
    return;
  }
  MemoryDC mdc(dc_);
  Selected sel(mdc.get(), panelBitmap_->bitmap.get());
  BitBlt(dc_, x, y, panelBitmap_->width, panelBitmap_->height, mdc.get(), 0, 0, SRCCOPY);
}

int GdiPainter::TextHeight(const std::string& text) {
  const std::wstring w = Wide(text);
  SIZE size{};
  GetTextExtentPoint32W(dc_, w.c_str(), static_cast<int>(w.size()), &size);
  return size.cy;
}

void GdiPainter::SetTextAlign(unsigned flags) {
  ::SetTextAlign(dc_, flags);
}

void GdiPainter::TextOut(int x, int y, const std::string& text, screen::Color c, int escapement) {
  SetTextColor(dc_, ToColorRef(c));
  const std::wstring w = Wide(text);
  if (escapement == 0) {
    TextOutW(dc_, x, y, w.c_str(), static_cast<int>(w.size()));
    return;
  }
  // Turned text: the current font's description with only its escapement changed.
  LOGFONTW lf{};
  GetObjectW(GetCurrentObject(dc_, OBJ_FONT), sizeof lf, &lf);
  lf.lfEscapement = lf.lfOrientation = escapement;
  Font turned(CreateFontIndirectW(&lf));
  Selected sel(dc_, turned.get());
  TextOutW(dc_, x, y, w.c_str(), static_cast<int>(w.size()));
}

void GdiPainter::Line(int x1, int y1, int x2, int y2, screen::Color c) {
  Pen pen(CreatePen(PS_SOLID, 1, ToColorRef(c)));
  Selected sel(dc_, pen.get());
  MoveToEx(dc_, x1, y1, nullptr);
  LineTo(dc_, x2, y2);
}

void GdiPainter::FrameRect(const screen::Rect& r, screen::Color c) {
  Brush brush(CreateSolidBrush(ToColorRef(c)));
  RECT rc{r.Left, r.Top, r.Right, r.Bottom};
  ::FrameRect(dc_, &rc, brush.get());
}

void GdiPainter::SelectFont(const TFont& font) {
  Font f = CreateModelFont(font);
  HGDIOBJ old = SelectObject(dc_, f.get());
  if (!oldFont_) oldFont_ = old;
  font_ = std::move(f);  // the previous font is deselected above before it is deleted here
}

void GdiPainter::DrawLogo(const std::string& path, const TRect& r, bool transparent) {
  const Picture* p = pictures_.Get(path);
  if (!p) return;
  if (p->gif) {
    p->gif->Draw(dc_, r);
    return;
  }
  MemoryDC mdc(dc_);
  Selected sel(mdc.get(), p->bitmap.get());
  if (transparent)
    TransparentBlt(dc_, r.Left, r.Top, p->width, p->height, mdc.get(), 0, 0, p->width, p->height, p->transparent);
  else
    StretchBlt(dc_, r.Left, r.Top, r.Width, r.Height, mdc.get(), 0, 0, p->width, p->height, SRCCOPY);
}

}  // namespace vurerode::setup::win32
