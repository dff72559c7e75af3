#pragma once
#include "platform/Display.h"

#include <cstdint>

namespace platform {

// A video file opened for playing into a surface, as the movie player
// uses DirectShow's multimedia stream: open, run, stop, seek,
// read the stream time, and copy the current frame into a surface. A
// backend opens it (Platform::openVideo); the file's sound, when the
// backend plays it, goes through the backend's audio.
//
// Times are in 100-nanosecond units from the start of the movie. The stream
// time moves while the stream runs, with the clock (Clock.h), and stands
// while it is stopped. Calls may come from the main thread and one worker
// thread at once.
enum VideoResult : int {
    VIDEO_FRAME = 0,        // a new frame was copied into the surface
    VIDEO_NO_NEW_FRAME = 1, // the surface already holds the frame of this time
    VIDEO_END = 2,          // the stream time is at or past the end: nothing copied
    VIDEO_ERROR = -1        // the surface is lost, null or of another size; or decoding failed
};

class VideoStream {
public:
    virtual ~VideoStream() {}
    // The frame size in pixels.
    virtual int width() = 0;
    virtual int height() = 0;
    // The length, or -1 when the file does not tell.
    virtual int64_t duration() = 0;
    virtual void setRunning(bool running) = 0;
    virtual bool isRunning() = 0;
    // Moves the stream time (clamped to 0 .. duration); false when the
    // stream cannot seek.
    virtual bool seek(int64_t time) = 0;
    virtual int64_t time() = 0;
    // Copies the frame of the current stream time into the surface at
    // (0, 0), converted to its depth. The surface must have the stream's
    // size.
    virtual int update(Surface* target) = 0;
};

} // namespace platform
