#include "screen/grad_pan.h"

namespace vurerode::screen {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const long long p = static_cast<long long>(a) * b;
  long long q = p / c;
  const long long r = p % c;
  if (2 * (r < 0 ? -r : r) >= (c < 0 ? -c : c)) q += ((p < 0) != (c < 0)) ? -1 : 1;
  return static_cast<int>(q);
}

std::array<Color, 100> ColorTable(Color a, Color b) {
  std::array<Color, 100> table{};
  double step[3];
  for (int ch = 0; ch < 3; ++ch) {
    const int ca = static_cast<int>((a >> (8 * ch)) & 0xFF), cb = static_cast<int>((b >> (8 * ch)) & 0xFF);
    step[ch] = (cb - ca) / 100.0;
  }
  for (int i = 0; i < 100; ++i) {
    Color c = 0;
    for (int ch = 0; ch < 3; ++ch) {
      const int ca = static_cast<int>((a >> (8 * ch)) & 0xFF);
      const int v = static_cast<int>(i * step[ch] + ca);  // truncated toward zero
      c |= static_cast<Color>(v & 0xFF) << (8 * ch);
    }
    table[static_cast<size_t>(i)] = c;
  }
  return table;
}

TGradPan::TGradPan() = default;

void TGradPan::SetBitmapSize(int width, int height) {
  BitmapWidth = width;
  BitmapHeight = height;
  BitmapChanged();
}

void TGradPan::BitmapChanged() {
  if (IsImageEffect() && Invalidate) Invalidate();
}

bool TGradPan::Bands(std::array<BandFill, 100>& bands) const {
  using namespace setup;
  bool horizontal = true, mirrored = false;
  Color a = start_, b = end_;
  switch (effect_) {
    case bdUp: break;
    case bdDown: std::swap(a, b); break;
    case bdLeft: horizontal = false; break;
    case bdRight: horizontal = false, std::swap(a, b); break;
    case bdHorzIn: mirrored = true; break;
    case bdHorzOut: mirrored = true, std::swap(a, b); break;
    case bdVertIn: horizontal = false, mirrored = true; break;
    case bdVertOut: horizontal = false, mirrored = true, std::swap(a, b); break;
    default: return false;
  }
  const std::array<Color, 100> table = ColorTable(a, b);
  for (int k = 0; k < 100; ++k) {
    const int from = MulDiv(k, horizontal ? Height : Width, 100);
    const int to = MulDiv(k + 1, horizontal ? Height : Width, 100);
    BandFill& band = bands[static_cast<size_t>(k)];
    band.Area = horizontal ? Rect{0, from, Width, to} : Rect{from, 0, to, Height};
    const int entry = !mirrored ? k : k < 50 ? 2 * k + 1 : 198 - 2 * k;
    band.Fill = table[static_cast<size_t>(entry)];
  }
  return true;
}

void TGradPan::PaintBackground(Painter& p) {
  const int W = Width, H = Height;
  if (effect_ == setup::bdFlat) {
    p.FillRect({0, 0, W, H}, start_);
    return;
  }
  if (IsImageEffect()) {
    if (BitmapWidth <= 0 || BitmapHeight <= 0) {
      p.FillRect({0, 0, W, H}, start_);
      return;
    }
    const int a = ctl3d_ ? 2 * BevelWidth + BorderWidth : 0;
    if (effect_ == setup::bdStretchImage) {
      p.StretchBitmap({a, a, W - a - 1, H - a - 1});
      return;
    }
    const int columns = (W - 2 * a) / BitmapWidth + 1, rows = (H - 2 * a) / BitmapHeight + 1;
    for (int c = 0; c < columns; ++c)
      for (int r = 0; r < rows; ++r) p.DrawBitmap(a + c * BitmapWidth, a + r * BitmapHeight);
    return;
  }
  std::array<BandFill, 100> bands;
  if (!Bands(bands)) return;
  for (const BandFill& b : bands)
    if (b.Area.Right > b.Area.Left && b.Area.Bottom > b.Area.Top) p.FillRect(b.Area, b.Fill);
}

