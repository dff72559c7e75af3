#pragma once
#include "base/XObject.h"
#include "base/XString.h"
#include "base/XTimer.h"
#include "graphics/GraphicsObject.h"

#include <cstdint>
#include <memory>
#include <vector>

class CFilterEffect;
class CMC_Object;
class CMC_ObjectsContainer;
class CMC_Vector;
class CTimedFilterEffect;
class CWindow;

// The parameters of a filter, set by name from script ("SETPROPERTY").
// Each record knows its own keys (exact, case-sensitive) and hands the
// others to this base, which knows only "ONEATTIME"; unknown keys are
// ignored.
class CFilterEffectParams {
public:
    explicit CFilterEffectParams(int k) : kind(k) {}
    virtual ~CFilterEffectParams() = default;
    virtual void setProperty(const CXString& name, const CXString& value);

    int kind;
    bool oneAtATime = false;
};

class CFadeEffectParams : public CFilterEffectParams {
public:
    // FADEIN and FADEINOUT (kind 1) go from 0 to 255, FADEOUT (kind 2) back.
    explicit CFadeEffectParams(int kind);
    void setProperty(const CXString& name, const CXString& value) override;
    double speed = 0.1, start, end;
};

class CPathEffectParams : public CFilterEffectParams {
public:
    CPathEffectParams() : CFilterEffectParams(4) {}
    void setProperty(const CXString& name, const CXString& value) override;
    int speed = 1;
    CXString pathDef;
    bool looped = false;
};

class CWaterEffectParams : public CFilterEffectParams {
public:
    CWaterEffectParams() : CFilterEffectParams(5) {}
    void setProperty(const CXString& name, const CXString& value) override;
    double factor = 1.1;
};

class CWavingEffectParams : public CFilterEffectParams {
public:
    CWavingEffectParams() : CFilterEffectParams(300) {}
    void setProperty(const CXString& name, const CXString& value) override;
    int amplitude = 4;
    double density = 1.0;
};

// A drawable an effect works on, forgotten when it is destroyed.
class CFilterTarget : public CInvalidateObserver {
public:
    CFilterTarget() = default;
    ~CFilterTarget() { set(nullptr); }
    CFilterTarget(const CFilterTarget&) = delete;
    CFilterTarget& operator=(const CFilterTarget&) = delete;
    void set(CGraphicsObject* g);
    CGraphicsObject* get() const { return target; }
    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject*) override { target = nullptr; }

private:
    CGraphicsObject* target = nullptr;
};

// The step state of one link: how many steps it ran.
class CFilterEffectState {
public:
    virtual ~CFilterEffectState() = default;
    void increment() { ++count; }
    void reset() { count = 0; }
    int getCount() const { return count; }

private:
    int count = 0;
};

class CFadeEffectState : public CFilterEffectState {
public:
    double level = 0.0;
    bool rising = true;
};

class CPathEffectState : public CFilterEffectState {
public:
    int startX = 0, startY = 0;
    double accX = 0.0, accY = 0.0;
    int node = 0;
};

// The ripple of one drawable: the pixels it had when linked and, per
// pixel, sin and cos of its distance from the centre.
class CWaterEffectState : public CFilterEffectState {
public:
    void buildRippleTables(double factor, int w, int h);

    std::vector<float> sine, cosine;
    double factor = 0.0;
    bool built = false;
    int width = 0, height = 0;
    std::vector<uint16_t> sourcePixels;
    // The drawable whose pixels are rewritten: the one shown when linked.
    CFilterTarget target;
};

// The wave of one drawable: the buffers it had before the wave was drawn
// (the state's own until they are given back) and the ones the wave put
// in their place.
class CWavingEffectState : public CFilterEffectState {
public:
    ~CWavingEffectState() override { dropSaved(); }
    void dropSaved();

    int phase = 0;
    CFilterTarget target;
    char* savedPixels = nullptr;
    char* savedAlpha = nullptr;
    CXSize savedSize;
    char* placedPixels = nullptr;
    char* placedAlpha = nullptr;
};

