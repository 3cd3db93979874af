// The boxes the message box cannot show: Yes/No/All, and a line of text with OK and Cancel. Both
// are modal dialogs built from in-memory templates.
#pragma once

#include <windows.h>

#include <string>

#include "app/setup_view.h"

namespace vurerode::setup::win32 {

YesNoAll YesNoAllBox(HWND owner, const std::string& text, const std::string& caption);
// False when cancelled; value is changed only on OK.
bool InputBox(HWND owner, const std::string& caption, const std::string& prompt, std::string& value);

}  // namespace vurerode::setup::win32
