#pragma once
// For targets that play an animation: one written by the engine's own
// writer into the fuzz folder, frames of side x side pixels of 16 bits
// (frame i all of the word first + i), each event showing every frame.
#include "fuzz/InputFile.h"
#include "media/Animo.h"
#include "media/Frame.h"

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace fuzzinput {

// name: the file's name in the fuzz folder (F:\name).
inline bool writeAnimation(const char* name, int frames, int side, uint16_t first,
                           std::initializer_list<const char*> events)
{
    CAnimo a(nullptr);
    for (int i = 0; i < frames; ++i) {
        CFrame* f = new CFrame(nullptr);
        f->SetBpp(16);
        f->setSize(CXSize(side, side));
        f->Alloc();
        const uint16_t word = uint16_t(first + i);
        for (int p = 0; p < side * side; ++p)
            std::memcpy(f->GetDataPtr() + 2 * p, &word, 2);
        a.appendFrame(f);
    }
    for (const char* event : events) {
        _annEventInfo3* e = new _annEventInfo3;
        e->setName(event);
        std::vector<_anmFrameInfo3*> shown;
        for (int i = 0; i < frames; ++i) {
            e->frames.push_back(i);
            shown.push_back(new _anmFrameInfo3);
        }
        a.appendEvent(e, shown);
    }
    return write(name, nullptr, 0) && a.Save(CXString((std::string("F:\\") + name).c_str()), COMPRESSION_NONE) == 0;
}

} // namespace fuzzinput