bool TGradPan::CaptionPosition(Painter& p, int& x, int& y, unsigned& flag) {
  const int W = Width, H = Height, E = BorderWidth + BevelWidth;
  const int TH = p.TextHeight("^_");
  switch (rotation_) {
    case trNone:
      switch (Alignment) {
        case taLeftJustify: x = E + 2, flag = kAlignLeft; break;
        case taRightJustify: x = W - E - 2, flag = kAlignRight; break;
        default: x = W / 2, flag = kAlignCenter; break;
      }
      y = vertAlign_ == vlTop ? E + 2 : vertAlign_ == vlBottom ? H - E - TH - 1 : H / 2 - TH / 2;
      return true;
    case trUp:
      x = Alignment == taLeftJustify ? E + 2 : Alignment == taRightJustify ? W - E - TH - 1 : W / 2 - TH / 2;
      if (vertAlign_ == vlTop)
        y = E + 2, flag = kAlignRight;
      else if (vertAlign_ == vlBottom)
        y = H - E - 1, flag = kAlignLeft;
      else
        y = H / 2 - TH / 2, flag = kAlignCenter;
      return true;
    case trDown:
      x = Alignment == taLeftJustify ? TH + E + 1 : Alignment == taRightJustify ? W - E - 2 : W / 2 + TH / 2;
      if (vertAlign_ == vlTop)
        y = E + 1, flag = kAlignLeft;
      else if (vertAlign_ == vlBottom)
        y = H - E - 2, flag = kAlignRight;
      else
        y = H / 2 - TH / 2, flag = kAlignCenter;
      return true;
  }
  return false;
}

void TGradPan::PaintCaption(Painter& p) {
  if (textEffect_ > teEmbossed) return;
  int x = 0, y = 0;
  unsigned flag = 0;
  if (!CaptionPosition(p, x, y, flag)) return;
  p.SetTextAlign(flag);
  const int angle = rotation_ == trUp ? 900 : rotation_ == trDown ? 2700 : 0;
  const Color F = FontColor, S = shadow_, K = 0;
  auto draw = [&](int dx, int dy, Color c) { p.TextOut(x + dx, y + dy, Caption, c, angle); };
  switch (textEffect_) {
    case teNone: break;
    case teShadow: draw(1, 1, S); break;
    case teRaised: draw(-1, 0, S), draw(0, -1, S), draw(1, 0, K), draw(0, 1, K); break;
    case teLowered: draw(1, 0, S), draw(0, 1, S), draw(-1, 0, K), draw(0, -1, K); break;
    case teEmbossed: draw(-1, 0, S), draw(1, 0, S), draw(0, -1, S), draw(0, 1, S); break;
  }
  draw(0, 0, F);
}

void TGradPan::PaintBevels(Painter& p) {
  const int W = Width, H = Height;
  const Color white = 0xFFFFFF, grey = 0x808080;
  int s = 1;
  if (BevelOuter != bvNone) {
    const bool raised = BevelOuter == bvRaised;
    for (int i = 0; i < BevelWidth; ++i) {
      p.Line(i, i, W, i, raised ? white : grey);
      p.Line(i, i, i, H, raised ? white : grey);
    }
    for (int i = 0; i < BevelWidth; ++i) {
      p.Line(i, H - 1 - i, W - i, H - 1 - i, raised ? grey : white);
      p.Line(W - 1 - i, H - 1 - i, W - 1 - i, i, raised ? grey : white);
    }
    s = BevelWidth;
  }
  s += BorderWidth;
  if (BevelInner != bvNone) {
    const bool raised = BevelInner == bvRaised;
    for (int i = 0; i < BevelWidth; ++i) {
      p.Line(s + i, s + i, W - s - i, s + i, raised ? white : grey);
      p.Line(s + i, s + i, s + i, H - s - i, raised ? white : grey);
    }
    for (int i = 0; i < BevelWidth; ++i) {
      p.Line(s + i, H - s - i - 1, W - s - i, H - s - i - 1, raised ? grey : white);
      p.Line(W - s - i - 1, H - s - 1, W - s - i - 1, s + i, raised ? grey : white);
    }
  }
  if (ctl3d_ && BevelInner != bvNone) {
    const int t = BevelOuter != bvNone ? BevelWidth - 1 : 0;
    for (int i = 1; i <= BorderWidth; ++i) p.FrameRect({i + t, i + t, W - i - t, H - i - t}, Color_);
  }
}

void TGradPan::Paint(Painter& p) {
  p.FillRect({0, 0, Width, Height}, Color_);  // the standard panel's fill
  PaintBackground(p);
  PaintCaption(p);
  PaintBevels(p);
}

int TGradPan::HitTest(int x, int y) const {
  if (!Moveable) return htNowhere;
  const int M = Marge, W = Width, H = Height;
  if (x < M && y < M) return htTopLeft;
  if (x < M && H - y < M) return htBottomLeft;
  if (x < M) return htLeft;
  if (W - x < M && y < M) return htTopRight;
  if (W - x < M && H - y < M) return htBottomRight;
  if (W - x < M) return htRight;
  if (y < M) return htTop;
  if (H - y < M) return htBottom;
  return htCaption;
}

void TGradPan::WindowMoved(int left, int top) {
  if (OnPanelMove) OnPanelMove(*this);
  Left = left;
  Top = top;
}

}  // namespace vurerode::screen
