#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "graphics/GraphicsObject.h"
#include "script/Dialog.h"
#include "ui/InputListeners.h"

#include <memory>
#include <vector>

class CButton;
class CMC_ObjectsContainer;
class CRefreshScreen;

// The panel of the script DIALOG: a background picture with graphics and
// buttons on it, shown and hidden together, that the user drags by its
// title strip (the top 30 pixels of the background). The strip is a button
// of its own whose image is the background: the scenes' default unit drags
// the background, and the dialog, told by the button, moves everything else
// by the same steps. On the screen the background lies at priority 100000
// and everything added above it, at its own former priority + 100001.
//
// The graphics and buttons belong to their script objects; a graphic that
// is destroyed is forgotten. Main thread only.
class CDialog6 : public CXObject, public CXDialog, public CControlNotifier, public CInvalidateObserver {
public:
    enum { TITLE_HEIGHT = 30, BACKGROUND_PRIORITY = 100000, RAISE = 100001 };
    // The argument the title button hands its hot spot.
    enum { TITLE_BUTTON_ID = 214290 };

    explicit CDialog6(CMC_ObjectsContainer* container);
    ~CDialog6() override;
    CDialog6(const CDialog6&) = delete;
    CDialog6& operator=(const CDialog6&) = delete;

    // The background, and the title strip over its top: a draggable button
    // of the default unit that does not change the cursor.
    void setBackground(CGraphicsObject* background) override;
    // Each is held once.
    void add(CButton* button) override;
    void add(CGraphicsObject* graphic) override;
    void show() override;
    void hide() override;
    // The graphics and buttons, not the background nor its strip.
    virtual void move(int dx, int dy);

    CGraphicsObject* getBackground() { return background; }
    CButton* getTitleButton() { return titleButton.get(); }

    // The title button's drag.
    void onStartDragging(CControl*, CXPoint p) override;
    void onDragging(CControl*, CXPoint p) override;
    // The strip follows the background.
    void onEndDragging(CControl*, CXPoint p) override;

    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

private:
    CRefreshScreen* canvas();
    // Shows or hides every part; the buttons are enabled or disabled.
    void showAll(bool on);
    // Lists the graphic again at its former priority + 100001.
    void raise(CGraphicsObject* graphic);
    CXRect stripOf(CGraphicsObject* graphic);

    CMC_ObjectsContainer* container;
    std::unique_ptr<CButton> titleButton;
    CGraphicsObject* background;
    CXPoint lastDragPoint;
    std::vector<CGraphicsObject*> graphics;
    std::vector<CButton*> buttons;
};
