#include "media/Animo6.h"

#include "base/ResourcesManager.h"
#include "media/Frame.h"
#include "media/Sound4.h"
#include "script/Element.h"

CAnimo6::CAnimo6(CWindow* w) : CAnimo(w) {}

CAnimo6::CAnimo6(CWindow* w, const CXString& fileName) : CAnimo(w, fileName) {}

CAnimo6::CAnimo6(CWindow* w, CMElement* element) : CAnimo(w)
{
    if (!element)
        return;
    const bool releaseAfterUse = element->getPropertyBoolValue("RELEASEAFTERUSE");
    const CXString preloadText = element->getPropertyValue("PRELOAD");
    const bool preload = !preloadText.IsString() || preloadText.toBool();
    const CXString fileName = element->getPropertyValue("FILENAME");
    setFilename(fileName);
    // Loading shows the animation; the element may hide it again.
    if (preload && fileName.IsString())
        Load(fileName);
    if (!element->getPropertyBoolValue("VISIBLE"))
        Visible(false);
    toRelease(releaseAfterUse);
}

CAnimo6* CAnimo6::fromResources(CResourcesManager* resources, CWindow* w, const CXString& fileName, bool preload)
{
    if (!resources || !fileName.IsString())
        return nullptr;
    if (CFileResolver* found = resources->get(fileName)) {
        // Without RTTI: what the managers share are playables; one of the
        // animation type is a CAnimo, and a CAnimo of the scene
        // animations' graphics type a CAnimo6.
        CPlayable* playable = static_cast<CPlayable*>(found);
        CAnimo* animation = playable->getType() == TYPE_ANIMATION ? static_cast<CAnimo*>(playable) : nullptr;
        if (animation && animation->getGfxType() == GFX_TYPE)
            return static_cast<CAnimo6*>(animation);
        resources->remove(found);
        return nullptr;
    }
    CAnimo6* animation = new CAnimo6(w);
    animation->setFilename(fileName);
    if (preload)
        animation->Load(fileName);
    resources->add(animation);
    return animation;
}

CXRect CAnimo6::getRect()
{
    CFrame* f = GetFrame(Current());
    const CXPoint origin = getGlobalOrigin();
    return (f ? f->getRect() : CXRect()) + origin;
}

int CAnimo6::GetMaxWidth()
{
    int widest = 0;
    for (CFrame* f : pieces->frames)
        widest = f->Width() > widest ? f->Width() : widest;
    return widest;
}

int CAnimo6::GetMaxHeight()
{
    int highest = 0;
    for (CFrame* f : pieces->frames)
        highest = f->Height() > highest ? f->Height() : highest;
    return highest;
}

bool CAnimo6::isPlaying(const char* event)
{
    return event && isPlaying() && getCurrentEventName() == event;
}

template <typename Operation> void CAnimo6::forEachSound(Operation operation)
{
    for (auto& list : pieces->sounds)
        for (CSound4* s : list)
            if (s)
                operation(s);
}

void CAnimo6::setVolume(int volume)
{
    forEachSound([volume](CSound4* s) { s->setVolume(volume); });
}

void CAnimo6::setPanning(int pan)
{
    forEachSound([pan](CSound4* s) { s->setPanning(pan); });
}

void CAnimo6::setFrequency(int frequency)
{
    forEachSound([frequency](CSound4* s) { s->setFrequency(frequency); });
}

template <typename Operation> void CAnimo6::forEachFrame(Operation operation)
{
    for (CFrame* f : pieces->frames)
        operation(f);
    updateWithCurrentFrame();
    Invalidate();
}

void CAnimo6::FlipH()
{
    forEachFrame([](CFrame* f) { f->FlipH(); });
}

void CAnimo6::FlipV()
{
    forEachFrame([](CFrame* f) { f->FlipV(); });
}

void CAnimo6::resetFlips()
{
    forEachFrame([](CFrame* f) { f->resetFlips(); });
}

void CAnimo6::pack(bool freeUnpacked)
{
    forEachFrame([freeUnpacked](CFrame* f) { f->pack(freeUnpacked); });
}

void CAnimo6::unpack()
{
    forEachFrame([](CFrame* f) { f->unpack(); });
}

void CAnimo6::replace_color(short from, short to)
{
    forEachFrame([from, to](CFrame* f) { f->replace_color(from, to); });
}

bool CAnimo6::isAt(CXPoint p, bool pixelExact)
{
    CFrame* f = GetFrame(Current());
    return f && f->CGraphicsObject::isAt(p, pixelExact);
}
