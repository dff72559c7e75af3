#include "objects/StaticFilterEffect.h"

#include "media/Animo.h"
#include "media/Frame.h"
#include "script/Object.h"

#include <algorithm>
#include <cstring>

// Parameters

void CStaticFilterParams::setProperty(const CXString& name, const CXString& value)
{
    CFilterKernelParams& v = values;
    bool own = true;
    switch (kind) {
    case 100:
        own = name == "CHANNELS";
        if (own)
            v.channels = value;
        break;
    case 102:
        own = name == "ANGLE";
        if (own)
            v.angle = value.toDouble();
        break;
    case 103:
        own = name == "SIZE";
        if (own)
            v.size = value.toNumber();
        break;
    case 104:
        if (name == "FACTORX")
            v.factorX = value.toDouble();
        else if (name == "FACTORY")
            v.factorY = value.toDouble();
        else if (name == "BYCENTER")
            v.byCenter = value.toBool();
        else
            own = false;
        break;
    case 200:
        own = name == "MAXJITTER";
        if (own)
            v.maxJitter = value.toNumber();
        break;
    case 201:
        if (name == "AMPLITUDE")
            v.amplitude = value.toNumber();
        else if (name == "DENSITY")
            v.density = value.toDouble();
        else if (name == "OFFSET")
            v.offset = value.toNumber();
        else
            own = false;
        break;
    default:
        own = false;
    }
    if (own)
        return;
    if (name == "CANUNDO")
        undo = value.toBool();
    else if (name == "CURRENTFRAME")
        currentFrame = value.toBool();
    else
        CFilterEffectParams::setProperty(name, value);
}

// The undo record

CFilterUndoRecord::~CFilterUndoRecord()
{
    // Planes never given back (the drawable went, or the undo was switched
    // off) are the record's alone.
    for (Entry& e : entries)
        dropHeld(e);
}

void CFilterUndoRecord::dropHeld(Entry& e)
{
    if (e.holdsPixels)
        delete[] e.pixels;
    if (e.holdsAlpha)
        delete[] e.alpha;
    e = Entry{};
}

// The controller

CStaticFilterEffect::CStaticFilterEffect(CWindow* w, CStaticFilterParams* p) : CFilterEffect(p), window(w) {}

CStaticFilterEffect::~CStaticFilterEffect() { unlinkAll(); }

CStaticFilterEffect* CStaticFilterEffect::create(const CXString& action, CWindow* window)
{
    if (action == "COLORCHANNEL")
        return new CColorChannelFilter(window);
    if (action == "GRAYSCALE")
        return new CGrayScaleFilter(window);
    if (action == "ROTATE")
        return new CRotateFilter(window);
    if (action == "BLUR")
        return new CBlurFilter(window);
    if (action == "SCALE")
        return new CScaleFilter(window);
    if (action == "NEGATIVE")
        return new CNegativeFilter(window);
    if (action == "RANDOMJITTER")
        return new CRandomJitterFilter(window);
    if (action == "WAVES")
        return new CWavesFilter(window);
    return nullptr;
}

void CStaticFilterEffect::unlinkAll()
{
    // Each removal restores its drawable; the base would only drop links.
    const std::vector<CFilterEffectLink*> all = links;
    for (CFilterEffectLink* l : all)
        removeLink(l);
}

CFilterEffectLink* CStaticFilterEffect::createLink(CGraphicsObject* graphic, CMC_Object* object)
{
    CFilterUndoRecord* r = new CFilterUndoRecord;
    // An ANIMO's drawable is its animation. A name of one frame ("A!3")
    // names no object: the frame is filtered as a still drawable.
    if (graphic && object && object->getType() == MC_ANIMO)
        r->animation = static_cast<CAnimo*>(graphic);
    return new CFilterEffectLink(this, graphic, object, r);
}

bool CStaticFilterEffect::mayFree(const CFilterUndoRecord::Entry& e)
{
    // Plain planes replaced under the undo are the record's to give back;
    // an opened packed picture keeps its packed copies, so what replaces
    // the opened pixels may go.
    return !(staticParams()->undo && e.valid && e.compression == COMPRESSION_NONE);
}

void CStaticFilterEffect::addLink(CFilterEffectLink* link)
{
    if (!link || !link->getGraphic())
        return;
    CFilterUndoRecord* r = record(link);
    CStaticFilterParams* p = staticParams();
    if (CAnimo* a = r->animation) {
        if (CGraphicsObject* f = a->GetFrame(a->Current()))
            f->bringBackCompressed();
        if (!p->currentFrame)
            a->unpack();
        if (p->undo)
            saveAnimation(link);
        applyToAnimation(link);
        a->addNotifier(this);
        a->Set(a->Current(), false);
    } else {
        r->index = 0;
        if (p->undo)
            saveGraphic(link);
        applyToGraphic(link, mayFree(r->entries[0]));
    }
    links.push_back(link);
}

