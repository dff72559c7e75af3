#pragma once
#include "objects/GraphicObject.h"

class CPattern;

// The script PATTERN (type 2021): one engine pattern (CPattern), a grid of
// cells in layers, each showing the drawable of another object of the
// scene under an alias. It listens to the mouse at priority 0 once a mouse
// event is bound and raises "ONFOCUSON", "ONFOCUSOFF", "ONCLICK" and
// "ONRELEASE" (the last two first in their "^" form with the button's name)
// for points in its bounding box while it is shown.
//
// The object owns its pattern, not the drawables in its cells: done empties
// the cells before the scene finishes the objects that own them. The cells
// are not part of the snapshot.
class CMC_Pattern : public CMC_GraphicObject {
public:
    // Positions in getBehavioursList.
    enum { EVENT_ONFOCUSON = 3, EVENT_ONFOCUSOFF = 4, EVENT_ONCLICK = 5, EVENT_ONRELEASE = 6 };

    // From a definition: "TOCANVAS", "VISIBLE", "LAYERS", "PRIORITY",
    // "WIDTH", "HEIGHT", "GRIDX", "GRIDY".
    CMC_Pattern(CMC_ObjectsContainer* container, CMElement* element);
    // Named "temp" without a pattern until serialize makes one.
    explicit CMC_Pattern(CMC_ObjectsContainer* container);
    ~CMC_Pattern() override;

    bool doneFirst() override { return true; }
    // Empties the cells, then finishes the object.
    bool done(bool final) override;
    using CMC_Object::done;
    void setAsButton(bool enabled, bool cursor);

    CXString** getBehavioursList() override;
    // After the common record: visibility, the priority on the screen (-1
    // when off it), width, height, the definition's grid step and the
    // layer count (of a pattern refused as too large, the count asked for).
    // Reading makes an empty pattern of those.
    void serialize(CXArchive* archive) override;

    CGraphicsObject* getDrawable() override;
    CPattern* getPattern() { return pattern; }
    int getWidth() const { return width; }
    int getHeight() const { return height; }

    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;
    // A pattern raises no collision events, and its pattern is its own.
    void onCollision(CGraphicsObject*, CGraphicsObject*) override {}
    void onCollisionFinished(CGraphicsObject*, CGraphicsObject*) override {}
    void onDestroy(CGraphicsObject*) override {}

private:
    void makePattern(int layers, bool visible, bool onScreen, int at);
    void releasePattern();

    CPattern* pattern;
    int width;
    int height;
    int gridX;
    int gridY;
    int askedLayers;
};
