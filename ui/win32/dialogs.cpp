#include "ui/win32/dialogs.h"

#include <vector>

#include "platform/win32/wide_text.h"
#include "ui/win32/control_ids.h"
#include "ui/win32/gdi.h"

namespace vurerode::setup::win32 {

using platform::win32::Utf8;
using platform::win32::Wide;

namespace {

// A dialog template in memory: DLGTEMPLATE, its title and font, then DWORD-aligned items.
class DialogTemplate {
 public:
  DialogTemplate(const std::wstring& title, short cx, short cy) {
    const DWORD style = DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    Dword(style);
    Dword(0);
    count_ = words_.size();
    words_.push_back(0);  // cdit
    for (short v : {short(0), short(0), cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    String(title);
    // The shell's dialog face: the system links it to the fonts of other scripts.
    words_.push_back(8);
    String(L"MS Shell Dlg 2");
  }
  // classAtom: 0x0080 button, 0x0081 edit, 0x0082 static.
  void Add(DWORD style, short x, short y, short cx, short cy, WORD id, WORD classAtom, const std::wstring& text) {
    if (words_.size() % 2) words_.push_back(0);
    Dword(style | WS_CHILD | WS_VISIBLE);
    Dword(0);
    for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    String(text);
    words_.push_back(0);
    ++words_[count_];
  }
  const DLGTEMPLATE* get() {
    aligned_.assign((words_.size() + 1) / 2, 0);
    std::copy(words_.begin(), words_.end(), reinterpret_cast<WORD*>(aligned_.data()));
    return reinterpret_cast<const DLGTEMPLATE*>(aligned_.data());
  }

 private:
  void Dword(DWORD v) {
    words_.push_back(LOWORD(v));
    words_.push_back(HIWORD(v));
  }
  void String(const std::wstring& s) {
    for (wchar_t c : s) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }
  std::vector<WORD> words_;
  std::vector<DWORD> aligned_;
  size_t count_ = 0;
};

constexpr WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;
constexpr WORD idPrompt = 200, idValue = 201;

INT_PTR CALLBACK YesNoAllProc(HWND dlg, UINT msg, WPARAM w, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG:
      SendDlgItemMessageW(dlg, 300, STM_SETICON, reinterpret_cast<WPARAM>(LoadIconW(nullptr, MAKEINTRESOURCEW(32514))),
                          0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(w) == IDYES || LOWORD(w) == IDNO || LOWORD(w) == idAll || LOWORD(w) == IDCANCEL)
        EndDialog(dlg, LOWORD(w));
      return TRUE;
    case WM_CLOSE: EndDialog(dlg, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

struct InputArgs {
  std::wstring value;
};

INT_PTR CALLBACK InputProc(HWND dlg, UINT msg, WPARAM w, LPARAM l) {
  switch (msg) {
    case WM_INITDIALOG: {
      SetWindowLongPtrW(dlg, DWLP_USER, l);
      auto* args = reinterpret_cast<InputArgs*>(l);
      SetDlgItemTextW(dlg, idValue, args->value.c_str());
      SendDlgItemMessageW(dlg, idValue, EM_SETSEL, 0, -1);
      SetFocus(GetDlgItem(dlg, idValue));
      return FALSE;
    }
    case WM_COMMAND:
      if (LOWORD(w) == IDOK) {
        auto* args = reinterpret_cast<InputArgs*>(GetWindowLongPtrW(dlg, DWLP_USER));
        const int n = GetWindowTextLengthW(GetDlgItem(dlg, idValue));
        std::wstring text(static_cast<size_t>(n) + 1, L'\0');
        GetDlgItemTextW(dlg, idValue, text.data(), n + 1);
        text.resize(static_cast<size_t>(n));
        args->value = text;
        EndDialog(dlg, IDOK);
      } else if (LOWORD(w) == IDCANCEL) {
        EndDialog(dlg, IDCANCEL);
      }
      return TRUE;
    case WM_CLOSE: EndDialog(dlg, IDCANCEL); return TRUE;
    default: return FALSE;
  }
}

}  // namespace

YesNoAll YesNoAllBox(HWND owner, const std::string& text, const std::string& caption) {
  DialogTemplate t(Wide(caption), 260, 92);
  t.Add(SS_ICON, 8, 8, 20, 20, 300, kStatic, L"");
  t.Add(SS_LEFT | SS_NOPREFIX, 36, 8, 216, 56, idPrompt, kStatic, Wide(text));
  t.Add(WS_TABSTOP | BS_DEFPUSHBUTTON, 62, 70, 60, 14, IDYES, kButton, L"&Yes");
  t.Add(WS_TABSTOP | BS_PUSHBUTTON, 128, 70, 60, 14, IDNO, kButton, L"&No");
  t.Add(WS_TABSTOP | BS_PUSHBUTTON, 194, 70, 60, 14, idAll, kButton, L"&All");
  const INT_PTR r = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, YesNoAllProc, 0);
  switch (r) {
    case IDYES: return YesNoAll::Yes;
    case IDNO: return YesNoAll::No;
    case idAll: return YesNoAll::All;
    default: return YesNoAll::Closed;
  }
}

bool InputBox(HWND owner, const std::string& caption, const std::string& prompt, std::string& value) {
  DialogTemplate t(Wide(caption), 240, 70);
  t.Add(SS_LEFT | SS_NOPREFIX, 8, 8, 224, 16, idPrompt, kStatic, Wide(prompt));
  t.Add(WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 8, 28, 224, 12, idValue, kEdit, L"");
  t.Add(WS_TABSTOP | BS_DEFPUSHBUTTON, 118, 50, 55, 14, IDOK, kButton, L"OK");
  t.Add(WS_TABSTOP | BS_PUSHBUTTON, 177, 50, 55, 14, IDCANCEL, kButton, L"Cancel");
  InputArgs args{Wide(value)};
  const INT_PTR r =
      DialogBoxIndirectParamW(GetModuleHandleW(nullptr), t.get(), owner, InputProc, reinterpret_cast<LPARAM>(&args));
  if (r != IDOK) return false;
  value = Utf8(args.value);
  return true;
}

}  // namespace vurerode::setup::win32
