#include "objects/ScriptImage.h"

#include "base/Archive.h"
#include "base/ResourcesManager.h"
#include "graphics/Image.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "objects/ImageRunner.h"
#include "script/BuiltinRunner.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"
#include "ui/Unit6.h"

#include <unordered_map>

namespace {

const CMC_GraphicObject::EventSlots imageSlots = {
    CMC_Image::EVENT_ONCOLLISION, CMC_Image::EVENT_ONCOLLISIONFINISHED, CMC_Image::EVENT_ONFOCUSON,
    CMC_Image::EVENT_ONFOCUSOFF,  CMC_Image::EVENT_ONCLICK,             CMC_Image::EVENT_ONRELEASE};

CResourcesManager* currentCache()
{
    CUnit6* unit = CUnit6::getDefUnit();
    return unit ? unit->getResourcesManager() : nullptr;
}

// The pictures IMAGE objects put in the cache, so that what the cache
// answers for a name can be told from the other resources it shares
// without RTTI. Each is watched and forgotten when it is deleted.
class CImageRegistry : public CInvalidateObserver {
public:
    void add(CImage* picture)
    {
        if (!byResource.emplace(static_cast<CFileResolver*>(picture), picture).second)
            return;
        byDrawable.emplace(static_cast<CGraphicsObject*>(picture), picture);
        picture->addInvalidateObserver(this);
    }
    CImage* find(CFileResolver* resource)
    {
        auto it = byResource.find(resource);
        return it == byResource.end() ? nullptr : it->second;
    }
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override
    {
        auto it = byDrawable.find(source);
        if (it == byDrawable.end())
            return;
        byResource.erase(static_cast<CFileResolver*>(it->second));
        byDrawable.erase(it);
    }

private:
    std::unordered_map<CFileResolver*, CImage*> byResource;
    std::unordered_map<CGraphicsObject*, CImage*> byDrawable;
};

CImageRegistry& registry()
{
    static CImageRegistry* r = new CImageRegistry;
    return *r;
}

// The cache's picture of that name (one more use), or null when it has none
// that an IMAGE object made.
CImage* cachedPicture(CResourcesManager* cache, const CXString& file)
{
    CFileResolver* found = cache->get(file);
    if (!found)
        return nullptr;
    if (CImage* picture = registry().find(found))
        return picture;
    cache->remove(found);
    return nullptr;
}

} // namespace