void CStaticFilterEffect::applyToGraphic(CFilterEffectLink* link, bool freeReplaced)
{
    CGraphicsObject* g = link->getGraphic();
    CFilterUndoRecord* r = record(link);
    apply(g, freeReplaced);
    if (!freeReplaced) {
        CFilterUndoRecord::Entry& e = r->entries[0];
        e.holdsPixels = changesPixels() && e.pixels && e.pixels != g->GetDataPtr();
        e.holdsAlpha = changesAlpha() && e.alpha && e.alpha != g->GetChannelAlpha();
    }
}

void CStaticFilterEffect::applyToFrame(CAnimo* a, int frame, CFilterUndoRecord* r)
{
    CGraphicsObject* f = a->GetFrame(frame);
    if (!f)
        return;
    CFilterUndoRecord::Entry* e = r->at(frame);
    const bool freeReplaced = !e || mayFree(*e);
    const CXRect own = f->GetClippingRect();
    f->SetClippingRect(a->GetClippingRect());
    apply(f, freeReplaced);
    f->SetClippingRect(own);
    if (e && !freeReplaced) {
        e->holdsPixels = changesPixels() && e->pixels && e->pixels != f->GetDataPtr();
        e->holdsAlpha = changesAlpha() && e->alpha && e->alpha != f->GetChannelAlpha();
    }
}

void CStaticFilterEffect::applyToAnimation(CFilterEffectLink* link)
{
    CFilterUndoRecord* r = record(link);
    CAnimo* a = r->animation;
    if (staticParams()->currentFrame)
        applyToFrame(a, a->Current(), r);
    else
        for (int i = 0; i < a->GetNOF(); ++i)
            applyToFrame(a, i, r);
    a->updateWithCurrentFrame();
    a->Invalidate();
}

void CStaticFilterEffect::saveFrame(CGraphicsObject* g, CFilterUndoRecord* r)
{
    CFilterUndoRecord::Entry* e = r->at(r->index);
    if (!g || !e)
        return;
    r->dropHeld(*e);
    e->applied = true;
    e->valid = true;
    if (changesPixels())
        e->pixels = g->GetDataPtr();
    if (changesAlpha())
        e->alpha = g->GetChannelAlpha();
    e->size = g->Size();
    e->position = g->GetPosition();
    e->compression = g->GetCompression();
    e->bpp = g->GetBpp();
}

void CStaticFilterEffect::saveGraphic(CFilterEffectLink* link)
{
    CFilterUndoRecord* r = record(link);
    r->entries.assign(1, CFilterUndoRecord::Entry{});
    r->saved = true;
    saveFrame(link->getGraphic(), r);
}

void CStaticFilterEffect::saveAnimation(CFilterEffectLink* link)
{
    CFilterUndoRecord* r = record(link);
    CAnimo* a = r->animation;
    r->index = -1;
    r->entries.assign(size_t(std::max(0, a->GetNOF())), CFilterUndoRecord::Entry{});
    r->saved = true;
    if (staticParams()->currentFrame) {
        r->index = a->Current();
        CGraphicsObject* f = a->GetFrame(r->index);
        if (f && !r->at(r->index)->applied) {
            saveFrame(f, r);
            if (f->GetCompression() == COMPRESSION_RLE2)
                f->unpack();
        }
    } else {
        for (int i = 0; i < a->GetNOF(); ++i) {
            r->index = i;
            saveFrame(a->GetFrame(i), r);
        }
    }
    a->clearLastRefreshed();
}

void CStaticFilterEffect::restoreEntry(CGraphicsObject* g, CFilterUndoRecord* r)
{
    CFilterUndoRecord::Entry* e = r->at(r->index);
    if (!g || !e || !e->valid)
        return;
    g->Invalidate();
    const CXSize size = changesGeometry() ? e->size : g->Size();
    // A filter that put an alpha plane where there was none takes it away.
    const bool alphaBack = e->holdsAlpha || (changesAlpha() && !e->alpha);
    if (e->compression == COMPRESSION_RLE2) {
        // Opened for the kernel: packing it again frees what the filter
        // made and puts the packed copies back.
        if (g->ownsData() && g->GetCompression() == COMPRESSION_NONE) {
            g->takePixels(g->GetDataPtr(), alphaBack ? nullptr : g->GetChannelAlpha(), size, true);
            g->pack(true);
        }
    } else if (e->holdsPixels || e->holdsAlpha || alphaBack) {
        if (!ownsAlpha() && alphaBack)
            g->AlphaChannel(nullptr); // not the filter's to free
        g->SetBpp(e->bpp);
        // Through takePixels, so that linked pictures follow.
        g->takePixels(e->holdsPixels ? e->pixels : g->GetDataPtr(), alphaBack ? e->alpha : g->GetChannelAlpha(), size,
                      true);
        e->holdsPixels = e->holdsAlpha = false;
    }
    if (changesGeometry()) {
        // A move, not a placement: an anchor or a frame's offset stays.
        const CXPoint now = g->GetPosition();
        g->Move(e->position.x - now.x, e->position.y - now.y);
    }
    const bool applied = e->applied;
    r->dropHeld(*e);
    e->applied = applied;
    g->Invalidate();
}

