#include "script/DLLExModule.h"

#include "base/WindowPaths.h"
#include "platform/Drives.h"
#include "platform/Module.h"

#include <string>

CXString CMC_DLLExModuleInterface::libraryFileName(const CXString& pluginName)
{
    if (pluginName.Find('.') < 0)
        return pluginName + ".so";
    int n = pluginName.getLength();
    if (n >= 4 && pluginName.Right(n - 4).equalsIgnoreCase(".dll"))
        return pluginName.Left(n - 4) + ".so";
    return pluginName;
}

bool CMC_DLLExModuleInterface::isPluginName(const CXString& pluginName)
{
    const char* text = pluginName.c_str();
    if (!*text || pluginName.Find('/') >= 0 || pluginName.Find('\\') >= 0 || pluginName.Find(':') >= 0)
        return false;
    for (; *text; ++text)
        if (text[0] == '.' && text[1] == '.')
            return false;
    return true;
}

CMC_DLLExModuleInterface::CMC_DLLExModuleInterface(const CXString& pluginName, CMC_ObjectsContainer* container)
    : name(pluginName), moduleInterface(nullptr), handle(nullptr), createEntry(nullptr), releaseEntry(nullptr),
      getModuleInterfaceEntry(nullptr)
{
    if (!isPluginName(name))
        return;
    std::string folder = CWindowPaths::getExePath().c_str();
    if (folder.empty())
        folder = platform::executableFolder();
    std::string previous = platform::getCurrentDirectory();
    // The library is loaded from the program's directory, whatever folder
    // the title has made current; the working directory is restored after.
    platform::setCurrentDirectory(folder);
    // The whole path goes through the translation, so a name in code page
    // 1250 reaches the file system as UTF-8 and matches in any case.
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    std::string path = platform::toHostPath(folder + libraryFileName(name).c_str());
    handle = path.empty() ? nullptr : platform::LoadModule(path.c_str());
    platform::setCurrentDirectory(previous);
    if (!handle)
        return;

    createEntry = reinterpret_cast<plugin::CreateFunction>(platform::GetModuleSymbol(handle, plugin::CREATE_SYMBOL));
    releaseEntry =
        reinterpret_cast<plugin::ReleaseFunction>(platform::GetModuleSymbol(handle, plugin::RELEASE_SYMBOL));
    getModuleInterfaceEntry = reinterpret_cast<plugin::GetModuleInterfaceFunction>(
        platform::GetModuleSymbol(handle, plugin::GET_MODULE_INTERFACE_SYMBOL));
    if (!createEntry || !releaseEntry || !getModuleInterfaceEntry) {
        createEntry = nullptr;
        releaseEntry = nullptr;
        getModuleInterfaceEntry = nullptr;
        platform::FreeModule(handle);
        handle = nullptr;
        return;
    }
    createEntry(container);
    moduleInterface = getModuleInterfaceEntry();
}

CMC_DLLExModuleInterface::~CMC_DLLExModuleInterface()
{
    if (moduleInterface && releaseEntry)
        releaseEntry();
    createEntry = nullptr;
    releaseEntry = nullptr;
    getModuleInterfaceEntry = nullptr;
    moduleInterface = nullptr;
    if (handle)
        platform::FreeModule(handle);
}
