// The steps of the six timed effects.
#include "collections/Vector.h"
#include "graphics/FilterKernels.h"
#include "graphics/PixelWord.h"
#include "objects/FilterEffect.h"
#include "script/ObjectsContainer.h"

#include <algorithm>
#include <cmath>

namespace {

const CPathEffect::PathAccess* pathAccess = nullptr;

// The whole-number part of a level or an accumulated move, kept inside int.
int whole(double v) { return CFilterKernels::offsetOf(v); }

} // namespace

CGraphicsObject* filterPixelTarget(CGraphicsObject* graphic)
{
    CGraphicsObject* t = graphic ? graphic->getDrawn() : nullptr;
    if (!t || !t->ownsData())
        return nullptr;
    // Opened as drawing opens a frame: an animation packs it again when it
    // shows another one.
    if (t->GetCompression() == COMPRESSION_RLE2)
        t->DeCompressRLE2();
    const bool plain = t->GetDataPtr() && t->GetCompression() == COMPRESSION_NONE &&
                       (t->GetBpp() == 15 || t->GetBpp() == 16) && t->Width() > 0 && t->Height() > 0;
    return plain ? t : nullptr;
}

// Fades

CFadeEffect::CFadeEffect(CWindow* window, int kind) : CTimedFilterEffect(window, new CFadeEffectParams(kind)) {}

CFilterEffectLink* CFadeEffect::createLink(CGraphicsObject* graphic, CMC_Object* object)
{
    return new CFilterEffectLink(this, graphic, object, new CFadeEffectState);
}

void CFadeEffect::prepareStart(CFilterEffectLink* link)
{
    fade(link)->level = fadeParams()->start;
    if (CGraphicsObject* g = link->getGraphic())
        g->SetOpacity((unsigned char)whole(fadeParams()->start));
}

void CFadeEffect::setLevel(CFilterEffectLink* link, double level)
{
    CFadeEffectState* s = fade(link);
    const int before = whole(s->level), after = whole(level);
    s->level = level;
    CGraphicsObject* g = link->getGraphic();
    if (after == before || !g)
        return;
    g->SetOpacity((unsigned char)after);
    g->Invalidate();
}

bool CFadeInEffect::apply(CFilterEffectLink* link, CFilterEffectParams* p)
{
    const CFadeEffectParams* f = static_cast<CFadeEffectParams*>(p);
    double level = fade(link)->level + f->speed;
    const bool finished = !(level < f->end);
    if (finished)
        level = f->end;
    setLevel(link, level);
    return finished;
}

bool CFadeOutEffect::apply(CFilterEffectLink* link, CFilterEffectParams* p)
{
    const CFadeEffectParams* f = static_cast<CFadeEffectParams*>(p);
    double level = fade(link)->level - f->speed;
    const bool finished = level <= f->end;
    if (finished)
        level = f->end;
    setLevel(link, level);
    return finished;
}

bool CFadeInOutEffect::apply(CFilterEffectLink* link, CFilterEffectParams* p)
{
    const CFadeEffectParams* f = static_cast<CFadeEffectParams*>(p);
    CFadeEffectState* s = fade(link);
    double level;
    if (s->rising) {
        level = s->level + f->speed;
        if (!(level < f->end)) {
            level = f->end;
            s->rising = false;
        }
    } else {
        level = s->level - f->speed;
        if (level <= f->start) {
            level = f->start;
            s->rising = true;
        }
    }
    setLevel(link, level);
    return false;
}

// Path

void CPathEffect::setPathAccess(const PathAccess* access) { pathAccess = access; }

CPathEffect::CPathEffect(CWindow* window, CMC_ObjectsContainer* s)
    : CTimedFilterEffect(window, new CPathEffectParams), scene(s)
{
}

CFilterEffectLink* CPathEffect::createLink(CGraphicsObject* graphic, CMC_Object* object)
{
    return new CFilterEffectLink(this, graphic, object, new CPathEffectState);
}

