#include "media/SequencedPlayable.h"

#include "base/XRandom.h"
#include "graphics/Window.h"
#include "media/AnimationManager.h"
#include "media/Animo.h"
#include "media/AnimoEventPlayable.h"
#include "media/Sound4.h"
#include "media/SpeakingAnimation.h"
#include "script/Application.h"

#include <unordered_set>
#include <vector>

namespace {
CAnimationManager* managerOf(CWindow* window)
{
    CApplication* app = window ? window->GetApplicationInterface() : nullptr;
    return app ? app->getAnimoManagerIfc() : nullptr;
}

// The index a parameter's first character selects: "1".."9" 0 to 8,
// "A".."Z" 9 to 34, "a" on 35 on; negative for "0", characters below it
// and bytes of 128 and above.
int indexOf(char c)
{
    const int v = static_cast<signed char>(c);
    if (v <= '9')
        return v - '1';
    if (v <= 'Z')
        return v - '8';
    return v - '>';
}
} // namespace

CSequencedPlayable::CSequencedPlayable(CWindow* w) : CPlayable(w), children(new CXArray(101, 0.75f)), current(-1)
{
    type = TYPE_SEQUENCE;
    if (CAnimationManager* m = managerOf(window))
        m->add(this, nullptr);
}

CSequencedPlayable::CSequencedPlayable(CWindow* w, CMElement*) : CSequencedPlayable(w) {}

// A child left alive (a sound, or one another sequence lists) keeps
// playing for others: it must no longer report to this sequence, nor to
// the observer this sequence's file gave every element.
CSequencedPlayable::~CSequencedPlayable()
{
    for (int i = 0; i < children->getSize(); ++i) {
        CPlayable* child = getChild(i);
        if (child->getParentsNo() >= 2 || child->getType() == CSound4::TYPE_SOUND) {
            child->subParent();
            child->removeNotifier(this);
            if (child->getParent() == this)
                child->setParent(nullptr);
            if (genericNotifier && child->getGenericNotifier() == genericNotifier)
                child->setGenericNotifier(nullptr);
        } else {
            delete child;
        }
    }
    delete children;
    if (CAnimationManager* m = managerOf(window))
        m->remove(this);
}

void CSequencedPlayable::addChild(CPlayable* child)
{
    if (!child)
        return;
    children->add(child);
    child->setParent(this);
    child->addParent();
}

CPlayable* CSequencedPlayable::getChild(int index)
{
    return index >= 0 && index < children->getSize() ? static_cast<CPlayable*>(children->at(index)) : nullptr;
}

bool CSequencedPlayable::contains(CPlayable* playable)
{
    std::vector<CSequencedPlayable*> pending{this};
    std::unordered_set<CSequencedPlayable*> seen{this};
    while (!pending.empty()) {
        CSequencedPlayable* s = pending.back();
        pending.pop_back();
        if (s == playable)
            return true;
        for (int i = 0; i < s->getChildrenNo(); ++i) {
            CPlayable* child = s->getChild(i);
            if (child == playable)
                return true;
            if (child->getType() != TYPE_SEQUENCE)
                continue;
            CSequencedPlayable* nested = static_cast<CSequencedPlayable*>(child);
            if (seen.insert(nested).second)
                pending.push_back(nested);
        }
    }
    return false;
}

CPlayable* CSequencedPlayable::getPlaying()
{
    CPlayable* child = isPlaying() ? getChild(current) : nullptr;
    return child ? child->getPlaying() : nullptr;
}

CXString CSequencedPlayable::getParameter()
{
    if (parameter.getLength() <= 1)
        return CXString();
    return mode == MODE_PARAMETER ? parameter.Right(1) : parameter;
}

void CSequencedPlayable::accure(CPlayable* playable)
{
    playable->setVolume(volume);
    playable->setPanning(panning);
    if (frequency > 0)
        playable->setFrequency(frequency);
}

void CSequencedPlayable::start(CPlayable* child, bool withParameter)
{
    child->setNotifier(this);
    if (withParameter)
        child->setParameter(parameter);
    child->play();
    accure(child);
}

