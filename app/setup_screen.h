// The full-screen setup screen as state a view renders: the gradient background, the four shadowed
// text lines with their fonts, and the logo. The styling operations lay it out from the sizes the
// view measures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vurerode::setup {

// Colours are 0x00BBGGRR, or 0x80000000 plus a system colour index.
inline constexpr uint32_t kClBlue = 0xFF0000;
inline constexpr uint32_t kClBlack = 0x000000;
inline constexpr uint32_t kClWhite = 0xFFFFFF;
inline constexpr uint32_t kClRed = 0x0000FF;
inline constexpr uint32_t kClNavy = 0x800000;
inline constexpr uint32_t kClBtnFace = 0x8000000F;

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };

struct TFont {
  std::string Name = "Times New Roman";
  int Height = -16;  // pixels; negative: the characters' height
  int PixelsPerInch = 96;
  uint32_t Color = kClWhite;
  uint8_t Style = 0;
  // Size in points, as the height reads at the font's pixels per inch.
  int Size() const;
  void SetSize(int points);
};

struct TShadowLabel {
  std::string Caption;
  TFont Font;
  uint32_t ShadowColor = kClBlack;
  int Left = 8;
  int Top = 8;
  int Height = 0;  // the label sizes itself to its text: measured by the view
  int Width = 0;
  bool DockedBottom = false;
};

// Background effects of the gradient panel.
enum TDirection : uint8_t {
  bdFlat,
  bdHorzIn,
  bdHorzOut,
  bdVertIn,
  bdVertOut,
  bdLeft,
  bdRight,
  bdUp,
  bdDown,
  bdStretchImage,
  bdTileImage
};

struct TRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
};

struct TSetupScreenState {
  uint32_t ColorStart = kClBlue;
  uint32_t ColorEnd = kClBlack;
  TDirection BackGroundEffect = bdHorzIn;
  std::string BackgroundBitmap;  // full path of the loaded background picture; empty for none
  TShadowLabel TitleLine, SubtitleLine, NoteLine, FooterLine;
  // The logo: LogoFrame frames a GIF logo (LogoImage); a bitmap logo (LogoBitmap) is drawn
  // transparent at the frame's place while the frame stays hidden.
  TRect LogoFrame{0, 0, 1000, 1000};
  bool LogoFrameVisible = false;
  uint32_t ImageBorderColor = kClBtnFace;
  std::string LogoImage;  // full path of the GIF shown in the frame
  bool LogoBitmapVisible = false;
  std::string LogoBitmap;  // full path of the bitmap logo
  TRect LogoBitmapRect;
  bool LogoAnimated = false;
  int Width = 1024;  // the screen's size, as the view last reported it
  int Height = 768;

  TSetupScreenState();
};

// Maps a "Display Style" value to its effect; nullopt for values the screen ignores.
std::optional<TDirection> DisplayStyleEffect(const std::string& value);

}  // namespace vurerode::setup
