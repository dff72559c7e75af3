// The animation reader on arbitrary bytes, as a damaged ".ann" file of a
// title would present them, and what a loaded animation then does with
// them: every position of every event is shown and drawn (which opens
// packed frames and packs the previous one again), every event is played
// and stepped through forward and backward with the file's loops and
// flags, and the animation is written as "NVP" and read back, which must
// give the same frames and events. A file that does not load must leave
// no animation behind.
#include "../InputFile.h"
#include "base/FileStream.h"
#include "media/Animo.h"
#include "media/Frame.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// Whether every frame has the animation's depth: an "NVP" file keeps one
// depth, so only such an animation can come back whole.
bool oneDepth(CAnimo& a)
{
    for (int i = 0; i < a.GetNOF(); ++i)
        if (a.GetFrame(i)->GetBpp() != a.GetBpp())
            return false;
    return true;
}

// Each event played and stepped as the animation manager steps it, then
// backward from its start, and the first event's reversed twin. Streamed
// frame sounds would open files the input names: they are left out.
void play(CAnimo& a)
{
    a.SetAnimoFlags(a.GetAnimoFlags() & ~uint32_t(ANIMO_STREAMED_SOUNDS));
    for (int e = 0; e < std::min(a.GetNOE(), 16); ++e) {
        a.Play(_animoevent(e), 0, 15);
        for (int i = 0; i < 200 && a.isPlaying(); ++i)
            a.next();
        a.Stop();
        a.Play(_animoevent(e), -1, 15);
        for (int i = 0; i < 50 && a.isPlaying(); ++i)
            a.previous();
        a.Stop();
    }
    if (a.GetNOE() > 0)
        a.playReverse(a.GetEventName(0), 0);
    a.Stop();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> bytes(data, data + size);
    CFile_Stream in(bytes.empty() ? nullptr : bytes.data(), int(bytes.size()));
    CAnimo a(nullptr);
    a.Load(&in);
    if (a.LastError() != 0) {
        check(a.GetNOF() == 0 && a.GetNOE() == 0);
        return 0;
    }
    CGraphicsObject screen(nullptr, CXSize(64, 48), 16);
    a.SetDestiny(&screen);
    for (int e = 0; e < a.GetNOE(); ++e) {
        const int positions = std::min(a.GetEventInfo(e)->framesCount(), 64);
        for (int p = 0; p < positions; ++p) {
            a.SetEventFrame(e, p);
            a.Redraw();
        }
    }
    for (int f = 0; f < std::min(a.GetNOF(), 64); ++f) {
        a.Seek(f);
        a.Redraw();
    }
    play(a);
    if (!oneDepth(a) || !fuzzinput::write("saved.ann", nullptr, 0))
        return 0;
    const CXString name("F:\\saved.ann");
    check(a.Save(name, COMPRESSION_NONE) == 0);
    CAnimo b(nullptr);
    check(b.Load(name) == 0);
    check(b.GetNOF() == a.GetNOF() && b.GetNOE() == a.GetNOE());
    for (int i = 0; i < a.GetNOF(); ++i)
        check(b.GetFrame(i)->Size().cx == a.GetFrame(i)->Size().cx &&
              b.GetFrame(i)->Size().cy == a.GetFrame(i)->Size().cy &&
              b.GetFrame(i)->GetCompression() == a.GetFrame(i)->GetCompression());
    for (int e = 0; e < a.GetNOE(); ++e)
        check(b.GetEventInfo(e)->frames == a.GetEventInfo(e)->frames);
    return 0;
}
