#include "media/Animo.h"

#include "graphics/Window.h"
#include "media/AnimationManager.h"
#include "media/Frame.h"
#include "media/SndStream.h"
#include "media/Sound4.h"
#include "script/Application.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// Script positions may be anywhere: sums stop at the ends of int.
int clampedSum(int64_t value) { return int(std::clamp<int64_t>(value, INT_MIN, INT_MAX)); }

} // namespace

_annEventInfo3::_annEventInfo3() { __fill_event_info(this); }

void _annEventInfo3::setName(const char* text)
{
    std::memset(name, 0, sizeof name);
    if (text)
        std::memcpy(name, text, strnlen(text, sizeof name - 1));
}

void __fill_event_info(_annEventInfo3* info)
{
    std::memset(info->name, 0, sizeof info->name);
    info->frames.clear();
    info->loopStart = info->loopEnd = info->loopCount = info->loopCounter = 0;
    info->fps = CAnimo::DEFAULT_FPS;
    info->flags = 0;
    info->opacity = 0;
    info->userWord = 0;
    info->reserved[0] = info->reserved[1] = 0;
}

_anmFrameInfo3::_anmFrameInfo3() { __fill_frame_info(this); }

void __fill_frame_info(_anmFrameInfo3* info)
{
    info->frameName.reset();
    info->text.reset();
    info->sounds.reset();
    info->dx = info->dy = 0;
    info->userInt1 = -1;
    info->userInt2 = 0;
    info->opacity = 255;
    info->reserved = 0;
}

CAnimo::CAnimo(CWindow* w) : CGraphicsObject(w), CPlayable(w) { construct(); }

CAnimo::CAnimo(CWindow* w, const CXString& fileName) : CGraphicsObject(w), CPlayable(w)
{
    construct();
    setFilename(fileName);
    Load(fileName);
}

void CAnimo::construct()
{
    author = "Quarnel";
    currentFrame = -1;
    currentEvent = currentPosition = lastEvent = 0;
    lastRefreshed = nullptr;
    globalX = globalY = 0;
    ownsData = true;
    state = ANIMO_STOPPED;
    direction = DIRECTION_FORWARD;
    fps = DEFAULT_FPS;
    animoFlags = 0;
    stream = nullptr;
    currentSound = nullptr;
    loadAtStart = false;
    randomFrames = 0;
    filterKind = changeFilterKind = 0;
    filter = changeFilter = nullptr;
    type = TYPE_ANIMATION;
    // The pixels shown are the current frame's.
    ownsPixels = false;
    if (CAnimationManager* m = manager())
        m->add(this, nullptr);
}

CAnimo::~CAnimo()
{
    if (CAnimationManager* m = manager())
        m->remove(this);
    Flush();
}

CAnimationManager* CAnimo::manager()
{
    CApplication* app = owner() ? owner()->GetApplicationInterface() : nullptr;
    return app ? app->getAnimoManagerIfc() : nullptr;
}

void CAnimo::Flush()
{
    delete stream;
    stream = nullptr;
    currentSound = nullptr;
    if (ownsData) {
        for (CFrame* f : frames)
            delete f;
        for (_annEventInfo3* e : eventInfo)
            delete e;
        for (auto& records : frameInfo)
            for (_anmFrameInfo3* r : records)
                delete r;
        for (auto& sounds : soundFX)
            for (CSound4* s : sounds)
                delete s;
    }
    frames.clear();
    eventInfo.clear();
    frameInfo.clear();
    soundFX.clear();
    ownsData = true;
    currentFrame = -1;
    currentEvent = currentPosition = 0;
    lastRefreshed = nullptr;
    takeFramePixels();
    CFileResolver::release();
}

CFrame* CAnimo::GetFrame(int index)
{
    return index >= 0 && index < GetNOF() ? frames[size_t(index)] : nullptr;
}

_annEventInfo3* CAnimo::GetEventInfo(int event)
{
    if (event == -1)
        event = currentEvent;
    return event >= 0 && event < GetNOE() ? eventInfo[size_t(event)] : nullptr;
}

_anmFrameInfo3* CAnimo::GetFrameInfo(int event, int position)
{
    if (event == -1)
        event = currentEvent;
    if (!GetEventInfo(event) || position < 0)
        return nullptr;
    const auto& records = frameInfo[size_t(event)];
    return size_t(position) < records.size() ? records[size_t(position)] : nullptr;
}

CSound4* CAnimo::getSoundFX(int event, int position)
{
    if (event == -1)
        event = currentEvent;
    if (!GetEventInfo(event) || position < 0 || soundFX.empty())
        return nullptr;
    const auto& sounds = soundFX[size_t(event)];
    return size_t(position) < sounds.size() ? sounds[size_t(position)] : nullptr;
}

void CAnimo::appendFrame(CFrame* frame)
{
    if (frame)
        frames.push_back(frame);
}

void CAnimo::appendEvent(_annEventInfo3* event, std::vector<_anmFrameInfo3*> records)
{
    if (!event)
        return;
    eventInfo.push_back(event);
    frameInfo.push_back(std::move(records));
    if (!soundFX.empty())
        soundFX.emplace_back(event->frames.size(), nullptr);
}

int CAnimo::resolveEventName(const CXString& event)
{
    for (int i = 0; i < GetNOE(); ++i)
        if (CXString(eventInfo[size_t(i)]->name).equalsIgnoreCase(event))
            return i;
    return -1;
}

int CAnimo::getFirstEvent()
{
    for (int i = 0; i < GetNOE(); ++i)
        if (!eventInfo[size_t(i)]->frames.empty())
            return i;
    return 0;
}

// Showing frames

