#include "media/MoviePlayer.h"

#include "base/File.h"
#include "base/FileReport.h"
#include "graphics/Window.h"
#include "media/Sound4.h"
#include "platform/Platform.h"

namespace {
// The worker's sleep and the window timer's period, in milliseconds.
const uint32_t WORKER_PERIOD_MS = 10;
const unsigned int TIMER_PERIOD_MS = 40;
// Stream time units (100 ns) in a millisecond.
const int64_t UNITS_PER_MS = 10000;
} // namespace

CMoviePlayer::CMoviePlayer(CWindow* w)
    : CDirectDrawSurface(w), CPlayable(w), loopStart(0), loopEnd(0), frameReady(false), ended(false), fresh(false),
      ticks(0), timerId(0)
{
}

CMoviePlayer::CMoviePlayer(CWindow* w, const CXString& fileName) : CMoviePlayer(w) { load(fileName); }

CMoviePlayer::~CMoviePlayer()
{
    ended = false;
    endWorker();
    removeTimer();
    if (stream)
        stream->setRunning(false);
    close();
}

int CMoviePlayer::screenDepth()
{
    int depth = CPlayable::window ? CPlayable::window->GetBpp() : 0;
    return platform::Surface::isValidDepth(depth) ? depth : 16;
}

bool CMoviePlayer::createSurface(bool videoMemory)
{
    bpp = screenDepth();
    if (!create_surface(videoMemory))
        return false;
    platform::Platform* p = platform::currentPlatform();
    int error = 0;
    for (std::unique_ptr<platform::Surface>* s : {&decoded, &ready}) {
        *s = p ? p->display().createSurface(width, height, bpp, false, &error)
               : platform::Surface::create(width, height, bpp, &error);
        if (!*s) {
            setErrorCode(error);
            return false;
        }
    }
    return true;
}

bool CMoviePlayer::openMultimediaStream(const CXString& fileName)
{
    platform::Platform* p = platform::currentPlatform();
    if (!p)
        return false;
    // The sound track plays on the window's device, when there is one.
    stream = p->openVideo(fileName.c_str(), CSound4::CreatePrimarySoundBuffer(CPlayable::window));
    if (!stream) {
        const bool there = CFile::fileExists(fileName);
        CFileReport::failed(CPlayable::window, "video", fileName,
                            there ? "cannot be played: not a video that this build decodes" : "not found");
    }
    return stream != nullptr;
}

bool CMoviePlayer::prepareSurface()
{
    width = stream->width();
    height = stream->height();
    return createSurface(true);
}

void CMoviePlayer::close()
{
    ended = false;
    endWorker();
    removeTimer();
    stream.reset();
    SetDirectDrawSurfaceInterface(nullptr);
    width = height = 0;
    decoded.reset();
    ready.reset();
    frameReady = false;
    fresh = false;
    ticks = 0;
}

bool CMoviePlayer::load(CXString fileName)
{
    Invalidate();
    close();
    bool ok = openMultimediaStream(fileName) && prepareSurface();
    if (!ok)
        close();
    return ok;
}

void CMoviePlayer::seek(int64_t time)
{
    if (stream)
        stream->seek(time);
}

void CMoviePlayer::setLoop(int64_t startMs, int64_t endMs)
{
    loopStart = startMs * UNITS_PER_MS;
    loopEnd = endMs == -1 ? -1 : endMs * UNITS_PER_MS;
}

// A lost surface (a display mode change) is restored; it shows the next
// frame handed over.
void CMoviePlayer::takeNewestFrame()
{
    restoreIfLost();
    if (!fresh.exchange(false))
        return;
    std::lock_guard<std::mutex> g(readyLock);
    GetDirectDrawSurfaceInterface()->copyFast(0, 0, *ready, nullptr);
}

void CMoviePlayer::redraw(CGraphicsObject* target)
{
    if (!GetDirectDrawSurfaceInterface() || !target)
        return;
    takeNewestFrame();
    CXRect c = GetClippingRect();
    if (c.right <= c.left || c.bottom <= c.top)
        return;
    if (CDirectDrawSurface* surface = asSurface(target))
        surface->Blt(this, x + c.left, y + c.top, &c);
    else
        CGraphicsObject::redraw(target);
}

void CMoviePlayer::Redraw()
{
    if (destiny)
        redraw(destiny);
}

void CMoviePlayer::play()
{
    if (!stream) {
        stop(true);
        return;
    }
    stream->seek(0);
    stream->setRunning(true);
    endWorker();
    // What the last run left for the timer is not this run's.
    ended = false;
    frameReady = false;
    ticks = 0;
    removeTimer();
    if (CXTimer* timer = CPlayable::window ? CPlayable::window->GetTimerInterface() : nullptr) {
        timerId = CXTimer::freshId();
        timer->add(timerId, TIMER_PERIOD_MS, static_cast<CTimerNotificator*>(this));
    }
    startWorker();
    notify(NOTIFY_STARTED);
    Invalidate();
}

void CMoviePlayer::stop(bool notifyFinished)
{
    ended = false;
    endWorker();
    removeTimer();
    if (stream)
        stream->setRunning(false);
    if (notifyFinished)
        notify(NOTIFY_FINISHED);
}

void CMoviePlayer::pause()
{
    if (stream)
        stream->setRunning(false);
}

void CMoviePlayer::resume()
{
    if (stream)
        stream->setRunning(true);
}

bool CMoviePlayer::isPlaying() { return stream && stream->isRunning(); }

void CMoviePlayer::onTimer(int id)
{
    if (id != timerId)
        return;
    if (frameReady.exchange(false))
        Invalidate();
    for (int n = ticks.exchange(0); n > 0; --n)
        notify(NOTIFY_TICK);
    if (ended)
        stop(true);
}

void CMoviePlayer::removeTimer()
{
    if (!timerId)
        return;
    if (CXTimer* timer = CPlayable::window ? CPlayable::window->GetTimerInterface() : nullptr)
        timer->remove(timerId);
    timerId = 0;
}

void CMoviePlayer::startWorker()
{
    platform::Platform* p = platform::currentPlatform();
    pacer = p ? p->timers().makePacer(WORKER_PERIOD_MS)
              : std::unique_ptr<platform::ThreadPacer>(new platform::ThreadPacer(WORKER_PERIOD_MS));
    thread = std::thread([this] { worker(); });
}

void CMoviePlayer::endWorker()
{
    if (pacer)
        pacer->stop();
    if (thread.joinable())
        thread.join();
    pacer.reset();
}

void CMoviePlayer::worker()
{
    while (pacer->wait())
        if (!CPlayable::window || CPlayable::window->isActive())
            pass();
}

// One update of the stream. The end (or a failed update) of a running
// stream starts the movie again when it repeats, else marks it ended for
// the timer.
void CMoviePlayer::pass()
{
    if (decoded->isLost())
        decoded->restore();
    int result = stream->update(decoded.get());
    if (result == platform::VIDEO_END || result == platform::VIDEO_ERROR) {
        // A paused movie stands where it is, at its end too: it ends when
        // it runs on.
        if (!stream->isRunning())
            return;
        if (loopEnd == -1)
            stream->seek(0);
        else
            ended = true;
        frameReady = true;
        return;
    }
    int64_t end = loopEnd;
    if (end > 0 && stream->time() > end) {
        stream->seek(loopStart);
        result = stream->update(decoded.get());
    }
    if (result != platform::VIDEO_FRAME)
        return;
    {
        std::lock_guard<std::mutex> g(readyLock);
        std::swap(decoded, ready);
    }
    fresh = true;
    ++ticks;
    frameReady = true;
}
