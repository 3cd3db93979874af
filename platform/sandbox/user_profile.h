// The sandbox machine's one user and the folders of their profile, laid out as current Windows
// lays them out. The classic Shell Folders stay where they were (below the Windows directory, which
// installations for every user keep using); the profile's own folders are what an installation for
// the current user only uses, named under the Explorer "User Shell Folders" key.
#pragma once

namespace vurerode::platform::sandbox {

inline constexpr const char* kUserProfile = "C:\\Users\\User";

// The profile's folders, parents first.
inline constexpr const char* kUserProfileFolders[] = {
    "C:\\Users",
    "C:\\Users\\User",
    "C:\\Users\\User\\Desktop",
    "C:\\Users\\User\\AppData",
    "C:\\Users\\User\\AppData\\Local",
    "C:\\Users\\User\\AppData\\Local\\Programs",
    "C:\\Users\\User\\AppData\\Local\\Temp",
    "C:\\Users\\User\\AppData\\Roaming",
    "C:\\Users\\User\\AppData\\Roaming\\Microsoft",
    "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Internet Explorer",
    "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch",
    "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows",
    "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
    "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
    "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
};

// The "User Shell Folders" values: name and folder.
inline constexpr const char* kUserShellFolders[][2] = {
    {"Desktop", "C:\\Users\\User\\Desktop"},
    {"Programs", "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
    {"Start Menu", "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"},
    {"Startup", "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup"},
    {"AppData", "C:\\Users\\User\\AppData\\Roaming"},
    {"Local AppData", "C:\\Users\\User\\AppData\\Local"},
};

}  // namespace vurerode::platform::sandbox
