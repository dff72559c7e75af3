#include "install/UninstallDialog.h"

#include "install/KeyStore.h"
#include "platform/Cp1250.h"
#include "platform/Drives.h"
#include "platform/Profile.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace install {

namespace {

const char* const userKeyBase = "Software\\DovirAvura\\";
const char* const uninstallKeyBase = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// What the settings and registry buffers hold, terminator included.
const size_t iniBuffer = 260;
const size_t registryBuffer = 200;
const size_t handOverBuffer = 1024;

void warn(const std::string& text) { std::fprintf(stderr, "Install: %s\n", platform::cp1250ToUtf8(text).c_str()); }

// The registry's recursive delete on the store's tree: the key at `path`
// below `parent` with its subkeys, the last subkey first.
bool deleteTree(Key& parent, const std::string& path)
{
    Key* key = KeyStore::open(parent, path);
    if (!key)
        return false;
    for (size_t i = key->subkeys.size(); i-- > 0;) {
        std::string name = key->subkeys[i]->name;
        if (!deleteTree(*key, name))
            return false;
    }
    size_t cut = path.rfind('\\');
    Key* above = cut == std::string::npos ? &parent : KeyStore::open(parent, path.substr(0, cut));
    return above && above->removeSubkey(cut == std::string::npos ? path : path.substr(cut + 1));
}

} // namespace

bool isPlainName(const std::string& name)
{
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos)
        return false;
    return !(name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])));
}

UninstallDialog::UninstallDialog(const std::string& path)
    : iniPath(path.empty() ? platform::executableFolder() + "\\install.ini" : path),
      userKey(userKeyBase),
      uninstallKey(uninstallKeyBase)
{
}

std::string UninstallDialog::readIni(const std::string& section, const std::string& key) const
{
    return platform::readProfileString(iniPath, section, key, std::string()).substr(0, iniBuffer - 1);
}

bool UninstallDialog::OnInitDialog()
{
    language = readIni("Option", "Language");
    std::string name = readIni("Option", "PROGRAM_NAME");
    userKey += name + "_" + language;
    uninstallKey += name + "_" + language;
    if (!ReadRegistryString(Root::CurrentUser, userKey, "Lang", language))
        return false;

    bitmap = readIni(language, "Bitmap");
    shortcutCount = std::atoi(readIni(language, "Shortcuts").c_str());
    // The table has room for ten records; further ones are neither read
    // nor removed.
    for (int i = 0; i < shortcutCount && i < maxShortcuts; ++i) {
        std::string index = std::to_string(i);
        shortcuts[i].description = readIni(language, "Description" + index);
        shortcuts[i].file = readIni(language, "File" + index);
        shortcuts[i].work = readIni(language, "Work" + index);
    }
    programName = readIni(language, "IDS_PROGRAM_NAME");
    companyName = readIni(language, "IDS_COMPANY_NAME");
    exitText = readIni(language, "IDS_WYJSCIE");
    uninstallText = readIni(language, "IDS_ODINSTALUJ");
    caption = readIni(language, "IDS_NAZWA_GRY2");
    return true;
}

platform::DialogTemplate UninstallDialog::dialogTemplate() const
{
    platform::DialogTemplate t;
    t.caption = platform::cp1250ToUtf8(caption);
    t.width = 350;
    t.height = 250;
    t.placeWidth = 355;
    t.placeHeight = 330;
    t.picture = bitmap.empty() ? std::string() : platform::toHostPath(bitmap);
    t.buttons.push_back({uninstallId, 68, 219, 93, 23, platform::cp1250ToUtf8(uninstallText)});
    t.buttons.push_back({exitId, 191, 219, 93, 23, platform::cp1250ToUtf8(exitText)});
    t.defaultId = uninstallId;
    t.cancelId = exitId;
    return t;
}

std::string UninstallDialog::OnUninstall()
{
    RunUninstall();
    const std::string program = sharedUninstaller();
    if (program.empty())
        return "no folder for the shared uninstaller: neither XDG_DATA_HOME nor HOME is set";
    // The shared uninstaller gets the user key in the place of its name and
    // as its first argument.
    char key[handOverBuffer];
    std::snprintf(key, sizeof key, "%s", userKey.c_str());
    std::fflush(nullptr);
    execl(program.c_str(), key, key, static_cast<char*>(nullptr));
    return "cannot start the shared uninstaller " + program + ": " + std::strerror(errno);
}

bool UninstallDialog::RunUninstall()
{
    ReadProgramPath();
    // Removed only when empty; the shared uninstaller removes the files.
    if (!programPath.empty())
        rmdir(platform::toHostPath(programPath).c_str());
    return RemoveShortcutsAndUninstallEntry();
}

void UninstallDialog::ReadProgramPath() { ReadRegistryString(Root::CurrentUser, userKey, "ProgramPath", programPath); }

bool UninstallDialog::RemoveShortcutsAndUninstallEntry()
{
    const std::string programs = programsFolder();
    if (programs.empty())
        return true;

    // Only the program's own menu folder is touched: names from the settings
    // that would lead out of it are refused. Without a company name the
    // program's folder lies right in the menu folder.
    bool companyOk = companyName.empty() || isPlainName(companyName);
    if (!companyOk)
        warn("company folder name \"" + companyName + "\" refused: not a plain folder name");
    else if (!isPlainName(programName))
        warn("program folder name \"" + programName + "\" refused: not a plain folder name");
    else {
        std::string company = companyName.empty() ? programs : programs + "/" + platform::cp1250ToUtf8(companyName);
        std::string folder = company + "/" + platform::cp1250ToUtf8(programName);
        for (int i = 0; i < shortcutCount && i < maxShortcuts; ++i) {
            const std::string& description = shortcuts[i].description;
            if (isPlainName(description))
                unlink((folder + "/" + platform::cp1250ToUtf8(description) + ".desktop").c_str());
            else
                warn("shortcut name \"" + description + "\" refused: not a plain file name");
        }
        rmdir(folder.c_str());
        if (!companyName.empty())
            rmdir(company.c_str());
    }

    std::string unused;
    if (ReadRegistryString(Root::LocalMachine, uninstallKey, "DisplayName", unused))
        DeleteRegistryValue(Root::LocalMachine, uninstallKey, "DisplayName");
    if (ReadRegistryString(Root::LocalMachine, uninstallKey, "UninstallString", unused))
        DeleteRegistryValue(Root::LocalMachine, uninstallKey, "UninstallString");
    DeleteRegistryTree(Root::LocalMachine, uninstallKey);
    return true;
}

bool UninstallDialog::ReadRegistryString(Root root, const std::string& key, const std::string& valueName,
                                         std::string& out)
{
    KeyStore store;
    if (!store.load(keyStoreFile(root)))
        return false;
    Key* opened = KeyStore::open(store.root, key);
    const std::string* text = opened ? opened->value(valueName) : nullptr;
    if (!text || text->size() + 1 > registryBuffer)
        return false;
    out = *text;
    return true;
}

bool UninstallDialog::DeleteRegistryValue(Root root, const std::string& key, const std::string& valueName)
{
    KeyStore store;
    const std::string file = keyStoreFile(root);
    Key* opened = store.load(file) ? KeyStore::open(store.root, key) : nullptr;
    return opened && opened->removeValue(valueName) && store.save(file);
}

bool UninstallDialog::DeleteRegistryTree(Root root, const std::string& key)
{
    KeyStore store;
    const std::string file = keyStoreFile(root);
    return store.load(file) && deleteTree(store.root, key) && store.save(file);
}

} // namespace install
