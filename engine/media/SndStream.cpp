#include "media/SndStream.h"

#include "graphics/Window.h"
#include "media/AnimoEventPlayable.h"
#include "media/Sound4.h"
#include "media/StreamedWAV.h"
#include "platform/Debug.h"
#include "platform/Platform.h"
#include "script/ScriptApplication.h"

#include <chrono>
#include <cstring>
#include <thread>

namespace {
const uint32_t REFILL_PERIOD_MS = 50;
const uint32_t REFILL_RESOLUTION_MS = 10;
const int BUSY_POLL_MS = 100;

// Set while any stream's refill runs, so that refills never nest.
std::atomic<bool> refillGuard{false};
// Loop reports of the refill thread, waiting for the main thread.
std::atomic<int> pendingLoops{0};
} // namespace

CSndStream::CSndStream(CWindow* w)
    : window(w), opened(false), playing(false), timerRunning(false), busy(0), timerId(0), timers(nullptr),
      primary(nullptr), buffer(nullptr), reader(nullptr), foundEnd(false), donePlaying(false), looped(false),
      progress(0), bufferSize(0), bytesRemaining(0), nextWriteOffset(0)
{
    primary = CSound4::CreatePrimarySoundBuffer(window);
}

CSndStream::CSndStream(CWindow* w, const CXString& name, const CXString& shown) : CSndStream(w)
{
    shownName = shown;
    Open(name);
}

// A stream opened again while it played may have lost its buffer, which
// Stop and Close look for: its timer goes all the same.
CSndStream::~CSndStream()
{
    Stop();
    Close();
    killTimer();
    takeBusy();
    delete reader;
    reader = nullptr;
    buffer = nullptr;
    releaseBusy();
}

bool CSndStream::Open(const CXString& name)
{
    if (StreamBufferSetup(name)) {
        opened = true;
        if (buffer)
            buffer->setCurrentPosition(0);
    }
    return opened;
}

bool CSndStream::StreamBufferSetup(const CXString& name)
{
    takeBusy();
    delete reader;
    buffer = nullptr;
    reader = new CStreamedWAV(window, name, &buffer, &format, shownName);
    bool ok = reader->LastError() == 0;
    if (ok) {
        bufferSize = reader->getBufferSize();
        foundEnd = false;
        donePlaying = false;
        bytesRemaining = 0;
        FillDataBuffer();
    } else {
        setErrorCode(reader->LastError());
        delete reader;
        reader = nullptr;
        buffer = nullptr;
    }
    releaseBusy();
    return ok;
}

void CSndStream::silence(uint8_t* part, uint32_t length)
{
    std::memset(part, format.bitsPerSample == 8 ? 0x80 : 0, length);
}

uint32_t CSndStream::readRewinding(uint8_t* part, uint32_t length, uint32_t have, bool* wrapped)
{
    *wrapped = false;
    while (have < length && reader) {
        reader->StartRead();
        int got = reader->Read(int(length - have), part + have);
        if (got <= 0)
            break;
        *wrapped = true;
        have += uint32_t(got);
    }
    return have;
}

void CSndStream::FillDataBuffer()
{
    nextWriteOffset = 0;
    progress = 0;
    void* part = nullptr;
    uint32_t length = 0;
    if (!buffer || buffer->lock(0, 0, &part, &length, nullptr, nullptr, true) != platform::AUDIO_OK)
        return;
    uint8_t* bytes = static_cast<uint8_t*>(part);
    silence(bytes, length);
    int got = reader ? reader->Read(int(length), bytes) : 0;
    bool wrapped = false;
    if (uint32_t(got) < length)
        readRewinding(bytes, length, uint32_t(got), &wrapped);
    buffer->unlock(part, length, nullptr, 0);
}

void CSndStream::Play(bool loop)
{
    if (!buffer)
        return;
    buffer->setCurrentPosition(0);
    looped = loop;
    if (!timerRunning) {
        platform::Platform* p = platform::currentPlatform();
        timers = p ? &p->timers() : nullptr;
        busy.store(0);
        timerId = timers ? timers->start(REFILL_PERIOD_MS, REFILL_RESOLUTION_MS, &CSndStream::TimeFunc, this) : 0;
        timerRunning = timerId != 0;
    }
    // Without its refill the buffer would repeat its first 1.2 seconds.
    if (!timerRunning) {
        playing = false;
        platform::OutputDebugString("sound stream: no refill timer, the stream does not play");
        return;
    }
    buffer->play(true);
    playing = true;
}

void CSndStream::killTimer()
{
    if (!timerRunning)
        return;
    if (timers)
        timers->kill(timerId);
    timerRunning = false;
}

// After the timer is killed no new refill starts; one that started before
// holds the flag until it is done.
void CSndStream::takeBusy()
{
    while (busy.exchange(1) == 1)
        std::this_thread::sleep_for(std::chrono::milliseconds(BUSY_POLL_MS));
}

void CSndStream::Stop()
{
    if (!buffer)
        return;
    donePlaying = true;
    if (timerRunning) {
        killTimer();
        takeBusy();
        releaseBusy();
    }
    if (playing) {
        playing = false;
        buffer->stop();
    }
}

