// Lookups of an animation's events, positions and frames by number and by
// name, and the operations that edit its frames and events.
//
// Pieces the editing operations take out (and sounds they replace) are
// kept with the animation's pieces until those are freed: a copy that
// shares them may still hold them.
#include "media/Animo.h"
#include "media/Frame.h"
#include "media/Sound4.h"

#include <algorithm>
#include <utility>

namespace {

// The sound stops and is kept for the pieces to free.
void retire(CAnimoPieces& pieces, CSound4* sound)
{
    if (!sound)
        return;
    sound->stop(false);
    pieces.retiredSounds.push_back(sound);
}

} // namespace

CXString CAnimo::GetEventName(int event)
{
    _annEventInfo3* e = GetEventInfo(event);
    return e ? CXString(e->name) : CXString();
}

int CAnimo::GetNOFInEvent(int event)
{
    _annEventInfo3* e = GetEventInfo(event);
    return e ? e->framesCount() : 0;
}

int CAnimo::GetEventFrame(int event, int position)
{
    _annEventInfo3* e = GetEventInfo(event);
    if (!e || position < 0 || position >= e->framesCount())
        return -1;
    return e->frames[size_t(position)];
}

int CAnimo::GetFrameNo(int event, int position)
{
    switch (position) {
    case POSITION_LAST: return GetNOFInEvent(event) - 1;
    case POSITION_FIRST: return 0;
    case POSITION_CURRENT: return currentPosition;
    default: return position;
    }
}

int CAnimo::GetFrameNo(int event, const CXString& frameName)
{
    const int n = GetNOFInEvent(event);
    for (int p = 0; p < n; ++p) {
        _anmFrameInfo3* r = GetFrameInfo(event, p);
        if (r && r->frameName && *r->frameName == frameName)
            return p;
    }
    return -1;
}

CXString CAnimo::getFrameName(int event, int position)
{
    _anmFrameInfo3* r = GetFrameInfo(event, position == -1 ? currentPosition : position);
    return r && r->frameName ? *r->frameName : CXString();
}

CXString CAnimo::GetName(int event, int position, const CXString& fallback)
{
    _anmFrameInfo3* r = GetFrameInfo(event, position);
    if (r && r->frameName && r->frameName->IsString())
        return *r->frameName;
    if (fallback == "Default")
        return CXString().Format("Frame %d", position);
    return fallback;
}

int CAnimo::getFrameNo(const CXString& frameName)
{
    for (int e = 0; e < GetNOE(); ++e) {
        const auto& records = pieces->records[size_t(e)];
        for (size_t p = 0; p < records.size(); ++p)
            if (records[p]->frameName && records[p]->frameName->equalsIgnoreCase(frameName))
                return int(p);
    }
    return -1;
}

CFrame* CAnimo::getFrame(const CXString& frameName)
{
    for (int e = 0; e < GetNOE(); ++e) {
        const auto& records = pieces->records[size_t(e)];
        for (size_t p = 0; p < records.size(); ++p)
            if (records[p]->frameName && records[p]->frameName->equalsIgnoreCase(frameName))
                return GetFrame(GetEventFrame(e, int(p)));
    }
    return nullptr;
}

void CAnimo::SetEventFrame(const CXString& event, int position)
{
    const int index = resolveEventName(event);
    if (index >= 0)
        SetEventFrame(index, position);
}

int CAnimo::SetEventFrame(int event, const CXString& frameName)
{
    if (event == -1)
        event = currentEvent;
    const int n = event >= 0 ? GetNOFInEvent(event) : 0;
    for (int p = 0; p < n; ++p)
        if (GetName(event, p, CXString()).equalsIgnoreCase(frameName)) {
            SetEventFrame(event, p);
            return p;
        }
    return -1;
}

int CAnimo::GetLoop(_animoevent event, CXPoint& loop)
{
    _annEventInfo3* e = GetEventInfo(event);
    if (!e)
        return 0;
    loop = CXPoint(e->loopStart, e->loopEnd);
    return e->loopCount;
}

// Events

int CAnimo::AddEvent(_annEventInfo3* event)
{
    if (!event)
        return -1;
    _annEventInfo3* copy = new _annEventInfo3(*event);
    std::vector<_anmFrameInfo3*> records;
    for (int p = 0; p < copy->framesCount(); ++p)
        records.push_back(new _anmFrameInfo3);
    appendEvent(copy, std::move(records));
    return GetNOE() - 1;
}

void CAnimo::RemoveEvent(int event)
{
    if (event == -1)
        event = currentEvent;
    if (event < 0 || event >= GetNOE())
        return;
    CAnimoPieces& all = *pieces;
    const size_t at = size_t(event);
    all.retiredEvents.push_back(all.events[at]);
    all.events.erase(all.events.begin() + event);
    all.retiredRecords.insert(all.retiredRecords.end(), all.records[at].begin(), all.records[at].end());
    all.records.erase(all.records.begin() + event);
    if (at < all.sounds.size()) {
        for (CSound4* s : all.sounds[at])
            if (s)
                all.retiredSounds.push_back(s);
        all.sounds.erase(all.sounds.begin() + event);
    }
    if (currentEvent > event)
        --currentEvent;
}

