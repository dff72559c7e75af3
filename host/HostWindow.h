#pragma once
#include "base/XString.h"
#include "platform/Platform.h"

#include <vector>

class CMC_Application;
class CWindow;

// The host's windows: making them through the platform, the window
// procedure that hands their messages to the engine window, and the
// program's menu with the title's scenes.
//
// There is no menu bar on the platforms the engine runs on: the menu opens
// with the Menu key or Shift+F10 and offers its working commands ("Redraw",
// "Exit") beside the list of the title's scenes.
namespace quarnel {

// The menu's command ids; only 40001 and 40004 do anything.
enum HostCommand {
    ID_EXIT = 40001,
    ID_BEVAVIOURS = 40002,
    ID_VARIABLES = 40003,
    ID_REDRAW = 40004,
    ID_ARRAYS = 40005,
    ID_ALL = 40006,
    ID_MESSAGE_BOX = 40007
};

// The scene menu: a popup captioned with the application's name, one item
// for each scene of each episode, in list order, whose id is the scene's
// index in its episode (so ids repeat across episodes). Names are cut to
// 239 characters.
struct SceneMenuItem {
    CXString name;
    int id = 0;
};
struct SceneMenu {
    CXString caption;
    std::vector<SceneMenuItem> items;
};
SceneMenu BuildSceneMenu(CMC_Application* application);

// Makes window 0 (main) or 1 (the second window of the secondary display)
// with the title as caption; null without a display.
void* CreateMainWindow(platform::Platform& platform, int window, const CXString& title, bool windowed,
                       platform::Point position);

// Hands the window messages to the engine window while there is one; before
// it is made and after it is deleted they go nowhere. Menu commands go to
// the engine's OnWindowCommand (40001 ends the loop, 40004 redraws the
// whole screen, every other id does nothing).
class CMainWindowProc : public platform::WindowProcedure {
public:
    explicit CMainWindowProc(platform::Platform& platform) : backend(platform) {}
    void setEngineWindow(CWindow* engineWindow) { window = engineWindow; }
    void setMenu(const SceneMenu& sceneMenu) { menu = sceneMenu; }
    void windowMessage(const platform::WindowMessage& message) override;

private:
    void showMenu();
    platform::Platform& backend;
    CWindow* window = nullptr;
    SceneMenu menu;
};

} // namespace quarnel