void CStaticFilterEffect::restoreAnimation(CFilterEffectLink* link)
{
    CFilterUndoRecord* r = record(link);
    CAnimo* a = r->animation;
    a->Invalidate();
    for (int i = 0; i < int(r->entries.size()); ++i) {
        if (!r->entries[size_t(i)].applied)
            continue;
        r->index = i;
        restoreEntry(a->GetFrame(i), r);
        r->entries[size_t(i)].applied = false;
    }
    r->index = -1;
    if (!staticParams()->currentFrame)
        a->pack(true);
    a->Set(a->Current(), false);
}

bool CStaticFilterEffect::onPlayableTick(CPlayable* playable)
{
    if (!staticParams()->currentFrame)
        return false;
    for (CFilterEffectLink* l : links) {
        CFilterUndoRecord* r = record(l);
        CAnimo* a = r->animation;
        if (!a || static_cast<CPlayable*>(a) != playable || !r->saved)
            continue;
        const int c = a->Current();
        CFilterUndoRecord::Entry* shown = r->at(c);
        if (!shown || shown->applied)
            return false;
        // Exactly one frame carries the filter: the one shown.
        if (CFilterUndoRecord::Entry* before = r->at(r->index); before && before->applied) {
            restoreEntry(a->GetFrame(r->index), r);
            before->applied = false;
        }
        r->index = c;
        shown->applied = true;
        if (staticParams()->undo)
            saveFrame(a->GetFrame(c), r);
        applyToFrame(a, c, r);
        return false;
    }
    return false;
}

void CStaticFilterEffect::removeLink(CFilterEffectLink* link)
{
    auto it = std::find(links.begin(), links.end(), link);
    if (!link || it == links.end())
        return;
    links.erase(it);
    CGraphicsObject* g = link->getGraphic();
    CFilterUndoRecord* r = record(link);
    // A drawable that went takes no undo: the record frees what it holds.
    if (g) {
        const bool undo = staticParams()->undo && r->saved;
        if (CAnimo* a = r->animation) {
            a->Invalidate();
            a->removeNotifier(this);
            a->clearLastRefreshed();
            if (undo)
                restoreAnimation(link);
        } else if (undo) {
            restoreEntry(g, r);
        }
        g->Invalidate();
    }
    delete link;
}

// The kernels

void CColorChannelFilter::apply(CGraphicsObject* g, bool freeReplaced)
{
    CFilterKernels::colorChannel(g, staticParams()->values.channels, freeReplaced);
}

void CGrayScaleFilter::apply(CGraphicsObject* g, bool freeReplaced) { CFilterKernels::grayScale(g, freeReplaced); }

void CRotateFilter::apply(CGraphicsObject* g, bool freeReplaced)
{
    CFilterKernels::rotate(g, staticParams()->values.angle, freeReplaced);
}

void CBlurFilter::apply(CGraphicsObject* g, bool freeReplaced)
{
    CFilterKernels::blur(g, staticParams()->values.size, freeReplaced);
}

void CScaleFilter::apply(CGraphicsObject* g, bool freeReplaced)
{
    const CFilterKernelParams& v = staticParams()->values;
    CFilterKernels::scale(g, v.factorX, v.factorY, v.byCenter, freeReplaced);
}

void CNegativeFilter::apply(CGraphicsObject* g, bool freeReplaced)
{
    // The kernel inverts in place: for the undo to keep the former pixels
    // the drawable first gets a copy of them to invert.
    if (!freeReplaced && CFilterKernels::prepare(g)) {
        const size_t n = size_t(g->Width()) * size_t(g->Height()) * 2;
        char* copy = new char[n];
        std::memcpy(copy, g->GetDataPtr(), n);
        g->takePixels(copy, g->GetChannelAlpha(), g->Size(), false);
    }
    CFilterKernels::negative(g);
}

void CRandomJitterFilter::apply(CGraphicsObject* g, bool freeReplaced)
{
    CFilterKernels::randomJitter(g, staticParams()->values.maxJitter, freeReplaced);
}

void CWavesFilter::apply(CGraphicsObject* g, bool freeReplaced)
{
    const CFilterKernelParams& v = staticParams()->values;
    CFilterKernels::waves(g, v.amplitude, v.density, v.offset, freeReplaced);
}
