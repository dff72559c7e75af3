#pragma once
#include "base/XTimer.h"
#include "graphics/Surface.h"
#include "media/Playable.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {
class Surface;
class ThreadPacer;
class VideoStream;
} // namespace platform

// A video file played into a display surface (the player is one) that the
// screen refresh draws like any other drawable, with the file's sound
// through the window's sound device.
//
// A worker thread updates the platform's video stream every 10 ms while the
// window is active: each new frame goes into a surface of the worker's own
// and is then handed over, under a lock held only for that swap. Drawing
// (main thread) first takes the newest frame handed over into the
// drawable's pixels, so what is drawn is as new as the worker's last pass,
// as when the worker wrote into the drawn surface. The window's 40 ms
// timer, on the main thread, invalidates the drawable when frames came,
// raises a tick report for each of them, and turns the end of the movie
// into a finished report. Every report so stays on the main thread, and
// neither thread waits for the other's work. The worker is ended by
// stopping its pacer and joining it, never killed.
//
// Loop end: 0 or below plays once; -1 starts the movie again from the
// beginning each time it ends; above 0 plays from the loop start to the loop
// end over and over (stream time, 100 ns units).
class CMoviePlayer : public CDirectDrawSurface, public CPlayable, public CTimerNotificator {
public:
    explicit CMoviePlayer(CWindow* window);
    // Loads the file at once.
    CMoviePlayer(CWindow* window, const CXString& fileName);
    ~CMoviePlayer() override;
    CMoviePlayer(const CMoviePlayer&) = delete;
    CMoviePlayer& operator=(const CMoviePlayer&) = delete;

    // Makes the drawn surface and the worker's two of the drawable's size
    // in the depth of the window's screen; false (the error code set) when
    // it cannot.
    virtual bool createSurface(bool videoMemory);
    // Opens the file (a name in engine form, relative to the current
    // folder) through the platform, its sound on the window's device.
    virtual bool openMultimediaStream(const CXString& fileName);
    // The drawable takes the video's size and gets its surfaces.
    virtual bool prepareSurface();
    // Ends the worker and the timer entry, and releases the stream and the
    // surfaces.
    virtual void close();
    // Invalidates, closes and opens the file; false, without a stream,
    // when it cannot be played.
    virtual bool load(CXString fileName);
    virtual void seek(int64_t time);
    // In milliseconds; an end of -1 is kept as -1 (the whole movie
    // repeats), every other value scaled to stream time.
    virtual void setLoop(int64_t startMs, int64_t endMs);

    // Copies the clipping rectangle of the picture to the target (a display
    // surface; any other drawable is drawn into as drawables are) at the
    // drawable's position; nothing without a clipping rectangle (the screen
    // refresh sets one for what it redraws).
    void redraw(CGraphicsObject* target) override;
    void Redraw() override;

    // Without a stream: stops with a finished report. Otherwise plays from
    // the start, reporting started.
    void play() override;
    void play(const CXString&) override { play(); }
    void stop(bool notify) override;
    // The stream stands (the worker and the timer go on); a paused movie
    // never ends.
    void pause() override;
    void resume() override;
    bool isPlaying() override;
    // In stream time (100 ns units).
    void seek(int position) override { seek(int64_t(position)); }
    void onTimer(int id) override;

    // The drawable's position, whichever base is asked.
    void setPosition(int px, int py) override { SetPosition(px, py); }
    void setPosition(CXPoint p) override { SetPosition(p.x, p.y); }

    bool hasStream() const { return stream != nullptr; }
    int64_t getLoopStart() const { return loopStart; }
    int64_t getLoopEnd() const { return loopEnd; }

private:
    void startWorker();
    void endWorker();
    void worker();
    void pass();
    void removeTimer();
    int screenDepth();
    void takeNewestFrame();

    std::unique_ptr<platform::VideoStream> stream;
    std::atomic<int64_t> loopStart;
    std::atomic<int64_t> loopEnd;
    std::thread thread;
    std::unique_ptr<platform::ThreadPacer> pacer;
    // Set by the worker, read and cleared by the timer.
    std::atomic<bool> frameReady;
    std::atomic<bool> ended;
    // A frame was handed over that the drawn surface does not hold yet.
    std::atomic<bool> fresh;
    std::atomic<int> ticks;
    int timerId;

    // Beside the surface drawn (main thread): the worker's next frame
    // (worker) and the newest frame handed over (under readyLock).
    std::unique_ptr<platform::Surface> decoded;
    std::unique_ptr<platform::Surface> ready;
    std::mutex readyLock;
};
