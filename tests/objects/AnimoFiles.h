#pragma once
// Animation files for the ANIMO tests and titles, built in memory from
// frames and events and written by the engine's own writer.
#include "media/AnimoSupport.h"
#include "media/Frame.h"

#include <string>
#include <vector>

namespace animotest {

// A frame of w x h pixels at (x, y) of its animation: one colour, or with
// count set the words seed, seed + 1, ... and alpha bytes 255, 254, ...
struct FrameSpec {
    int w, h, x, y;
    uint16_t colour;
    bool count = false;
};
// An event: its frames by position and the positions' frame names (null
// for a position without a name; the list may be shorter); a sound file
// on its first position when one is named.
struct EventSpec {
    const char* name;
    std::vector<uint16_t> frames;
    std::vector<const char*> names = {};
    const char* sound = nullptr;
};

inline CFrame* solidFrame(CWindow* window, const FrameSpec& s)
{
    if (s.count)
        return mediatest::plainFrame(window, s.w, s.h, s.x, s.y, true, s.colour);
    CFrame* f = mediatest::plainFrame(window, s.w, s.h, s.x, s.y, false, 0);
    uint16_t* words = reinterpret_cast<uint16_t*>(f->GetDataPtr());
    for (int i = 0; i < s.w * s.h; ++i)
        words[i] = s.colour;
    return f;
}

// Writes the animation file; false when the writer failed.
inline bool writeAnimation(CWindow* window, const std::string& path, const std::vector<FrameSpec>& frames,
                           const std::vector<EventSpec>& events)
{
    CAnimo a(window);
    for (const FrameSpec& s : frames)
        a.appendFrame(solidFrame(window, s));
    for (const EventSpec& e : events) {
        mediatest::addEvent(a, e.name, e.frames);
        const int index = a.GetNOE() - 1;
        for (size_t p = 0; p < e.names.size(); ++p)
            if (e.names[p])
                a.GetFrameInfo(index, int(p))->frameName = CXString(e.names[p]);
        if (e.sound)
            a.GetFrameInfo(index, 0)->sounds = CXString(e.sound);
    }
    return a.Save(CXString(platform::toEnginePath(path).c_str()), COMPRESSION_NONE) == 0;
}

// The animation most tests use ("hero.ann"):
// frame 0: 51 x 31 at (0, 0), words 0xFFFF, 0x0000, 0x0001, ... with
//          alpha 255, 254, ...;
// frames 1 to 7: 10 x 10 at (0, 0), frame 2 at (3, 4), each of one colour
//          0x0100 x frame.
// Events: 0 STAND [0] (sound "tone.wav"), 1 WALK [1 2 3] named "left", -,
// "Right", 2 JUMP [4 5 6 7], 3 RUN_REVERSE [3 2], 4 ONFOCUSON [5],
// 5 ONFOCUSOFF [6], 6 ONCLICK [7 7 7].
inline std::vector<FrameSpec> heroFrames()
{
    std::vector<FrameSpec> f = {{51, 31, 0, 0, 0xFFFF, true}};
    for (int i = 1; i < 8; ++i)
        f.push_back({10, 10, i == 2 ? 3 : 0, i == 2 ? 4 : 0, uint16_t(0x100 * i)});
    return f;
}
inline std::vector<EventSpec> heroEvents()
{
    return {{"STAND", {0}, {}, "tone.wav"},
            {"WALK", {1, 2, 3}, {"left", nullptr, "Right"}},
            {"JUMP", {4, 5, 6, 7}},
            {"RUN_REVERSE", {3, 2}},
            {"ONFOCUSON", {5}},
            {"ONFOCUSOFF", {6}},
            {"ONCLICK", {7, 7, 7}}};
}

} // namespace animotest
