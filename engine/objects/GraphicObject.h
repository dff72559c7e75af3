#pragma once
#include "base/Geometry.h"
#include "graphics/GraphicsObject.h"
#include "media/CollisionInspector.h"
#include "script/Object.h"
#include "ui/InputListeners.h"

class CMC_Scene;
class CRefreshScreen;
class CResourcesManager;
class CWindow;
class CXArchive;

// What the script types that show one drawable of a scene share (ANIMO,
// IMAGE): the definition keys and the snapshot record they have in common,
// the drawable's place on the screen refresh, its collision watch through
// the scene, the events they raise in their "^" forms, and the mouse: the
// first behaviour bound to a mouse event makes the object a mouse listener
// of the window at its priority, for the rest of its life.
//
// The derived type owns the drawable and says where its mouse and collision
// events stand in its event list. It watches its drawable (onDestroy) so
// that it never reaches one that a cache or another owner deleted. Main
// thread only.
class CMC_GraphicObject : public CMC_Object,
                          public CCollisionObserver,
                          public CMouseListener,
                          public CInvalidateObserver {
public:
    // Indexes into the type's getBehavioursList.
    struct EventSlots {
        int collision;
        int collisionFinished;
        int focusOn;
        int focusOff;
        int click;
        int release;
    };

    // Leaves the window's mouse listeners and the collision observers.
    ~CMC_GraphicObject() override;
    CMC_GraphicObject(const CMC_GraphicObject&) = delete;
    CMC_GraphicObject& operator=(const CMC_GraphicObject&) = delete;

    // The drawable the object shows; null when it has none.
    virtual CGraphicsObject* getDrawable() = 0;

    // A name beginning with "ONCLICK" or "ONRELEASE", or exactly
    // "ONFOCUSON" or "ONFOCUSOFF", makes the object a mouse listener unless
    // it is one already. True for every name.
    bool verifyBehaviour(const CXString& name) override;
    // The bindings a snapshot restores register the listener as those of a
    // definition do.
    void initializeBehaviours(CMC_ObjectsContainer* container, CMElement* element) override;

    // The scene's collision watch of the drawable, with this object as its
    // observer; stopping it clears the drawable's monitor flag.
    void monitorCollisions(bool alpha);
    virtual void removeCollisionsMonitoring();

    void onInvalidate(CGraphicsObject*, CXRect*) override {}

    int getPriority() const { return priority; }
    bool isButton() const { return asButton; }
    bool changesCursor() const { return changeCursor; }
    bool isListening() const { return listening; }
    bool isHovered() const { return hovered; }

    // The scene of a container: the container itself when it is a scene,
    // episode or application, else the first such one above it.
    static CMC_Scene* sceneOf(CMC_ObjectsContainer* container);

protected:
    CMC_GraphicObject(CMC_ObjectsContainer* container, CMElement* element, int typeId, const EventSlots& slots);
    CMC_GraphicObject(CMC_ObjectsContainer* container, const CXString& name, int typeId, const EventSlots& slots);

    // The keys both types read, in this order: "FILENAME", "TOCANVAS",
    // "VISIBLE", "FLUSHAFTERPLAYED", "PRELOAD", "MONITORCOLLISION",
    // "MONITORCOLLISIONALPHA", "PRIORITY"; the fields take theirs. The file
    // is read at once when "PRELOAD" is absent, empty or true; the preload
    // field keeps only its bool value.
    struct Definition {
        CXString file;
        bool toCanvas = false;
        bool visible = false;
        bool flushAfterPlayed = false;
        bool readNow = true;
    };
    Definition readDefinition(CMElement* element);

    // The record after the base record: asButton, monitorCollision,
    // monitorCollisionAlpha, the file name, whether the drawable is on the
    // screen refresh, its visibility, the priority, the release-after-use
    // flag and preload. Writing takes the four values from the record;
    // reading fills the fields and the record.
    struct Record {
        CXString file;
        bool onRefresh = false;
        bool visible = false;
        bool releaseAfterUse = false;
    };
    void serializeRecord(CXArchive* archive, Record* record);

    // Whether the object's container is a scene (not an episode, the
    // application or a class): only there are drawables shared.
    bool inScene() const;
    // The scene's cache of the default screen unit when in a scene; null
    // otherwise.
    CResourcesManager* sceneCache() const;
    CRefreshScreen* refresh() const;
    // The drawable's priority on the refresh; -1 when it is not there.
    int refreshPriority(CGraphicsObject* drawable) const;
    void putOnRefresh(CGraphicsObject* drawable, int at);

    // Raises "<event>^<parameter>" and, when no behaviour took it, the
    // plain event; true when either was taken.
    bool raiseForms(const CXString& event, const CXString& parameter);
    // The collision events of the drawable: with a middle form, first
    // "<event>^<middle>^<other>", then "<event>^<other>", then the plain
    // event with the own and the other object's names as its arguments.
    void raiseCollision(bool finished, CGraphicsObject* first, CGraphicsObject* second, const CXString* middle);
    // The window's active cursor and its main cursor, when the object
    // changes the cursor.
    void showActiveCursor();
    void showMainCursor();
    // The button names of the "^" forms: "LEFT", "MIDDLE", "RIGHT".
    static CXString buttonName(int button);

    // The mouse of a type that answers for its whole bounding box (CANVAS,
    // PATTERN), while the object is a button and g is shown: entering and
    // leaving raise the focus events; a click inside raises "ONCLICK" in
    // its forms and is consumed; a release inside raises "ONRELEASE" in its
    // forms and is passed on.
    bool boxMouseMove(CGraphicsObject* g, CXPoint p);
    bool boxClick(CGraphicsObject* g, int button, CXPoint p);
    bool boxRelease(CGraphicsObject* g, int button, CXPoint p);

    CWindow* window;
    int priority;
    bool hovered;
    bool listening;
    bool asButton;
    bool changeCursor;
    bool monitorCollision;
    bool monitorCollisionAlpha;
    bool preload;
    const EventSlots slots;

private:
    void listen();
};
