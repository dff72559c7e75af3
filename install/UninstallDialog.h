#pragma once
#include "install/Places.h"
#include "platform/Dialog.h"

#include <string>

namespace install {

// One shortcut record of "install.ini"; each field holds at most 259 bytes.
// Only the description plays a part in the removal: it names the shortcut's
// desktop entry, "<description>.desktop", in the program's menu folder.
struct ShortcutEntry {
    std::string description;
    std::string file;
    std::string work;
};

// What the uninstaller reads and removes, and its hand-over to the shared
// uninstaller. Texts are bytes in code page 1250, as "install.ini" holds
// them.
class UninstallDialog {
public:
    enum { maxShortcuts = 10, quitCode = 100 };
    enum { uninstallId = 1, exitId = 2 }; // the buttons' control ids

    // `iniPath` names "install.ini" in engine form; by default the one in the
    // folder of the running program.
    explicit UninstallDialog(const std::string& iniPath = std::string());

    // Reads the settings and the user key's "Lang"; false when that cannot
    // be read: the program then ends with quitCode, having removed nothing.
    // storeFailure then says why when the user's key store could not be
    // read, and is empty when the key has no "Lang".
    bool OnInitDialog();
    // Removes the title's menu entries, folders and uninstall entry, then
    // becomes the shared uninstaller; returns only when that could not be
    // done, with the reason: when CheckKeyStore refuses (nothing is then
    // removed), when a menu entry or folder could not be removed (each is
    // named on standard error; the uninstall entry is kept), when the
    // uninstall entry could not be removed after all (in both cases the
    // shared uninstaller is not started), or when the shared uninstaller
    // could not be started.
    std::string OnUninstall();
    // Whether the uninstall entry can be removed: the machine's key store
    // can be read and, when it holds the entry, rewritten. Empty when so,
    // else why not. A link at the store's name is named: it will be replaced.
    std::string CheckKeyStore();

    // The dialog's window, from its template 102 and the texts read: the
    // client area is the picture's 350x250 pixels, the buttons are where the
    // template puts them in the dialog units of its 8-point font, and it is
    // placed as the original places its 355x275 window, with 330 in place of
    // its height.
    platform::DialogTemplate dialogTemplate() const;

    // Both answer false when the uninstall entry could not be removed because
    // its key store could not be read or written (storeFailure says why), or
    // was kept because a menu entry or folder could not be removed
    // (menuLeft counts them).
    bool RunUninstall();
    // Nothing is removed through a symbolic link: a company or program menu
    // folder that is one is named on standard error and left alone. A menu
    // entry or an emptied menu folder that cannot be removed (a read-only
    // folder or mount) is named on standard error, and the uninstall entry
    // is then kept.
    bool RemoveShortcutsAndUninstallEntry();
    void ReadProgramPath();

    // The registry's calls over the key store. A value is read into a
    // buffer of 200 bytes: a longer one (with its terminator) cannot be read.
    // All three answer false when the store cannot be read (or written), and
    // then set storeFailure (if not yet set).
    bool ReadRegistryString(Root root, const std::string& key, const std::string& valueName, std::string& out);
    // False when the key cannot be opened or has no such value.
    bool DeleteRegistryValue(Root root, const std::string& key, const std::string& valueName);
    // Deletes a key with all its subkeys, the last subkey first.
    bool DeleteRegistryTree(Root root, const std::string& key);

    std::string caption;       // "IDS_NAZWA_GRY2"
    std::string uninstallText; // "IDS_ODINSTALUJ"
    std::string exitText;      // "IDS_WYJSCIE"
    std::string bitmap;        // "Bitmap": the picture's path
    int shortcutCount = 0;     // "Shortcuts" as written; at most maxShortcuts are read
    ShortcutEntry shortcuts[maxShortcuts];
    std::string language;
    std::string companyName;
    std::string programName;
    std::string iniPath;
    std::string userKey;
    std::string uninstallKey;
    std::string programPath;
    std::string storeFailure; // the first store that could not be read or rewritten, and why
    int menuLeft = 0;         // menu entries and folders that could not be removed

private:
    std::string readIni(const std::string& section, const std::string& key) const;
    void removeMenuEntries(const std::string& programs);
    bool storeFailed(const std::string& file, const std::string& why);
};

// Whether a name from the settings is a single plain file or folder name:
// not empty, not "." or "..", without '/' or '\' and without a drive ("C:").
bool isPlainName(const std::string& name);

} // namespace install
