#include "host/HostWindow.h"

#include "graphics/Window.h"
#include "script/ScriptApplication.h"

namespace quarnel {

namespace {
// A menu item's text buffer holds 239 characters and the terminator.
const int MAX_ITEM_CHARS = 239;

CXString itemText(const CXString& name) { return name.getLength() > MAX_ITEM_CHARS ? name.Left(MAX_ITEM_CHARS) : name; }
} // namespace

SceneMenu BuildSceneMenu(CMC_Application* application)
{
    SceneMenu menu;
    if (!application)
        return menu;
    menu.caption = itemText(application->getName());
    CXVector* episodes = application->getSubScenes();
    for (int e = 0; episodes && e < episodes->getSize(); ++e) {
        CMC_Scene* episode = static_cast<CMC_Scene*>((*episodes)[e]);
        CXVector* scenes = episode->getSubScenes();
        for (int s = 0; scenes && s < scenes->getSize(); ++s) {
            CMC_Scene* scene = static_cast<CMC_Scene*>((*scenes)[s]);
            menu.items.push_back(SceneMenuItem{itemText(scene->getName()), episode->getSubId(scene)});
        }
    }
    return menu;
}

void* CreateMainWindow(platform::Platform& platform, int window, const CXString& title, bool windowed,
                       platform::Point position)
{
    return platform.createMainWindow(window, title.c_str(), windowed, position);
}

void CMainWindowProc::windowMessage(const platform::WindowMessage& m)
{
    if (!window)
        return;
    switch (m.kind) {
    case platform::WindowMessage::CLOSE: window->OnDestroy(); break;
    case platform::WindowMessage::MOVE:
        window->OnMove(m.x, m.y);
        window->Redraw();
        break;
    case platform::WindowMessage::ACTIVATE:
        // Becoming active redraws the whole window; becoming inactive does not.
        window->OnActivateApp(m.value != 0);
        if (window->isActive())
            window->Invalidate(static_cast<CXRect*>(nullptr));
        break;
    case platform::WindowMessage::DOUBLE_CLICK:
        // The engine's mouse handlers act only on a last argument of 0, so
        // the click goes without the key flags that come with it.
        if (window->isActive())
            window->OnLButtonDblClk(CXPoint(m.x, m.y), 0);
        break;
    case platform::WindowMessage::COMMAND: ::OnWindowCommand(window, nullptr, m.value); break;
    case platform::WindowMessage::MENU: showMenu(); break;
    }
}

// The menu stops the frames while it is open, as a window menu does.
void CMainWindowProc::showMenu()
{
    CXString text = menu.caption.IsString() ? menu.caption + ":" : CXString("Scenes:");
    for (const SceneMenuItem& item : menu.items)
        text = text + "\n    " + item.name;
    std::vector<platform::MenuCommand> commands(2);
    commands[0].text = "Redraw";
    commands[0].id = ID_REDRAW;
    commands[1].text = "Exit";
    commands[1].id = ID_EXIT;
    int chosen = backend.chooseCommand(menu.caption.IsString() ? menu.caption.c_str() : "Quarnel", text.c_str(),
                                       commands);
    ::OnWindowCommand(window, nullptr, chosen);
}

} // namespace quarnel
