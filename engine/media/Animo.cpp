// The animation as a drawable: its pieces, which frame it shows and where,
// and how it draws. Playing is in AnimoPlay.cpp, the lookups and editing
// operations in AnimoEdit.cpp, the file in AnimoFile.cpp.
#include "media/Animo.h"

#include "graphics/PixelBlock.h"
#include "graphics/RefreshScreen.h"
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

CAnimoPieces::~CAnimoPieces()
{
    for (CFrame* f : frames)
        delete f;
    for (_annEventInfo3* e : events)
        delete e;
    for (auto& list : records)
        for (_anmFrameInfo3* r : list)
            delete r;
    for (auto& list : sounds)
        for (CSound4* s : list)
            delete s;
    for (CFrame* f : retiredFrames)
        delete f;
    for (_annEventInfo3* e : retiredEvents)
        delete e;
    for (_anmFrameInfo3* r : retiredRecords)
        delete r;
    for (CSound4* s : retiredSounds)
        delete s;
}

CAnimo::CAnimo(CWindow* w) : CGraphicsObject(w), CPlayable(w) { construct(); }

CAnimo::CAnimo(CWindow* w, const CXString& fileName) : CGraphicsObject(w), CPlayable(w)
{
    construct();
    setFilename(fileName);
    Load(fileName);
}

CAnimo::CAnimo(CAnimo& source) : CGraphicsObject(source.owner()), CPlayable(source.owner())
{
    construct();
    pieces = source.pieces;
    ownsData = false;
    author = source.author;
    description = source.description;
    currentFrame = source.currentFrame;
    currentEvent = source.currentEvent;
    currentPosition = source.currentPosition;
    lastEvent = source.lastEvent;
    globalX = source.globalX;
    globalY = source.globalY;
    state = source.state;
    status = source.status;
    direction = source.direction;
    fps = source.fps;
    animoFlags = source.animoFlags;
    loadAtStart = source.loadAtStart;
    randomFrames = source.randomFrames;
    filterKind = source.filterKind;
    filter = source.filter;
    changeFilterKind = source.changeFilterKind;
    changeFilter = source.changeFilter;
    // The drawable's place and looks.
    anchorX = source.anchorX;
    anchorY = source.anchorY;
    clip = source.clip;
    flags = source.flags;
    opacity = source.opacity;
    CGraphicsObject::visible = source.CGraphicsObject::visible;
    CGraphicsObject::name = source.CGraphicsObject::name;
    compression = source.compression;
    bpp = source.bpp;
    // The playable's file.
    setFilename(source.getFileName());
    toRelease(source.releaseAfterUse());
    if (source.isLoaded())
        CFileResolver::load();
    takeFramePixels();
    x = source.x;
    y = source.y;
}

void CAnimo::construct()
{
    pieces = std::make_shared<CAnimoPieces>();
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
    // A watched animation that goes without being unwatched must not be
    // measured again.
    if (CCollisionInspectorIfc* inspector = owner() ? owner()->getCollisionInspectorIfc() : nullptr)
        inspector->removeMonitoredObject(this);
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
    // The pieces go with the last animation that holds them.
    pieces = std::make_shared<CAnimoPieces>();
    ownsData = true;
    currentFrame = -1;
    currentEvent = currentPosition = 0;
    lastRefreshed = nullptr;
    takeFramePixels();
    CFileResolver::release();
}

CFrame* CAnimo::GetFrame(int index)
{
    return index >= 0 && index < GetNOF() ? pieces->frames[size_t(index)] : nullptr;
}

_annEventInfo3* CAnimo::GetEventInfo(int event)
{
    if (event == -1)
        event = currentEvent;
    return event >= 0 && event < GetNOE() ? pieces->events[size_t(event)] : nullptr;
}

_anmFrameInfo3* CAnimo::GetFrameInfo(int event, int position)
{
    if (event == -1)
        event = currentEvent;
    if (!GetEventInfo(event) || position < 0)
        return nullptr;
    const auto& records = pieces->records[size_t(event)];
    return size_t(position) < records.size() ? records[size_t(position)] : nullptr;
}

CSound4* CAnimo::getSoundFX(int event, int position)
{
    if (event == -1)
        event = currentEvent;
    if (!GetEventInfo(event) || position < 0 || pieces->sounds.empty())
        return nullptr;
    const auto& sounds = pieces->sounds[size_t(event)];
    return size_t(position) < sounds.size() ? sounds[size_t(position)] : nullptr;
}

void CAnimo::appendFrame(CFrame* frame)
{
    if (frame)
        pieces->frames.push_back(frame);
}

void CAnimo::appendEvent(_annEventInfo3* event, std::vector<_anmFrameInfo3*> records)
{
    if (!event)
        return;
    pieces->events.push_back(event);
    pieces->records.push_back(std::move(records));
    if (!pieces->sounds.empty())
        pieces->sounds.emplace_back(event->frames.size(), nullptr);
}

int CAnimo::resolveEventName(const CXString& event)
{
    for (int i = 0; i < GetNOE(); ++i)
        if (CXString(pieces->events[size_t(i)]->name).equalsIgnoreCase(event))
            return i;
    return -1;
}

