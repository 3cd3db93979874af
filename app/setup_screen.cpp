// The setup screen's stored look and its styling operations.
#include "app/setup_screen.h"

#include "app/display_screen.h"
#include "app/picture_size.h"
#include "platform/text.h"

namespace vurerode::setup {

namespace {

// a * b / c rounded half away from zero, as the system's MulDiv rounds.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  long long p = static_cast<long long>(a) * b;
  long long q = p / c, r = p % c;
  if (2 * (r < 0 ? -r : r) >= (c < 0 ? -c : c)) q += ((p < 0) != (c < 0)) ? -1 : 1;
  return static_cast<int>(q);
}

}  // namespace

int TFont::Size() const {
  return -MulDiv(Height, 72, PixelsPerInch);
}

void TFont::SetSize(int points) {
  Height = -MulDiv(points, PixelsPerInch, 72);
}

TSetupScreenState::TSetupScreenState() {
  TitleLine.Caption = "Initializing Wizard For ZAD2000  .....";
  TitleLine.Font.Height = -32;
  SubtitleLine.Caption = "De-Compressing .... Please Standby.";
  SubtitleLine.Font.Height = -16;
  NoteLine.Font.Height = -16;
  FooterLine.Caption = "Vurerode Setup System | Vurerode";
  FooterLine.Font.Height = -13;
  FooterLine.DockedBottom = true;
}

std::optional<TDirection> DisplayStyleEffect(const std::string& value) {
  static const std::pair<const char*, TDirection> kStyles[] = {{"Solid Color", bdFlat},
                                                               {"Horizontal In", bdHorzIn},
                                                               {"Horizontal Out", bdHorzOut},
                                                               {"Vertical In", bdVertIn},
                                                               {"Vertical Out", bdVertOut},
                                                               {"Left", bdLeft},
                                                               {"Right", bdRight},
                                                               {"Up", bdUp},
                                                               {"Down", bdDown},
                                                               {"Stretch Bitmap Image", bdStretchImage},
                                                               {"Tile Bitmap Image", bdTileImage}};
  for (const auto& [name, effect] : kStyles)
    if (value == name) return effect;
  return std::nullopt;
}

void TDisplayScreen::AdjustFonts() {
  TSetupScreenState& s = Screen;
  for (TShadowLabel* l : {&s.TitleLine, &s.SubtitleLine, &s.NoteLine, &s.FooterLine}) {
    view_.MeasureLabel(*l);
    l->Left = 8;
  }
  s.SubtitleLine.Top = s.TitleLine.Top + s.TitleLine.Height + 2;
  s.NoteLine.Top = s.SubtitleLine.Top + s.SubtitleLine.Height + 2;
  s.FooterLine.Top = s.Height - s.FooterLine.Height;
}

void TDisplayScreen::LoadLogo() {
  TSetupScreenState& s = Screen;
  s.LogoFrame.Width = s.LogoFrame.Height = 1000;
  s.LogoFrameVisible = false;
  s.LogoBitmapVisible = false;
  s.LogoImage.clear();
  s.LogoBitmap.clear();
  const std::string& logo = Settings.LogoFile;
  if (!logo.empty()) {
    const std::string path = Globals.ExpandDir + logo;
    if (platform::UpperCase(logo).find(".BMP") != std::string::npos) {
      if (auto size = ReadPictureSize(platform().fs(), path, PictureKind::Bitmap)) {
        s.LogoBitmap = path;
        Repaint();
        s.LogoFrame.Width = size->Width;
        s.LogoFrame.Height = size->Height;
        s.LogoBitmapRect.Width = size->Width;
        s.LogoBitmapRect.Height = size->Height;
        s.LogoBitmapVisible = true;
      }
    } else if (auto size = ReadPictureSize(platform().fs(), path, PictureKind::Gif)) {
      s.LogoImage = path;
      s.LogoFrame.Width = size->Width + 8;
      s.LogoFrame.Height = size->Height + 8;
      s.LogoFrameVisible = true;
    }
  }
  PlaceLogo();
}

void TDisplayScreen::PlaceLogo() {
  TSetupScreenState& s = Screen;
  const int W = s.Width, H = s.Height, w = s.LogoFrame.Width, h = s.LogoFrame.Height;
  const int underText = s.NoteLine.Top + s.NoteLine.Height + 10;
  int left = s.LogoFrame.Left, top = s.LogoFrame.Top;
  const std::string& pos = Settings.LogoPos;
  if (pos == "Upper Right")
    left = W - w - 5, top = 5;
  else if (pos == "Bottom Right")
    left = W - w - 5, top = H - h - 5;
  else if (pos == "Upper Left (Under Text)")
    left = 5, top = underText;
  else if (pos == "Bottom Left")
    left = 5, top = H - h - 5;
  else if (pos == "Upper Center")
    left = W / 2 - w / 2, top = underText;
  else if (pos == "Lower Center")
    left = W / 2 - w / 2, top = s.FooterLine.Top - h - 5;
  else if (pos == "Center")
    left = W / 2 - w / 2, top = H / 2 - h / 2;
  s.LogoFrame.Left = s.LogoBitmapRect.Left = left;
  s.LogoFrame.Top = s.LogoBitmapRect.Top = top;
}

void TDisplayScreen::ApplyDisplayStyle() {
  if (auto effect = DisplayStyleEffect(Settings.DisplayStyle)) Screen.BackGroundEffect = *effect;
}

}  // namespace vurerode::setup
