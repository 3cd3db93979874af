// The gradient panel and the setup screen painted through a recording painter.
#include "screen/grad_pan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>
#include <tuple>
#include <vector>

#include "screen/setup_screen_paint.h"

namespace vurerode::screen {
namespace {

using namespace setup;

// Records every draw as one line of text.
class RecordingPainter : public ScreenPainter {
 public:
  std::vector<std::string> draws;
  std::vector<std::pair<Rect, Color>> fills;
  int textHeight = 14;

  void FillRect(const Rect& r, Color c) override {
    fills.push_back({r, c});
    Add("fill", r.Left, r.Top, r.Right, r.Bottom, c);
  }
  void StretchBitmap(const Rect& r) override { Add("stretch", r.Left, r.Top, r.Right, r.Bottom); }
  void DrawBitmap(int x, int y) override { Add("bitmap", x, y); }
  int TextHeight(const std::string&) override { return textHeight; }
  void SetTextAlign(unsigned flags) override { Add("align", static_cast<int>(flags)); }
  void TextOut(int x, int y, const std::string& text, Color c, int escapement) override {
    Add("text " + text, x, y, c, escapement);
  }
  void Line(int x1, int y1, int x2, int y2, Color c) override { Add("line", x1, y1, x2, y2, c); }
  void FrameRect(const Rect& r, Color c) override { Add("frame", r.Left, r.Top, r.Right, r.Bottom, c); }
  void SelectFont(const TFont& f) override { Add("font " + f.Name, f.Height, f.Color); }
  void DrawLogo(const std::string& path, const TRect& r, bool transparent) override {
    Add("logo " + path, r.Left, r.Top, r.Width, r.Height, transparent);
  }

