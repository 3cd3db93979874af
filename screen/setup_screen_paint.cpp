#include "screen/setup_screen_paint.h"

namespace vurerode::screen {

setup::TRect LogoPictureRect(const setup::TSetupScreenState& s) {
  const setup::TRect& f = s.LogoFrame;
  return {f.Left + kLogoFrameInset, f.Top + kLogoFrameInset, f.Width - 2 * kLogoFrameInset,
          f.Height - 2 * kLogoFrameInset};
}

TGradPan SetupScreenPanel(const setup::TSetupScreenState& s, int bitmapWidth, int bitmapHeight) {
  TGradPan pan;
  pan.Width = s.Width;
  pan.Height = s.Height;
  pan.BevelOuter = bvNone;
  pan.BevelInner = bvNone;
  pan.Color_ = setup::kClNavy;
  pan.SetBackGroundEffect(s.BackGroundEffect);
  pan.SetColorStart(s.ColorStart);
  pan.SetColorEnd(s.ColorEnd);
  pan.BitmapWidth = s.BackgroundBitmap.empty() ? 0 : bitmapWidth;
  pan.BitmapHeight = s.BackgroundBitmap.empty() ? 0 : bitmapHeight;
  return pan;
}

void TextLinePosition(const setup::TSetupScreenState& s, const setup::TShadowLabel& l, int& x, int& y, unsigned& flag) {
  y = l.Top;
  if (l.DockedBottom) {
    x = s.Width / 2;
    flag = kAlignCenter;
  } else {
    x = l.Left;
    flag = kAlignLeft;
  }
}

void PaintSetupScreen(const setup::TSetupScreenState& s, ScreenPainter& p, int bitmapWidth, int bitmapHeight) {
  TGradPan pan = SetupScreenPanel(s, bitmapWidth, bitmapHeight);
  pan.Paint(p);
  for (const setup::TShadowLabel* l : {&s.TitleLine, &s.SubtitleLine, &s.NoteLine, &s.FooterLine}) {
    if (l->Caption.empty()) continue;
    int x = 0, y = 0;
    unsigned flag = 0;
    TextLinePosition(s, *l, x, y, flag);
    p.SelectFont(l->Font);
    p.SetTextAlign(flag);
    p.TextOut(x + kShadowOffset, y + kShadowOffset, l->Caption, l->ShadowColor, 0);
    p.TextOut(x, y, l->Caption, l->Font.Color, 0);
  }
  if (s.LogoFrameVisible && !s.LogoImage.empty()) {
    const setup::TRect& f = s.LogoFrame;
    // The frame is filled with its colour, which the picture's transparent pixels show.
    p.FillRect({f.Left, f.Top, f.Left + f.Width, f.Top + f.Height}, s.ImageBorderColor);
    // The lowered inner bevel inside the 2-pixel border: grey at the top left, white at the bottom right.
    const int a = 2, l = f.Left + a, t = f.Top + a, r = f.Left + f.Width - a, b = f.Top + f.Height - a;
    p.Line(l, t, r, t, 0x808080);
    p.Line(l, t, l, b, 0x808080);
    p.Line(l, b - 1, r, b - 1, 0xFFFFFF);
    p.Line(r - 1, b - 1, r - 1, t, 0xFFFFFF);
    p.DrawLogo(s.LogoImage, LogoPictureRect(s), false);
  }
  if (s.LogoBitmapVisible && !s.LogoBitmap.empty()) p.DrawLogo(s.LogoBitmap, s.LogoBitmapRect, true);
}

}  // namespace vurerode::screen
