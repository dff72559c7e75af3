#pragma once
#include <string>

namespace install {

// Where the uninstaller finds what the system keeps elsewhere on Windows.
// Each answers an empty string when neither the XDG variable nor HOME names
// an absolute folder.

// $XDG_CONFIG_HOME, else $HOME/.config.
std::string configHome();
// $XDG_DATA_HOME, else $HOME/.local/share.
std::string dataHome();

enum class Root { CurrentUser, LocalMachine };
// The key store file of a root: <config home>/quarnel/HKEY_CURRENT_USER.keys
// or HKEY_LOCAL_MACHINE.keys (KeyStore.h).
std::string keyStoreFile(Root root);

// The user's menu folder, in place of the Start menu's programs folder:
// <data home>/applications. Shortcuts are desktop entries in a folder of
// their program below a folder of its company.
std::string programsFolder();

// The maker's shared uninstaller, which the uninstaller becomes after its
// own removals: <data home>/DovirAvura/globalUninst.
std::string sharedUninstaller();

} // namespace install
