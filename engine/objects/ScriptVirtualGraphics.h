#pragma once
#include "media/CollisionInspector.h"
#include "script/Object.h"
#include "ui/InputListeners.h"

class CVirtualGraphicsObject;
class CWindow;

// The script VIRTUALGRAPHICSOBJECT (type 3005): a masked view onto another
// graphic object of the scene (CVirtualGraphicsObject), which it owns. The
// script names the source and the mask with "SETSOURCE" and "SETMASK"; the
// "SOURCE" and "MASK" keys are only kept. It raises only the common events
// and never listens to the mouse; "ASBUTTON" and "SETASBUTTON" only record
// flags.
//
// A snapshot keeps the base record alone; a restored object is an empty,
// hidden view off the screen under the recorded name.
class CMC_VirtualGraphicsObject : public CMC_Object, public CCollisionObserver, public CMouseListener {
public:
    // Definition keys: "TOCANVAS", "VISIBLE", "MONITORCOLLISION",
    // "MONITORCOLLISIONALPHA", "PRIORITY", "SOURCE", "MASK", "ASBUTTON".
    CMC_VirtualGraphicsObject(CMC_ObjectsContainer* container, CMElement* element);
    // Wraps a view (which it then owns) under the name "clone"; reads no
    // keys, puts nothing on the screen, binds nothing.
    CMC_VirtualGraphicsObject(CMC_ObjectsContainer* container, CVirtualGraphicsObject* view);
    ~CMC_VirtualGraphicsObject() override;
    CMC_VirtualGraphicsObject(const CMC_VirtualGraphicsObject&) = delete;
    CMC_VirtualGraphicsObject& operator=(const CMC_VirtualGraphicsObject&) = delete;

    // A new object with a fresh view of this one's drawable state (no
    // source, no mask), on the screen at the same priority when this view
    // is there.
    CXObject* clone() override;
    using CMC_Object::clone;
    CXString** getBehavioursList() override;
    // The view stays in the scene's collision watch.
    virtual void removeCollisionsMonitoring() {}

    void onCollision(CGraphicsObject*, CGraphicsObject*) override {}
    void onCollisionFinished(CGraphicsObject*, CGraphicsObject*) override {}
    bool onMouseMove(CXPoint) override { return true; }
    bool onClick(int, CXPoint) override { return true; }
    bool onRelease(int, CXPoint) override { return true; }
    using CMouseListener::onClick;
    using CMouseListener::onRelease;

    CVirtualGraphicsObject* getVirtualGraphicsObject() { return view; }
    CWindow* getWindow() const { return window; }
    // The first flag is not read; the as-button flag becomes true.
    void setAsButton(bool, bool second);
    bool isButton() const { return asButton; }
    bool getSecondFlag() const { return secondFlag; }
    int getPriority() const { return priority; }
    const CXString& getSourceName() const { return sourceName; }
    const CXString& getMaskName() const { return maskName; }

    // The scene's collision watch of the view with this object as observer.
    void monitorCollisions(bool alpha);

private:
    CWindow* window;
    CVirtualGraphicsObject* view;
    int priority;
    bool asButton;
    bool secondFlag;
    CXString sourceName;
    CXString maskName;
};
