// Playing an animation: starting an event, the steps the animation manager
// takes through it (loops, ping-pong turns, holding while the frame sound
// plays, going on with the next event), stopping, pausing and the frame
// sounds.
#include "graphics/Window.h"
#include "media/Animo.h"
#include "media/SndStream.h"
#include "media/Sound4.h"

#include <algorithm>

void CAnimo::play() { Play(_animoevent(currentEvent), 0, DEFAULT_FPS); }

void CAnimo::stop(bool withReport)
{
    Stop();
    if (withReport)
        notify(NOTIFY_FINISHED);
}

void CAnimo::Play(_animoevent event, int position, int)
{
    Invalidate();
    if (event < 0 || event >= GetNOE() || pieces->events[size_t(event)]->frames.empty())
        return;
    _annEventInfo3* current = GetEventInfo(currentEvent);
    if (state == ANIMO_PLAYING &&
        ((animoFlags & ANIMO_NOT_INTERRUPTIBLE) || (current && (current->flags & EVENT_NOT_INTERRUPTIBLE))))
        return;
    if (current)
        current->loopCounter = 0;
    lastEvent = currentEvent = event;
    // An event plays forward even when a ping-pong event was stopped on
    // its way back.
    direction = DIRECTION_FORWARD;
    if (!IsVisible())
        Visible(true);
    if (fps == 0)
        fps = DEFAULT_FPS;
    state = ANIMO_PLAYING;
    status = STATUS_PLAYING;
    SetEventFrame(event, position);
    notify(NOTIFY_STARTED);
}

void CAnimo::Play(const CXString& event, int position, int unused)
{
    int index = resolveEventName(event);
    if (index >= 0)
        Play(_animoevent(index), position, unused);
}

void CAnimo::Continue()
{
    _annEventInfo3* e = GetEventInfo(currentEvent);
    if (!e || e->frames.empty())
        return;
    fps = e->fps != 0 ? e->fps : DEFAULT_FPS;
    state = ANIMO_PLAYING;
    status = STATUS_PLAYING;
    Next();
}

void CAnimo::playReverse(const CXString& event, int position)
{
    static const char SUFFIX[] = "_reverse";
    if (event.getLength() > 9 && event.endsWith(SUFFIX)) {
        const int own = resolveEventName(event);
        if (own >= 0) {
            Play(_animoevent(own), position, DEFAULT_FPS);
            return;
        }
    }
    // The twin's name as an event record keeps it, so that a long name
    // finds the twin made before.
    _annEventInfo3 named;
    named.setName((event + SUFFIX).c_str());
    const int twin = resolveEventName(CXString(named.name));
    if (twin >= 0) {
        Play(_animoevent(twin), position, DEFAULT_FPS);
        return;
    }
    const int sourceIndex = resolveEventName(event);
    if (sourceIndex < 0)
        return;
    _annEventInfo3* source = GetEventInfo(sourceIndex);
    _annEventInfo3 reversed(*source);
    reversed.setName(named.name);
    std::reverse(reversed.frames.begin(), reversed.frames.end());
    const int added = AddEvent(&reversed);
    // The records of the positions, copied in the same reversed order.
    const int n = reversed.framesCount();
    for (int p = 0; p < n; ++p) {
        _anmFrameInfo3* from = GetFrameInfo(sourceIndex, n - 1 - p);
        _anmFrameInfo3* to = GetFrameInfo(added, p);
        if (from && to)
            *to = *from;
    }
    Play(_animoevent(added), position, DEFAULT_FPS);
}

void CAnimo::Stop()
{
    if (state == ANIMO_PLAYING)
        StopNoNotify();
}

void CAnimo::StopNoNotify()
{
    if (state == ANIMO_PLAYING && stream)
        stream->Stop();
    _annEventInfo3* e = GetEventInfo(currentEvent);
    if (e && (e->flags & EVENT_HIDE_AT_STOP))
        Visible(false);
    state = ANIMO_STOPPED;
    status = 0;
    if (!(e && (e->flags & EVENT_SOUND_GOES_ON)) && !(animoFlags & ANIMO_SOUND_GOES_ON))
        stopFrameSound();
}

void CAnimo::stopFrameSound()
{
    if (currentSound)
        currentSound->stop(true);
    currentSound = nullptr;
}

void CAnimo::Pause()
{
    if (state != ANIMO_PLAYING)
        return;
    state = ANIMO_PAUSED;
    status = STATUS_PAUSED;
}

void CAnimo::Resume()
{
    if (state != ANIMO_PAUSED)
        return;
    state = ANIMO_PLAYING;
    status = STATUS_PLAYING;
    notify(NOTIFY_RESUMED);
}

