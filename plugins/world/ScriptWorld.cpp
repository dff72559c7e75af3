#include "world/ScriptWorld.h"

#include "base/Archive.h"
#include "base/File.h"
#include "common/PluginObjects.h"
#include "graphics/GraphicsObject.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/Values.h"
#include "world/BoxWorld.h"
#include "world/WorldRunner.h"

#include <cmath>
#include <string>

namespace {
CMC_World::WorldMaker worldMaker = nullptr;

IVemto* makeWorld() { return worldMaker ? worldMaker() : new CBoxWorld; }
} // namespace

void CMC_World::setWorldMaker(WorldMaker maker) { worldMaker = maker; }

void CWorldView::setBounds(float l, float r, float t, float b)
{
    left = l;
    right = r;
    top = t;
    bottom = b;
    width = std::fabs(r - l);
    height = std::fabs(b - t);
}

void CWorldView::update(float x, float y)
{
    float sx = x + 400;
    float sy = 300 - y;
    float dx = (follow & 1) ? sx - anchorX : 0;
    float dy = (follow & 2) ? sy - anchorY : 0;
    float cx = dx < left ? left - dx : dx > right - 800 ? right - 800 - dx : 0;
    float cy = dy < top ? top - dy : dy > bottom - 600 ? bottom - 600 - dy : 0;
    scrollX = dx + cx;
    scrollY = dy + cy;
    if (follow & 1)
        sx = anchorX - cx;
    if (follow & 2)
        sy = anchorY - cy;
    refScreenX = sx;
    refScreenY = sy;
    originX = sx - x;
    originY = y + sy;
}

CMC_World::CMC_World(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_ID), world(makeWorld())
{
    fileName = element ? element->getPropertyValue("FILENAME") : CXString();
    loadWorld(container);
    initializeBehaviours(container, element);
}

// A world file that cannot be opened leaves the world empty.
void CMC_World::loadWorld(CMC_ObjectsContainer* container)
{
    CFile file;
    if (fileName.getLength() > 0 && file.Open(container ? container->getWindow() : nullptr, fileName,
                                         CFile::MODE_READ | CFile::MODE_BINARY) == 0)
        world->Create(&file);
}

// A scene snapshot keeps the world file's name: the restored WORLD makes its
// world from the file as the definition's did (the scene's folder is the
// current one while its snapshot is read).
void CMC_World::snapshotState(CMC_Object* object, CXArchive* archive)
{
    CMC_World* w = static_cast<CMC_World*>(object);
    if (archive->isStoring()) {
        *archive << w->fileName;
        return;
    }
    CXString name;
    *archive >> &name;
    if (archive->LastError())
        return;
    w->fileName = name;
    w->world.reset(makeWorld());
    w->loadWorld(w->getScene());
}

CMC_World::CMC_World(CMC_ObjectsContainer* container) : CMC_Object(CXString("temp"), TYPE_ID)
{
    scene = container;
    restoringNotice("World", "Test");
}

CMC_World::~CMC_World()
{
    world.reset();
    for (WorldLink* l : links) {
        if (l->holder && !l->removed)
            CMC_Groups::left(l->holder, this);
        delete l;
    }
}

CXString** CMC_World::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

CMC_Runner* CMC_World::getRunner() { return PluginRunner<CMC_World_Runner>::get(); }

void CMC_World::link(uint32_t id, CGraphicsObject* drawable, CMC_Object* object, CMC_Object* holder, int32_t flags)
{
    if (!drawable && !object)
        return;
    WorldLink* l = new WorldLink;
    l->id = id;
    l->drawable = drawable;
    l->object = object;
    l->holder = holder ? holder : object;
    l->flags = flags;
    links.push_back(l);
    if (l->holder)
        CMC_Groups::joined(l->holder, this);
}

WorldLink* CMC_World::findLink(uint32_t id)
{
    for (WorldLink* l : links)
        if (!l->removed && l->id == id)
            return l;
    return nullptr;
}

