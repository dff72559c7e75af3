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
    bool OnInitDialog();
    // Removes the title's menu entries, folders and uninstall entry, then
    // becomes the shared uninstaller; returns only when that could not be
    // started, with the reason.
    std::string OnUninstall();

    // The dialog's window, from its template 102 and the texts read: the
    // client area is the picture's 350x250 pixels, the buttons are where the
    // template puts them in the dialog units of its 8-point font, and it is
    // placed as the original places its 355x275 window, with 330 in place of
    // its height.
    platform::DialogTemplate dialogTemplate() const;

    bool RunUninstall();
    bool RemoveShortcutsAndUninstallEntry();
    void ReadProgramPath();

    // The registry's calls over the key store. A value is read into a
    // buffer of 200 bytes: a longer one (with its terminator) cannot be read.
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

private:
    std::string readIni(const std::string& section, const std::string& key) const;
};

// Whether a name from the settings is a single plain file or folder name:
// not empty, not "." or "..", without '/' or '\' and without a drive ("C:").
bool isPlainName(const std::string& name);

} // namespace install