// One linked drawable of an effect. It watches the drawable: when the
// drawable is destroyed the link leaves its effect.
class CFilterEffectLink : public CXObject, public CInvalidateObserver {
public:
    CFilterEffectLink(CFilterEffect* owner, CGraphicsObject* graphic, CMC_Object* object, CFilterEffectState* state);
    ~CFilterEffectLink() override;
    CFilterEffectLink(const CFilterEffectLink&) = delete;
    CFilterEffectLink& operator=(const CFilterEffectLink&) = delete;

    // Stores the flag; starting also prepares the state for the effect.
    virtual void setRunning(CFilterEffectParams* params, bool on);

    CGraphicsObject* getGraphic() const { return graphic; }
    CFilterEffectState* getState() const { return state.get(); }
    // The name of the script object that was linked, the parameter of the
    // events. Kept as text: the object may go before its drawable does.
    CXString getObjectName() const { return objectName; }
    bool isRunning() const { return running; }

    void onInvalidate(CGraphicsObject*, CXRect*) override {}
    void onDestroy(CGraphicsObject* source) override;

private:
    CFilterEffect* owner;
    CGraphicsObject* graphic;
    std::unique_ptr<CFilterEffectState> state;
    CXString objectName;
    bool running = false;
};

// The base of the filter controllers: the linked drawables and the
// parameter record. Main thread only.
class CFilterEffect {
public:
    explicit CFilterEffect(CFilterEffectParams* params);
    virtual ~CFilterEffect();
    CFilterEffect(const CFilterEffect&) = delete;
    CFilterEffect& operator=(const CFilterEffect&) = delete;

    virtual void unlinkAll();
    // With ONEATTIME every other link goes first; a drawable linked
    // already is not linked again (with ONEATTIME it is then unlinked).
    virtual void link(CGraphicsObject* graphic, CMC_Object* object);
    virtual void addLink(CFilterEffectLink* link) = 0;
    virtual void unlink(CGraphicsObject* graphic);
    virtual void removeLink(CFilterEffectLink* link);
    virtual CFilterEffectLink* findOrCreateLink(CGraphicsObject* graphic, CMC_Object* object);
    virtual CFilterEffectLink* findLink(CGraphicsObject* graphic);
    virtual CFilterEffectLink* createLink(CGraphicsObject* graphic, CMC_Object* object) = 0;
    // A link is starting: the effect prepares its state.
    virtual void prepareStart(CFilterEffectLink*) {}

    void setProperty(const CXString& name, const CXString& value);
    CFilterEffectParams* getParams() { return params.get(); }
    int getLinkCount() const { return int(links.size()); }
    CFilterEffectLink* getLink(int i) { return i >= 0 && i < getLinkCount() ? links[size_t(i)] : nullptr; }
    bool hasLink(CFilterEffectLink* link) const;

protected:
    std::vector<CFilterEffectLink*> links;
    std::unique_ptr<CFilterEffectParams> params;
};

// Told of a timed effect's links starting, stepping and finishing.
class CFilterEffectListener {
public:
    virtual void onStarted(CFilterEffectLink* link, CTimedFilterEffect* effect) = 0;
    virtual void onTick(CFilterEffectLink* link, CTimedFilterEffect* effect) = 0;
    virtual void onFinished(CFilterEffectLink* link, CTimedFilterEffect* effect) = 0;

protected:
    ~CFilterEffectListener() = default;
};

// A filter that works over time: every fire of the window's timer (every
// frame) steps each running link once.
class CTimedFilterEffect : public CFilterEffect, public CTimerNotificator {
public:
    // Registered with the window's timer (none without a window) until
    // destroyed.
    CTimedFilterEffect(CWindow* window, CFilterEffectParams* params);
    ~CTimedFilterEffect() override;

    // The controller an ACTION names ("FADEIN", "FADEOUT", "FADEINOUT",
    // "PATH", "WATER", "WAVING", exact); null for any other.
    static CTimedFilterEffect* create(const CXString& action, CWindow* window, CMC_ObjectsContainer* scene);

    void addListener(CFilterEffectListener* l);
    void addLink(CFilterEffectLink* link) override;