int CMC_World::getLinkCount()
{
    int n = 0;
    for (WorldLink* l : links)
        n += l->removed ? 0 : 1;
    return n;
}

// While the step runs the record stays in the list (marked), so that the
// step's walk over the list never meets a freed one.
void CMC_World::drop(WorldLink* l)
{
    if (l->removed)
        return;
    l->removed = true;
    if (l->holder)
        CMC_Groups::left(l->holder, this);
    if (!stepping)
        purge();
}

void CMC_World::purge()
{
    size_t kept = 0;
    for (WorldLink* l : links) {
        if (l->removed)
            delete l;
        else
            links[kept++] = l;
    }
    links.resize(kept);
}

void CMC_World::unlink(uint32_t id)
{
    if (WorldLink* l = findLink(id))
        drop(l);
}

void CMC_World::pauseLink(uint32_t id, bool signalBitOnly)
{
    if (WorldLink* l = findLink(id)) {
        if (signalBitOnly)
            l->flags ^= WorldLink::SIGNALS;
        else
            l->paused = true;
    }
}

void CMC_World::resumeLink(uint32_t id, bool signalBitOnly)
{
    if (WorldLink* l = findLink(id)) {
        if (signalBitOnly)
            l->flags |= WorldLink::SIGNALS;
        else
            l->paused = false;
    }
}

void CMC_World::forget(CMC_Object* object)
{
    for (WorldLink* l : links)
        if (!l->removed && l->holder == object) {
            l->holder = nullptr; // the registry has already let it go
            drop(l);
        }
}

void CMC_World::signal(WorldLink* l, const char* what)
{
    if (!l->removed && l->object)
        l->object->onSignal(CXString("ONSIGNAL^") + what);
}

float CMC_World::worldStep()
{
    if (!world)
        return 0;
    float result = 0;
    world->MoveObjects(&result);
    if (links.empty())
        return result;
    float x, y, z;
    if (world->GetPosition(view.reference, &x, &y, &z) >= 0)
        view.update(x, y);
    ++stepping;
    // Links made by the signals' behaviours wait for the next step.
    const size_t count = links.size();
    for (size_t i = 0; i < count && world; ++i) {
        WorldLink* l = links[i];
        if (l->removed || l->paused || world->GetPosition(l->id, &x, &y, &z) < 0)
            continue;
        if ((l->flags & WorldLink::MOVE) && l->drawable) {
            l->drawable->Invalidate();
            l->drawable->setPosition(CMC_Double::truncate(view.originX + x),
                                     CMC_Double::truncate(view.originY - y));
            l->drawable->Invalidate();
        }
        if (!(l->flags & WorldLink::SIGNALS) || !l->object)
            continue;
        uint32_t state = 0;
        if (world->IsAtGoal(l->id, &state) >= 0) {
            if (state == IVemto::GOAL_REACHED)
                signal(l, "ATGOAL");
            else if (state == IVemto::GOAL_NO_PATH)
                signal(l, "NOPATH");
        }
        bool hit = false;
        if (world->GetCollision(l->id, &hit) < 0)
            continue;
        if (hit) {
            const std::vector<uint32_t>* others = nullptr;
            std::vector<uint32_t> ids;
            if (world->GetAllCollisions(l->id, &others) >= 0 && others)
                ids = *others; // the behaviours below may ask the world again
            for (size_t k = ids.size(); k-- > 0;)
                signal(l, std::to_string(ids[k]).c_str());
            signal(l, "ANY");
        } else {
            signal(l, "NOCOLL");
        }
        float speed = 0;
        if (l->removed || world->GetSpeed(l->id, &speed) < 0)
            continue;
        if (speed != l->lastSpeed) {
            if (speed != 0 && l->lastSpeed == 0)
                signal(l, "ONSTARTED");
            else if (speed == 0)
                signal(l, "ONFINISHED");
            l->lastSpeed = speed;
        }
    }
    if (--stepping == 0)
        purge();
    return result;
}
