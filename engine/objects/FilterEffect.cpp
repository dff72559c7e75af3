#include "objects/FilterEffect.h"

#include "graphics/Window.h"
#include "script/Object.h"

#include <algorithm>

// Parameters

void CFilterEffectParams::setProperty(const CXString& name, const CXString& value)
{
    if (name == "ONEATTIME")
        oneAtATime = value.toBool();
}

CFadeEffectParams::CFadeEffectParams(int k)
    : CFilterEffectParams(k), start(k == 2 ? 255.0 : 0.0), end(k == 2 ? 0.0 : 255.0)
{
}

void CFadeEffectParams::setProperty(const CXString& name, const CXString& value)
{
    if (name == "SPEED")
        speed = value.toDouble();
    else if (name == "START")
        start = value.toDouble();
    else if (name == "END")
        end = value.toDouble();
    else
        CFilterEffectParams::setProperty(name, value);
}

void CPathEffectParams::setProperty(const CXString& name, const CXString& value)
{
    if (name == "SPEED")
        speed = value.toNumber();
    else if (name == "PATHDEF")
        pathDef = value;
    else if (name == "LOOPED")
        looped = value.toBool();
    else
        CFilterEffectParams::setProperty(name, value);
}

void CWaterEffectParams::setProperty(const CXString& name, const CXString& value)
{
    if (name == "FACTOR")
        factor = value.toDouble();
    else
        CFilterEffectParams::setProperty(name, value);
}

void CWavingEffectParams::setProperty(const CXString& name, const CXString& value)
{
    if (name == "AMPLITUDE")
        amplitude = value.toNumber();
    else if (name == "DENSITY")
        density = value.toDouble();
    else
        CFilterEffectParams::setProperty(name, value);
}

// Targets and links

void CFilterTarget::set(CGraphicsObject* g)
{
    if (g == target)
        return;
    if (target)
        target->removeInvalidateObserver(this);
    target = g;
    if (target)
        target->addInvalidateObserver(this);
}

CFilterEffectLink::CFilterEffectLink(CFilterEffect* o, CGraphicsObject* g, CMC_Object* object, CFilterEffectState* s)
    : owner(o), graphic(g), state(s), objectName(object ? object->getName() : CXString())
{
    if (graphic)
        graphic->addInvalidateObserver(this);
}

CFilterEffectLink::~CFilterEffectLink()
{
    // The state goes first: it may still give buffers back to the drawable.
    state.reset();
    if (graphic)
        graphic->removeInvalidateObserver(this);
}

void CFilterEffectLink::setRunning(CFilterEffectParams*, bool on)
{
    running = on;
    if (on)
        owner->prepareStart(this);
}

void CFilterEffectLink::onDestroy(CGraphicsObject*)
{
    // The drawable has taken this link out of its observers already.
    graphic = nullptr;
    owner->removeLink(this);
}

// The base controller

CFilterEffect::CFilterEffect(CFilterEffectParams* p) : params(p) {}

CFilterEffect::~CFilterEffect() { unlinkAll(); }

void CFilterEffect::unlinkAll()
{
    while (!links.empty()) {
        CFilterEffectLink* l = links.back();
        links.pop_back();
        delete l;
    }
}

void CFilterEffect::link(CGraphicsObject* graphic, CMC_Object* object)
{
    const bool linked = findLink(graphic) != nullptr;
    if (params && params->oneAtATime)
        unlinkAll();
    if (!linked)
        if (CFilterEffectLink* l = createLink(graphic, object))
            addLink(l);
}

void CFilterEffect::unlink(CGraphicsObject* graphic) { removeLink(findLink(graphic)); }

void CFilterEffect::removeLink(CFilterEffectLink* link)
{
    auto it = std::find(links.begin(), links.end(), link);
    if (!link || it == links.end())
        return;
    links.erase(it);
    delete link;
}

