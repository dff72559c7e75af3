#pragma once
#include "graphics/FilterKernels.h"
#include "media/Playable.h"
#include "objects/FilterEffect.h"

#include <vector>

class CAnimo;

// The parameters of a still-image filter: those of its kind (the table in
// StaticFilterEffect.cpp), then "CANUNDO" and "CURRENTFRAME", then
// "ONEATTIME". Kinds: 100 COLORCHANNEL, 101 GRAYSCALE, 102 ROTATE, 103 BLUR,
// 104 SCALE, 105 NEGATIVE, 200 RANDOMJITTER, 201 WAVES.
class CStaticFilterParams : public CFilterEffectParams {
public:
    explicit CStaticFilterParams(int kind) : CFilterEffectParams(kind) {}
    void setProperty(const CXString& name, const CXString& value) override;
    virtual bool canUndo() { return undo; }

    bool undo = false;
    bool currentFrame = true;
    CFilterKernelParams values;
};

// What a linked drawable had before the filter: one entry for a still
// drawable, one a frame for an animation. The planes are pointers, not
// copies; a plane the record holds (the kernel left it alive for the undo)
// is given back by a restore or freed with the record.
class CFilterUndoRecord : public CFilterEffectState {
public:
    struct Entry {
        char* pixels = nullptr;
        char* alpha = nullptr;
        CXSize size;
        CXPoint position;
        int compression = 0;
        int bpp = 0;
        // saved: the fields above are the drawable's former planes.
        bool valid = false;
        bool applied = false;
        bool holdsPixels = false, holdsAlpha = false;
    };
    ~CFilterUndoRecord() override;
    // Frees the planes the record holds and forgets them.
    void dropHeld(Entry& e);
    Entry* at(int i) { return i >= 0 && i < int(entries.size()) ? &entries[size_t(i)] : nullptr; }
    bool holdsSaved() const { return saved; }

    // The animation whose frames are filtered; null for a still drawable.
    CAnimo* animation = nullptr;
    int index = 0;
    bool saved = false;
    std::vector<Entry> entries = std::vector<Entry>(1);
};

// Runs one still-image filter on each linked drawable once when it is
// linked, and on a linked animation again whenever it shows another frame;
// with "CANUNDO" unlinking gives the drawable its former planes back.
class CStaticFilterEffect : public CFilterEffect, public CPlayableObserver {
public:
    CStaticFilterEffect(CWindow* window, CStaticFilterParams* params);
    // Unlinks (and so restores) every drawable still linked.
    ~CStaticFilterEffect() override;

    // The controller an ACTION names (exact); null for any other.
    static CStaticFilterEffect* create(const CXString& action, CWindow* window);

    void unlinkAll() override;
    void addLink(CFilterEffectLink* link) override;
    void removeLink(CFilterEffectLink* link) override;
    CFilterEffectLink* createLink(CGraphicsObject* graphic, CMC_Object* object) override;

    // The kernel. Without freeReplaced the planes it replaces stay alive:
    // the undo record holds them.
    virtual void apply(CGraphicsObject* g, bool freeReplaced) = 0;
    virtual bool changesPixels() { return true; }
    virtual bool changesAlpha() { return false; }
    virtual bool changesGeometry() { return false; }
    // Whether a restore frees the alpha plane the filter put in.
    virtual bool ownsAlpha() { return changesAlpha(); }

    bool onPlayableTick(CPlayable* playable) override;

    CStaticFilterParams* staticParams() { return static_cast<CStaticFilterParams*>(params.get()); }
    static CFilterUndoRecord* record(CFilterEffectLink* link)
    {
        return static_cast<CFilterUndoRecord*>(link->getState());
    }

protected:
    void applyToGraphic(CFilterEffectLink* link, bool freeReplaced);
    void applyToAnimation(CFilterEffectLink* link);
    // apply on an animation's frame with the animation's clipping lent to it.
    void applyToFrame(CAnimo* animation, int frame, CFilterUndoRecord* r);
    void saveGraphic(CFilterEffectLink* link);
    void saveAnimation(CFilterEffectLink* link);
    void saveFrame(CGraphicsObject* g, CFilterUndoRecord* r);
    // Puts back the planes of the record's entry at its index.
    void restoreEntry(CGraphicsObject* g, CFilterUndoRecord* r);
    void restoreAnimation(CFilterEffectLink* link);
    // Whether the kernel may free what it replaces for this entry.
    bool mayFree(const CFilterUndoRecord::Entry& e);

    CWindow* window;
};

class CColorChannelFilter : public CStaticFilterEffect {
public:
    explicit CColorChannelFilter(CWindow* w) : CStaticFilterEffect(w, new CStaticFilterParams(100)) {}
    void apply(CGraphicsObject* g, bool freeReplaced) override;
    bool changesAlpha() override { return true; }
    bool ownsAlpha() override { return false; }
};

class CGrayScaleFilter : public CStaticFilterEffect {
public:
    explicit CGrayScaleFilter(CWindow* w) : CStaticFilterEffect(w, new CStaticFilterParams(101)) {}
    void apply(CGraphicsObject* g, bool freeReplaced) override;
};

class CRotateFilter : public CStaticFilterEffect {
public:
    explicit CRotateFilter(CWindow* w) : CStaticFilterEffect(w, new CStaticFilterParams(102)) {}
    void apply(CGraphicsObject* g, bool freeReplaced) override;
    bool changesAlpha() override { return true; }
    bool changesGeometry() override { return true; }
};

class CBlurFilter : public CStaticFilterEffect {
public:
    explicit CBlurFilter(CWindow* w) : CStaticFilterEffect(w, new CStaticFilterParams(103)) {}
    void apply(CGraphicsObject* g, bool freeReplaced) override;
};

class CScaleFilter : public CStaticFilterEffect {
public:
    explicit CScaleFilter(CWindow* w) : CStaticFilterEffect(w, new CStaticFilterParams(104)) {}
    void apply(CGraphicsObject* g, bool freeReplaced) override;
    bool changesAlpha() override { return true; }
    bool changesGeometry() override { return true; }
};

class CNegativeFilter : public CStaticFilterEffect {
public:
    explicit CNegativeFilter(CWindow* w) : CStaticFilterEffect(w, new CStaticFilterParams(105)) {}
    void apply(CGraphicsObject* g, bool freeReplaced) override;
};

class CRandomJitterFilter : public CStaticFilterEffect {
public:
    explicit CRandomJitterFilter(CWindow* w) : CStaticFilterEffect(w, new CStaticFilterParams(200)) {}
    void apply(CGraphicsObject* g, bool freeReplaced) override;
};

class CWavesFilter : public CStaticFilterEffect {
public:
    explicit CWavesFilter(CWindow* w) : CStaticFilterEffect(w, new CStaticFilterParams(201)) {}
    void apply(CGraphicsObject* g, bool freeReplaced) override;
    bool changesAlpha() override { return true; }
};
