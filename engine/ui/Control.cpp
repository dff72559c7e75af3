#include "ui/Control.h"

#include "base/XArray.h"
#include "graphics/ListSnapshot.h"

CControl::CControl(CWindow* w) : window(w), id(-1), enabled(true), flags(0), notifiers(new CXArray(101, 0.75f)) {}

CControl::~CControl() { delete notifiers; }

void CControl::addNotifier(CControlNotifier* notifier)
{
    if (notifier)
        notifiers->add(notifier);
}

void CControl::removeNotifier(CControlNotifier* notifier) { notifiers->remove(notifier); }

int CControl::getNotifierCount() const { return notifiers->getSize(); }

void CControl::tell(void (CControlNotifier::*what)(CControl*, CXPoint), CXPoint p)
{
    CListSnapshot walk;
    CListSnapshot::of(*notifiers, walk);
    for (int i = 0; i < walk.size(); ++i)
        if (walk[i] && notifiers->contains(walk[i]))
            (static_cast<CControlNotifier*>(walk[i])->*what)(this, p);
}

int CControl::onMouseMove(CXPoint p)
{
    tell(&CControlNotifier::onControlOnMove, p);
    return 0;
}

int CControl::onFocusOn(CXPoint p)
{
    tell(&CControlNotifier::onControlFocusOn, p);
    return 0;
}

int CControl::onFocusOff(CXPoint p)
{
    tell(&CControlNotifier::onControlFocusOff, p);
    return 0;
}

int CControl::onClick(CXPoint p)
{
    tell(&CControlNotifier::onControlClicked, p);
    return 0;
}

int CControl::onRelease(CXPoint p)
{
    tell(&CControlNotifier::onControlReleased, p);
    return 0;
}

int CControl::onRClick(CXPoint p)
{
    tell(&CControlNotifier::onControlPopup, p);
    return 0;
}

void CControl::onAction(CXPoint p) { tell(&CControlNotifier::onControlAction, p); }
void CControl::onStartDragging(CXPoint p) { tell(&CControlNotifier::onStartDragging, p); }
void CControl::onDragging(CXPoint p) { tell(&CControlNotifier::onDragging, p); }
void CControl::onEndDragging(CXPoint p) { tell(&CControlNotifier::onEndDragging, p); }
