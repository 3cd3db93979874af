// clang-format off
// The seam first: its classes have members (CreateFile, DeleteFile, ...) that the Windows headers'
// macros would rename.
#include "platform/win32/win32_platform.h"
#include "ui/win32/win32_view.h"
// clang-format on

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/setup_program.h"
#include "app/unzip.h"
#include "platform/win32/wide_text.h"
#include "screen/frame_schedule.h"
#include "screen/setup_screen_paint.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/dialogs.h"

namespace vurerode::setup::win32 {

using platform::win32::Utf8;
using platform::win32::Wide;

namespace {

constexpr UINT_PTR kOneShotTimer = 1;
constexpr UINT_PTR kLogoTimer = 2;
constexpr int kSideWidth = 96;  // the side picture of the pages that have one

// The marker pictures' places on the wizard: install page (3) and uninstaller page (4).
constexpr POINT kInstallMarkers[3] = {{6, 6}, {6, 42}, {6, 60}};
constexpr POINT kUninstallMarkers[4] = {{6, 6}, {6, 22}, {6, 38}, {6, 54}};

Win32View* ViewOf(HWND h) {
  return reinterpret_cast<Win32View*>(GetWindowLongPtrW(h, GWLP_USERDATA));
}

void Remember(HWND h, LPARAM lp) {
  auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
  SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
}

// Line ends as the edit and message boxes want them.
std::string CrLf(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (size_t i = 0; i < lines.size(); ++i) out += (i ? "\r\n" : "") + lines[i];
  return out;
}

// Everything the setup screen shows, as one string: the screen is repainted when it changes. Built
// by hand: a string stream would bring its whole code into setup.exe for this alone.
std::string ScreenKey(const TSetupScreenState& st) {
  std::string key;
  const auto number = [&key](int64_t n) {
    key += std::to_string(n);
    key += ' ';
  };
  const auto text = [&key](const std::string& t) {
    key += t;
    key += '\0';  // ends the text: no caption or path holds one
  };
  number(st.ColorStart);
  number(st.ColorEnd);
  number(st.BackGroundEffect);
  text(st.BackgroundBitmap);
  number(st.Width);
  number(st.Height);
  number(st.LogoFrameVisible);
  for (int n : {st.LogoFrame.Left, st.LogoFrame.Top, st.LogoFrame.Width, st.LogoFrame.Height}) number(n);
  number(st.ImageBorderColor);
  text(st.LogoImage);
  number(st.LogoBitmapVisible);
  text(st.LogoBitmap);
  number(st.LogoBitmapRect.Left);
  number(st.LogoBitmapRect.Top);
  for (const TShadowLabel* l : {&st.TitleLine, &st.SubtitleLine, &st.NoteLine, &st.FooterLine}) {
    key += '|';
    text(l->Caption);
    text(l->Font.Name);
    for (int64_t n : {int64_t{l->Font.Height}, int64_t{l->Font.Color}, int64_t{l->Font.Style}, int64_t{l->ShadowColor},
                      int64_t{l->Left}, int64_t{l->Top}})
      number(n);
  }
  return key;
}

}  // namespace

LRESULT CALLBACK Win32View::MainProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NCCREATE) Remember(h, l);
  Win32View* v = ViewOf(h);
  return v ? v->OnMain(h, m, w, l) : DefWindowProcW(h, m, w, l);
}

LRESULT CALLBACK Win32View::WizardProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NCCREATE) Remember(h, l);
  Win32View* v = ViewOf(h);
  return v ? v->OnWizard(h, m, w, l) : DefWindowProcW(h, m, w, l);
}

LRESULT CALLBACK Win32View::UnzipProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_NCCREATE) Remember(h, l);
  Win32View* v = ViewOf(h);
  if (v && m == WM_TIMER && w == kOneShotTimer) {
    KillTimer(h, kOneShotTimer);
    if (v->unzip_) v->unzip_->Timer1Timer();
    return 0;
  }
  if (m == WM_CLOSE) return 0;  // the user cannot close it
  return DefWindowProcW(h, m, w, l);
}

Win32View::Win32View(console::TextOutput* log) : log_(log) {
  NONCLIENTMETRICSW ncm{};
  ncm.cbSize = sizeof ncm;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  uiFont_.reset(CreateFontIndirectW(&ncm.lfMessageFont));
  ncm.lfMessageFont.lfWeight = FW_BOLD;
  boldFont_.reset(CreateFontIndirectW(&ncm.lfMessageFont));
  HINSTANCE inst = GetModuleHandleW(nullptr);
  HICON icon = LoadIconW(inst, MAKEINTRESOURCEW(1));
  HCURSOR arrow = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.hInstance = inst;
  wc.hCursor = arrow;
  wc.hIcon = wc.hIconSm = icon;
  wc.lpfnWndProc = MainProc;
  wc.lpszClassName = kMainClass;
  RegisterClassExW(&wc);
  wc.lpfnWndProc = WizardProc;
  wc.lpszClassName = kWizardClass;
  wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
  RegisterClassExW(&wc);
  wc.lpfnWndProc = UnzipProc;
  wc.lpszClassName = kUnzipClass;
  RegisterClassExW(&wc);
}

