// The full-screen setup screen as a sequence of draws: the gradient panel that fills it, the four
// shadowed text lines in their fonts, and the logo (a bitmap drawn transparent, or a GIF inside its
// framed panel), all at the places the model's styling operations computed.
#pragma once

#include <string>

#include "app/setup_screen.h"
#include "screen/grad_pan.h"

namespace vurerode::screen {

// The drawing surface of the setup screen: a panel painter plus fonts and the logo pictures.
class ScreenPainter : public Painter {
 public:
  // The font that TextHeight and TextOut use from now on.
  virtual void SelectFont(const setup::TFont& font) = 0;
  // The picture file drawn into r: a bitmap drawn transparent, or the current frame of a GIF.
  virtual void DrawLogo(const std::string& path, const setup::TRect& r, bool transparent) = 0;
};

// How far the shadow of a text line lies to the lower right, in pixels.
inline constexpr int kShadowOffset = 2;
// How far the GIF logo sits inside its frame (a lowered inner bevel and a 2-pixel border).
inline constexpr int kLogoFrameInset = 4;

// Where the GIF logo's picture lies: the frame's inside. The animation repaints only this.
setup::TRect LogoPictureRect(const setup::TSetupScreenState& s);

// The setup screen's gradient panel for a state: it fills the screen, has no outer bevel and no
// caption. Its bitmap (for the picture effects) is the view's; bitmapWidth/Height give its size.
TGradPan SetupScreenPanel(const setup::TSetupScreenState& s, int bitmapWidth = 0, int bitmapHeight = 0);

// Where a text line is written and with which alignment flag (the docked fourth line is centred).
void TextLinePosition(const setup::TSetupScreenState& s, const setup::TShadowLabel& l, int& x, int& y, unsigned& flag);

// Paints the whole screen: background, text lines (shadow first), logo.
void PaintSetupScreen(const setup::TSetupScreenState& s, ScreenPainter& p, int bitmapWidth = 0, int bitmapHeight = 0);

}  // namespace vurerode::screen