void CAnimo::RemoveAllEvents()
{
    stopFrameSound();
    CAnimoPieces& all = *pieces;
    for (_annEventInfo3* e : all.events)
        delete e;
    for (auto& list : all.records)
        for (_anmFrameInfo3* r : list)
            delete r;
    for (auto& list : all.sounds)
        for (CSound4* s : list)
            retire(all, s);
    all.events.clear();
    all.records.clear();
    all.sounds.clear();
}

void CAnimo::UpdateSoundFX(int event, int position, CSound4* sound)
{
    if (event == -1)
        event = currentEvent;
    if (!GetEventInfo(event) || position < 0 || size_t(event) >= pieces->sounds.size())
        return;
    auto& sounds = pieces->sounds[size_t(event)];
    if (size_t(position) >= sounds.size())
        return;
    CSound4*& slot = sounds[size_t(position)];
    if (slot == currentSound)
        currentSound = nullptr;
    retire(*pieces, slot);
    slot = sound;
}

void CAnimo::ClearWAVEntry(int event, int position)
{
    if (_anmFrameInfo3* r = GetFrameInfo(event, position))
        r->sounds.reset();
}

// Frames

CFrame* CAnimo::AddFrame(CGraphicsObject* source)
{
    if (!source)
        return nullptr;
    CFrame* f = new CFrame(owner(), *source);
    appendFrame(f);
    return f;
}

bool CAnimo::RemoveFrame(int frame)
{
    if (frame < 0 || frame >= GetNOF())
        return false;
    for (_annEventInfo3* e : pieces->events)
        if (std::find(e->frames.begin(), e->frames.end(), uint16_t(frame)) != e->frames.end())
            return false;
    CFrame* gone = pieces->frames[size_t(frame)];
    pieces->retiredFrames.push_back(gone);
    pieces->frames.erase(pieces->frames.begin() + frame);
    for (_annEventInfo3* e : pieces->events)
        for (uint16_t& f : e->frames)
            if (f > frame)
                --f;
    if (lastRefreshed == gone)
        lastRefreshed = nullptr;
    if (currentFrame == frame) {
        currentFrame = -1;
        takeFramePixels();
    } else if (currentFrame > frame) {
        --currentFrame;
    }
    return true;
}

void CAnimo::RemoveFrame(int event, int position)
{
    if (event == -1)
        event = currentEvent;
    _annEventInfo3* e = GetEventInfo(event);
    if (!e || position < 0 || position >= e->framesCount())
        return;
    e->frames.erase(e->frames.begin() + position);
    auto& records = pieces->records[size_t(event)];
    if (size_t(position) < records.size()) {
        pieces->retiredRecords.push_back(records[size_t(position)]);
        records.erase(records.begin() + position);
    }
    if (size_t(event) < pieces->sounds.size()) {
        auto& sounds = pieces->sounds[size_t(event)];
        if (size_t(position) < sounds.size()) {
            if (sounds[size_t(position)])
                pieces->retiredSounds.push_back(sounds[size_t(position)]);
            sounds.erase(sounds.begin() + position);
        }
    }
}

void CAnimo::RemoveAllFrames(int event)
{
    if (event == -1)
        event = currentEvent;
    _annEventInfo3* e = GetEventInfo(event);
    if (!e)
        return;
    for (_anmFrameInfo3* r : pieces->records[size_t(event)])
        delete r;
    pieces->records[size_t(event)].clear();
    if (size_t(event) < pieces->sounds.size()) {
        for (CSound4*& s : pieces->sounds[size_t(event)]) {
            if (s == currentSound)
                currentSound = nullptr;
            retire(*pieces, s);
        }
        pieces->sounds[size_t(event)].clear();
    }
    e->frames.clear();
}

void CAnimo::ExchangeFrames(int event, int a, int b)
{
    if (event == -1)
        event = currentEvent;
    _annEventInfo3* e = GetEventInfo(event);
    const int n = e ? e->framesCount() : 0;
    if (a < 0 || b < 0 || a >= n || b >= n)
        return;
    std::swap(e->frames[size_t(a)], e->frames[size_t(b)]);
    auto& records = pieces->records[size_t(event)];
    if (size_t(a) < records.size() && size_t(b) < records.size())
        std::swap(records[size_t(a)], records[size_t(b)]);
    if (size_t(event) < pieces->sounds.size()) {
        auto& sounds = pieces->sounds[size_t(event)];
        if (size_t(a) < sounds.size() && size_t(b) < sounds.size())
            std::swap(sounds[size_t(a)], sounds[size_t(b)]);
    }
}

void CAnimo::Convert(int depth)
{
    // Packed frames keep their depth until they are opened.
    for (CFrame* f : pieces->frames)
        f->Convert(depth);
    takeFramePixels();
    bpp = depth;
}