// The node and the accumulated move are kept: a path stopped and started
// again goes on from the node where it stopped.
void CPathEffect::prepareStart(CFilterEffectLink* link)
{
    CPathEffectState* s = static_cast<CPathEffectState*>(link->getState());
    if (CGraphicsObject* g = link->getGraphic()) {
        const CXPoint p = g->getPosition();
        s->startX = p.x;
        s->startY = p.y;
    }
}

bool CPathEffect::apply(CFilterEffectLink* link, CFilterEffectParams* p)
{
    const CPathEffectParams* params = static_cast<CPathEffectParams*>(p);
    CPathEffectState* s = static_cast<CPathEffectState*>(link->getState());
    CGraphicsObject* g = link->getGraphic();
    // A speed, a path or a density that gives no movement step moves
    // nothing, as does a node the path no longer has.
    if (!g || params->speed <= 0 || s->getCount() % params->speed != 0)
        return false;
    CMC_Object* path = scene && pathAccess ? scene->getObject(params->pathDef) : nullptr;
    if (!path || path->getType() != MC_PATH)
        return false;
    const int nodes = pathAccess->nodeCount(path);
    const double density = pathAccess->density(path);
    CMC_Vector* node = s->node >= 0 && s->node < nodes ? pathAccess->node(path, s->node) : nullptr;
    if (!node || !(density > 0) || !std::isfinite(density))
        return false;
    const double dx = node->get(0), dy = node->get(1);
    const double length = node->length();
    if (!std::isfinite(length))
        return false;
    // A node of length 0 is walked at once.
    if (length > 0) {
        const double steps = length / density;
        s->accX += dx / steps;
        s->accY += dy / steps;
        const CXPoint at = g->getPosition();
        const int ax = whole(s->accX), ay = whole(s->accY);
        if (ax == at.x - s->startX && ay == at.y - s->startY)
            return false;
        g->Invalidate();
        g->setPosition(s->startX + ax, s->startY + ay);
        g->Invalidate();
        if (std::abs(ax) < std::abs(whole(dx)) || std::abs(ay) < std::abs(whole(dy)))
            return false;
    }
    if (s->node < nodes - 1 || params->looped) {
        const CXPoint at = g->getPosition();
        s->startX = at.x;
        s->startY = at.y;
        s->accX = s->accY = 0.0;
        s->node = s->node < nodes - 1 ? s->node + 1 : 0;
        return false;
    }
    return true;
}

// Water

void CWaterEffectState::buildRippleTables(double f, int w, int h)
{
    if (built && f == factor && w == width && h == height)
        return;
    const size_t n = w > 0 && h > 0 ? size_t(w) * size_t(h) : 0;
    sine.assign(n, 0.0f);
    cosine.assign(n, 0.0f);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const int dy = (h >> 1) - r, dx = (w >> 1) - c;
            const double d = std::sqrt(double(dx * dx + dy * dy));
            sine[size_t(r) * size_t(w) + size_t(c)] = float(std::sin(d));
            cosine[size_t(r) * size_t(w) + size_t(c)] = float(std::cos(d));
        }
    factor = f;
    width = w;
    height = h;
    built = true;
}

CWaterEffect::CWaterEffect(CWindow* window) : CTimedFilterEffect(window, new CWaterEffectParams)
{
    for (int i = 0; i < 51; ++i) {
        sinTable[i] = float(std::sin(double(i)));
        cosTable[i] = float(std::cos(double(i)));
    }
}

CFilterEffectLink* CWaterEffect::createLink(CGraphicsObject* graphic, CMC_Object* object)
{
    CWaterEffectState* s = new CWaterEffectState;
    if (CGraphicsObject* t = filterPixelTarget(graphic)) {
        const PixelWord* from = reinterpret_cast<const PixelWord*>(t->GetDataPtr());
        s->sourcePixels.assign(from, from + int64_t(t->Width()) * t->Height());
        s->target.set(t);
        s->buildRippleTables(static_cast<CWaterEffectParams*>(params.get())->factor, t->Width(), t->Height());
    }
    return new CFilterEffectLink(this, graphic, object, s);
}

