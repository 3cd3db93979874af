// The controls of the setup program's windows as plain state: what a view shows and what the
// model's decisions change. Names follow the windows' own controls.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vurerode::setup {

struct TButton {
  explicit TButton(std::string caption = {}) : Caption(std::move(caption)) {}
  std::string Caption;
  bool Visible = true;
  bool Enabled = true;
  std::string Hint;
};

struct TLabel {
  explicit TLabel(std::string caption = {}) : Caption(std::move(caption)) {}
  std::string Caption;
  bool Visible = true;
  bool Bold = false;
};

struct TCheckBox {
  explicit TCheckBox(std::string caption = {}) : Caption(std::move(caption)) {}
  std::string Caption;
  bool Checked = false;
};

struct TRadioButton {
  explicit TRadioButton(std::string caption = {}) : Caption(std::move(caption)) {}
  std::string Caption;
  bool Visible = true;
  bool Checked = false;
};

struct TProgressBar {
  int Min = 0;
  int Max = 100;
  int Position = 0;
  void StepBy(int n) { Position = Position + n > Max ? Max : Position + n; }
};

// A picture beside a step label: pending until the step is reached, then done.
struct TMarker {
  bool Visible = false;
  bool Done = false;
};

struct TListRow {
  std::string Caption;  // the program
  std::string Where;    // "StartMenu", "Desktop" or "Quick Launch"
  int ImageIndex = 0;
  bool Checked = false;
};

struct TListView {
  std::vector<TListRow> Items;
  bool CheckBoxes = false;
};

struct TPanel {
  bool Visible = false;
  int Left = 0, Top = 0, Width = 440, Height = 300;
};

}  // namespace vurerode::setup
