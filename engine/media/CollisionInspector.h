#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "graphics/WindowLayers.h"

#include <cstdint>
#include <vector>

class CGraphicsObject;

// Told when two watched drawables start or stop overlapping; the first
// drawable is the one that moved.
class CCollisionObserver {
public:
    virtual ~CCollisionObserver() {}
    virtual void onCollision(CGraphicsObject* a, CGraphicsObject* b) = 0;
    virtual void onCollisionFinished(CGraphicsObject* a, CGraphicsObject* b) = 0;
};

// A watched drawable: how it is tested, whether it moved since the last
// tick, what it overlaps now, and whether it is still watched.
class CMonitoredObject {
public:
    enum { STATE_MOVED = 1 };

    CMonitoredObject(CGraphicsObject* o, bool exact) : object(o), pixelExact(exact), state(0), enabled(true) {}
    CMonitoredObject(const CMonitoredObject&) = delete;
    CMonitoredObject& operator=(const CMonitoredObject&) = delete;

    bool touches(CGraphicsObject* other) const;
    void addTouching(CGraphicsObject* other);
    void removeTouching(CGraphicsObject* other);

    CGraphicsObject* object; // not owned
    bool pixelExact;
    uint32_t state;
    std::vector<CGraphicsObject*> touching;
    bool enabled;
};

// The window's collision inspector. Drawables whose collisions are watched
// report their moves (onPositionChanged); once a frame, tick tests each
// drawable that moved against every other watched drawable, by bounding
// boxes and, when it was watched pixel-exact, by eight points of its box
// on the other's alpha plane, and tells the observers of every pair that
// began or stopped overlapping: the drawable that moved first. A pair of
// which neither moved keeps its state. Main thread only.
class CCollisionInspector : public CXObject, public CCollisionInspectorIfc {
public:
    enum { NOTIFY_COLLISION = 1, NOTIFY_COLLISION_FINISHED = 2 };

    CCollisionInspector();
    ~CCollisionInspector() override;
    CCollisionInspector(const CCollisionInspector&) = delete;
    CCollisionInspector& operator=(const CCollisionInspector&) = delete;

    // Watches the drawable; one watched before is watched again, tested as
    // it was first asked.
    void addMonitoredObject(CGraphicsObject* drawable, bool pixelExact) override;
    // Stops watching; the entry goes at the next tick after a move. Pairs it
    // was part of stay recorded and are not reported finished.
    void removeMonitoredObject(CGraphicsObject* drawable) override;
    // Once each.
    void addNotifier(CCollisionObserver* observer) override;
    void removeNotifier(CCollisionObserver* observer) override;
    // A watched drawable moved: it is tested at the next tick (once, however
    // often it moved). Others are ignored.
    void onPositionChanged(CGraphicsObject* drawable) override;
    void tick() override;

    // Tells every observer, in order: NOTIFY_COLLISION onCollision,
    // NOTIFY_COLLISION_FINISHED onCollisionFinished; other codes nobody.
    virtual void notify(int code, CGraphicsObject* a, CGraphicsObject* b);
    // Whether one of eight points of a's box (its corners and the middles
    // of its sides, a's size from boxA's top-left) lies in boxB on a
    // non-zero byte of b's alpha plane. False when b shows packed pixels
    // or no alpha plane.
    virtual bool checkAlphaCollision(CGraphicsObject* a, CXRect boxA, CGraphicsObject* b, CXRect boxB);
    // The entry of a drawable; null when it was never watched (or its
    // entry has gone).
    CMonitoredObject* find(CGraphicsObject* drawable);

private:
    void test(CMonitoredObject* mover);

    // Every drawable watched, in the order it was first added.
    std::vector<CMonitoredObject*> monitored;
    std::vector<CCollisionObserver*> notifiers;
    // The entries that moved since the last tick, in the order of their
    // first report.
    std::vector<CMonitoredObject*> moved;
};