  template <typename... T>
  void Add(const std::string& what, T... v) {
    std::ostringstream o;
    o << what;
    ((o << ' ' << v), ...);
    draws.push_back(o.str());
  }
};

TEST(ColorTable, EntriesPerChannel) {
  struct Row {
    Color a, b;
    int i;
    Color want;
  } rows[] = {
      {0x000000, 0xFFFFFF, 0, 0x000000},  {0x000000, 0xFFFFFF, 1, 0x020202},
      {0x000000, 0xFFFFFF, 99, 0xFCFCFC},  // 2.55 * 99 = 252.45: never the end colour
      {0x808000, 0xFFFFFF, 0, 0x808000},  {0x808000, 0xFFFFFF, 1, 0x818102},
      {0xFFFFFF, 0x000000, 1, 0xFCFCFC},  // trunc(255 - 2.55)
      {0xFF0000, 0x000000, 50, 0x7F0000}, {0x0000FF, 0x00FF00, 10, 0x0019E5},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ColorTable(r.a, r.b)[static_cast<size_t>(r.i)], r.want) << std::hex << r.a << "->" << r.b << " " << r.i;
  }
}

TEST(GradPan, BandsOfEveryGradient) {
  struct Row {
    TDirection effect;
    int w, h, k;
    Rect area;
    Color a, b;  // the table's ends
    int entry;
  } rows[] = {
      // The default panel (teal to white), 200 wide.
      {bdVertIn, 200, 40, 0, {0, 0, 2, 40}, 0x808000, 0xFFFFFF, 1},
      {bdVertIn, 200, 40, 49, {98, 0, 100, 40}, 0x808000, 0xFFFFFF, 99},
      {bdVertIn, 200, 40, 50, {100, 0, 102, 40}, 0x808000, 0xFFFFFF, 98},
      {bdVertIn, 200, 40, 99, {198, 0, 200, 40}, 0x808000, 0xFFFFFF, 0},
      {bdVertOut, 200, 40, 0, {0, 0, 2, 40}, 0xFFFFFF, 0x808000, 1},
      {bdHorzIn, 300, 768, 10, {0, 77, 300, 84}, 0x808000, 0xFFFFFF, 21},
      {bdHorzOut, 300, 768, 60, {0, 461, 300, 468}, 0xFFFFFF, 0x808000, 78},
      {bdUp, 10, 1080, 0, {0, 0, 10, 11}, 0x808000, 0xFFFFFF, 0},
      {bdDown, 10, 1080, 99, {0, 1069, 10, 1080}, 0xFFFFFF, 0x808000, 99},
      {bdLeft, 1920, 5, 3, {58, 0, 77, 5}, 0x808000, 0xFFFFFF, 3},
      {bdRight, 1920, 5, 3, {58, 0, 77, 5}, 0xFFFFFF, 0x808000, 3},
      // 50 rows: MulDiv(1, 50, 100) rounds 0.5 up, so band 0 is row 0 and band 1 is empty.
      {bdUp, 10, 50, 0, {0, 0, 10, 1}, 0x808000, 0xFFFFFF, 0},
      {bdUp, 10, 50, 1, {0, 1, 10, 1}, 0x808000, 0xFFFFFF, 1},
  };
  for (const Row& r : rows) {
    TGradPan pan;
    pan.Width = r.w, pan.Height = r.h;
    pan.SetBackGroundEffect(r.effect);
    std::array<TGradPan::BandFill, 100> bands;
    ASSERT_TRUE(pan.Bands(bands));
    const auto& band = bands[static_cast<size_t>(r.k)];
    EXPECT_EQ(band.Area, r.area) << int(r.effect) << " band " << r.k;
    EXPECT_EQ(band.Fill, ColorTable(r.a, r.b)[static_cast<size_t>(r.entry)]) << int(r.effect) << " band " << r.k;
  }
}

TEST(GradPan, BackgroundDraws) {
  struct Row {
    TDirection effect;
    int w, h, bw, bh;
    bool ctl3d;
    std::vector<std::string> want;
  } rows[] = {
      {bdFlat, 30, 20, 50, 50, false, {"fill 0 0 30 20 8421376"}},
      {bdTileImage, 120, 60, 0, 0, false, {"fill 0 0 120 60 8421376"}},
      {bdStretchImage, 120, 60, 0, 0, false, {"fill 0 0 120 60 8421376"}},
      {bdTileImage,
       120,
       60,
       50,
       50,
       false,
       {"bitmap 0 0", "bitmap 0 50", "bitmap 50 0", "bitmap 50 50", "bitmap 100 0", "bitmap 100 50"}},
      {bdStretchImage, 120, 60, 50, 50, false, {"stretch 0 0 119 59"}},
      // Ctl3D insets by 2 * BevelWidth + BorderWidth = 2 * 1 + 3 = 5.
      {bdStretchImage, 120, 60, 50, 50, true, {"stretch 5 5 114 54"}},
      // (120 - 10) div 100 + 1 = 2 columns, (60 - 10) div 100 + 1 = 1 row: the second copy is cut off.
      {bdTileImage, 120, 60, 100, 100, true, {"bitmap 5 5", "bitmap 105 5"}},
  };
  for (const Row& r : rows) {
    TGradPan pan;
    pan.Width = r.w, pan.Height = r.h, pan.BorderWidth = 3;
    pan.SetBitmapSize(r.bw, r.bh);
    pan.SetBackGroundEffect(r.effect);
    pan.SetCtl3D(r.ctl3d);
    RecordingPainter p;
    pan.PaintBackground(p);
    EXPECT_EQ(p.draws, r.want) << int(r.effect);
  }
  // A gradient is 100 fills at most, whatever the size; empty bands are not filled.
  TGradPan pan;
  pan.Width = 1920, pan.Height = 50;
  pan.SetBackGroundEffect(bdHorzIn);
  RecordingPainter p;
  pan.PaintBackground(p);
  EXPECT_EQ(p.fills.size(), 50u);
}

TEST(GradPan, CaptionPositions) {
  // W 200, H 100, BorderWidth 2, BevelWidth 1 (E = 3), text height 15.
  struct Row {
    TTextRotation rot;
    TAlignment align;
    TVertAlign valign;
    int x, y;
    unsigned flag;
  } rows[] = {
      {trNone, taLeftJustify, vlTop, 5, 5, kAlignLeft},
      {trNone, taRightJustify, vlCenter, 195, 43, kAlignRight},
      {trNone, taCenter, vlBottom, 100, 81, kAlignCenter},
      {trUp, taLeftJustify, vlTop, 5, 5, kAlignRight},
      {trUp, taRightJustify, vlCenter, 181, 43, kAlignCenter},
      {trUp, taCenter, vlBottom, 93, 96, kAlignLeft},
      {trDown, taLeftJustify, vlTop, 19, 4, kAlignLeft},
      {trDown, taRightJustify, vlCenter, 195, 43, kAlignCenter},
      {trDown, taCenter, vlBottom, 107, 95, kAlignRight},
  };
  for (const Row& r : rows) {
    TGradPan pan;
    pan.Width = 200, pan.Height = 100, pan.BorderWidth = 2;
    pan.Alignment = r.align;
    pan.SetVertAlign(r.valign);
    pan.SetTextRotation(r.rot);
    RecordingPainter p;
    p.textHeight = 15;
    int x = 0, y = 0;
    unsigned flag = 99;
    ASSERT_TRUE(pan.CaptionPosition(p, x, y, flag));
    EXPECT_EQ(std::make_tuple(x, y, flag), std::make_tuple(r.x, r.y, r.flag))
        << int(r.rot) << " " << int(r.align) << " " << int(r.valign);
  }
}

TEST(GradPan, TextEffectsAsDraws) {
  // Caption at (5, 5) (left, top), font colour 0x0000FF, shadow grey; turned up: 900 tenths.
  struct Row {
    TTextEffect effect;
    TTextRotation rot;
    std::vector<std::string> want;
  } rows[] = {
      {teNone, trNone, {"align 0", "text A 5 5 255 0"}},
      {teShadow, trNone, {"align 0", "text A 6 6 8421504 0", "text A 5 5 255 0"}},
      {teRaised,
       trNone,
       {"align 0", "text A 4 5 8421504 0", "text A 5 4 8421504 0", "text A 6 5 0 0", "text A 5 6 0 0",
        "text A 5 5 255 0"}},
      {teLowered,
       trNone,
       {"align 0", "text A 6 5 8421504 0", "text A 5 6 8421504 0", "text A 4 5 0 0", "text A 5 4 0 0",
        "text A 5 5 255 0"}},
      {teEmbossed,
       trNone,
       {"align 0", "text A 4 5 8421504 0", "text A 6 5 8421504 0", "text A 5 4 8421504 0", "text A 5 6 8421504 0",
        "text A 5 5 255 0"}},
      {teShadow, trUp, {"align 2", "text A 6 6 8421504 900", "text A 5 5 255 900"}},
      {teNone, trDown, {"align 0", "text A 26 4 255 2700"}},
      {static_cast<TTextEffect>(7), trNone, {}},
      {teShadow, static_cast<TTextRotation>(5), {}},
  };
  for (const Row& r : rows) {
    TGradPan pan;
    pan.Width = 200, pan.Height = 100, pan.BorderWidth = 2, pan.Caption = "A", pan.FontColor = 0x0000FF;
    pan.Alignment = taLeftJustify;
    pan.SetVertAlign(vlTop);
    pan.SetTextRotation(r.rot);
    pan.SetTextEffect(r.effect);
    RecordingPainter p;
    p.textHeight = 22;
    pan.PaintCaption(p);
    EXPECT_EQ(p.draws, r.want) << int(r.effect) << " " << int(r.rot);
  }
}

TEST(GradPan, OwnBevelLines) {
  struct Row {
    TBevelCut outer, inner;
    int bevel, border;
    bool ctl3d;
    std::vector<std::string> want;
  } rows[] = {
      {bvNone, bvNone, 1, 0, false, {}},
      {bvRaised,
       bvNone,
       1,
       0,
       false,
       {"line 0 0 40 0 16777215", "line 0 0 0 30 16777215", "line 0 29 40 29 8421504", "line 39 29 39 0 8421504"}},
      {bvNone,
       bvLowered,
       1,
       2,
       true,
       {"line 3 3 37 3 8421504", "line 3 3 3 27 8421504", "line 3 26 37 26 16777215", "line 36 26 36 3 16777215",
        "frame 1 1 39 29 12345", "frame 2 2 38 28 12345"}},
  };
  for (const Row& r : rows) {
    TGradPan pan;
    pan.Width = 40, pan.Height = 30, pan.Color_ = 12345;
    pan.BevelOuter = r.outer, pan.BevelInner = r.inner, pan.BevelWidth = r.bevel, pan.BorderWidth = r.border;
    pan.SetCtl3D(r.ctl3d);
    RecordingPainter p;
    pan.PaintBevels(p);
    EXPECT_EQ(p.draws, r.want) << int(r.outer) << " " << int(r.inner);
  }
}

TEST(GradPan, HitTestWithMarge) {
  struct Row {
    bool moveable;
    int x, y, want;
  } rows[] = {
      {true, 3, 3, htTopLeft},       {true, 3, 77, htBottomLeft}, {true, 3, 40, htLeft},   {true, 97, 2, htTopRight},
      {true, 97, 77, htBottomRight}, {true, 97, 40, htRight},     {true, 50, 5, htTop},    {true, 50, 77, htBottom},
      {true, 50, 40, htCaption},     {true, 6, 6, htCaption},     {true, 95, 74, htRight}, {true, 94, 74, htCaption},
      {false, 3, 3, htNowhere},      {false, 50, 40, htNowhere},
  };
  for (const Row& r : rows) {
    TGradPan pan;
    pan.Width = 100, pan.Height = 80, pan.Moveable = r.moveable;
    EXPECT_EQ(pan.HitTest(r.x, r.y), r.want) << r.x << "," << r.y;
  }
}

TEST(GradPan, MoveEventSeesThePositionBeforeTheMove) {
  TGradPan pan;
  pan.Left = 10, pan.Top = 20;
  std::vector<std::pair<int, int>> seen;
  pan.OnPanelMove = [&](TGradPan& sender) { seen.push_back({sender.Left, sender.Top}); };
  pan.WindowMoved(30, 40);
  pan.WindowMoved(50, 60);
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{10, 20}, {30, 40}}));
  EXPECT_EQ(std::make_pair(pan.Left, pan.Top), std::make_pair(50, 60));
}

