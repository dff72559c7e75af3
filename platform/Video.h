#pragma once
#include "platform/Clock.h"
#include "platform/Display.h"

#include <cstdint>
#include <mutex>

namespace platform {

// A video file opened for playing into a surface, as the movie player
// uses DirectShow's multimedia stream: open, run, stop, seek,
// read the stream time, and copy the current frame into a surface. A
// backend opens it (Platform::openVideo); the file's sound plays through
// the audio device given there, while the stream runs.
//
// Times are in 100-nanosecond units from the start of the movie. The stream
// time moves while the stream runs, with the clock (Clock.h), and stands
// while it is stopped. The end is where the last frame ends; the duration
// is what the file tells of it. Calls may come from the main thread and
// one worker thread at once.
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

// The stream time of a video as the streams keep it: it moves with a clock
// while running and stands while stopped, from 0 up to the duration (when
// the duration is known, that is not negative). Thread-safe.
class VideoTimeline {
public:
    VideoTimeline(Clock& clock, int64_t duration) : clock(clock), length(duration) {}

    void setRunning(bool on);
    bool isRunning();
    // Moves the time, clamped to 0 .. duration.
    void setTime(int64_t t);
    int64_t time();
    int64_t duration() const { return length; }

private:
    int64_t timeLocked();
    int64_t clamped(int64_t t) const;

    Clock& clock;
    const int64_t length;
    std::mutex lock;
    bool running = false;
    int64_t base = 0;   // the time when it last started, stopped or moved
    uint32_t since = 0; // the clock's tick then
};

} // namespace platform
