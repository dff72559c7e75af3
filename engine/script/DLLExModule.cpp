#include "script/DLLExModule.h"

#include "base/FileReport.h"
#include "base/WindowPaths.h"
#include "platform/Drives.h"
#include "platform/Module.h"
#include "script/ObjectsContainer.h"

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
    CXString what = CXString("plug-in \"") + name + "\" of the scene \"" +
                    (container ? container->getName() : CXString()) + "\" cannot be loaded";
    if (!isPluginName(name)) {
        CFileReport::mistakeAt(what, CXString(), "a plug-in is looked for by its name beside the program only");
        return;
    }
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
    const CXString tried = (folder + libraryFileName(name).c_str()).c_str();
    std::string path = platform::toHostPath(tried.c_str());
    handle = path.empty() ? nullptr : platform::LoadModule(path.c_str());
    platform::setCurrentDirectory(previous);
    if (!handle) {
        std::string why = path.empty() ? std::string("no such file") : platform::ModuleError();
        // The loader names the file first; it is named already.
        if (why.compare(0, path.size() + 2, path + ": ") == 0)
            why.erase(0, path.size() + 2);
        CFileReport::mistakeAt(what, tried, why);
        return;
    }

    createEntry = reinterpret_cast<plugin::CreateFunction>(platform::GetModuleSymbol(handle, plugin::CREATE_SYMBOL));
    releaseEntry =
        reinterpret_cast<plugin::ReleaseFunction>(platform::GetModuleSymbol(handle, plugin::RELEASE_SYMBOL));
    getModuleInterfaceEntry = reinterpret_cast<plugin::GetModuleInterfaceFunction>(
        platform::GetModuleSymbol(handle, plugin::GET_MODULE_INTERFACE_SYMBOL));
    if (!createEntry || !releaseEntry || !getModuleInterfaceEntry) {
        CFileReport::mistakeAt(what, tried, "not a plug-in: " + platform::ModuleError());
        createEntry = nullptr;
        releaseEntry = nullptr;
        getModuleInterfaceEntry = nullptr;
        platform::FreeModule(handle);
        handle = nullptr;
        return;
    }
    createEntry(container);
    moduleInterface = getModuleInterfaceEntry();
    if (!moduleInterface)
        CFileReport::mistakeAt(what, tried, "the plug-in made no module");
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