    virtual bool isRunning(CGraphicsObject* graphic);
    virtual void startLink(CFilterEffectLink* link);
    // Not running (and linked): listeners hear onStarted, then it runs.
    virtual void start(CGraphicsObject* graphic);
    virtual void stopLink(CFilterEffectLink* link);
    // Running: it stops, then listeners hear onFinished.
    virtual void stop(CGraphicsObject* graphic);
    // One step of a link; true when the effect finished.
    virtual bool apply(CFilterEffectLink* link, CFilterEffectParams* params) = 0;

    void onTimer(int id) override;

protected:
    CWindow* window;

private:
    int timerId;
    std::vector<CFilterEffectListener*> listeners;
};

// The three fades of a drawable's opacity.
class CFadeEffect : public CTimedFilterEffect {
public:
    CFadeEffect(CWindow* window, int kind);
    CFilterEffectLink* createLink(CGraphicsObject* graphic, CMC_Object* object) override;
    void prepareStart(CFilterEffectLink* link) override;

protected:
    // Stores the level; the opacity and the screen change only when its
    // whole-number part does.
    static void setLevel(CFilterEffectLink* link, double level);
    static CFadeEffectState* fade(CFilterEffectLink* link)
    {
        return static_cast<CFadeEffectState*>(link->getState());
    }
    CFadeEffectParams* fadeParams() { return static_cast<CFadeEffectParams*>(params.get()); }
};

class CFadeInEffect : public CFadeEffect {
public:
    explicit CFadeInEffect(CWindow* window) : CFadeEffect(window, 1) {}
    bool apply(CFilterEffectLink* link, CFilterEffectParams* params) override;
};

class CFadeOutEffect : public CFadeEffect {
public:
    explicit CFadeOutEffect(CWindow* window) : CFadeEffect(window, 2) {}
    bool apply(CFilterEffectLink* link, CFilterEffectParams* params) override;
};

// Bounces between START and END until stopped.
class CFadeInOutEffect : public CFadeEffect {
public:
    explicit CFadeInOutEffect(CWindow* window) : CFadeEffect(window, 1) {}
    bool apply(CFilterEffectLink* link, CFilterEffectParams* params) override;
};

// Moves a drawable along the nodes of a PATH object: each node a relative
// move spread over length / DENSITY movement steps, one movement step
// every SPEED timer steps.
class CPathEffect : public CTimedFilterEffect {
public:
    // What the effect reads of a PATH object (type 2017); the script PATH
    // type installs it. Without it no PATH object is found.
    struct PathAccess {
        int (*nodeCount)(CMC_Object* path);
        CMC_Vector* (*node)(CMC_Object* path, int index);
        double (*density)(CMC_Object* path);
    };
    static void setPathAccess(const PathAccess* access);

    CPathEffect(CWindow* window, CMC_ObjectsContainer* scene);
    CFilterEffectLink* createLink(CGraphicsObject* graphic, CMC_Object* object) override;
    void prepareStart(CFilterEffectLink* link) override;
    bool apply(CFilterEffectLink* link, CFilterEffectParams* params) override;

private:
    CMC_ObjectsContainer* scene;
};

// A ripple from the centre: each pixel takes the linked picture's pixel
// sin(phase + distance) * FACTOR away along the diagonal.
class CWaterEffect : public CTimedFilterEffect {
public:
    explicit CWaterEffect(CWindow* window);
    CFilterEffectLink* createLink(CGraphicsObject* graphic, CMC_Object* object) override;
    bool apply(CFilterEffectLink* link, CFilterEffectParams* params) override;

private:
    float sinTable[51], cosTable[51];
};

// A horizontal wave, drawn again every 10th step from the first pixels.
class CWavingEffect : public CTimedFilterEffect {
public:
    explicit CWavingEffect(CWindow* window) : CTimedFilterEffect(window, new CWavingEffectParams) {}
    CFilterEffectLink* createLink(CGraphicsObject* graphic, CMC_Object* object) override;
    bool apply(CFilterEffectLink* link, CFilterEffectParams* params) override;
};

// The drawable whose pixels a pixel effect rewrites: the one the linked
// drawable shows (an animation's current frame), its packed pixels opened;
// null when it has no plain 15/16-bit pixels of its own.
CGraphicsObject* filterPixelTarget(CGraphicsObject* graphic);