bool CWaterEffect::apply(CFilterEffectLink* link, CFilterEffectParams* p)
{
    CWaterEffectState* s = static_cast<CWaterEffectState*>(link->getState());
    CGraphicsObject* g = link->getGraphic();
    CGraphicsObject* t = filterPixelTarget(g);
    // Only the pixels linked, at the size they had: an animation showing
    // another frame, or a picture that changed its size, is left alone.
    if (!t || t != s->target.get() || t->Width() != s->width || t->Height() != s->height)
        return false;
    const int w = t->Width(), h = t->Height();
    const double factor = static_cast<CWaterEffectParams*>(p)->factor;
    const int phase = s->getCount() % 51;
    const float sp = sinTable[phase], cp = cosTable[phase];
    PixelWord* to = reinterpret_cast<PixelWord*>(t->GetDataPtr());
    const unsigned char* a = reinterpret_cast<const unsigned char*>(t->GetChannelAlpha());
    const uint16_t* from = s->sourcePixels.data();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = size_t(y) * size_t(w) + size_t(x);
            if (a && a[i] == 0)
                continue;
            const float wave = sp * s->cosine[i] + cp * s->sine[i];
            const int off = whole(wave * factor);
            const int sx = int(std::clamp<int64_t>(int64_t(x) + off, 0, w - 1));
            const int sy = int(std::clamp<int64_t>(int64_t(y) + off, 0, h - 1));
            to[i] = from[size_t(sy) * size_t(w) + size_t(sx)];
        }
    g->Invalidate();
    return false;
}

// Waving

void CWavingEffectState::dropSaved()
{
    delete[] savedPixels;
    delete[] savedAlpha;
    savedPixels = savedAlpha = nullptr;
    placedPixels = placedAlpha = nullptr;
}

CFilterEffectLink* CWavingEffect::createLink(CGraphicsObject* graphic, CMC_Object* object)
{
    return new CFilterEffectLink(this, graphic, object, new CWavingEffectState);
}

bool CWavingEffect::apply(CFilterEffectLink* link, CFilterEffectParams* p)
{
    CWavingEffectState* s = static_cast<CWavingEffectState*>(link->getState());
    const CWavingEffectParams* params = static_cast<CWavingEffectParams*>(p);
    if (s->phase % 10 == 0) {
        CGraphicsObject* g = link->getGraphic();
        CGraphicsObject* t = filterPixelTarget(g);
        CGraphicsObject* was = s->target.get();
        // The first buffers go back only to the drawable that still shows
        // the wave put in their place; one that let go of the wave (an
        // animation's frame packed again, another frame shown, a new
        // picture) keeps its own, and the saved ones are dropped.
        const bool holdsWave = was && was->GetDataPtr() == s->placedPixels && was->Width() == s->savedSize.cx && was->Height() == s->savedSize.cy &&
                               was->GetChannelAlpha() == s->placedAlpha;
        if (holdsWave && s->savedPixels) {
            was->takePixels(s->savedPixels, s->savedAlpha ? s->savedAlpha : s->placedAlpha, s->savedSize, true);
            s->savedPixels = nullptr;
            s->savedAlpha = nullptr;
        }
        s->dropSaved();
        s->target.set(t);
        if (t) {
            const int w = t->Width(), h = t->Height();
            std::vector<CXPoint> row(static_cast<size_t>(w));
            for (int x = 0; x < w; ++x)
                row[size_t(x)] = CXPoint(0, whole(std::sin(x * params->density + s->phase / 10) * params->amplitude));
            std::vector<CXPoint> map(static_cast<size_t>(w) * size_t(h));
            for (int y = 0; y < h; ++y)
                std::copy(row.begin(), row.end(), map.begin() + int64_t(y) * w);
            char* pixels = t->GetDataPtr();
            char* plane = t->GetChannelAlpha();
            t->displacementFilter(map.data(), true, false);
            // What the filter replaced is the state's now.
            s->savedPixels = t->GetDataPtr() != pixels ? pixels : nullptr;
            s->savedAlpha = plane && t->GetChannelAlpha() != plane ? plane : nullptr;
            s->savedSize = t->Size();
            s->placedPixels = t->GetDataPtr();
            s->placedAlpha = t->GetChannelAlpha();
            g->Invalidate();
        }
    }
    s->phase = s->phase == 100 ? 0 : s->phase + 1;
    return false;
}
