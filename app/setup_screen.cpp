// The setup screen's stored look and its styling operations.
#include "app/setup_screen.h"

#include "app/display_screen.h"
#include "app/picture_size.h"
#include "platform/ansi.h"

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
  TextInfo1.Caption = "Initializing Wizard For ZAD2000  .....";
  TextInfo1.Font.Height = -32;
  TextInfo2.Caption = "De-Compressing .... Please Standby.";
  TextInfo2.Font.Height = -16;
  TextInfo3.Font.Height = -16;
  TextInfo4.Caption = "Vurerode Setup System | Vurerode";
  TextInfo4.Font.Height = -13;
  TextInfo4.DockedBottom = true;
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

void TDisplayScreen::AdjustFonts1Click() {
  TSetupScreenState& s = Screen;
  for (TShadowLabel* l : {&s.TextInfo1, &s.TextInfo2, &s.TextInfo3, &s.TextInfo4}) {
    view_.MeasureLabel(*l);
    l->Left = 8;
  }
  s.TextInfo2.Top = s.TextInfo1.Top + s.TextInfo1.Height + 2;
  s.TextInfo3.Top = s.TextInfo2.Top + s.TextInfo2.Height + 2;
  s.TextInfo4.Top = s.Height - s.TextInfo4.Height;
}

void TDisplayScreen::LoadLogo1Click() {
  TSetupScreenState& s = Screen;
  s.ImageHolder1.Width = s.ImageHolder1.Height = 1000;
  s.ImageHolder1Visible = false;
  s.LogoImage2Visible = false;
  s.LogoImage.clear();
  s.LogoImage2.clear();
  const std::string& logo = Settings.LogoFile;
  if (!logo.empty()) {
    const std::string path = Globals.ExpandDir + logo;
    if (platform::AnsiUpperCase(logo).find(".BMP") != std::string::npos) {
      if (auto size = ReadPictureSize(platform_.fs(), path, PictureKind::Bitmap)) {
        s.LogoImage2 = path;
        Repaint();
        s.ImageHolder1.Width = size->Width;
        s.ImageHolder1.Height = size->Height;
        s.LogoImage2Rect.Width = size->Width;
        s.LogoImage2Rect.Height = size->Height;
        s.LogoImage2Visible = true;
      }
    } else if (auto size = ReadPictureSize(platform_.fs(), path, PictureKind::Gif)) {
      s.LogoImage = path;
      s.ImageHolder1.Width = size->Width + 8;
      s.ImageHolder1.Height = size->Height + 8;
      s.ImageHolder1Visible = true;
    }
  }
  LogoPosChanges1Click();
}

void TDisplayScreen::LogoPosChanges1Click() {
  TSetupScreenState& s = Screen;
  const int W = s.Width, H = s.Height, w = s.ImageHolder1.Width, h = s.ImageHolder1.Height;
  const int underText = s.TextInfo3.Top + s.TextInfo3.Height + 10;
  int left = s.ImageHolder1.Left, top = s.ImageHolder1.Top;
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
    left = W / 2 - w / 2, top = s.TextInfo4.Top - h - 5;
  else if (pos == "Center")
    left = W / 2 - w / 2, top = H / 2 - h / 2;
  s.ImageHolder1.Left = s.LogoImage2Rect.Left = left;
  s.ImageHolder1.Top = s.LogoImage2Rect.Top = top;
}

void TDisplayScreen::DisplayStyleChanges1Click() {
  if (auto effect = DisplayStyleEffect(Settings.DisplayStyle)) Screen.BackGroundEffect = *effect;
}

}  // namespace vurerode::setup
