#pragma once
// Animations built in memory and animation files built byte by byte, with
// the fixture of the media tests (engine window and application on the
// headless platform).
#include "MediaSupport.h"
#include "base/FileStream.h"
#include "media/Animo.h"
#include "media/Frame.h"

#include <cstring>
#include <string>

namespace mediatest {

// Little-endian bytes of a hand-made file.
struct Bytes {
    std::string s;
    Bytes& u8(unsigned v)
    {
        s += char(v & 0xFF);
        return *this;
    }
    Bytes& u16(unsigned v)
    {
        put16(s, v & 0xFFFF);
        return *this;
    }
    Bytes& u32(uint32_t v)
    {
        put32(s, v);
        return *this;
    }
    Bytes& raw(const std::string& b)
    {
        s += b;
        return *this;
    }
    // The text and zeros up to size bytes.
    Bytes& field(const std::string& text, size_t size)
    {
        std::string f = text.substr(0, size);
        f.resize(size, '\0');
        s += f;
        return *this;
    }
    Bytes& zeros(size_t n)
    {
        s.append(n, '\0');
        return *this;
    }
};

// A frame of w x h 16-bit pixels whose words count up from seed, with an
// alpha plane counting down from 255 when asked, at (x, y).
inline CFrame* plainFrame(CWindow* window, int w, int h, int x, int y, bool withAlpha, uint16_t seed)
{
    CFrame* f = new CFrame(window);
    f->SetBpp(16);
    f->setSize(CXSize(w, h));
    f->Alloc();
    uint16_t* words = reinterpret_cast<uint16_t*>(f->GetDataPtr());
    for (int i = 0; i < w * h; ++i)
        words[i] = uint16_t(seed + i);
    if (withAlpha) {
        char* plane = new char[size_t(w > 0 ? w : 0) * size_t(h > 0 ? h : 0)];
        for (int i = 0; i < w * h; ++i)
            plane[i] = char(255 - i);
        f->AlphaChannel(plane);
    }
    f->SetPosition(x, y);
    return f;
}

inline std::string pixelsOf(CGraphicsObject* g)
{
    const char* d = g->GetDataPtr();
    return d ? std::string(d, size_t(g->Width() * g->Height() * g->GetPixelSize())) : std::string();
}

inline std::string alphaOf(CGraphicsObject* g)
{
    const char* a = g->GetChannelAlpha();
    return a ? std::string(a, size_t(g->Width() * g->Height())) : std::string();
}

// An event named so, showing the given frames, with a default record per
// position.
inline void addEvent(CAnimo& a, const char* name, std::vector<uint16_t> frames)
{
    _annEventInfo3* e = new _annEventInfo3;
    e->setName(name);
    e->opacity = 255;
    e->frames = frames;
    std::vector<_anmFrameInfo3*> records;
    for (size_t i = 0; i < frames.size(); ++i)
        records.push_back(new _anmFrameInfo3);
    a.appendEvent(e, records);
}

// An "NVP" file of one frame of w x h pixels at (0, 0), stored in that
// kind with the given colour and alpha data, shown by one event.
inline std::string oneFrameFile(int w, int h, int kind, const std::string& colour, const std::string& alpha)
{
    Bytes b;
    b.raw(std::string("NVP", 4)).u16(1).u16(16).u16(1).zeros(13).u32(15).u32(0).u8(255).u16(0).zeros(10).u32(0).u32(0);
    b.field("a", 32).u16(1).zeros(12).u32(15).u32(0).u8(255).zeros(12).u16(0);
    b.zeros(12).u32(0xFFFFFFFF).zeros(8).u8(255).zeros(5);
    b.u16(uint16_t(w)).u16(uint16_t(h)).zeros(4).u16(uint16_t(kind)).u32(uint32_t(colour.size()));
    if (alpha.empty())
        b.u16(0).zeros(36);
    else
        b.u16(4).zeros(12).u32(uint32_t(alpha.size())).zeros(20);
    return b.raw(colour).raw(alpha).s;
}

// n frames of 2 x 2 pixels at (0, 0), frame i's words counting up from
// 0x100 x (i + 1).
inline void addFrames(CAnimo& a, CWindow* window, int n)
{
    for (int i = 0; i < n; ++i)
        a.appendFrame(plainFrame(window, 2, 2, 0, 0, false, uint16_t(0x100 * (i + 1))));
}

// What an animation reported, as text: "T<event>.<position>" for a tick
// (where it then stands), "S" started, "F" finished, "R" resumed, each
// followed by a blank; with a clock, each preceded by the milliseconds
// since its start and ":".
struct Steps : CPlayableObserver {
    explicit Steps(CAnimo& animation, platform::ManualClock* clock = nullptr)
        : a(animation), clock(clock), start(clock ? clock->tickCount() : 0)
    {
        a.addNotifier(this);
    }
    bool onPlayableStarted(CPlayable*) override { return add("S"); }
    bool onPlayableTick(CPlayable*) override
    {
        return add("T" + std::to_string(a.GetCurrentEvent()) + "." + std::to_string(a.GetCurrentFrameInSequence()));
    }
    bool onPlayableFinished(CPlayable*) override { return add("F"); }
    bool onPlayableResumed(CPlayable*) override { return add("R"); }
    bool add(const std::string& what)
    {
        if (clock)
            text += std::to_string(clock->tickCount() - start) + ":";
        text += what + " ";
        return false;
    }
    CAnimo& a;
    platform::ManualClock* clock;
    uint32_t start;
    std::string text;
};

// Reads an animation from bytes in memory; the animation's error code.
inline int loadBytes(CAnimo& a, const std::string& bytes)
{
    std::string copy(bytes);
    CFile_Stream in(copy.empty() ? nullptr : &copy[0], int(copy.size()));
    a.Load(&in);
    return a.LastError();
}

class AnimoFixture : public MediaFixture {
protected:
    // The bytes Save3 writes for the animation.
    std::string saved(CAnimo& a, _compression kind = COMPRESSION_NONE)
    {
        const std::string name = write("saved.ann", "");
        EXPECT_EQ(a.Save(CXString(name.c_str()), kind), 0);
        return tmp.read("saved.ann");
    }
};

} // namespace mediatest