CXPoint CAnimo::recordOffset()
{
    _anmFrameInfo3* r = GetFrameInfo(currentEvent, currentPosition);
    return r ? CXPoint(r->dx, r->dy) : CXPoint(0, 0);
}

void CAnimo::takeFramePixels()
{
    CFrame* f = GetFrame(currentFrame);
    if (!f) {
        data = nullptr;
        alpha = nullptr;
        width = height = 0;
        dataSize = 0;
        for (int& s : planeSize)
            s = 0;
        return;
    }
    data = f->GetDataPtr();
    alpha = f->GetChannelAlpha();
    width = f->Width();
    height = f->Height();
    pitch = f->GetPitch();
    bpp = f->GetBpp();
    compression = f->GetCompression();
    dataSize = f->GetDataSize();
    for (int i = 0; i < 4; ++i)
        planeSize[i] = f->GetChannelSize(i);
}

void CAnimo::updateWithCurrentFrame()
{
    takeFramePixels();
    CFrame* f = GetFrame(currentFrame);
    if (!f)
        return;
    CXPoint own = f->GetFramePosition();
    CXPoint off = recordOffset();
    x = clampedSum(int64_t(own.x) + off.x);
    y = clampedSum(int64_t(own.y) + off.y);
}

CXRect CAnimo::GetBoundingBox()
{
    CFrame* f = GetFrame(currentFrame);
    if (!f)
        return CXRect(0, 0, 0, 0);
    CXPoint own = f->GetFramePosition();
    CXPoint off = recordOffset();
    const int64_t left = int64_t(globalX) + own.x + off.x;
    const int64_t top = int64_t(globalY) + own.y + off.y;
    CXRect box(clampedSum(left), clampedSum(top), clampedSum(left + f->Width()), clampedSum(top + f->Height()));
    if (!clip.IsEmpty())
        box = box.Common(clip + CXPoint(x, y));
    return box;
}

char* CAnimo::GetDataPtr()
{
    CFrame* f = GetFrame(currentFrame);
    return f ? f->GetDataPtr() : nullptr;
}

CGraphicsObject* CAnimo::getDrawn() { return GetFrame(currentFrame); }

void CAnimo::SetEventFrame(int event, int position)
{
    if (event == -1)
        event = currentEvent;
    if (position == -1)
        position = 0;
    _annEventInfo3* e = GetEventInfo(event);
    if (!e || position < 0 || position >= e->framesCount())
        return;
    if (IsVisible())
        Invalidate();
    const int frame = e->frames[size_t(position)];
    if (state == ANIMO_PLAYING)
        PlaySoundFX(event, position);
    // A lower opacity, once taken, stays until the animation's is set back.
    if (opacity == 255) {
        _anmFrameInfo3* r = GetFrameInfo(event, position);
        unsigned char o = r ? r->opacity : 255;
        opacity = o == 255 ? e->opacity : o;
    }
    currentEvent = event;
    currentPosition = position;
    Set(frame, true);
}

void CAnimo::Set(int frame, bool withReport)
{
    if (frame < 0 || frame >= GetNOF())
        return;
    CXRect before = GetBoundingBox();
    if (IsVisible())
        Invalidate();
    currentFrame = frame;
    if (withReport)
        notify(NOTIFY_TICK);
    updateWithCurrentFrame();
    CXRect after = GetBoundingBox();
    if (IsVisible() && (after.left != before.left || after.top != before.top || after.right != before.right ||
                        after.bottom != before.bottom))
        Invalidate();
}

void CAnimo::SetFrame(int frame)
{
    if (frame < 0 || frame >= GetNOF())
        return;
    CXRect old(0, 0, 0, 0);
    if (owner() && GetFrame(currentFrame))
        old = GetBoundingBox();
    currentFrame = frame;
    takeFramePixels();
    CXPoint own = frames[size_t(frame)]->GetFramePosition();
    x = own.x;
    y = own.y;
    CXRect box = GetBoundingBox();
    if (!old.IsEmpty())
        box.Sum(old);
    if (IsVisible() && screen && !box.IsEmpty())
        screen->invalidateArea(&box);
}

void CAnimo::redraw(CGraphicsObject* target)
{
    CFrame* f = GetFrame(currentFrame);
    if (!f || !target)
        return;
    // Only the frame shown is held open.
    if (lastRefreshed && lastRefreshed != f)
        lastRefreshed->bringBackCompressed();
    // The frame is drawn in the animation's place and then put back as it
    // was, so that it keeps no pointer to the target.
    const CXRect savedClip = f->GetClippingRect();
    const CXRect placed = f->getRect();
    CGraphicsObject* savedDestiny = f->GetDestiny();
    f->SetClippingRect(clip);
    f->SetDestiny(target);
    f->CGraphicsObject::SetPosition(clampedSum(int64_t(globalX) + x), clampedSum(int64_t(globalY) + y));
    f->SetOpacity(opacity);
    f->Redraw();
    f->CGraphicsObject::SetPosition(placed.left, placed.top);
    f->SetClippingRect(savedClip);
    f->SetDestiny(savedDestiny);
    lastRefreshed = f;
    // Drawing opened the frame: its pixels moved.
    takeFramePixels();
}

// Playing

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
    if (event < 0 || event >= GetNOE() || eventInfo[size_t(event)]->frames.empty())
        return;
    _annEventInfo3* current = GetEventInfo(currentEvent);
    if (state == ANIMO_PLAYING &&
        ((animoFlags & ANIMO_NOT_INTERRUPTIBLE) || (current && (current->flags & EVENT_NOT_INTERRUPTIBLE))))
        return;
    if (current)
        current->loopCounter = 0;
    lastEvent = currentEvent = event;
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
