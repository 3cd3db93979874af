// Window classes and control identifiers of the setup program's windows: the view creates them,
// and a driver (the Windows test) finds controls by them.
#pragma once

namespace vurerode::setup::win32 {

inline constexpr wchar_t kMainClass[] = L"VurerodeSetupScreen";
inline constexpr wchar_t kWizardClass[] = L"VurerodeWizard";
inline constexpr wchar_t kUnzipClass[] = L"VurerodeUnzip";

enum ControlId : int {
  // The button bar.
  idCancel = 1001,
  idDecline = 1002,
  idAccept = 1003,
  idBack = 1004,
  idNext = 1005,
  // Pages 0 to 4.
  idExitProgramsWarning = 1010,
  idSecondWarning,
  idThirdWarning,
  idLicenceTop,
  idLicenceMemo,
  idLicenceBottom,
  idDestText,
  idDestGroup,
  idMainDir,
  idBrowse,
  idCreateFolder,
  idAddFolderToStartMenu,
  idAddFolderToDesktop,
  idShortcutList,
  idReadyText,
  idSummary,
  // Page 5.
  idInstallingFiles = 1040,
  idCurrentFile,
  idIconsStep,
  idEntriesStep,
  idInstallProgress,
  idInstallCancel,
  // Page 6.
  idFinishStatus = 1050,
  idFinishTitle,
  idReboot,
  idLaunchItOption,
  idLaunchIt,
  idReturnToWindows,
  idFinished,
  // Page 7.
  idRemoveFilesStep = 1060,
  idRemoveDirectoriesStep,
  idRemoveFoldersStep,
  idRemoveRegistryStep,
  idUninstallStatus,
  idRemovalProgress,
  idRemove,
  idUninstallCancel,
  // TUNZIP.
  idScopeQuestion = 1070,
  idAllUsers,
  idCurrentUser,

  idUnzipLabel = 1080,
  idUnzipProgress,
  // The Yes/No/All box's All button.
  idAll = 1090,
};

}  // namespace vurerode::setup::win32
