// TGradPan: a panel that paints its own background (a flat colour, a stretched or tiled picture, or a
// two-colour gradient of 100 bands), draws its caption with a text effect upright or turned, draws its
// own bevel lines, and can be dragged and sized by the user. The logic is portable: it paints through
// a small Painter that a window system (GDI) or a test implements.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "app/setup_screen.h"

namespace vurerode::screen {

using Color = uint32_t;  // 0x00BBGGRR
using setup::TDirection;

enum TTextEffect : uint8_t { teNone, teShadow, teRaised, teLowered, teEmbossed };
enum TTextRotation : uint8_t { trNone, trUp, trDown };
enum TVertAlign : uint8_t { vlTop, vlCenter, vlBottom };
enum TAlignment : uint8_t { taLeftJustify, taRightJustify, taCenter };
enum TBevelCut : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

// Text alignment flags of the drawing surface (the top of the text is always at the point).
inline constexpr unsigned kAlignLeft = 0, kAlignRight = 2, kAlignCenter = 6;

// Answers of the hit test, as the window system numbers them.
enum THitTest : int {
  htNowhere = 0,
  htCaption = 2,
  htLeft = 10,
  htRight = 11,
  htTop = 12,
  htTopLeft = 13,
  htTopRight = 14,
  htBottom = 15,
  htBottomLeft = 16,
  htBottomRight = 17
};

struct Rect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // Right and Bottom excluded
  bool operator==(const Rect&) const = default;
};

// What painting the panel needs of a drawing surface.
class Painter {
 public:
  virtual ~Painter() = default;
  virtual void FillRect(const Rect& r, Color c) = 0;
  // The panel's bitmap stretched into r, or drawn unscaled with its top-left corner at (x, y).
  virtual void StretchBitmap(const Rect& r) = 0;
  virtual void DrawBitmap(int x, int y) = 0;
  // Height of a text in the panel's font.
  virtual int TextHeight(const std::string& text) = 0;
  virtual void SetTextAlign(unsigned flags) = 0;
  // Writes text at (x, y) in colour c; escapement in tenths of a degree (0 upright, 900 up, 2700 down):
  // a turned text is written with a font created for it and deleted afterwards.
  virtual void TextOut(int x, int y, const std::string& text, Color c, int escapement) = 0;
  // A pen line from `from` up to but excluding `to`.
  virtual void Line(int x1, int y1, int x2, int y2, Color c) = 0;
  // A one-pixel outline of r in colour c.
  virtual void FrameRect(const Rect& r, Color c) = 0;
};

// The 100-entry colour table from a towards b: per channel trunc(i * (b - a) / 100 + a).
std::array<Color, 100> ColorTable(Color a, Color b);

// A system's MulDiv: a * b / c rounded half away from zero.
int MulDiv(int a, int b, int c);

class TGradPan {
 public:
  TGradPan();

  // ---- the standard panel's properties ----
  std::string Caption;
  TAlignment Alignment = taCenter;
  TBevelCut BevelInner = bvNone, BevelOuter = bvRaised;
  int BevelWidth = 1;
  int BorderWidth = 0;
  Color Color_ = 0x8000000F;  // the panel's own colour (Color)
  Color FontColor = 0x000000;
  int Left = 0, Top = 0, Width = 185, Height = 41;

  // ---- its own; the setters that change the look repaint ----
  TDirection BackGroundEffect() const { return effect_; }
  void SetBackGroundEffect(TDirection v) { Set(effect_, v); }
  Color ColorStart() const { return start_; }
  void SetColorStart(Color v) { Set(start_, v); }
  Color ColorEnd() const { return end_; }
  void SetColorEnd(Color v) { Set(end_, v); }
  Color ColorShadow() const { return shadow_; }
  void SetColorShadow(Color v) { Set(shadow_, v); }
  TTextEffect TextEffect() const { return textEffect_; }
  void SetTextEffect(TTextEffect v) { Set(textEffect_, v); }
  TTextRotation TextRotation() const { return rotation_; }
  void SetTextRotation(TTextRotation v) { Set(rotation_, v); }
  TVertAlign VertAlign() const { return vertAlign_; }
  void SetVertAlign(TVertAlign v) { Set(vertAlign_, v); }
  bool Ctl3D() const { return ctl3d_; }
  void SetCtl3D(bool v) { Set(ctl3d_, v); }
  int Marge = 6;
  bool Moveable = false;
  std::function<void(TGradPan&)> OnPanelMove;
  // Asks the window to repaint the panel.
  std::function<void()> Invalidate;

  // The panel's bitmap as its size (the pixels are the view's); 0 by 0 is empty. Setting it, or
  // reporting that its pixels changed, repaints for the two image effects only.
  int BitmapWidth = 50, BitmapHeight = 50;
  void SetBitmapSize(int width, int height);
  void BitmapChanged();

  // ---- the window's messages ----
  void Paint(Painter& p);
  // The answer to a hit test at the client point (x, y).
  int HitTest(int x, int y) const;
  // The window moved to (left, top): OnPanelMove first, then the position is recorded.
  void WindowMoved(int left, int top);

  // Parts of painting, for a view and for tests.
  void PaintBackground(Painter& p);
  // The caption's reference point and alignment flag; false when the rotation is unknown.
  bool CaptionPosition(Painter& p, int& x, int& y, unsigned& flag);
  void PaintCaption(Painter& p);
  void PaintBevels(Painter& p);
  // The 100 bands of a gradient effect (edges and colours, band k at index k); false for the others.
  struct BandFill {
    Rect Area;
    Color Fill;
  };
  bool Bands(std::array<BandFill, 100>& bands) const;

 private:
  template <typename T>
  void Set(T& field, T v) {
    field = v;
    if (Invalidate) Invalidate();
  }
  bool IsImageEffect() const { return effect_ == setup::bdStretchImage || effect_ == setup::bdTileImage; }

  TDirection effect_ = setup::bdVertIn;
  Color start_ = 0x808000, end_ = 0xFFFFFF, shadow_ = 0x808080;
  TTextEffect textEffect_ = teShadow;
  TTextRotation rotation_ = trNone;
  TVertAlign vertAlign_ = vlCenter;
  bool ctl3d_ = false;
};

}  // namespace vurerode::screen
