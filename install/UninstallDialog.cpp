#include "install/UninstallDialog.h"

#include "install/KeyStore.h"
#include "platform/Cp1250.h"
#include "platform/Drives.h"
#include "platform/Profile.h"

#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
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

// Whether what failed to go from the menu is left for a later run to
// remove, and told: not what is already gone, nor a folder that holds
// something else.
bool leftBehind(int error) { return error != ENOENT && error != ENOTEMPTY && error != EEXIST; }

// The folder of that name in an open folder, opened without following a
// link at its name: -1 when there is none, or when it is a link, which is
// then named and left alone.
int openFolderIn(int parent, const std::string& name, const std::string& path)
{
    struct stat st;
    if (fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !(S_ISDIR(st.st_mode) || S_ISLNK(st.st_mode)))
        return -1;
    // O_NOFOLLOW also catches a folder changed into a link since it was
    // looked at.
    int fd = S_ISDIR(st.st_mode) ? openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC) : -1;
    if (S_ISLNK(st.st_mode) || (fd < 0 && errno == ELOOP))
        std::fprintf(stderr, "Install: the menu folder %s is a symbolic link: left alone\n", path.c_str());
    return fd;
}

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
    // What cannot be done whole is not begun: with an uninstall entry that
    // cannot be removed, the menu entries and folders stay too.
    std::string refused = CheckKeyStore();
    if (!refused.empty())
        return "nothing was removed: " + refused;
    if (!RunUninstall()) {
        if (menuLeft > 0)
            return "the uninstall entry is kept, so that a later run can finish what is named above; the shared "
                   "uninstaller was not started";
        return "the uninstall entry was not removed: " + storeFailure + "; the shared uninstaller was not started";
    }
    const std::string program = sharedUninstaller();
    if (program.empty())
        return "no folder for the shared uninstaller: neither XDG_DATA_HOME nor HOME is set";
    // The shared uninstaller gets the user key in the place of its name and
    // as its first argument.
    char key[handOverBuffer];
    std::snprintf(key, sizeof key, "%s", userKey.c_str());
    std::fflush(nullptr);
    // The uninstaller ignores SIGXFSZ for its own writes (main.cpp); the
    // program it becomes starts with the signal's default.
    signal(SIGXFSZ, SIG_DFL);
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

// Everything below the menu folder is reached through folders opened
// without following links, and removed by name in them, so that nothing
// outside the menu goes through a link there; a shortcut that is itself a
// link is removed as a link.
void UninstallDialog::removeMenuEntries(const std::string& programs)
{
    int top = ::open(programs.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (top < 0)
        return;
    const std::string companyFolder = platform::cp1250ToUtf8(companyName);
    const std::string programFolder = platform::cp1250ToUtf8(programName);
    std::string companyPath = programs;
    int company = top;
    if (!companyName.empty()) {
        companyPath += "/" + companyFolder;
        company = openFolderIn(top, companyFolder, companyPath);
    }
    const std::string programPath = companyPath + "/" + programFolder;
    int program = company < 0 ? -1 : openFolderIn(company, programFolder, programPath);
    // What cannot go (a read-only folder or mount) is named; the removal
    // goes on with the rest.
    auto removeIn = [this](int folder, const std::string& name, const std::string& path, bool isFolder) {
        if (unlinkat(folder, name.c_str(), isFolder ? AT_REMOVEDIR : 0) == 0 || !leftBehind(errno))
            return;
        const char* why = std::strerror(errno);
        std::fprintf(stderr, "Install: cannot remove the menu %s %s: %s\n", isFolder ? "folder" : "entry",
                     path.c_str(), why);
        ++menuLeft;
    };
    if (program >= 0) {
        for (int i = 0; i < shortcutCount && i < maxShortcuts; ++i) {
            const std::string& description = shortcuts[i].description;
            const std::string entry = platform::cp1250ToUtf8(description) + ".desktop";
            if (isPlainName(description))
                removeIn(program, entry, programPath + "/" + entry, false);
            else
                warn("shortcut name \"" + description + "\" refused: not a plain file name");
        }
        ::close(program);
        // Each folder goes only when empty; a link put in its place
        // meanwhile is no folder to unlinkat.
        removeIn(company, programFolder, programPath, true);
    }
    if (company >= 0 && company != top) {
        ::close(company);
        removeIn(top, companyFolder, companyPath, true);
    }
    ::close(top);
}

bool UninstallDialog::RemoveShortcutsAndUninstallEntry()
{
    storeFailure.clear();
    menuLeft = 0;
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
    else
        removeMenuEntries(programs);
    // The entry stays with what is left of the menu, so that a later run,
    // started from the same entry, can finish.
    if (menuLeft > 0)
        return false;

    std::string unused;
    if (ReadRegistryString(Root::LocalMachine, uninstallKey, "DisplayName", unused))
        DeleteRegistryValue(Root::LocalMachine, uninstallKey, "DisplayName");
    if (ReadRegistryString(Root::LocalMachine, uninstallKey, "UninstallString", unused))
        DeleteRegistryValue(Root::LocalMachine, uninstallKey, "UninstallString");
    DeleteRegistryTree(Root::LocalMachine, uninstallKey);
    return storeFailure.empty();
}

bool UninstallDialog::ReadRegistryString(Root root, const std::string& key, const std::string& valueName,
                                         std::string& out)
{
    KeyStore store;
    const std::string file = keyStoreFile(root);
    if (!store.load(file))
        return storeFailed(file, "cannot be read: " + store.error);
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
    if (!store.load(file))
        return storeFailed(file, "cannot be read: " + store.error);
    Key* opened = KeyStore::open(store.root, key);
    if (!opened || !opened->removeValue(valueName))
        return false;
    return store.save(file) || storeFailed(file, "cannot be written: " + store.error);
}

bool UninstallDialog::DeleteRegistryTree(Root root, const std::string& key)
{
    KeyStore store;
    const std::string file = keyStoreFile(root);
    if (!store.load(file))
        return storeFailed(file, "cannot be read: " + store.error);
    if (!deleteTree(store.root, key))
        return false;
    return store.save(file) || storeFailed(file, "cannot be written: " + store.error);
}

bool UninstallDialog::storeFailed(const std::string& file, const std::string& why)
{
    if (storeFailure.empty())
        storeFailure = "the key store " + file + " " + why;
    return false;
}

std::string UninstallDialog::CheckKeyStore()
{
    const std::string file = keyStoreFile(Root::LocalMachine);
    KeyStore store;
    if (!store.load(file))
        return "the key store " + file + " cannot be read: " + store.error;
    // Only a store that holds the entry is written.
    if (!KeyStore::open(store.root, uninstallKey))
        return std::string();
    if (!store.canSave(file))
        return "the key store " + file + " cannot be written: " + store.error;
    struct stat st;
    if (lstat(file.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
        std::fprintf(stderr, "Install: the key store %s is a symbolic link: it is replaced by a file of its own, and "
                             "what it points at stays as it is\n",
                     file.c_str());
    return std::string();
}

} // namespace install
