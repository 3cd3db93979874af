// The native GUI: the main window (borderless, maximized, the setup screen filling it), the wizard
// panel with its eight pages and the button bar, TUNZIP, and the message, question and input boxes.
// It renders the model's state and forwards the events; the model decides everything.
#pragma once

#include <windows.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/display_screen.h"
#include "ui/console/console_options.h"
#include "ui/console/text_io.h"
#include "ui/win32/gdi.h"
#include "ui/win32/gdi_painter.h"

namespace vurerode::setup::win32 {

class Win32View : public TSetupView {
 public:
  // log may be null: the /LOG record.
  explicit Win32View(console::TextOutput* log = nullptr);
  ~Win32View() override;

  // Creates and shows the main window at once, with the screen's stored look.
  void CreateMainWindow();
  // Hands the view its model: the window reports its size, the timer is armed in install mode.
  void Attach(TDisplayScreen* screen);
  // The model is going away: nothing of the view reaches it any more.
  void Detach() { screen_ = nullptr; }
  // Runs the message loop until the main window is gone.
  void Run();
  HWND main() const { return main_.get(); }

  // ---- TSetupView ----
  PromptResult Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                       PromptIcon icon) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  void ProcessMessages() override;
  void Repaint() override;
  void ShowModal(TUnzip& unzip) override;
  YesNoAll AskYesNoAll(const std::string& text, const std::string& caption) override;
  void MeasureLabel(TShadowLabel& label) override;
  void Record(RecordKind kind, const std::string& what) override;

 private:
  struct Control {
    HWND hwnd;
    int page;  // the page that carries it; -1 for the button bar
  };
  static LRESULT CALLBACK MainProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK WizardProc(HWND, UINT, WPARAM, LPARAM);
  static LRESULT CALLBACK UnzipProc(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnMain(HWND, UINT, WPARAM, LPARAM);
  LRESULT OnWizard(HWND, UINT, WPARAM, LPARAM);

  void CreateWizard();
  HWND Add(int page, const wchar_t* cls, const std::string& text, DWORD style, int x, int y, int w, int h, int id);
  void PaintScreen(HDC dc);
  void PaintScreenPart(HDC dc, const RECT& part);
  void SyncLogo();
  void LogoTimer();
  void PaintWizard(HDC dc);
  void Command(int id, int code);
  void AfterEvent();
  void Sync();
  void SyncText(HWND h, const std::string& text);
  void SyncList();
  void Browse();
  bool Pump();
  int DefaultButton() const;
  HWND Owner() const;

  console::TextOutput* log_;
  TDisplayScreen* screen_ = nullptr;
  TUnzip* unzip_ = nullptr;
  Window main_, wizard_, unzipWindow_;
  std::vector<Control> controls_;
  std::map<HWND, std::string> texts_;
  std::map<int, HWND> byId_;
  Font uiFont_, boldFont_;
  PictureCache pictures_;
  std::string shownScreen_;   // what the setup screen showed at the last sync
  std::string animatedLogo_;  // the GIF the logo timer plays; empty while none plays
  DWORD logoStart_ = 0;       // when it started, in the system's milliseconds
  std::string shownMarkers_;
  std::vector<TListRow> shownRows_;
  bool shownCheckBoxes_ = false;
  bool syncing_ = false;
  bool quit_ = false;
};

// The windows' side of setup.exe: creates the view and the model, runs until the main window is
// gone, returns the exit status: its own, or that of the run it started elevated.
int RunWindows(const console::ConsoleOptions& options, console::TextOutput* log);

}  // namespace vurerode::setup::win32
