#include "common/PluginObjects.h"

#include "platform/Debug.h"
#include "platform/Platform.h"

#include <string>

namespace {
std::vector<PluginRunners::Drop>& drops()
{
    static std::vector<PluginRunners::Drop> list;
    return list;
}

void messageBox(const std::string& caption, const std::string& text)
{
    if (platform::Platform* p = platform::currentPlatform())
        p->messageBox(caption, text);
}
} // namespace

void PluginRunners::add(Drop drop) { drops().push_back(drop); }

void PluginRunners::releaseAll()
{
    std::vector<Drop> list;
    list.swap(drops());
    for (Drop d : list)
        d();
}

CXString** pluginEventList()
{
    static const char* const names[] = {"ONINIT",      "ONDONE",         "ONSIGNAL",  "ONMODEMFOUND",
                                        "ONMODEMNOTFOUND", "ONRINGING",  "ONCONNECTED", "ONDISCONNECTED",
                                        "ONKEYDOWN",   "ONKEYUP",        nullptr};
    return CMC_Object::makeEventList(names);
}

// A box here would stop a converted title at every scene that brings a
// plug-in object back from its snapshot until the player closed it, so the
// notice goes to the debugger output.
void restoringNotice(const char* className, const char* caption)
{
    std::string cls = std::string("CMC_") + className;
    platform::OutputDebugString((std::string(caption) + ": " + cls + "::" + cls + "( CMS_Scene )\n").c_str());
}

void showCredits() { messageBox("Quarnel plug-ins", "Extension plug-ins of the Quarnel engine."); }