CFilterEffectLink* CFilterEffect::findOrCreateLink(CGraphicsObject* graphic, CMC_Object* object)
{
    CFilterEffectLink* l = findLink(graphic);
    return l ? l : createLink(graphic, object);
}

CFilterEffectLink* CFilterEffect::findLink(CGraphicsObject* graphic)
{
    if (!graphic)
        return nullptr;
    for (CFilterEffectLink* l : links)
        if (l->getGraphic() == graphic)
            return l;
    return nullptr;
}

void CFilterEffect::setProperty(const CXString& name, const CXString& value)
{
    if (params)
        params->setProperty(name, value);
}

bool CFilterEffect::hasLink(CFilterEffectLink* link) const
{
    return std::find(links.begin(), links.end(), link) != links.end();
}

// The timed controller

CTimedFilterEffect::CTimedFilterEffect(CWindow* w, CFilterEffectParams* p)
    : CFilterEffect(p), window(w), timerId(CXTimer::freshId())
{
    if (CXTimer* timer = window ? window->GetTimerInterface() : nullptr)
        timer->add(timerId, 1, this);
}

CTimedFilterEffect::~CTimedFilterEffect()
{
    // Removed entries are never delivered again.
    if (CXTimer* timer = window ? window->GetTimerInterface() : nullptr)
        timer->remove(timerId);
}

void CTimedFilterEffect::addListener(CFilterEffectListener* l)
{
    if (l && std::find(listeners.begin(), listeners.end(), l) == listeners.end())
        listeners.push_back(l);
}

void CTimedFilterEffect::addLink(CFilterEffectLink* link)
{
    if (link)
        links.push_back(link);
}

bool CTimedFilterEffect::isRunning(CGraphicsObject* graphic)
{
    CFilterEffectLink* l = findLink(graphic);
    return l && l->isRunning();
}

void CTimedFilterEffect::startLink(CFilterEffectLink* link)
{
    if (link)
        start(link->getGraphic());
}

void CTimedFilterEffect::start(CGraphicsObject* graphic)
{
    CFilterEffectLink* l = findLink(graphic);
    if (!l || l->isRunning())
        return;
    // A listener's script may unlink it while it is told.
    for (size_t i = 0; i < listeners.size() && hasLink(l); ++i)
        listeners[i]->onStarted(l, this);
    if (hasLink(l) && !l->isRunning())
        l->setRunning(params.get(), true);
}

void CTimedFilterEffect::stopLink(CFilterEffectLink* link)
{
    if (link)
        stop(link->getGraphic());
}

void CTimedFilterEffect::stop(CGraphicsObject* graphic)
{
    CFilterEffectLink* l = findLink(graphic);
    if (!l || !l->isRunning())
        return;
    l->setRunning(params.get(), false);
    for (size_t i = 0; i < listeners.size() && hasLink(l); ++i)
        listeners[i]->onFinished(l, this);
}

void CTimedFilterEffect::onTimer(int)
{
    // Listeners run script, which may link, unlink, start or stop links
    // of this controller: the count is read again for every link.
    for (size_t i = 0; i < links.size(); ++i) {
        CFilterEffectLink* l = links[i];
        if (!l->isRunning())
            continue;
        l->getState()->increment();
        if (apply(l, params.get())) {
            stop(l->getGraphic());
            continue;
        }
        for (size_t k = 0; k < listeners.size() && hasLink(l); ++k)
            listeners[k]->onTick(l, this);
    }
}

CTimedFilterEffect* CTimedFilterEffect::create(const CXString& action, CWindow* window, CMC_ObjectsContainer* scene)
{
    if (action == "FADEIN")
        return new CFadeInEffect(window);
    if (action == "FADEOUT")
        return new CFadeOutEffect(window);
    if (action == "FADEINOUT")
        return new CFadeInOutEffect(window);
    if (action == "PATH")
        return new CPathEffect(window, scene);
    if (action == "WATER")
        return new CWaterEffect(window);
    if (action == "WAVING")
        return new CWavingEffect(window);
    return nullptr;
}