void CSndStream::Close()
{
    if (!buffer || !opened)
        return;
    donePlaying = true;
    killTimer();
    takeBusy();
    if (playing) {
        playing = false;
        buffer->stop();
    }
    delete reader;
    reader = nullptr;
    buffer = nullptr;
    opened = false;
    releaseBusy();
}

void CSndStream::Resume()
{
    if (!reader)
        return;
    takeBusy();
    long position = reader->getPosition();
    foundEnd = false;
    donePlaying = false;
    bytesRemaining = 0;
    bufferSize = reader->getBufferSize();
    reader->setPosition(position > 2L * bufferSize ? position - 2L * bufferSize : 0);
    FillDataBuffer();
    releaseBusy();
    Play(false);
}

void CSndStream::ResetWavePlayer()
{
    if (!buffer)
        return;
    takeBusy();
    if (reader)
        reader->StartRead();
    foundEnd = false;
    bytesRemaining = 0;
    FillDataBuffer();
    donePlaying = false;
    releaseBusy();
}

void CSndStream::setVolume(int v)
{
    if (buffer)
        buffer->setVolume(v);
}

void CSndStream::setPan(int p)
{
    if (buffer)
        buffer->setPan(p);
}

void CSndStream::setFreq(int f)
{
    if (buffer && f >= 0)
        buffer->setFrequency(uint32_t(f));
}

int CSndStream::getVolume()
{
    int v = 0;
    if (buffer)
        buffer->getVolume(&v);
    return v;
}

void CSndStream::loopStarted() { pendingLoops.fetch_add(1); }

void CSndStream::SWStartRead()
{
    if (reader)
        reader->StartRead();
}

void CSndStream::SWClose()
{
    if (reader)
        reader->Close();
}

int CSndStream::SWRead(int count, unsigned char* destination)
{
    return reader ? reader->Read(count, destination) : 0;
}

void CSndStream::raiseLoopReports(CWindow* w)
{
    for (int n = pendingLoops.exchange(0); n > 0; --n) {
        CMC_Scene* scene = CSceneAnimoLink::currentScene(w);
        if (scene)
            scene->onSignal(CXString("ONMUSICLOOPED"));
    }
}

void CSndStream::dropLoopReports() { pendingLoops.store(0); }

void CSndStream::TimeFunc(uint32_t, void* user)
{
    if (refillGuard.exchange(true))
        return;
    CSndStream* s = static_cast<CSndStream*>(user);
    if (s->busy.exchange(1) == 0) {
        s->refill();
        s->releaseBusy();
    }
    refillGuard.store(false);
}

void CSndStream::fillPart(uint8_t* part, uint32_t length, uint32_t cursor)
{
    if (donePlaying) {
        silence(part, length);
        return;
    }
    int got = reader ? reader->Read(int(length), part) : 0;
    uint32_t have = got > 0 ? uint32_t(got) : 0;
    if (have == length)
        return;
    if (!looped) {
        silence(part + have, length - have);
        foundEnd = true;
        int next = nextWriteOffset;
        int ahead = next - int(cursor);
        bytesRemaining = int(cursor) > next ? ahead + bufferSize : ahead;
        return;
    }
    bool wrapped = false;
    readRewinding(part, length, have, &wrapped);
    if (wrapped)
        loopStarted();
}

// Writes what was played since the last refill: the region from the next
// write offset up to the play cursor.
void CSndStream::refill()
{
    if (!buffer)
        return;
    bool lost = false;
    if (buffer->status() & platform::SOUND_LOST) {
        if (buffer->restore() != platform::AUDIO_OK)
            return;
        lost = true;
    }
    uint32_t cursor = 0;
    buffer->getCurrentPosition(&cursor, nullptr);
    const int next = nextWriteOffset;
    if (int(cursor) == next && !lost)
        return;
    // Past the end every refill silences what was played, the last of the
    // file included, so that the buffer loops silence until it is stopped.
    if (foundEnd && bytesRemaining == 0)
        donePlaying = true;
    int played = int(cursor) >= next ? int(cursor) - next : bufferSize - next + int(cursor);
    int toWrite = lost ? bufferSize * 2 / 6 : played;
    progress += played;
    if (foundEnd) {
        int left = bytesRemaining;
        bytesRemaining = played > left ? 0 : left - played;
    }
    void* part1 = nullptr;
    void* part2 = nullptr;
    uint32_t length1 = 0, length2 = 0;
    if (buffer->lock(uint32_t(next), uint32_t(toWrite), &part1, &length1, &part2, &length2) != platform::AUDIO_OK) {
        platform::OutputDebugString("TimeFunc() could not lock DirectSoundBuffer");
        return;
    }
    if (foundEnd) {
        silence(static_cast<uint8_t*>(part1), length1);
        if (part2)
            silence(static_cast<uint8_t*>(part2), length2);
    } else {
        fillPart(static_cast<uint8_t*>(part1), length1, cursor);
        if (part2 && length2)
            fillPart(static_cast<uint8_t*>(part2), length2, cursor);
    }
    buffer->unlock(part1, length1, part2, length2);
    int advanced = next + toWrite;
    nextWriteOffset = advanced >= bufferSize ? advanced - bufferSize : advanced;
}