// The playing bit is set before the children start: a child may report
// finished from inside its play() (a talking animation without a sound),
// and the sequence then goes on or ends as it does for a later report. A
// run that such a report changed is not continued here.
void CSequencedPlayable::play()
{
    notify(NOTIFY_STARTED);
    const int n = children->getSize();
    // With nothing to play the sequence ends as it starts, rather than
    // playing for ever.
    if (n == 0) {
        current = 0;
        status &= ~STATUS_PLAYING;
        notify(NOTIFY_FINISHED);
        return;
    }
    switch (mode) {
    case MODE_SEQUENCE: {
        current = 0;
        position = -1;
        status |= STATUS_PLAYING;
        for (;;) {
            if (position >= 0)
                ++current;
            const int started = current;
            CPlayable* child = getChild(started);
            ++position;
            start(child, true);
            if (current != started || !isPlaying())
                return;
            if (position >= n - 1 || child->getWaitMode())
                break;
        }
        break;
    }
    case MODE_RANDOM:
        current = CXRandom::rand15() % n;
        status |= STATUS_PLAYING;
        ++position;
        start(getChild(current), true);
        break;
    case MODE_PARAMETER: {
        if (!parameter.IsString())
            return;
        const int index = indexOf(parameter.GetAt(0));
        if (index < 0 || index >= n)
            return;
        parameter = getParameter();
        current = index;
        status |= STATUS_PLAYING;
        start(getChild(index), true);
        break;
    }
    default:
        break;
    }
}

void CSequencedPlayable::stop(bool withReport)
{
    CPlayable* child = isPlaying() ? getChild(current) : nullptr;
    if (!child)
        return;
    status &= ~STATUS_PLAYING;
    child->stop(withReport);
}

void CSequencedPlayable::pause()
{
    CPlayable* child = isPlaying() ? getChild(current) : nullptr;
    if (!child)
        return;
    child->pause();
    status |= STATUS_PAUSED;
}

void CSequencedPlayable::resume()
{
    CPlayable* child = isPaused() ? getChild(current) : nullptr;
    if (!child)
        return;
    child->resume();
    status &= ~STATUS_PAUSED;
}

// A child started earlier in a run that has ended (one that did not wait)
// may still report: only the current child's report ends the sequence.
bool CSequencedPlayable::onPlayableFinished(CPlayable* child)
{
    if (isPaused())
        return false;
    if (isPlaying()) {
        if (mode == MODE_SEQUENCE)
            next();
        else
            stop(false);
        if (mode == MODE_SEQUENCE && isPlaying())
            return false;
    } else if (child != getChild(current)) {
        return false;
    }
    notify(NOTIFY_FINISHED);
    return false;
}

int CSequencedPlayable::next()
{
    if (isPaused())
        return position;
    CPlayable* child = getChild(current);
    if (!child || child->isPlaying())
        return position;
    if (mode == MODE_SEQUENCE) {
        if (position < children->getSize() - 1 && getChild(current + 1)) {
            setParameter(child->getParam());
            ++current;
            ++position;
            start(getChild(current), true);
        } else {
            stop(true);
        }
    } else if (mode == MODE_RANDOM) {
        stop(false);
    }
    return position;
}

void CSequencedPlayable::seek(int where)
{
    const int last = children->getSize() - 1;
    const int from = current;
    if (CPlayable* child = getChild(from))
        child->stop(true);
    switch (where) {
    case SEEK_NEXT: current = from >= last ? -1 : from + 1; break;
    case SEEK_PREVIOUS: current = from - 1; break;
    case SEEK_LAST: current = last; break;
    case SEEK_FIRST: current = 0; break;
    default: current = where; break;
    }
    if (CPlayable* child = getChild(current))
        start(child, false);
}

void CSequencedPlayable::move(int dx, int dy)
{
    CXArray* all = getAllAnimations();
    for (int i = 0; i < all->getSize(); ++i)
        static_cast<CPlayable*>(static_cast<CAnimo*>(all->at(i)))->move(dx, dy);
    delete all;
}

void CSequencedPlayable::setPosition(int x, int y)
{
    for (int i = 0; i < children->getSize(); ++i)
        getChild(i)->setPosition(x, y);
}

