#pragma once
#include "objects/GraphicObject.h"

#include <vector>

class CCanvas;

// The script CANVAS (type 2020): one engine canvas (CCanvas) of a fixed
// size on the window's screen refresh, which composes the drawables of
// other objects (ADD) and keeps what is stamped (DRAW), rubbed out (ERASE)
// or flattened (CAPTURE) in its background. It listens to the mouse at
// priority 0 once a mouse event is bound and raises "ONFOCUSON",
// "ONFOCUSOFF", "ONCLICK" and "ONRELEASE" (the last two first in their "^"
// form with the button's name) for points in its bounding box.
//
// The object owns its canvas. The IMAGE and TEXT objects it was given
// (ADD) belong to their scene; CAPTURE(TRUE) deletes those still there,
// each once, however many canvases (clones) list them. After done the
// object has no canvas, and its methods and mouse hooks do nothing.
class CMC_Canvas : public CMC_GraphicObject {
public:
    // Positions in getBehavioursList.
    enum { EVENT_ONFOCUSON = 3, EVENT_ONFOCUSOFF = 4, EVENT_ONCLICK = 5, EVENT_ONRELEASE = 6 };

    // From a definition: "PRIORITY", "WIDTH", "HEIGHT", "ALPHA" and
    // "BACKGROUND"; the canvas has the depth of the window's screen and is
    // put on the screen at the priority.
    CMC_Canvas(CMC_ObjectsContainer* container, CMElement* element);
    // Named "temp", over the given canvas (a clone's copy), or none until
    // serialize makes one.
    CMC_Canvas(CMC_ObjectsContainer* container, CCanvas* canvas);
    ~CMC_Canvas() override;

    // Takes the canvas off the screen and deletes it; the list of added
    // objects is emptied. The mouse listener stays until the destructor.
    virtual void done();
    using CMC_Object::done;
    // The drawable named in the object's scene becomes the canvas's child
    // at that priority (once); an IMAGE or TEXT object is remembered.
    virtual void add(const CXString& name, int priority);
    // Flattens the composition into the background and takes every child
    // off; with removeObjects the remembered objects still in their
    // containers are taken out, finished and deleted. The list is emptied.
    virtual void capture(bool removeObjects);
    virtual void setAsButton(bool enabled, bool cursor);

    // A canvas of the same size, layers and children, at this one's
    // priority, listing the same added objects; null without a canvas.
    CXObject* clone() override;
    using CMC_Object::clone;
    CXString** getBehavioursList() override;
    // After the common record: width, height, the priority on the screen
    // (-1 when off it), alpha and background. Reading makes an empty
    // canvas of those and puts it on the screen at that priority.
    void serialize(CXArchive* archive) override;

    CGraphicsObject* getDrawable() override;
    CCanvas* getCanvas() { return canvas; }
    // The objects ADD remembered, in the order added.
    std::vector<CMC_Object*> getAddedObjects() const;

    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;
    // A canvas raises no collision events, and its canvas is its own.
    void onCollision(CGraphicsObject*, CGraphicsObject*) override {}
    void onCollisionFinished(CGraphicsObject*, CGraphicsObject*) override {}
    void onDestroy(CGraphicsObject*) override {}

private:
    // An object ADD remembered, with its name to find it again: a pointer
    // alone cannot tell whether the object is still alive.
    struct Added {
        CMC_Object* object;
        CXString name;
    };
    // A canvas for the window's screen; sizes that make no picture give an
    // empty canvas.
    void makeCanvas(int width, int height, int priority, bool alpha, bool background);
    void releaseCanvas();
    // Deletes an added object when its scene still finds it under its name.
    void destroyAdded(const Added& entry);

    CCanvas* canvas;
    std::vector<Added> added;
};