int CAnimo::getFirstEvent()
{
    for (int i = 0; i < GetNOE(); ++i)
        if (!pieces->events[size_t(i)]->frames.empty())
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

CXPoint CAnimo::GetPosition()
{
    CFrame* f = GetFrame(currentFrame);
    if (!f)
        return CXPoint(globalX, globalY);
    CXPoint own = f->GetFramePosition();
    CXPoint off = recordOffset();
    return CXPoint(clampedSum(int64_t(globalX) + own.x + off.x), clampedSum(int64_t(globalY) + own.y + off.y));
}

CXPoint CAnimo::ClientCoords(CXPoint p)
{
    return CXPoint(clampedSum(int64_t(p.x) - globalX - x), clampedSum(int64_t(p.y) - globalY - y));
}

CXPoint CAnimo::getCurrFramePosition()
{
    CFrame* f = GetFrame(currentFrame);
    return f ? f->GetFramePosition() : CXPoint(0, 0);
}

CXRect CAnimo::GetBoundingBox()
{
    CFrame* f = GetFrame(currentFrame);
    if (!f)
        return CXRect(0, 0, 0, 0);
    const CXPoint at = GetPosition();
    CXRect box(at.x, at.y, clampedSum(int64_t(at.x) + f->Width()), clampedSum(int64_t(at.y) + f->Height()));
    // The clipping rectangle is in the frame's own pixels.
    if (!clip.IsEmpty())
        box = box.Common(clip + at);
    return box;
}

char* CAnimo::GetDataPtr()
{
    CFrame* f = GetFrame(currentFrame);
    return f ? f->GetDataPtr() : nullptr;
}

CGraphicsObject* CAnimo::getDrawn() { return GetFrame(currentFrame); }

unsigned char CAnimo::GetPixel(_channel channel, CXPoint p)
{
    CFrame* f = lastRefreshed ? lastRefreshed : GetFrame(currentFrame);
    return f ? f->GetPixel(channel, p) : 0;
}

// Through the frame: a copy that shares it may have packed it since this
// animation took its pixels.
CColor CAnimo::GetPixel(int px, int py)
{
    CFrame* f = GetFrame(currentFrame);
    return f ? f->GetPixel(px, py) : CGraphicsObject::GetPixel(-1, -1);
}

CXPoint CAnimo::getCenterPoint()
{
    CFrame* f = GetFrame(0);
    return f ? f->getCenterPoint() : CXPoint(0, 0);
}

bool CAnimo::isInside(int px, int py, bool pixelExact)
{
    CFrame* f = GetFrame(currentFrame);
    return f && f->CGraphicsObject::isInside(px, py, pixelExact);
}

void CAnimo::invalidateBox(const CXRect& box)
{
    if (IsVisible() && screen && hasArea(box)) {
        CXRect area(box);
        screen->invalidateArea(&area);
    }
}

void CAnimo::SetEventFrame(int event, int position)
{
    if (event == -1)
        event = currentEvent;
    if (position == -1)
        position = 0;
    _annEventInfo3* e = GetEventInfo(event);
    if (!e || position < 0 || position >= e->framesCount())
        return;
    // Invalidate tells the screen of the box too.
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
    if (IsVisible() && GetBoundingBox() != before)
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
    CXPoint own = pieces->frames[size_t(frame)]->GetFramePosition();
    x = own.x;
    y = own.y;
    CXRect box = GetBoundingBox();
    if (!old.IsEmpty())
        box.Sum(old);
    invalidateBox(box);
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
    const CXPoint at = GetPosition();
    f->SetClippingRect(clip);
    f->SetDestiny(target);
    f->CGraphicsObject::SetPosition(at.x, at.y);
    f->SetOpacity(opacity);
    f->Redraw();
    f->CGraphicsObject::SetPosition(placed.left, placed.top);
    f->SetClippingRect(savedClip);
    f->SetDestiny(savedDestiny);
    lastRefreshed = f;
    // Drawing opened the frame: its pixels moved.
    takeFramePixels();
}

// Positions

void CAnimo::SetGlobalPosition(int px, int py)
{
    globalX = clampedSum(int64_t(px) - anchorX);
    globalY = clampedSum(int64_t(py) - anchorY);
    reportPosition();
}

void CAnimo::SetPosition(int px, int py)
{
    for (CFrame* f : pieces->frames)
        f->SetPosition(px, py);
    updateWithCurrentFrame();
    reportPosition();
}

void CAnimo::Move(int dx, int dy)
{
    CXRect box = GetBoundingBox();
    globalX = clampedSum(int64_t(globalX) + dx);
    globalY = clampedSum(int64_t(globalY) + dy);
    CXRect after = GetBoundingBox();
    if (!hasArea(box))
        box = after;
    else if (hasArea(after))
        box.Sum(after);
    invalidateBox(box);
    reportPosition();
}

// Visibility

void CAnimo::setVisibility(bool on)
{
    if (on)
        show();
    else
        hide();
}

void CAnimo::show()
{
    if (!isLoaded() && getFileName().IsString())
        Load(getFileName());
    Visible(true);
}

// Hidden first, so that the screen repaints where the frame was before the
// frames are freed.
void CAnimo::hide()
{
    Visible(false);
    if (releaseAfterUse())
        Flush();
}

void CAnimo::alwaysOnTop()
{
    if (CRefreshScreen* refresh = owner() ? owner()->GetRefreshScreenInterface() : nullptr)
        refresh->SetFlags(this, 1);
}

void CAnimo::withdraw(CWindow*)
{
    Visible(false);
    if (CRefreshScreen* refresh = owner() ? owner()->GetRefreshScreenInterface() : nullptr)
        *refresh >> this;
}