void CAnimo::PlaySoundFX(int event, int position)
{
    if (animoFlags & ANIMO_STREAMED_SOUNDS) {
        _anmFrameInfo3* r = GetFrameInfo(event, position);
        if (!r || !r->sounds || !r->sounds->IsString())
            return;
        delete stream;
        // The whole list, ";" included, is one file name here.
        stream = new CSndStream(owner(), owner() ? owner()->GetSoundFXFullPath(*r->sounds) : *r->sounds);
        stream->Play(false);
        return;
    }
    if (CSound4* s = getSoundFX(event, position)) {
        stopFrameSound();
        currentSound = s;
        s->Play();
    }
}

bool CAnimo::frameSoundPlays()
{
    return (stream && stream->IsPlaying()) || (currentSound && currentSound->IsPlaying());
}

// Steps

int CAnimo::next() { return direction == DIRECTION_BACKWARD ? Prev() : Next(); }

int CAnimo::previous() { return Prev(); }

int CAnimo::nextEventWithFrames()
{
    _annEventInfo3* e = GetEventInfo(currentEvent + 1);
    return e && !e->frames.empty() ? currentEvent + 1 : -1;
}

bool CAnimo::endOfEvent(int* position)
{
    const int following = (animoFlags & ANIMO_CHAIN_EVENTS) ? nextEventWithFrames() : -1;
    if (following >= 0) {
        currentEvent = following;
        *position = 0;
        return true;
    }
    stop(true);
    return false;
}

int CAnimo::Next() { return step(true); }

int CAnimo::Prev() { return step(false); }

// SetEventFrame repaints where the frame was; nothing else changes on the
// screen unless the animation stops, which repaints for itself.
int CAnimo::step(bool forward)
{
    if (GetNOF() == 0)
        return currentPosition;
    int position = forward ? currentPosition + 1 : currentPosition - 1;
    // Without an event the position shows again (which shows nothing).
    if (_annEventInfo3* e = GetEventInfo(currentEvent)) {
        if (e->frames.empty() || !(forward ? stepForward(e, &position) : stepBackward(e, &position)))
            return currentPosition;
    } else {
        position = currentPosition;
    }
    if (position >= 0)
        SetEventFrame(currentEvent, position);
    return currentPosition;
}

// A position after the loop end, or the last one, is shown after the
// finished report only when the report did not start the animation again.
bool CAnimo::stepForward(_annEventInfo3* e, int* position)
{
    const int n = e->framesCount();
    int p = *position;
    // A loop end beyond the event loops at its last position.
    const int loopEnd = std::min<int>(e->loopEnd, n - 1);
    if (e->loopEnd != 0 && p > loopEnd) {
        const bool hold = (e->flags & EVENT_HOLD_WHILE_SOUND) != 0;
        if (e->flags & EVENT_PING_PONG) {
            p -= 2;
            direction = DIRECTION_BACKWARD;
        } else if (hold && !frameSoundPlays()) {
            // The sound has ended: on to the end of the event.
            if (p >= n)
                return endOfEvent(position);
            if (p + 1 < n) {
                ++p;
            } else if (animoFlags & ANIMO_CHAIN_EVENTS) {
                const int following = nextEventWithFrames();
                if (following >= 0) {
                    currentEvent = following;
                    p = 0;
                }
            } else {
                stop(true);
                if (state == ANIMO_PLAYING)
                    return false;
            }
        } else if (e->loopCount == 0) {
            p = e->loopStart;
        } else if (++e->loopCounter < e->loopCount) {
            p = e->loopStart;
        } else {
            e->loopCounter = 0;
            stop(true);
            if (state == ANIMO_PLAYING || p >= n)
                return false;
        }
    } else if (e->loopEnd == 0 && p >= n) {
        p = n - 1;
        // The last event of a chain stays on its last position, playing.
        const bool stays = (animoFlags & ANIMO_CHAIN_EVENTS) && currentEvent + 1 >= GetNOE();
        if (!stays && !endOfEvent(&p))
            return false;
    }
    *position = p;
    return true;
}

bool CAnimo::stepBackward(_annEventInfo3* e, int* position)
{
    int p = *position;
    if (e->loopEnd == 0) {
        if (p >= 0)
            return true;
        stop(true);
        return false;
    }
    const int loopEnd = std::min<int>(e->loopEnd, e->framesCount() - 1);
    if (p < e->loopStart) {
        if (e->flags & EVENT_PING_PONG) {
            p += 2;
            direction = DIRECTION_FORWARD;
        } else if (!(e->flags & EVENT_HOLD_WHILE_SOUND) || frameSoundPlays()) {
            // The count of a loop is not used backward.
            p = loopEnd;
        } else if (p <= 0) {
            // The sound has ended at the start: the animation stops on the
            // loop end.
            stop(true);
            if (state == ANIMO_PLAYING)
                return false;
            p = loopEnd;
        }
    }
    *position = p;
    return true;
}