void CSequencedPlayable::setVisibility(bool on)
{
    for (int i = 0; i < children->getSize(); ++i) {
        CPlayable* child = getChild(i);
        if (child->isVisible() != on)
            child->setVisibility(on);
    }
    visible = on;
}

void CSequencedPlayable::alwaysOnTop()
{
    for (int i = 0; i < children->getSize(); ++i)
        getChild(i)->alwaysOnTop();
}

CXString CSequencedPlayable::getLastPlayedEvent(const CXString& wanted)
{
    CPlayable* child = isPlaying() ? getChild(current) : nullptr;
    if (!child)
        return CXString();
    if (!wanted.IsString() || wanted == name) {
        if (child->getType() == TYPE_SEQUENCE)
            return static_cast<CSequencedPlayable*>(child)->getLastPlayedEvent(CXString());
        return child->getName();
    }
    for (int i = 0; i < children->getSize(); ++i) {
        CPlayable* c = getChild(i);
        if (c->getType() != TYPE_SEQUENCE)
            continue;
        CXString answer = static_cast<CSequencedPlayable*>(c)->getLastPlayedEvent(wanted);
        if (answer.IsString())
            return answer;
    }
    return CXString();
}

CAnimo* CSequencedPlayable::animationOf(CPlayable* p)
{
    switch (p->getType()) {
    case CAnimo::TYPE_ANIMATION: return static_cast<CAnimo*>(p);
    case CAnimoEventPlayable::TYPE_ANIMO_EVENT: return static_cast<CAnimoEventPlayable*>(p)->getAnimation();
    case CSpeakingAnimation::TYPE_SPEAKING: return static_cast<CSpeakingAnimation*>(p)->getAnimation();
    default: return nullptr;
    }
}

void CSequencedPlayable::collect(CXArray* out, int kind, bool animations)
{
    for (int i = 0; i < children->getSize(); ++i) {
        CPlayable* child = getChild(i);
        if (child->getType() == TYPE_SEQUENCE) {
            static_cast<CSequencedPlayable*>(child)->collect(out, kind, animations);
            continue;
        }
        void* item = animations ? static_cast<void*>(animationOf(child))
                                : child->getType() == kind ? static_cast<void*>(child) : nullptr;
        if (item && !out->contains(item))
            out->add(item);
    }
}

CXArray* CSequencedPlayable::getAllAnimations()
{
    CXArray* out = new CXArray(101, 0.75f);
    collect(out, 0, true);
    return out;
}

CXArray* CSequencedPlayable::getAllOfType(int kind)
{
    CXArray* out = new CXArray(101, 0.75f);
    collect(out, kind, false);
    return out;
}

CPlayable* CSequencedPlayable::get(const CXString& event)
{
    CXString value = CPlayable::getParameter(event);
    CPlayable* node = this;
    while (value.IsString() && node->getType() == TYPE_SEQUENCE) {
        CSequencedPlayable* s = static_cast<CSequencedPlayable*>(node);
        CPlayable* next = nullptr;
        if (s->mode == MODE_SEQUENCE || s->mode == MODE_RANDOM) {
            next = s->getChild(0);
        } else if (s->mode == MODE_PARAMETER) {
            next = s->getChild(indexOf(value.GetAt(0)));
            value = value.Right(1);
        }
        if (!next)
            break;
        node = next;
    }
    return node;
}

CAnimo* CSequencedPlayable::firstAnimation(int which)
{
    CXArray* all = getAllAnimations();
    CAnimo* found = nullptr;
    for (int i = 0; i < all->getSize() && !found; ++i) {
        CAnimo* a = static_cast<CAnimo*>(all->at(i));
        if (which == 1 || static_cast<CPlayable*>(a)->isPlaying())
            found = a;
    }
    delete all;
    return found;
}

CXRect CSequencedPlayable::getBoundingBox(int which)
{
    CAnimo* a = firstAnimation(which);
    return a ? a->GetBoundingBox() : CXRect();
}

CXPoint CSequencedPlayable::getPosition(int which)
{
    CAnimo* a = firstAnimation(which);
    return a ? a->GetPosition() : CXPoint(0, 0);
}