TEST(GradPan, WhatRepaints) {
  struct Row {
    TDirection effect;
    std::function<void(TGradPan&)> change;
    int repaints;
  } rows[] = {
      {bdTileImage, [](TGradPan& p) { p.BitmapChanged(); }, 1},
      {bdStretchImage, [](TGradPan& p) { p.SetBitmapSize(10, 10); }, 1},
      {bdHorzIn, [](TGradPan& p) { p.BitmapChanged(); }, 0},
      {bdHorzIn, [](TGradPan& p) { p.SetColorEnd(1); }, 1},
      {bdHorzIn, [](TGradPan& p) { p.SetTextRotation(trUp); }, 1},
      {bdHorzIn, [](TGradPan& p) { p.Marge = 3, p.Moveable = true; }, 0},
  };
  for (const Row& r : rows) {
    TGradPan pan;
    pan.SetBackGroundEffect(r.effect);
    int repaints = 0;
    pan.Invalidate = [&] { ++repaints; };
    r.change(pan);
    EXPECT_EQ(repaints, r.repaints) << int(r.effect);
  }
}

TEST(SetupScreen, PaintsBandsTextAndLogoWhereTheModelPutThem) {
  TSetupScreenState s;
  s.Width = 1024, s.Height = 768;
  s.TitleLine.Top = 8, s.TitleLine.Font.Color = kClRed, s.TitleLine.ShadowColor = kClBlack;
  s.FooterLine.Top = 750;
  s.LogoBitmap = "C:\\x\\logo.bmp", s.LogoBitmapVisible = true, s.LogoBitmapRect = {911, 5, 108, 58};
  RecordingPainter p;
  PaintSetupScreen(s, p);
  // The navy panel fill, then the bands of bdHorzIn from blue to black.
  ASSERT_GE(p.fills.size(), 101u);
  const auto table = ColorTable(kClBlue, kClBlack);
  EXPECT_EQ(p.fills[1].first, (Rect{0, 0, 1024, 8}));
  EXPECT_EQ(p.fills[1].second, table[1]);
  EXPECT_EQ(p.fills[100].second, table[0]);
  auto at = [&](const std::string& d) { return std::find(p.draws.begin(), p.draws.end(), d) - p.draws.begin(); };
  // Shadow first, at the lower right; the docked line centred on the screen.
  EXPECT_LT(at("text " + s.TitleLine.Caption + " 10 10 0 0"), at("text " + s.TitleLine.Caption + " 8 8 255 0"));
  EXPECT_LT(at("align 6"), at("text " + s.FooterLine.Caption + " 512 750 16777215 0"));
  EXPECT_EQ(p.draws.back(), "logo C:\\x\\logo.bmp 911 5 108 58 1");
}

TEST(SetupScreen, GifLogoLiesOnItsFrameColour) {
  TSetupScreenState s;
  s.LogoImage = "C:\\x\\logo.gif", s.LogoFrameVisible = true, s.LogoFrame = {911, 5, 108, 58};
  s.ImageBorderColor = 0x123456;
  RecordingPainter p;
  PaintSetupScreen(s, p);
  const TRect in = LogoPictureRect(s);
  EXPECT_EQ(p.draws.back(), "logo C:\\x\\logo.gif 915 9 100 50 0");
  EXPECT_EQ(in.Left, 915);
  // The whole frame takes its colour first, so the picture's transparent pixels show it.
  const auto frame = std::find_if(p.fills.begin(), p.fills.end(), [&](const auto& f) { return f.second == 0x123456; });
  ASSERT_NE(frame, p.fills.end());
  EXPECT_EQ(frame->first.Left, 911);
  EXPECT_EQ(frame->first.Top, 5);
  EXPECT_EQ(frame->first.Right, 911 + 108);
  EXPECT_EQ(frame->first.Bottom, 5 + 58);
}

}  // namespace
}  // namespace vurerode::screen
