#pragma once
#include "base/Geometry.h"
#include "base/PriorityList.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "base/XTimer.h"
#include "graphics/GraphicsObject.h"
#include "media/Playable.h"
#include "media/RandomPlayable.h"
#include "script/SceneServices.h"
#include "ui/ControlUnit.h"
#include "ui/InputListeners.h"

#include <memory>
#include <vector>

class CAnimo6;
class CEditBox6;
class CMElement;
class CRefreshScreen;
class CResourcesManager;
class CSimpleFont6;
class CXArray;

// The screen unit: what the current scene shows and hears beyond its script
// objects. The application has one, the scenes' default unit
// (CMC_Scene::getDefUnit), which every scene takes as its own while it is
// entered: initialize at the start of a visit, done at its end. It sets the
// scene's background on the window's screen, starts the scene's music on
// the first frame and keeps it playing across scenes (the music logic of
// CMC_PlainUnit), owns the scene's edit boxes and moves the keyboard focus
// between them with Tab and Shift+Tab, carries out the dragging of a graphic
// by a control, forwards timers and random playables to the window's
// services, and holds a return code that ends a modal run.
//
// Its resources manager, a child of the application's, is the cache through
// which a scene's objects share one drawable per file; it is emptied when
// the scene is left.
//
// It listens to the mouse at priority 100000 and to every key while a scene
// is entered. Main thread only.
class CUnit6 : public CXObject,
               public CMC_PlainUnit,
               public CControlUnit,
               public CPlayableObserver,
               public CKeyListener,
               public CMouseListener,
               public CRandomPlayableNotifier,
               public CTimerUnit,
               public CInvalidateObserver {
public:
    enum { MOUSE_PRIORITY = 100000, DRAG_PRIORITY = 10000, TAB_KEY = 15 };

    // Makes its resources manager and attaches it to the application's.
    CUnit6(CWindow* window, const CXString& name);
    // Detaches and deletes the resources manager, kills the unit's timers,
    // deletes the edit boxes.
    ~CUnit6() override;
    CUnit6(const CUnit6&) = delete;
    CUnit6& operator=(const CUnit6&) = delete;

    // Entering a scene: return code 0, active, the scene kept, the music's
    // name taken over from previous, a new set of random playables, the
    // background set, and the unit listening to the keys and the mouse.
    void initialize(CMC_Scene* scene, CMC_ScreenUnit* previous) override;
    // The first frame: starts the scene's music. True.
    bool onInitialUpdate() override;
    bool wasInitiallyUpdated() override { return updated; }
    // Leaving a scene: the drag ends, the screen's background goes, the
    // unit is inactive and stops listening, its random playables and what
    // its cache holds are deleted. The music plays on and the edit boxes
    // stay (flushEditBoxes).
    void done(CMC_Scene* scene, CMC_ScreenUnit* next) override;
    CControlUnit* getControlUnit() override { return this; }
    CUnit6* getUnit6() override { return this; }

    // The default unit, or null when it is not one of these.
    static CUnit6* getDefUnit();

    virtual bool domodal() { return retCode != 0; }
    virtual CWindow* getWindow() { return window; }
    virtual CRefreshScreen* getCanvas();
    bool isActive() override { return active; }
    void setActivity(bool on) { active = on; }
    CMC_Scene* getScene() { return scene; }
    // The background file name on the screen, or no background when empty.
    virtual void setBackground();
    void setRetCode(int code) override { retCode = code; }
    int getRetCode() const { return retCode; }
    void exit() { retCode = 1; }
    CXArray* getRetPath() { return retPath.get(); }
    CResourcesManager* getResourcesManager() { return resources.get(); }
    // Whether the sound and sequence code should give up after an error.
    bool quitOnError(CXObject*) { return false; }

    // Timers of the window with the unit as target: onTimer(id) when due,
    // with onlyWhileActive only while the unit is active and has had its
    // first frame.
    void setTimer(int id, int intervalMs, bool onlyWhileActive);
    void killTimer(int id);
    void onTimer(int) override {}

    // Forwarded to the scene visit's random playables; nothing outside a
    // visit.
    virtual void addRandomPlayable(CPlayable* playable, double probability, int interval, CXString event);
    virtual void removeRandomPlayable(CPlayable* playable);

    // Edit boxes. The unit owns the boxes it made; removeEditBox hands one
    // back to its caller without deleting it.
    virtual void setCursor(CGraphicsObject* cursor) { editCursor = cursor; }
    // A new box on the unit's window at that priority, with the cursor
    // graphic when one is set, appended to the unit's boxes.
    virtual CEditBox6* addEditBox(CSimpleFont6* font, CXRect rect, int priority, CXString text);
    // The current box loses the focus, and the box (when not null) takes
    // it.
    virtual void activateEditBox(CEditBox6* box);
    virtual void removeEditBox(CEditBox6* box);
    void flushEditBoxes() override;
    // -1 without boxes, without a current one or when it is not the unit's.
    virtual int getCurrentEditBoxIndex();
    // The focus to the next (previous) enabled box, wrapping around; the
    // current box is never activated again.
    virtual void nextEditBox();
    virtual void prevEditBox();
    CEditBox6* getCurrentEditBox() { return currentBox; }
    int getEditBoxCount() const { return editBoxes.getSize(); }

    // Dragging, for the controls: the graphic is raised to priority 10000
    // and follows the mouse until the next release (dragging mode false)
    // or click (true); then it gets its priority back, and the control is
    // enabled and told the graphic's position.
    bool onStartDragging(CGraphicsObject* graphic, CXPoint point, CControl* control) override;
    virtual bool onDragging(CXPoint point);
    virtual bool onEndDragging(CXPoint point);
    using CControlNotifier::onDragging;
    using CControlNotifier::onEndDragging;
    using CControlNotifier::onStartDragging;
    // Puts the dragged graphic back where the drag began.
    void bringBackDraggingObjectPosition(CXPoint);
    void setDraggingMode(bool endAtClick) { draggingMode = endAtClick; }
    bool getDraggingMode() const { return draggingMode; }
    bool isDragging() override { return dragging; }
    // A control going away while it is dragged ends the drag.
    void onControlGone(CControl* control) override;

    // For derived units: the animation on the screen at 1000 with
    // "ALWAYSONTOP", else at "PRIORITY", when "TOCANVAS" is true.
    void putOnCanvas(CAnimo6* animation, CMElement* element);

    // The mouse: while dragging a move drags (and is taken); a click or a
    // release ends the drag as the dragging mode says, and goes on to the
    // other listeners.
    bool onMouseMove(CXPoint p) override;
    bool onClick(CXPoint p) override;
    bool onRelease(CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;
    // Tab moves the focus to the next edit box, Shift+Tab to the previous.
    void onKeyDown(int key) override;

    // The dragged graphic going away ends the drag.
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

private:
    void stopDragging();
    void listen(bool on);
    // From the current box, one box on (1) or back (-1) at a time.
    void stepEditBox(int step);

    bool dragging;
    bool draggingMode;
    int savedPriority;
    CXPoint lastDragPoint;
    CXPoint dragStart;
    CControl* dragControl;
    CGraphicsObject* dragged;
    CResourcesManager* parentResources;
    int retCode;
    std::unique_ptr<CXArray> retPath;
    bool active;
    bool listening;
    std::unique_ptr<CResourcesManager> resources;
    std::unique_ptr<CRandomPlayable> randomPlayables;
    CGraphicsObject* editCursor;
    // In the order they were made.
    CPriorityList<CEditBox6*, CEditBox6*> editBoxes;
    CEditBox6* currentBox;
    std::vector<int> timerIds;
};
