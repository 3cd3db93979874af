#include "platform/win32/wide_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <objbase.h>
#include <shlobj.h>
#undef ShellExecute

#include <vector>

#include "platform/exception.h"
#include "platform/win32/long_path.h"
#include "platform/win32/win32_shell.h"

namespace vurerode::platform::win32 {

namespace {

std::string HresultText(const char* what, HRESULT hr) {
  std::string text = std::string(what) + " (error 0x";
  for (int shift = 28; shift >= 0; shift -= 4) text += "0123456789ABCDEF"[(static_cast<uint32_t>(hr) >> shift) & 0xF];
  return text + ")";
}

// One link object with COM brought up for its lifetime, as a shortcut is made in one go.
class Win32ShellLink : public ShellLink {
 public:
  explicit Win32ShellLink(const WideApi& api) : api_(api) {
    HRESULT init = CoInitialize(nullptr);
    comUp_ = SUCCEEDED(init);
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                  reinterpret_cast<void**>(&link_));
    if (FAILED(hr)) {
      Release();
      throw EOleError(HresultText("Cannot create the shell's link object", hr));
    }
    hr = link_->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file_));
    if (FAILED(hr)) {
      Release();
      throw EOleError(HresultText("The shell's link object cannot be saved", hr));
    }
  }
  ~Win32ShellLink() override { Release(); }

  // What the shortcut holds is written as it is: the shell reading it later wants the paths a
  // user knows, not the \\?\ form.
  void SetPath(const std::string& target) override { link_->SetPath(Wide(target).c_str()); }
  void SetWorkingDirectory(const std::string& directory) override {
    link_->SetWorkingDirectory(Wide(directory).c_str());
  }
  void SetIconLocation(const std::string& iconFile, int index) override {
    link_->SetIconLocation(Wide(iconFile).c_str(), index);
  }

  bool Save(const std::string& file) override { return SUCCEEDED(api_.SaveShellLink(file_, WidePath(file).c_str())); }

 private:
  void Release() {
    if (file_) file_->Release();
    if (link_) link_->Release();
    file_ = nullptr;
    link_ = nullptr;
    if (comUp_) CoUninitialize();
    comUp_ = false;
  }

  const WideApi& api_;
  IShellLinkW* link_ = nullptr;
  IPersistFile* file_ = nullptr;
  bool comUp_ = false;
};

}  // namespace

int Win32Shell::FileIconIndex(const std::string& path) {
  SHFILEINFOW info{};
  if (!api_.SHGetFileInfoW(WidePath(path).c_str(), 0, &info, sizeof info,
                           SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_SMALLICON))
    return 0;
  return info.iIcon;
}

std::unique_ptr<ShellLink> Win32Shell::CreateShellLink() {
  return std::make_unique<Win32ShellLink>(api_);
}

int Win32Shell::Execute(ShellOwner owner, const std::string& verb, const std::string& file,
                        const std::string& parameters, const std::string& directory, int showState) {
  HWND window = owner == ShellOwner::Desktop ? GetDesktopWindow() : reinterpret_cast<HWND>(mainWindow_);
  // The folder the program starts in is its current directory, which takes no \\?\ form.
  const std::wstring wideVerb = Wide(verb);
  HINSTANCE result = api_.ShellExecuteW(window, verb.empty() ? nullptr : wideVerb.c_str(), WidePath(file).c_str(),
                                        Wide(parameters).c_str(), Wide(directory).c_str(), showState);
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

}  // namespace vurerode::platform::win32
