#include "install/Places.h"

#include <cstdlib>

namespace install {

namespace {

// A folder from the environment, taken only when absolute as the XDG
// rules ask; else the fallback below HOME.
std::string folderOf(const char* variable, const char* belowHome)
{
    const char* value = std::getenv(variable);
    if (value && value[0] == '/')
        return value;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + belowHome;
    return std::string();
}

std::string below(const std::string& folder, const char* name)
{
    return folder.empty() ? std::string() : folder + name;
}

} // namespace

std::string configHome() { return folderOf("XDG_CONFIG_HOME", "/.config"); }

std::string dataHome() { return folderOf("XDG_DATA_HOME", "/.local/share"); }

std::string keyStoreFile(Root root)
{
    return below(configHome(), root == Root::CurrentUser ? "/quarnel/HKEY_CURRENT_USER.keys"
                                                         : "/quarnel/HKEY_LOCAL_MACHINE.keys");
}

std::string programsFolder() { return below(dataHome(), "/applications"); }

std::string sharedUninstaller() { return below(dataHome(), "/DovirAvura/globalUninst"); }

} // namespace install
