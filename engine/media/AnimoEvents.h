#pragma once
#include "base/XString.h"

#include <cstdint>
#include <optional>
#include <vector>

// An event of an animation, by its index.
typedef int _animoevent;

// Flags of an animation. The word an animation file stores keeps the
// drawable's own flags in bits 0-7 and these in bits 8-23.
enum {
    ANIMO_NOT_INTERRUPTIBLE = 0x40000, // while playing, Play of another event is ignored
    ANIMO_SOUND_GOES_ON = 0x80000,     // frame sounds go on after the animation stops
    ANIMO_NEW_FILE = 0x200000,         // read from an "NV+" or "NVP" file; written back as it is
    ANIMO_STREAMED_SOUNDS = 0x400000,  // frame sounds are streamed when their frame shows
    ANIMO_CHAIN_EVENTS = 0x800000      // at the end of an event, go on with the next one
};

// Flags of an event.
enum {
    EVENT_HIDE_AT_STOP = 0x100,
    EVENT_PING_PONG = 0x20000,         // at the loop end turn round and play backward
    EVENT_NOT_INTERRUPTIBLE = 0x40000,
    EVENT_SOUND_GOES_ON = 0x80000,
    EVENT_HOLD_WHILE_SOUND = 0x100000  // hold the loop while the frame sound plays
};

// An event: a named list of frame numbers (one per position) with its loop
// settings, rate, flags and opacity. A new record (__fill_event_info) has
// an empty name, no positions, loop fields 0, rate 15, flags 0 and every
// other field 0.
struct _annEventInfo3 {
    _annEventInfo3();

    int framesCount() const { return int(frames.size()); }
    // Stores the first 31 bytes of text, NUL-terminated.
    void setName(const char* text);

    char name[32];                // NUL-terminated
    std::vector<uint16_t> frames; // the frame number at each position
    uint16_t loopStart;           // first position of the loop
    uint16_t loopEnd;             // 0: the event does not loop
    uint16_t loopCount;           // 0: loops without end
    uint16_t loopCounter;         // passes made, as it stood when saved
    int32_t fps;
    uint32_t flags;
    uint8_t opacity;              // 255 opaque
    // Bytes 55 to 58 of the file's record: a 16-bit value and two reserved
    // bytes, kept and written back as they were read.
    uint16_t userWord;
    uint8_t reserved[2];
};

void __fill_event_info(_annEventInfo3* info);

// What a position of an event adds to its frame: an offset, an opacity,
// a name, a second text and a sound list (one sound file name, or several
// separated by ";"). The texts are absent or present (an empty text is
// present). A new record (__fill_frame_info) is all zero except the first
// int (-1) and the opacity (255).
struct _anmFrameInfo3 {
    _anmFrameInfo3();

    std::optional<CXString> frameName;
    std::optional<CXString> text;
    int16_t dx;
    int16_t dy;
    int32_t userInt1;             // -1 when new; carried unchanged
    std::optional<CXString> sounds;
    int32_t userInt2;             // 0 when new; carried unchanged
    uint8_t opacity;              // 255: take the event's
    uint8_t reserved;
};

void __fill_frame_info(_anmFrameInfo3* info);