CMC_Image::CMC_Image(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_GraphicObject(container, element, MC_IMAGE, imageSlots), image(nullptr), cached(false), cloneUses(0)
{
    const Definition d = readDefinition(element);
    load(d.file, d.readNow);
    image->toRelease(d.flushAfterPlayed);
    image->Visible(d.visible);
    start = image->GetPosition();
    if (monitorCollision || monitorCollisionAlpha)
        monitorCollisions(monitorCollisionAlpha);
    if (d.toCanvas)
        putOnRefresh(image, priority);
    asButton = element && element->getPropertyBoolValue(CXString("ASBUTTON"));
    initializeBehaviours(container, element);
}

CMC_Image::CMC_Image(CMC_ObjectsContainer* container)
    : CMC_GraphicObject(container, CXString(), MC_IMAGE, imageSlots), image(nullptr), cached(false), cloneUses(0)
{
}

CMC_Image::CMC_Image(CMC_ObjectsContainer* container, CImage* picture)
    : CMC_GraphicObject(container, CXString("clone"), MC_IMAGE, imageSlots), image(nullptr), cached(false),
      cloneUses(0)
{
    if (picture)
        take(picture, false);
}

CMC_Image::~CMC_Image() { letGo(false); }

void CMC_Image::take(CImage* next, bool fromCache)
{
    image = next;
    cached = fromCache;
    image->addInvalidateObserver(this);
}

void CMC_Image::onDestroy(CGraphicsObject* source)
{
    if (image && source == static_cast<CGraphicsObject*>(image)) {
        image = nullptr;
        cached = false;
        cloneUses = 0;
    }
}

void CMC_Image::letGo(bool withClones)
{
    CImage* old = image;
    if (!old)
        return;
    removeCollisionsMonitoring();
    old->removeInvalidateObserver(this);
    image = nullptr;
    const int uses = 1 + (withClones ? cloneUses : 0);
    const bool wasCached = cached;
    cached = false;
    cloneUses = 0;
    if (wasCached) {
        // The uses the object took, and no more: others may share the
        // picture.
        CResourcesManager* cache = currentCache();
        for (int i = 0; i < uses && cache && cache->contains(old); ++i)
            if (cache->remove(old))
                break;
        return;
    }
    old->Visible(false);
    if (CRefreshScreen* screen = refresh())
        *screen >> old;
    delete old;
}

CXObject* CMC_Image::clone()
{
    if (!image)
        return nullptr;
    CImage* copy = static_cast<CImage*>(static_cast<CGraphicsObject*>(image->clone()));
    const int at = refreshPriority(image);
    CResourcesManager* cache = cached ? currentCache() : nullptr;
    if (cache && cache->contains(image)) {
        CFileResolver* got = cache->get(image->getFileName());
        if (got == static_cast<CFileResolver*>(image))
            ++cloneUses;
        else if (got)
            cache->remove(got);
    }
    if (at >= 0)
        putOnRefresh(copy, at);
    CMC_Image* made = new CMC_Image(scene, copy);
    made->monitorCollision = monitorCollision;
    made->monitorCollisionAlpha = monitorCollisionAlpha;
    made->preload = preload;
    return made;
}

bool CMC_Image::done(bool final)
{
    letGo(false);
    return CMC_Object::done(final);
}

CXString** CMC_Image::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",    "ONDONE",     "ONSIGNAL", "ONCOLLISION", "ONCOLLISIONFINISHED",
                                        "ONFOCUSON", "ONFOCUSOFF", "ONCLICK",  "ONRELEASE",   nullptr};
    return makeEventList(names);
}

namespace {

// The name the picture was read or named with, also when it has not been
// read yet.
CXString pictureName(CImage* picture)
{
    if (!picture)
        return CXString();
    const CXString resolved = picture->getFileName();
    return resolved.IsString() ? resolved : picture->CGraphicsObject::getFileName();
}

} // namespace

void CMC_Image::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    Record r;
    if (archive->isStoring()) {
        CRefreshScreen* screen = refresh();
        r.file = pictureName(image);
        r.onRefresh = image && screen && screen->getIndex(image) >= 0;
        r.visible = image && image->IsVisible();
        r.releaseAfterUse = image && image->releaseAfterUse();
        serializeRecord(archive, &r);
        return;
    }
    serializeRecord(archive, &r);
    if (archive->LastError())
        return;
    load(r.file, preload);
    image->toRelease(r.releaseAfterUse);
    image->Visible(r.visible);
    if (monitorCollision || monitorCollisionAlpha)
        monitorCollisions(monitorCollisionAlpha);
    if (r.onRefresh)
        putOnRefresh(image, priority);
}

// The record keeps only the bool value of "PRELOAD", so a file read because
// the key was absent would not be read again, and it has no starting
// position: the trailer holds both.
void CMC_Image::serializeState(CXArchive* archive)
{
    if (archive->isStoring()) {
        *archive << (image && image->GetDataPtr() != nullptr) << start.x << start.y;
        return;
    }
    bool loaded = false;
    int x = 0, y = 0;
    *archive >> &loaded;
    *archive >> &x;
    *archive >> &y;
    if (archive->LastError())
        return;
    start = CXPoint(x, y);
    if (!image || !loaded || image->GetDataPtr() || !pictureName(image).IsString())
        return;
    // Reading shows the picture; the record's visibility stays.
    const bool visible = image->IsVisible();
    image->Load(pictureName(image), true);
    image->Visible(visible);
}

CGraphicsObject* CMC_Image::getDrawable() { return image; }

