#include "platform/win32/windows_api.h"
// (the API first: the seam's headers must not see its renaming macros)
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#undef ShellExecute

#include <cstdio>
#include <vector>

#include "platform/exception.h"
#include "platform/win32/win32_shell.h"

namespace vurerode::platform::win32 {
namespace {

std::string HresultText(const char* what, HRESULT hr) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%s (error 0x%08lX)", what, static_cast<unsigned long>(hr));
  return buf;
}

// One link object with COM brought up for its lifetime, as a shortcut is made in one go.
class Win32ShellLink : public ShellLink {
 public:
  Win32ShellLink() {
    HRESULT init = CoInitialize(nullptr);
    comUp_ = SUCCEEDED(init);
    HRESULT hr = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
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

  void SetPath(const std::string& target) override { link_->SetPath(target.c_str()); }
  void SetWorkingDirectory(const std::string& directory) override { link_->SetWorkingDirectory(directory.c_str()); }
  void SetIconLocation(const std::string& iconFile, int index) override {
    link_->SetIconLocation(iconFile.c_str(), index);
  }

  bool Save(const std::string& file) override {
    int n = MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, nullptr, 0);
    if (n <= 0) return false;
    std::vector<wchar_t> wide(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide.data(), n);
    return SUCCEEDED(file_->Save(wide.data(), FALSE));
  }

 private:
  void Release() {
    if (file_) file_->Release();
    if (link_) link_->Release();
    file_ = nullptr;
    link_ = nullptr;
    if (comUp_) CoUninitialize();
    comUp_ = false;
  }

  IShellLinkA* link_ = nullptr;
  IPersistFile* file_ = nullptr;
  bool comUp_ = false;
};

}  // namespace

int Win32Shell::FileIconIndex(const std::string& path) {
  SHFILEINFOA info{};
  if (!SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_TYPENAME | SHGFI_SMALLICON))
    return 0;
  return info.iIcon;
}

std::unique_ptr<ShellLink> Win32Shell::CreateShellLink() {
  return std::make_unique<Win32ShellLink>();
}

int Win32Shell::Execute(ShellOwner owner, const std::string& verb, const std::string& file,
                        const std::string& parameters, const std::string& directory, int showState) {
  HWND window = owner == ShellOwner::Desktop ? GetDesktopWindow() : reinterpret_cast<HWND>(mainWindow_);
  HINSTANCE result = ShellExecuteA(window, verb.empty() ? nullptr : verb.c_str(), file.c_str(), parameters.c_str(),
                                   directory.c_str(), showState);
  return static_cast<int>(reinterpret_cast<INT_PTR>(result));
}

}  // namespace vurerode::platform::win32
