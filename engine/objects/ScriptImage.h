#pragma once
#include "graphics/Color.h"
#include "objects/GraphicObject.h"

class CImage;

// The script IMAGE (type 2008): one still picture (CImage) of a file, put
// on the window's screen refresh at a priority, whose collisions are raised
// when the scene watches them, and which can act as a button raising
// "ONFOCUSON", "ONFOCUSOFF", "ONCLICK" and "ONRELEASE" (the last two in
// their "^" forms with the button's name). Unlike an animation it plays
// nothing and changes no picture on hovering or clicking.
//
// In a scene the picture of a file is shared through the default unit's
// cache, as ANIMO's animations are; outside a scene, and for a clone (whose
// picture is an owned copy), the object owns its picture. A clone takes one
// more use of the cached picture for itself, which the object it was
// cloned from gives back when it loads another picture.
class CMC_Image : public CMC_GraphicObject {
public:
    // Positions in getBehavioursList.
    enum {
        EVENT_ONCOLLISION = 3,
        EVENT_ONCOLLISIONFINISHED = 4,
        EVENT_ONFOCUSON = 5,
        EVENT_ONFOCUSOFF = 6,
        EVENT_ONCLICK = 7,
        EVENT_ONRELEASE = 8
    };

    // From a definition: "FILENAME", "TOCANVAS", "VISIBLE",
    // "FLUSHAFTERPLAYED", "PRELOAD", "MONITORCOLLISION",
    // "MONITORCOLLISIONALPHA", "PRIORITY" and "ASBUTTON". The starting
    // position is where the picture lies once read.
    CMC_Image(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot and for CREATE: no picture until serialize or LOAD
    // gives it one.
    explicit CMC_Image(CMC_ObjectsContainer* container);
    // A clone named "clone" over its own picture; not a button.
    CMC_Image(CMC_ObjectsContainer* container, CImage* picture);
    // Lets go of a picture done did not release.
    ~CMC_Image() override;

    // A clone over a copy of the picture, on the refresh at the picture's
    // priority when the picture is there; null without a picture.
    CXObject* clone() override;
    using CMC_Object::clone;
    // Gives the picture's use back to the cache, or deletes an owned one.
    bool done(bool final) override;
    CXString** getBehavioursList() override;
    // The record of the graphic types; reading loads the file and puts the
    // picture back on the refresh. Whether the file had been read and the
    // starting position follow in the snapshot's state trailer
    // (serializeState).
    void serialize(CXArchive* archive) override;
    void serializeState(CXArchive* archive);

    CGraphicsObject* getDrawable() override;
    // The picture, brought up to date with the image it is linked to.
    CImage* getImage();

    // Always shows a new picture of that file (in a scene, the cache's).
    // The old one goes back to the cache with the uses its clones took, or
    // is deleted when the object owns it; the new one takes its place on
    // the refresh and its collision watch.
    virtual void load(const CXString& file, bool preload);

    // The object becomes a button whatever the first argument says; cursor
    // says whether hovering and clicking change the cursor.
    void setAsButton(bool button, bool cursor);
    CXPoint GetStartingPosition() const { return start; }
    void SetStartingPosition(int x, int y) { start = CXPoint(x, y); }
    // The picture's pixel there; black without a picture.
    CColor GetPixel(int x, int y);

    void onCollision(CGraphicsObject* first, CGraphicsObject* second) override;
    void onCollisionFinished(CGraphicsObject* first, CGraphicsObject* second) override;
    bool onMouseMove(CXPoint p) override;
    bool onClick(int button, CXPoint p) override;
    bool onRelease(int button, CXPoint p) override;
    using CMouseListener::onClick;
    using CMouseListener::onRelease;

    // The picture is being deleted (by the cache, at its last use).
    void onDestroy(CGraphicsObject* source) override;

private:
    void take(CImage* next, bool fromCache);
    // Stops the collision watch, then gives the picture back to the cache
    // (once, and once more for each use its clones took when withClones)
    // or deletes it when the object owns it.
    void letGo(bool withClones);
    // A button's callbacks act only on a visible picture, while listening,
    // when a behaviour is bound to their event.
    bool gate(int event);

    CImage* image;
    // The picture belongs to the scene's cache (else to the object).
    bool cached;
    // Uses of the cached picture that clones took.
    int cloneUses;
    CXPoint start;
};