CImage* CMC_Image::getImage()
{
    if (image)
        image->syncLink();
    return image;
}

void CMC_Image::load(const CXString& file, bool readNow)
{
    CResourcesManager* cache = sceneCache();
    const int oldPriority = refreshPriority(image);
    letGo(true);
    CImage* next = cache && file.IsString() ? cachedPicture(cache, file) : nullptr;
    if (!next) {
        next = new CImage(window);
        // Both names: the resolver's is the cache's key and what showing a
        // picture not read yet reads.
        next->setFilename(file);
        next->setFileName(file);
        if (readNow)
            next->Load(file, true);
        if (cache) {
            cache->add(next);
            registry().add(next);
        }
    }
    take(next, cache != nullptr);
    if (oldPriority > -1) {
        putOnRefresh(image, oldPriority);
        if (monitorCollision || monitorCollisionAlpha)
            monitorCollisions(monitorCollisionAlpha);
        image->setMonitorCollisions(monitorCollision || monitorCollisionAlpha);
    }
}

void CMC_Image::setAsButton(bool, bool cursor)
{
    asButton = true;
    changeCursor = cursor;
}

CColor CMC_Image::GetPixel(int x, int y) { return image ? image->GetPixel(x, y) : CColor(); }

// Collisions

void CMC_Image::onCollision(CGraphicsObject* first, CGraphicsObject* second)
{
    raiseCollision(false, first, second, nullptr);
}

void CMC_Image::onCollisionFinished(CGraphicsObject* first, CGraphicsObject* second)
{
    raiseCollision(true, first, second, nullptr);
}

// The mouse

bool CMC_Image::gate(int event)
{
    return asButton && image && image->IsVisible() && listening && isEventBound(event);
}

bool CMC_Image::onMouseMove(CXPoint p)
{
    if (!gate(EVENT_ONFOCUSON) && !gate(EVENT_ONFOCUSOFF))
        return false;
    const bool inside = image->GetBoundingBox().IsInRect(p);
    if (!hovered && inside) {
        hovered = true;
        onSignal(CXString("ONFOCUSON"));
        showActiveCursor();
    } else if (hovered && !inside) {
        hovered = false;
        onSignal(CXString("ONFOCUSOFF"));
        showMainCursor();
    }
    return false;
}

bool CMC_Image::onClick(int button, CXPoint p)
{
    if (!gate(EVENT_ONCLICK) || !image->GetBoundingBox().IsInRect(p))
        return false;
    raiseForms(CXString("ONCLICK"), buttonName(button));
    showMainCursor();
    return true;
}

bool CMC_Image::onRelease(int button, CXPoint p)
{
    if (gate(EVENT_ONRELEASE) && image->GetBoundingBox().IsInRect(p))
        raiseForms(CXString("ONRELEASE"), buttonName(button));
    return false;
}

// Registration

namespace {

CMC_Object* makeImage(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Image(c, e); }
CMC_Object* restoreImage(CMC_Scene* scene) { return new CMC_Image(scene); }
CMC_Object* createImage(CMC_ObjectsContainer* c) { return new CMC_Image(c); }
void imageState(CMC_Object* o, CXArchive* archive) { static_cast<CMC_Image*>(o)->serializeState(archive); }
CGraphicsObject* imageDrawable(CMC_Object* o, const CXString&) { return static_cast<CMC_Image*>(o)->getImage(); }

CMC_RegisterType typeRegistration("IMAGE", 5, &makeImage);
CMC_RegisterSnapshotType snapshotRegistration(MC_IMAGE, &restoreImage, &imageState);
CMC_RegisterRunner<CMC_Image_Runner> runnerRegistration({MC_IMAGE});

struct Registration {
    Registration()
    {
        CMC_ObjectsContainer::setDrawableAccessor(MC_IMAGE, &imageDrawable);
        CMC_Builtin_Runner::setCreator("IMAGE", &createImage);
    }
} registration;

} // namespace