Win32View::~Win32View() {
  unzipWindow_.reset();
  wizard_.reset();
  main_.reset();
}

void Win32View::CreateMainWindow() {
  main_.reset(CreateWindowExW(WS_EX_APPWINDOW, kMainClass, Wide(kSetupTitle).c_str(),
                              WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                              GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, nullptr,
                              GetModuleHandleW(nullptr), this));
  CreateWizard();
  ShowWindow(main_.get(), SW_SHOWMAXIMIZED);
  UpdateWindow(main_.get());
}

HWND Win32View::Add(int page, const wchar_t* cls, const std::string& text, DWORD style, int x, int y, int w, int h,
                    int id) {
  HWND c = CreateWindowExW(0, cls, Wide(text).c_str(), WS_CHILD | style, x, y, w, h, wizard_.get(),
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_.get()), FALSE);
  controls_.push_back({c, page});
  texts_[c] = text;
  byId_[id] = c;
  return c;
}

void Win32View::CreateWizard() {
  wizard_.reset(CreateWindowExW(WS_EX_CONTROLPARENT | WS_EX_DLGMODALFRAME, kWizardClass, L"",
                                WS_CHILD | WS_CLIPCHILDREN, 0, 0, 440, 300, main_.get(), nullptr,
                                GetModuleHandleW(nullptr), this));
  const DWORD label = SS_LEFT, button = WS_TABSTOP | BS_PUSHBUTTON;
  const int cx = 8 + kSideWidth + 8, cw = 320;
  // The button bar.
  Add(-1, L"BUTTON", "&Cancel", button, 8, 262, 75, 25, idCancel);
  Add(-1, L"BUTTON", "&Decline", button, 110, 262, 75, 25, idDecline);
  Add(-1, L"BUTTON", "&Accept", button, 190, 262, 75, 25, idAccept);
  Add(-1, L"BUTTON", "<< &Back", button, 270, 262, 75, 25, idBack);
  Add(-1, L"BUTTON", "&Next >>", WS_TABSTOP | BS_DEFPUSHBUTTON, 355, 262, 75, 25, idNext);
  // Page 0: welcome.
  Add(kPageWelcome, L"STATIC", "", label, cx, 8, cw, 84, idExitProgramsWarning);
  Add(kPageWelcome, L"STATIC", "", label, cx, 96, cw, 70, idSecondWarning);
  Add(kPageWelcome, L"STATIC", "", label, cx, 170, cw, 80, idThirdWarning);
  // Page 1: licence.
  Add(kPageLicence, L"STATIC",
      "Click on Accept to continue with install process. pgdn/pgup to view License information.", label, cx, 8, cw, 30,
      idLicenceTop);
  Add(kPageLicence, WC_EDITW, "", WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, cx,
      40, cw, 172, idLicenceMemo);
  Add(kPageLicence, L"STATIC",
      "You must select Accept or Decline to Continue with installation. if you accept License then click Accept!",
      label, cx, 216, cw, 40, idLicenceBottom);
  // Page 2: destination.
  Add(kPageDestination, L"STATIC", "To change directory click on button on right hand side of  Destination  Directory.",
      label, cx, 8, cw, 40, idDestText);
  Add(kPageDestination, L"BUTTON", " Destination  Directory ", BS_GROUPBOX, cx, 60, cw, 60, idDestGroup);
  Add(kPageDestination, WC_EDITW, "", WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, cx + 10, 84, cw - 56, 22, idMainDir);
  HWND browse = Add(kPageDestination, L"BUTTON", "...", button, cx + cw - 42, 84, 32, 22, idBrowse);
  // The browse button's hint.
  HWND tip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, wizard_.get(), nullptr,
                             GetModuleHandleW(nullptr), nullptr);
  TOOLINFOW ti{};
  ti.cbSize = sizeof ti;
  ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  ti.hwnd = wizard_.get();
  ti.uId = reinterpret_cast<UINT_PTR>(browse);
  wchar_t hint[] = L"Browse for Directory";
  ti.lpszText = hint;
  SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
  // Page 3: folder and shortcuts.
  Add(kPageShortcuts, L"STATIC", "", label, cx, 8, cw, 18, idCreateFolder);
  Add(kPageShortcuts, L"BUTTON", "Add Folder to Start Menu", WS_TABSTOP | BS_AUTOCHECKBOX, cx, 28, cw, 20,
      idAddFolderToStartMenu);
  Add(kPageShortcuts, L"BUTTON", "Add Folder to Desktop", WS_TABSTOP | BS_AUTOCHECKBOX, cx, 48, cw, 20,
      idAddFolderToDesktop);
  HWND list = Add(kPageShortcuts, WC_LISTVIEWW, "",
                  WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SINGLESEL | LVS_SHAREIMAGELISTS, cx, 72,
                  cw, 182, idShortcutList);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  wchar_t programColumn[] = L"Program to Add", whereColumn[] = L"Where to Add";
  col.cx = 205, col.pszText = programColumn;
  SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col));
  col.cx = 110, col.pszText = whereColumn;
  SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
  SHFILEINFOW sfi{};
  auto images =
      reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(L"C:\\", 0, &sfi, sizeof sfi, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
  ListView_SetImageList(list, images, LVSIL_SMALL);
  // Page 4: ready.
  Add(kPageReady, L"STATIC", "Ready to Install Application:", label, cx, 8, cw, 18, idReadyText);
  Add(kPageReady, WC_EDITW, "", WS_TABSTOP | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY, cx, 28, cw, 226,
      idSummary);
  // Page 5: install (300 by 140).
  Add(kPageInstall, L"STATIC", "Installing Files", label, 24, 4, 268, 16, idInstallingFiles);
  Add(kPageInstall, L"STATIC", "", label | SS_PATHELLIPSIS, 24, 20, 268, 16, idCurrentFile);
  Add(kPageInstall, L"STATIC", "", label, 24, 40, 268, 16, idIconsStep);
  Add(kPageInstall, L"STATIC", "", label, 24, 58, 268, 16, idEntriesStep);
  Add(kPageInstall, PROGRESS_CLASSW, "", PBS_SMOOTH, 8, 80, 282, 14, idInstallProgress);
  // Below the bar, where the page grew for it (300 by 140).
  Add(kPageInstall, L"BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, 215, 104, 75, 25, idInstallCancel);
  // Page 6: finished (440 by 230).
  Add(kPageFinished, L"STATIC", "", label, cx, 8, cw, 18, idFinishStatus);
  Add(kPageFinished, L"STATIC", "", label, cx, 28, cw, 18, idFinishTitle);
  Add(kPageFinished, L"BUTTON", "", WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, cx, 60, cw, 20, idReboot);
  Add(kPageFinished, L"BUTTON", "", BS_AUTORADIOBUTTON, cx, 84, cw, 20, idLaunchItOption);
  Add(kPageFinished, L"STATIC", "", label | SS_PATHELLIPSIS, cx + 18, 104, cw - 18, 18, idLaunchIt);
  Add(kPageFinished, L"BUTTON", "", BS_AUTORADIOBUTTON, cx, 126, cw, 20, idReturnToWindows);
  Add(kPageFinished, L"BUTTON", "", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 340, 190, 85, 25, idFinished);
  // Page 7: uninstaller (335 by 125).
  for (int i = 0; i < 4; ++i)
    Add(kPageUninstaller, L"STATIC", "", label, 24, 4 + 16 * i, 218, 16, idRemoveFilesStep + i);
  Add(kPageUninstaller, L"STATIC", "", label | SS_PATHELLIPSIS, 8, 72, 315, 16, idUninstallStatus);
  Add(kPageUninstaller, PROGRESS_CLASSW, "", PBS_SMOOTH, 8, 94, 315, 14, idRemovalProgress);
  Add(kPageUninstaller, L"BUTTON", "", WS_TABSTOP | BS_DEFPUSHBUTTON, 248, 6, 75, 25, idRemove);
  Add(kPageUninstaller, L"BUTTON", "", WS_TABSTOP | BS_PUSHBUTTON, 248, 36, 75, 25, idUninstallCancel);
}

void Win32View::Attach(TDisplayScreen* screen) {
  screen_ = screen;
  RECT rc{};
  GetClientRect(main_.get(), &rc);
  screen_->FormResize(rc.right, rc.bottom);
  Sync();
  InvalidateRect(main_.get(), nullptr, FALSE);
  if (screen_->TimerArmed) SetTimer(main_.get(), kOneShotTimer, 1000, nullptr);
  AfterEvent();
}

void Win32View::Run() {
  while (!quit_ && main_.get() && IsWindow(main_.get())) {
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) break;
    if (IsWindowVisible(wizard_.get()) && IsDialogMessageW(wizard_.get(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

bool Win32View::Pump() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      quit_ = true;
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (wizard_.get() && IsWindowVisible(wizard_.get()) && IsDialogMessageW(wizard_.get(), &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void Win32View::ProcessMessages() {
  Sync();
  Pump();
}

void Win32View::Repaint() {
  Sync();
  if (main_.get()) RedrawWindow(main_.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  if (unzipWindow_.get()) RedrawWindow(unzipWindow_.get(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

HWND Win32View::Owner() const {
  if (unzipWindow_.get()) return unzipWindow_.get();
  return main_.get();
}

void Win32View::SyncText(HWND h, const std::string& text) {
  std::string& shown = texts_[h];
  if (shown == text) return;
  shown = text;
  SetWindowTextW(h, Wide(text).c_str());
}

void Win32View::Sync() {
  if (syncing_) return;
  syncing_ = true;
  if (unzip_ && unzipWindow_.get()) {
    const TProgressBar& b = unzip_->ExpansionProgress;
    HWND bar = GetDlgItem(unzipWindow_.get(), idUnzipProgress);
    SendMessageW(bar, PBM_SETRANGE32, static_cast<WPARAM>(b.Min), b.Max);
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(b.Position), 0);
    SyncText(GetDlgItem(unzipWindow_.get(), idUnzipLabel), unzip_->PleaseWaitLabel.Caption);
  }
  if (!screen_) {
    syncing_ = false;
    return;
  }
  TDisplayScreen& s = *screen_;
  // The setup screen: repainted when anything it shows changed.
  std::string key = ScreenKey(s.Screen);
  if (key != shownScreen_) {
    shownScreen_ = std::move(key);
    InvalidateRect(main_.get(), nullptr, FALSE);
  }
  SyncLogo();
  // The wizard panel.
  HWND wiz = wizard_.get();
  RECT wr{};
  GetWindowRect(wiz, &wr);
  MapWindowPoints(nullptr, main_.get(), reinterpret_cast<POINT*>(&wr), 2);
  if (wr.left != s.Wizard.Left || wr.top != s.Wizard.Top || wr.right - wr.left != s.Wizard.Width ||
      wr.bottom - wr.top != s.Wizard.Height) {
    MoveWindow(wiz, s.Wizard.Left, s.Wizard.Top, s.Wizard.Width, s.Wizard.Height, TRUE);
    InvalidateRect(wiz, nullptr, TRUE);
  }
  const int page = s.PageIndex;
  auto button = [&](int id, const TButton& b, bool shown) {
    HWND h = byId_[id];
    SyncText(h, b.Caption);
    ShowWindow(h, shown && b.Visible ? SW_SHOWNA : SW_HIDE);
    EnableWindow(h, b.Enabled);
  };
  const bool bar = s.ButtonBarVisible && page <= kPageReady;
  button(idCancel, s.CancelButton, bar);
  button(idDecline, s.decline, bar);
  button(idAccept, s.Accept, bar);
  button(idBack, s.BackButton, bar);
  button(idNext, s.NextButton, bar);
  for (const Control& c : controls_)
    if (c.page >= 0) ShowWindow(c.hwnd, c.page == page ? SW_SHOWNA : SW_HIDE);
  auto label = [&](int id, const TLabel& l) {
    HWND h = byId_[id];
    SyncText(h, l.Caption);
    if (!l.Visible) ShowWindow(h, SW_HIDE);
    HFONT want = l.Bold ? boldFont_.get() : uiFont_.get();
    if (reinterpret_cast<HFONT>(SendMessageW(h, WM_GETFONT, 0, 0)) != want)
      SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(want), TRUE);
  };
  auto radio = [&](int id, const TRadioButton& r) {
    HWND h = byId_[id];
    SyncText(h, r.Caption);
    if (!r.Visible) ShowWindow(h, SW_HIDE);
    if ((SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED) != r.Checked)
      SendMessageW(h, BM_SETCHECK, r.Checked ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  auto check = [&](int id, const TCheckBox& c) {
    HWND h = byId_[id];
    SyncText(h, c.Caption);
    if ((SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED) != c.Checked)
      SendMessageW(h, BM_SETCHECK, c.Checked ? BST_CHECKED : BST_UNCHECKED, 0);
  };
  auto progress = [&](int id, const TProgressBar& b) {
    HWND h = byId_[id];
    SendMessageW(h, PBM_SETRANGE32, static_cast<WPARAM>(b.Min), b.Max);
    SendMessageW(h, PBM_SETPOS, static_cast<WPARAM>(b.Position), 0);
  };
  label(idExitProgramsWarning, s.ExitProgramsWarning);
  label(idSecondWarning, s.SecondWarning);
  label(idThirdWarning, s.ThirdWarning);
  SyncText(byId_[idLicenceMemo], JoinLines(s.LicenceMemo));
  SyncText(byId_[idMainDir], s.Main_Dir);
  label(idCreateFolder, s.CreateFolder);
  check(idAddFolderToStartMenu, s.AddFolderToStartMenu);
  check(idAddFolderToDesktop, s.AddFolderToDesktop);
  SyncList();
  SyncText(byId_[idSummary], JoinLines(s.SummaryMemo));
  label(idCurrentFile, s.CurrentFileLabel);
  label(idIconsStep, s.IconsStepLabel);
  label(idEntriesStep, s.EntriesStepLabel);
  progress(idInstallProgress, s.InstallProgress);
  button(idInstallCancel, s.InstallCancelButton, page == kPageInstall);
  label(idFinishStatus, s.FinishStatus);
  label(idFinishTitle, s.FinishTitle);
  if (reinterpret_cast<HFONT>(SendMessageW(byId_[idFinishTitle], WM_GETFONT, 0, 0)) != boldFont_.get())
    SendMessageW(byId_[idFinishTitle], WM_SETFONT, reinterpret_cast<WPARAM>(boldFont_.get()), TRUE);
  radio(idReboot, s.reboot);
  radio(idLaunchItOption, s.LaunchItOption);
  label(idLaunchIt, s.LaunchIt);
  if (!s.LaunchItOption.Visible) ShowWindow(byId_[idLaunchIt], SW_HIDE);
  radio(idReturnToWindows, s.ReturnToWindows);
  button(idFinished, s.FinishedButton, page == kPageFinished);
  for (int i = 0; i < 4; ++i) label(idRemoveFilesStep + i, s.StartLabels[static_cast<size_t>(i)]);
  label(idUninstallStatus, s.UninstallStatus);
  progress(idRemovalProgress, s.RemovalProgress);
  button(idRemove, s.Remove, page == kPageUninstaller);
  button(idUninstallCancel, s.UninstallCancelButton, page == kPageUninstaller);
  std::string markers;
  for (const TMarker& m : s.InstallMarkers) markers += char('0' + m.Visible * 2 + m.Done);
  for (const TMarker& m : s.UninstallMarkers) markers += char('0' + m.Visible * 2 + m.Done);
  markers += char('0' + page);
  if (markers != shownMarkers_) {
    shownMarkers_ = markers;
    InvalidateRect(wiz, nullptr, TRUE);
  }
  ShowWindow(wiz, s.Wizard.Visible ? SW_SHOWNA : SW_HIDE);
  syncing_ = false;
}

void Win32View::SyncList() {
  const TListView& lv = screen_->ShortcutList;
  HWND list = byId_[idShortcutList];
  const bool same = lv.Items.size() == shownRows_.size() &&
                    std::equal(lv.Items.begin(), lv.Items.end(), shownRows_.begin(), [](auto& a, auto& b) {
                      return a.Caption == b.Caption && a.Where == b.Where && a.ImageIndex == b.ImageIndex;
                    });
  if (lv.CheckBoxes != shownCheckBoxes_) {
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_CHECKBOXES, lv.CheckBoxes ? LVS_EX_CHECKBOXES : 0);
    shownCheckBoxes_ = lv.CheckBoxes;
  }
  if (!same) {
    ListView_DeleteAllItems(list);
    for (size_t i = 0; i < lv.Items.size(); ++i) {
      const TListRow& r = lv.Items[i];
      std::wstring caption = Wide(r.Caption), where = Wide(r.Where);
      LVITEMW item{};
      item.mask = LVIF_TEXT | LVIF_IMAGE;
      item.iItem = static_cast<int>(i);
      item.pszText = caption.data();
      item.iImage = r.ImageIndex;
      SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
      LVITEMW sub{};
      sub.iSubItem = 1;
      sub.pszText = where.data();
      SendMessageW(list, LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
    }
    shownRows_ = lv.Items;
    for (TListRow& r : shownRows_) r.Checked = !r.Checked;  // forces the ticks below
  }
  if (lv.CheckBoxes)
    for (size_t i = 0; i < lv.Items.size(); ++i)
      if (shownRows_[i].Checked != lv.Items[i].Checked) {
        ListView_SetCheckState(list, static_cast<int>(i), lv.Items[i].Checked);
        shownRows_[i].Checked = lv.Items[i].Checked;
      }
}

void Win32View::PaintScreen(HDC dc) {
  TSetupScreenState stored;
  const TSetupScreenState* st = screen_ ? &screen_->Screen : &stored;
  if (!screen_) {
    RECT rc{};
    GetClientRect(main_.get(), &rc);
    stored.Width = rc.right, stored.Height = rc.bottom;
    for (TShadowLabel* l : {&stored.TitleLine, &stored.SubtitleLine, &stored.NoteLine, &stored.FooterLine})
      MeasureShadowLabel(dc, *l);
    stored.SubtitleLine.Top = stored.TitleLine.Top + stored.TitleLine.Height + 2;
    stored.FooterLine.Top = stored.Height - stored.FooterLine.Height;
  }
  const Picture* background = st->BackgroundBitmap.empty() ? nullptr : pictures_.Get(st->BackgroundBitmap);
  GdiPainter painter(dc, pictures_, background);
  screen::PaintSetupScreen(*st, painter, background ? background->width : 0, background ? background->height : 0);
}

// The logo animation's repaints go through a bitmap, so the screen beneath never shows between
// two frames.
void Win32View::PaintScreenPart(HDC dc, const RECT& part) {
  const int w = part.right - part.left, h = part.bottom - part.top;
  const TRect logo = screen_ ? screen::LogoPictureRect(screen_->Screen) : TRect{};
  if (w <= 0 || h <= 0 || part.left < logo.Left || part.top < logo.Top || part.right > logo.Left + logo.Width ||
      part.bottom > logo.Top + logo.Height) {
    PaintScreen(dc);
    return;
  }
  MemoryDC mem(dc);
  Bitmap bitmap(CreateCompatibleBitmap(dc, w, h));
  Selected sel(mem.get(), bitmap.get());
  SetViewportOrgEx(mem.get(), -part.left, -part.top, nullptr);
  PaintScreen(mem.get());
  BitBlt(dc, part.left, part.top, w, h, mem.get(), part.left, part.top, SRCCOPY);
}

// The GIF logo plays from when the model starts it (once the files are expanded; never while
// uninstalling) until its loop count runs out.
void Win32View::SyncLogo() {
  const TSetupScreenState& st = screen_->Screen;
  const std::string logo = st.LogoAnimated && st.LogoFrameVisible ? st.LogoImage : std::string();
  if (logo == animatedLogo_) return;
  animatedLogo_ = logo;
  KillTimer(main_.get(), kLogoTimer);
  logoStart_ = GetTickCount();
  if (!logo.empty()) LogoTimer();
}

void Win32View::LogoTimer() {
  Picture* p = animatedLogo_.empty() ? nullptr : pictures_.Get(animatedLogo_);
  if (!p || !p->gif) {
    KillTimer(main_.get(), kLogoTimer);
    return;
  }
  // The frame is taken from the clock: a late tick skips frames rather than slowing the logo.
  const screen::FrameAt at = screen::FrameAtTime(p->gif->delays(), p->gif->plays(), GetTickCount() - logoStart_);
  if (at.Frame != p->gif->shown()) {
    p->gif->Show(at.Frame);
    const TRect r = screen::LogoPictureRect(screen_->Screen);
    const RECT rc{r.Left, r.Top, r.Left + r.Width, r.Top + r.Height};
    InvalidateRect(main_.get(), &rc, FALSE);
  }
  if (at.UntilNext)
    SetTimer(main_.get(), kLogoTimer, static_cast<UINT>(*at.UntilNext), nullptr);
  else
    KillTimer(main_.get(), kLogoTimer);
}

void Win32View::PaintWizard(HDC dc) {
  if (!screen_) return;
  const TDisplayScreen& s = *screen_;
  const int page = s.PageIndex;
  GdiPainter painter(dc, pictures_);
  // The side picture of the pages that have one: a narrow gradient panel.
  if (page != kPageInstall && page != kPageUninstaller) {
    screen::TGradPan side;
    side.Width = kSideWidth;
    side.Height = s.Wizard.Height - (page == kPageFinished ? 24 : 56);
    side.BevelOuter = screen::bvLowered;
    side.SetBackGroundEffect(bdUp);
    side.SetColorStart(kClNavy);
    side.SetColorEnd(s.Screen.ColorStart);
    POINT old{};
    SetViewportOrgEx(dc, 8, 8, &old);
    side.Paint(painter);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
  }
  // Markers: a grey dot pending, a green one with a tick when done.
  auto marker = [&](POINT p, const TMarker& m) {
    if (!m.Visible) return;
    Brush fill(CreateSolidBrush(m.Done ? RGB(0, 160, 0) : RGB(160, 160, 160)));
    Selected b(dc, fill.get());
    Ellipse(dc, p.x, p.y + 1, p.x + 12, p.y + 13);
    if (m.Done) {
      Pen white(CreatePen(PS_SOLID, 2, RGB(255, 255, 255)));
      Selected pen(dc, white.get());
      MoveToEx(dc, p.x + 3, p.y + 7, nullptr);
      LineTo(dc, p.x + 5, p.y + 9);
      LineTo(dc, p.x + 9, p.y + 4);
    }
  };
  if (page == kPageInstall)
    for (size_t i = 0; i < 3; ++i) marker(kInstallMarkers[i], s.InstallMarkers[i]);
  if (page == kPageUninstaller)
    for (size_t i = 0; i < 4; ++i) marker(kUninstallMarkers[i], s.UninstallMarkers[i]);
}

int Win32View::DefaultButton() const {
  if (!screen_) return 0;
  const TDisplayScreen& s = *screen_;
  if (s.PageIndex == kPageFinished) return idFinished;
  if (s.PageIndex == kPageUninstaller) return s.Remove.Visible && s.Remove.Enabled ? idRemove : 0;
  if (s.ButtonBarVisible && s.NextButton.Visible && s.NextButton.Enabled) return idNext;
  return 0;
}

void Win32View::AfterEvent() {
  if (!screen_) return;
  Sync();
  if (screen_->Closed && main_.get()) {
    KillTimer(main_.get(), kOneShotTimer);
    KillTimer(main_.get(), kLogoTimer);
    ShowWindow(main_.get(), SW_HIDE);
    PostQuitMessage(0);
    quit_ = true;
  }
}

void Win32View::Command(int id, int code) {
  if (!screen_ || syncing_) return;
  TDisplayScreen& s = *screen_;
  if (id == IDOK) id = DefaultButton();
  if (id == IDCANCEL)
    id = s.PageIndex == kPageUninstaller ? idUninstallCancel
         : s.PageIndex == kPageInstall   ? idInstallCancel
         : s.PageIndex <= kPageReady     ? idCancel
                                         : 0;
  // A button acts only while the model shows it (Enter and Esc reach hidden ones too).
  auto live = [&](const TButton& b) { return b.Visible && b.Enabled; };
  switch (id) {
    case idCancel:
      if (live(s.CancelButton) && s.PageIndex <= kPageReady) s.Cancel1Click();
      break;
    case idDecline:
      if (live(s.decline)) s.declineClick();
      break;
    case idAccept:
      if (live(s.Accept)) s.acceptClick();
      break;
    case idBack:
      if (live(s.BackButton)) s.Back1Click();
      break;
    case idNext:
      if (live(s.NextButton) && s.PageIndex <= kPageReady) s.Next1Click();
      break;
    case idFinished:
      if (s.PageIndex == kPageFinished) s.FinishedClick();
      break;
    case idRemove:
      if (live(s.Remove) && s.PageIndex == kPageUninstaller) s.RemoveClick();
      break;
    case idInstallCancel:
      // Clicked while the installation lets messages run: it stops at its next item.
      if (live(s.InstallCancelButton) && s.PageIndex == kPageInstall) s.InstallCancelClick();
      break;
    case idUninstallCancel:
      if (live(s.UninstallCancelButton) && s.PageIndex == kPageUninstaller) s.UninstallCancelClick();
      break;
    case idBrowse: Browse(); break;
    case idMainDir:
      if (code == EN_CHANGE) {
        HWND edit = byId_[idMainDir];
        std::wstring typed(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        typed.resize(static_cast<size_t>(GetWindowTextW(edit, typed.data(), static_cast<int>(typed.size()))));
        s.Main_Dir = texts_[edit] = Utf8(typed);
      }
      break;
    case idAddFolderToStartMenu:
    case idAddFolderToDesktop: {
      TCheckBox& c = id == idAddFolderToStartMenu ? s.AddFolderToStartMenu : s.AddFolderToDesktop;
      c.Checked = SendMessageW(byId_[id], BM_GETCHECK, 0, 0) == BST_CHECKED;
      break;
    }
    case idReboot: s.SelectFinishChoice(s.reboot); break;
    case idLaunchItOption: s.SelectFinishChoice(s.LaunchItOption); break;
    case idReturnToWindows: s.SelectFinishChoice(s.ReturnToWindows); break;
    default: return;
  }
  AfterEvent();
}

namespace {

int CALLBACK BrowseCallback(HWND dlg, UINT msg, LPARAM, LPARAM data) {
  if (msg != BFFM_INITIALIZED) return 0;
  auto* args = reinterpret_cast<std::pair<HWND, std::wstring>*>(data);
  // Centred on the wizard, starting at the current destination.
  RECT w{}, d{};
  GetWindowRect(args->first, &w);
  GetWindowRect(dlg, &d);
  const int x = (w.left + w.right) / 2 - (d.right - d.left) / 2, y = (w.top + w.bottom) / 2 - (d.bottom - d.top) / 2;
  SetWindowPos(dlg, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  if (!args->second.empty())
    SendMessageW(dlg, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(args->second.c_str()));
  return 0;
}

}  // namespace

void Win32View::Browse() {
  std::pair<HWND, std::wstring> args{wizard_.get(), Wide(screen_->Main_Dir)};
  while (args.second.size() > 3 && args.second.back() == L'\\') args.second.pop_back();
  BROWSEINFOW bi{};
  bi.hwndOwner = main_.get();
  wchar_t title[] = L"Destination Directory";
  bi.lpszTitle = title;
  bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
  bi.lpfn = BrowseCallback;
  bi.lParam = reinterpret_cast<LPARAM>(&args);
  PIDLIST_ABSOLUTE pidl = SHBrowseForFolderW(&bi);
  if (!pidl) return;
  wchar_t path[MAX_PATH] = {};
  const bool ok = SHGetPathFromIDListW(pidl, path);
  CoTaskMemFree(pidl);
  if (ok) screen_->Main_DirAfterDialog(Utf8(path));
}

LRESULT Win32View::OnMain(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PaintDC dc(h);
      PaintScreenPart(dc.get(), dc.rect());
      return 0;
    }
    case WM_SIZE:
      if (screen_ && w != SIZE_MINIMIZED) {
        screen_->FormResize(LOWORD(l), HIWORD(l));
        Sync();
      }
      InvalidateRect(h, nullptr, FALSE);
      return 0;
    case WM_TIMER:
      if (w == kLogoTimer) LogoTimer();
      if (w == kOneShotTimer) {
        KillTimer(h, kOneShotTimer);
        if (screen_) {
          screen_->Timer1Timer();
          AfterEvent();
        }
      }
      return 0;
    case WM_DPICHANGED: {
      // Moved to a monitor of another scale: the system's rectangle covers it there, and the
      // resize lays the screen out anew.
      const RECT& r = *reinterpret_cast<const RECT*>(l);
      SetWindowPos(h, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
      return 0;
    }
    case WM_CLOSE:
      // Alt+F4 is Cancel where the wizard offers one; nothing while the work runs.
      Command(IDCANCEL, 0);
      return 0;
    case WM_DESTROY: quit_ = true; return 0;
    default: return DefWindowProcW(h, m, w, l);
  }
}

LRESULT Win32View::OnWizard(HWND h, UINT m, WPARAM w, LPARAM l) {
  switch (m) {
    case WM_PAINT: {
      PaintDC dc(h);
      PaintWizard(dc.get());
      return 0;
    }
    case DM_GETDEFID: {
      const int id = DefaultButton();
      return id ? MAKELRESULT(id, DC_HASDEFID) : 0;
    }
    case WM_COMMAND: Command(LOWORD(w), HIWORD(w)); return 0;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(l);
      if (hdr->idFrom == idShortcutList && hdr->code == LVN_ITEMCHANGED && screen_ && !syncing_) {
        auto* nm = reinterpret_cast<NMLISTVIEW*>(l);
        if ((nm->uChanged & LVIF_STATE) && ((nm->uNewState ^ nm->uOldState) & LVIS_STATEIMAGEMASK) &&
            shownCheckBoxes_ && nm->iItem >= 0) {
          const bool checked = ListView_GetCheckState(hdr->hwndFrom, nm->iItem) != 0;
          const size_t row = static_cast<size_t>(nm->iItem);
          if (row < shownRows_.size()) shownRows_[row].Checked = checked;
          screen_->SetRowChecked(row, checked);
        }
      }
      return 0;
    }
    default: return DefWindowProcW(h, m, w, l);
  }
}

// ---- the questions ----

PromptResult Win32View::Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                                PromptIcon icon) {
  if (log_) *log_ << "message: " << caption << ": " << text << '\n';
  UINT type = MB_OK;
  switch (buttons) {
    case PromptButtons::Ok: type = MB_OK; break;
    case PromptButtons::OkCancel: type = MB_OKCANCEL; break;
    case PromptButtons::YesNo: type = MB_YESNO; break;
    case PromptButtons::YesNoCancel: type = MB_YESNOCANCEL; break;
  }
  switch (icon) {
    case PromptIcon::Information: type |= MB_ICONINFORMATION; break;
    case PromptIcon::Warning: type |= MB_ICONWARNING; break;
    case PromptIcon::Error: type |= MB_ICONERROR; break;
    case PromptIcon::Question: type |= MB_ICONQUESTION; break;
    case PromptIcon::None: break;
  }
  const int r = MessageBoxW(Owner(), Wide(CrLf(text)).c_str(), Wide(caption).c_str(), type);
  switch (r) {
    case IDOK: return PromptResult::Ok;
    case IDYES: return PromptResult::Yes;
    case IDNO: return PromptResult::No;
    default: return PromptResult::Cancel;
  }
}

bool Win32View::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  return InputBox(Owner(), caption, prompt, value);
}

YesNoAll Win32View::AskYesNoAll(const std::string& text, const std::string& caption) {
  if (log_) *log_ << "question: " << caption << ": " << text << '\n';
  return YesNoAllBox(Owner(), CrLf(text), caption);
}

void Win32View::MeasureLabel(TShadowLabel& label) {
  WindowDC dc(main_.get());
  MeasureShadowLabel(dc.get(), label);
}

void Win32View::Record(RecordKind kind, const std::string& what) {
  if (log_) *log_ << RecordKindName(kind) << ": " << what << '\n';
}

void Win32View::ShowModal(TUnzip& unzip) {
  unzip_ = &unzip;
  RECT rc{0, 0, TUnzip::kClientWidth, TUnzip::kClientHeight};
  const DWORD style = WS_POPUP | WS_CAPTION | WS_BORDER;
  AdjustWindowRectEx(&rc, style, FALSE, WS_EX_DLGMODALFRAME);
  const int w = rc.right - rc.left, h = rc.bottom - rc.top;
  unzipWindow_.reset(CreateWindowExW(WS_EX_DLGMODALFRAME, kUnzipClass, Wide(unzip.Caption).c_str(), style,
                                     (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2,
                                     w, h, main_.get(), nullptr, GetModuleHandleW(nullptr), this));
  HWND u = unzipWindow_.get();
  HWND label = CreateWindowExW(0, L"STATIC", Wide(unzip.PleaseWaitLabel.Caption).c_str(),
                               WS_CHILD | WS_VISIBLE | SS_LEFT, 8, 6, TUnzip::kClientWidth - 16, 32, u,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(idUnzipLabel)), nullptr, nullptr);
  SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(uiFont_.get()), FALSE);
  texts_[label] = unzip.PleaseWaitLabel.Caption;
  CreateWindowExW(0, PROGRESS_CLASSW, L"", WS_CHILD | WS_VISIBLE | PBS_SMOOTH, 8, 44, TUnzip::kClientWidth - 16, 18, u,
                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(idUnzipProgress)), nullptr, nullptr);
  EnableWindow(main_.get(), FALSE);
  ShowWindow(u, SW_SHOW);
  Sync();
  UpdateWindow(u);
  unzip.FormShow();
  if (unzip.TimerArmed) SetTimer(u, kOneShotTimer, 1000, nullptr);
  while (!unzip.Closed && !quit_) {
    MSG msg;
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got <= 0) {
      quit_ = true;
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EnableWindow(main_.get(), TRUE);
  texts_.erase(label);
  unzipWindow_.reset();
  unzip_ = nullptr;
  SetForegroundWindow(main_.get());
}

int RunWindows(const std::vector<std::string>& args, console::TextOutput* log, std::optional<TInstallScope> scope) {
  INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS |
                                           ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&icc);
  int status = 1;
  {
    platform::win32::Win32Platform platform;
    Win32View view(log);
    view.CreateMainWindow();
    if (!view.main()) {
      std::fputs("setup: cannot create the main window (no display?)\n", stderr);
      return 1;
    }
    // After the window is on screen: the folder dialog needs OLE.
    OleInitialize(nullptr);
    std::unique_ptr<TDisplayScreen> screen;
    try {
      TSessionOptions session;
      session.ProgramFile = platform::win32::RunningProgramPath();
      session.RequestedScope = scope;
      screen = StartSetup(platform, view, args, std::move(session));
      view.Attach(screen.get());
      view.Run();
      screen->Destroy();
      status = ExitStatus(screen->Outcome);
    } catch (const ESetupBusy& e) {
      view.Message(e.what(), kSetupTitle, PromptButtons::Ok, PromptIcon::Warning);
      status = ExitStatus(TSetupOutcome::Busy);
    } catch (const std::exception& e) {
      MessageBoxW(view.main(), Wide(e.what()).c_str(), Wide(kSetupTitle).c_str(), MB_OK | MB_ICONERROR);
      status = 1;
    }
    if (log && screen) *log << "outcome: " << std::to_string(status) << '\n';
  }
  OleUninitialize();
  return status;
}

}  // namespace vurerode::setup::win32
