// Window classes and control identifiers of the setup program's windows: the view creates them,
// and a driver (the Windows test) finds controls by them.
#pragma once

namespace vurerode::setup::win32 {

inline constexpr wchar_t kMainClass[] = L"VurerodeSetupScreen";
inline constexpr wchar_t kWizardClass[] = L"VurerodeWizard";
inline constexpr wchar_t kUnzipClass[] = L"VurerodeUnzip";

enum ControlId : int {
  // The button bar.
  idCancel1 = 1001,
  idDecline = 1002,
  idAccept = 1003,
  idBack1 = 1004,
  idNext1 = 1005,
  // Pages 0 to 4.
  idLabel14 = 1010,
  idLabel15,
  idLabel16,
  idLicenceTop,
  idLicenceMemo,
  idLicenceBottom,
  idDestText,
  idDestGroup,
  idMainDir,
  idBrowse,
  idCreateFolder,
  idCheckBox1,
  idCheckBox2,
  idListView1,
  idReadyText,
  idMemo3,
  // Page 5.
  idInstallingFiles = 1040,
  idDest1,
  idLabel1,
  idLabel2,
  idProgressBar1,
  // Page 6.
  idRxLabel2 = 1050,
  idRxLabel3,
  idReboot,
  idLaunchItOption,
  idLaunchIt,
  idReturnToWindows,
  idFinished1,
  // Page 7.
  idStart1 = 1060,
  idStart2,
  idStart3,
  idStart4,
  idUninstallStatus,
  idProgressBar2,
  idRemove,
  idBitBtn1,
  // TUNZIP.
  idUnzipLabel = 1080,
  idUnzipProgress,
  // The Yes/No/All box's All button.
  idAll = 1090,
};

}  // namespace vurerode::setup::win32
