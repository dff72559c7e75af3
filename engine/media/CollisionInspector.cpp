#include "media/CollisionInspector.h"

#include "graphics/GraphicsObject.h"

#include <algorithm>

namespace {

template <typename T> bool listed(const std::vector<T*>& list, T* item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

template <typename T> void unlist(std::vector<T*>& list, T* item)
{
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

} // namespace

bool CMonitoredObject::touches(CGraphicsObject* other) const { return listed(touching, other); }

void CMonitoredObject::addTouching(CGraphicsObject* other)
{
    if (!touches(other))
        touching.push_back(other);
}

void CMonitoredObject::removeTouching(CGraphicsObject* other) { unlist(touching, other); }

CCollisionInspector::CCollisionInspector() {}

CCollisionInspector::~CCollisionInspector()
{
    for (CMonitoredObject* m : monitored)
        delete m;
}

CMonitoredObject* CCollisionInspector::find(CGraphicsObject* drawable)
{
    for (CMonitoredObject* m : monitored)
        if (m->object == drawable)
            return m;
    return nullptr;
}

void CCollisionInspector::addMonitoredObject(CGraphicsObject* drawable, bool pixelExact)
{
    if (!drawable)
        return;
    if (CMonitoredObject* m = find(drawable))
        m->enabled = true;
    else
        monitored.push_back(new CMonitoredObject(drawable, pixelExact));
}

void CCollisionInspector::removeMonitoredObject(CGraphicsObject* drawable)
{
    if (CMonitoredObject* m = find(drawable))
        m->enabled = false;
}

void CCollisionInspector::addNotifier(CCollisionObserver* observer)
{
    if (observer && !listed(notifiers, observer))
        notifiers.push_back(observer);
}

void CCollisionInspector::removeNotifier(CCollisionObserver* observer) { unlist(notifiers, observer); }

void CCollisionInspector::onPositionChanged(CGraphicsObject* drawable)
{
    CMonitoredObject* m = find(drawable);
    if (!m || (m->state & CMonitoredObject::STATE_MOVED))
        return;
    m->state |= CMonitoredObject::STATE_MOVED;
    moved.push_back(m);
}

// Observers run script: they may watch, unwatch, move drawables and add or
// remove observers while they are told. Moves reported meanwhile are
// tested at the next tick.
void CCollisionInspector::tick()
{
    if (moved.empty())
        return;
    std::vector<CMonitoredObject*> batch;
    batch.swap(moved);
    for (CMonitoredObject* m : batch)
        if (m->enabled) {
            m->state &= ~uint32_t(CMonitoredObject::STATE_MOVED);
            test(m);
        }
    for (CMonitoredObject* m : batch) {
        if (m->enabled) {
            // One skipped while it was not watched, then watched again.
            if (!listed(moved, m))
                m->state &= ~uint32_t(CMonitoredObject::STATE_MOVED);
            continue;
        }
        unlist(monitored, m);
        unlist(moved, m);
        delete m;
    }
}

void CCollisionInspector::test(CMonitoredObject* m)
{
    const CXRect boxA = m->object->GetBoundingBox();
    // Entries added meanwhile are tested too; none is deleted before the
    // tick's end.
    for (size_t i = 0; i < monitored.size() && m->enabled; ++i) {
        CMonitoredObject* n = monitored[i];
        if (!n->enabled || n->object == m->object)
            continue;
        const CXRect boxB = n->object->GetBoundingBox();
        const bool colliding = !boxA.Common(boxB).IsEmpty() &&
                               (!m->pixelExact || checkAlphaCollision(m->object, boxA, n->object, boxB));
        const bool was = m->touches(n->object);
        if (colliding && !was) {
            m->addTouching(n->object);
            n->addTouching(m->object);
            notify(NOTIFY_COLLISION, m->object, n->object);
        } else if (was && !colliding) {
            m->removeTouching(n->object);
            n->removeTouching(m->object);
            notify(NOTIFY_COLLISION_FINISHED, m->object, n->object);
        }
    }
}

void CCollisionInspector::notify(int code, CGraphicsObject* a, CGraphicsObject* b)
{
    const std::vector<CCollisionObserver*> walk(notifiers);
    for (CCollisionObserver* o : walk) {
        if (!listed(notifiers, o))
            continue;
        if (code == NOTIFY_COLLISION)
            o->onCollision(a, b);
        else if (code == NOTIFY_COLLISION_FINISHED)
            o->onCollisionFinished(a, b);
    }
}

bool CCollisionInspector::checkAlphaCollision(CGraphicsObject* a, CXRect boxA, CGraphicsObject* b, CXRect boxB)
{
    // The drawable whose pixels b shows: an animation's current frame.
    CGraphicsObject* shown = b ? b->getDrawn() : nullptr;
    if (!a || !shown || shown->GetCompression() != COMPRESSION_NONE || !shown->GetChannelAlpha())
        return false;
    const unsigned char* plane = reinterpret_cast<const unsigned char*>(shown->GetChannelAlpha());
    const int64_t bw = shown->Width(), bh = shown->Height();
    // The plane is indexed from b's own top-left, which its box may have
    // been cut from (by the screen's edge or its clipping).
    const CXPoint origin = b->GetPosition();
    const int64_t x0 = boxA.left, y0 = boxA.top, w = a->Width(), h = a->Height();
    const int64_t points[8][2] = {{x0, y0},
                                  {x0 + w / 2, y0},
                                  {x0 + w - 1, y0},
                                  {x0 + w - 1, y0 + h / 2},
                                  {x0 + w - 1, y0 + h - 1},
                                  {x0 + w / 2, y0 + h - 1},
                                  {x0, y0 + h - 1},
                                  {x0, y0 + h / 2}};
    for (const auto& p : points) {
        const int64_t px = p[0], py = p[1];
        if (px < boxB.left || px >= boxB.right || py < boxB.top || py >= boxB.bottom)
            continue;
        const int64_t column = px - origin.x, row = py - origin.y;
        if (column >= 0 && column < bw && row >= 0 && row < bh && plane[row * bw + column] != 0)
            return true;
    }
    return false;
}
