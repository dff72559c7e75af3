#include "platform/headless/Headless.h"

#include "platform/Cp1250.h"
#include "platform/Debug.h"
#include "platform/ffmpeg/DecodedVideo.h"
#include "platform/print/PdfPrint.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {
using Guard = std::lock_guard<std::mutex>;
constexpr int WINDOWS = 2;
} // namespace

class HeadlessDisplay;
class HeadlessAudioDevice;

// What the platform and the objects it made share; it lives as long as the
// last of them.
class HeadlessState : public std::enable_shared_from_this<HeadlessState> {
public:
    std::mutex lock;

    int desktopDepth = 16;
    Point origins[WINDOWS] = {Point{0, 0}, Point{1024, 0}};
    bool secondWindow = true;
    bool refusedDepth[33] = {};
    bool noFlipChain = false;
    // The frame each window showed last: still only the front of the
    // primary that showed it while shownFront is set, else kept in shown.
    // It is copied out when read, or before that front changes or goes.
    std::unique_ptr<Surface> shown[WINDOWS];
    const Surface* shownFront[WINDOWS] = {};
    uint64_t shownCount[WINDOWS] = {};
    std::unique_ptr<HeadlessDisplay> display;

    bool audioAvailable = true;
    bool refusePrimary = false;
    bool capturing = false;
    std::vector<int16_t> captured;
    std::vector<HeadlessAudioDevice*> audioDevices;

    std::vector<std::pair<std::string, FakeVideo>> videos;

    bool printer = true;
    Size page{2480, 3508};
    bool takesPictures = true;
    bool toPdf = false;
    std::vector<PrintedDocument> documents;

    std::vector<std::pair<std::string, std::string>> messages;
    bool messagesToStderr = true;

    void frameShown(int window, const Surface& front)
    {
        Guard g(lock);
        shownFront[window] = &front;
        ++shownCount[window];
    }

    // The front is about to change or go: the frame shown, when it is still
    // only there, is copied out first.
    void keepShownFrame(int window, const Surface& front)
    {
        Guard g(lock);
        keepShownFrameLocked(window, &front);
    }

    const Surface* shownFrame(int window)
    {
        Guard g(lock);
        keepShownFrameLocked(window, shownFront[window]);
        return shown[window].get();
    }

private:
    void keepShownFrameLocked(int window, const Surface* front)
    {
        if (!front || shownFront[window] != front)
            return;
        shownFront[window] = nullptr;
        std::unique_ptr<Surface>& copy = shown[window];
        if (!copy || copy->width() != front->width() || copy->height() != front->height() ||
            copy->bitsPerPixel() != front->bitsPerPixel())
            copy = Surface::create(front->width(), front->height(), front->bitsPerPixel());
        if (copy)
            std::memcpy(copy->data(), front->data(), size_t(front->pitch()) * size_t(front->height()));
    }
};

class HeadlessPrimary : public Primary {
public:
    static std::unique_ptr<Primary> make(std::shared_ptr<HeadlessState> state, int window, Size size, int depth,
                                         Point origin, bool fullscreen, bool backBuffer, int* error)
    {
        std::unique_ptr<HeadlessPrimary> p(new HeadlessPrimary(std::move(state), window, size, depth, origin,
                                                               fullscreen));
        const bool made = p->allocateWithBackBuffer(backBuffer);
        if (error)
            *error = made ? DISPLAY_OK : DISPLAY_OUT_OF_MEMORY;
        return made ? std::unique_ptr<Primary>(p.release()) : nullptr;
    }
    ~HeadlessPrimary() override { state->keepShownFrame(window, *this); }

protected:
    // The frame shown stays in the front until it is read or the front
    // changes: a frame nobody reads is never copied.
    int show() override
    {
        state->frameShown(window, *this);
        return DISPLAY_OK;
    }
    void frontChanging() override { state->keepShownFrame(window, *this); }

private:
    HeadlessPrimary(std::shared_ptr<HeadlessState> s, int w, Size size, int depth, Point origin, bool fullscreen)
        : Primary(size.width, size.height, depth, origin, fullscreen), state(std::move(s)), window(w)
    {
    }
    std::shared_ptr<HeadlessState> state;
    int window;
};

class HeadlessDisplay : public Display {
public:
    explicit HeadlessDisplay(HeadlessState* s) : state(s) {}

    int desktopDepth() override
    {
        Guard g(state->lock);
        return state->desktopDepth;
    }

    std::unique_ptr<Primary> createWindowed(int window, Size clientSize, int* error) override
    {
        int depth;
        Point origin;
        {
            Guard g(state->lock);
            if (window < 0 || window >= WINDOWS || (window == 1 && !state->secondWindow))
                return fail(error, DISPLAY_UNAVAILABLE);
            depth = state->desktopDepth;
            origin = state->origins[window];
        }
        if (clientSize.width <= 0 || clientSize.height <= 0)
            return fail(error, DISPLAY_INVALID_PARAMS);
        std::unique_ptr<Primary> p =
            HeadlessPrimary::make(state->shared_from_this(), window, clientSize, depth, origin, false, false, error);
        track(p.get());
        return p;
    }

    std::unique_ptr<Primary> createFullscreen(Size size, int depth, bool pageFlipping, int* error) override
    {
        if (size.width <= 0 || size.height <= 0 || !Surface::isValidDepth(depth))
            return fail(error, DISPLAY_INVALID_PARAMS);
        bool chain;
        {
            Guard g(state->lock);
            if (state->refusedDepth[depth])
                return fail(error, DISPLAY_UNSUPPORTED_MODE);
            chain = pageFlipping && !state->noFlipChain;
        }
        std::unique_ptr<Primary> p =
            HeadlessPrimary::make(state->shared_from_this(), 0, size, depth, Point{0, 0}, true, chain, error);
        track(p.get());
        return p;
    }

    void loseAll() { surfaces->markAllLost(); }

private:
    static std::unique_ptr<Primary> fail(int* error, int code)
    {
        if (error)
            *error = code;
        return nullptr;
    }
    HeadlessState* state;
};

// Mixes as the clock advances: after t milliseconds in all, t x rate / 1000
// frames have been mixed, so the play cursors follow the clock without drift.
class HeadlessAudioDevice : public AudioDevice, private ClockListener {
public:
    HeadlessAudioDevice(std::shared_ptr<HeadlessState> s, ManualClock& c) : state(std::move(s)), clock(c)
    {
        {
            Guard g(state->lock);
            state->audioDevices.push_back(this);
        }
        clock.addListener(this);
    }
    ~HeadlessAudioDevice() override
    {
        clock.removeListener(this);
        Guard g(state->lock);
        auto& list = state->audioDevices;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }

    int setPrimaryFormat(const WaveFormat& format) override
    {
        {
            Guard g(state->lock);
            if (state->refusePrimary)
                return AUDIO_BAD_FORMAT;
        }
        Guard g(render);
        int code = AudioDevice::setPrimaryFormat(format);
        if (code == AUDIO_OK) {
            totalMs = 0;
            mixed = 0;
        }
        return code;
    }

private:
    void clockAdvanced(uint32_t, uint32_t elapsed) override
    {
        Guard g(render);
        totalMs += elapsed;
        uint64_t target = totalMs * mixer.outputRate() / 1000;
        while (mixed < target) {
            int n = int(std::min<uint64_t>(target - mixed, CHUNK));
            mixer.mix(block, n);
            mixed += uint64_t(n);
            Guard s(state->lock);
            if (state->capturing)
                state->captured.insert(state->captured.end(), block, block + 2 * n);
        }
    }

    enum { CHUNK = 1024 };
    std::shared_ptr<HeadlessState> state;
    ManualClock& clock;
    std::mutex render;
    uint64_t totalMs = 0;
    uint64_t mixed = 0;
    int16_t block[2 * CHUNK];

    friend class HeadlessPlatform;
};

// Solid frames; the stream time follows the clock while running.
class HeadlessVideoStream : public VideoStream {
public:
    HeadlessVideoStream(const FakeVideo& v, ManualClock& c)
        : video(v), timeline(c, int64_t(v.frames) * v.frameMs * 10000)
    {
    }

    int width() override { return video.width; }
    int height() override { return video.height; }
    int64_t duration() override { return timeline.duration(); }
    void setRunning(bool on) override { timeline.setRunning(on); }
    bool isRunning() override { return timeline.isRunning(); }
    bool seek(int64_t t) override
    {
        Guard g(lock);
        timeline.setTime(t);
        shownFrame = -1;
        return true;
    }
    int64_t time() override { return timeline.time(); }
    int update(Surface* target) override
    {
        Guard g(lock);
        if (!target || target->isLost() || target->width() != video.width || target->height() != video.height)
            return VIDEO_ERROR;
        int64_t t = timeline.time();
        if (t >= duration())
            return VIDEO_END;
        int64_t frame = video.frameMs ? t / (int64_t(video.frameMs) * 10000) : 0;
        if (frame == shownFrame)
            return VIDEO_NO_NEW_FRAME;
        uint32_t rgb = video.colours.empty() ? 0 : video.colours[size_t(frame) % video.colours.size()];
        if (target->fill(nullptr, Surface::fromRgb(rgb, target->bitsPerPixel())) != DISPLAY_OK)
            return VIDEO_ERROR;
        shownFrame = frame;
        return VIDEO_FRAME;
    }

private:
    FakeVideo video;
    VideoTimeline timeline;
    std::mutex lock;
    int64_t shownFrame = -1;
};

// Keeps the document as it is printed; it reaches the state when it ends
// (or when the job goes with a document still open).
class HeadlessPrintJob : public PrintJob {
public:
    HeadlessPrintJob(std::shared_ptr<HeadlessState> s, Size portrait, bool pictures)
        : state(std::move(s)), page(portrait), takesPictures(pictures)
    {
    }
    ~HeadlessPrintJob() override
    {
        if (inDocument)
            file();
    }
    bool setLandscape() override
    {
        if (!landscape)
            std::swap(page.width, page.height);
        landscape = true;
        return true;
    }
    Size pageSize() override { return page; }
    bool canStretchPictures() override { return takesPictures; }
    bool startDocument(const std::string& name) override
    {
        if (inDocument)
            return false;
        inDocument = true;
        doc = PrintedDocument();
        doc.name = name;
        doc.landscape = landscape;
        doc.pageSize = page;
        return true;
    }
    bool startPage() override
    {
        if (!inDocument || inPage)
            return false;
        inPage = true;
        doc.pages.emplace_back();
        return true;
    }
    bool stretchBgr24(const uint8_t* pixels, int width, int height, int stride, bool bottomUp, const Rect& dst,
                      bool halftone) override
    {
        if (!inPage || !takesPictures || !pixels || width <= 0 || height <= 0 || stride < width * 3 ||
            int64_t(width) * height > (int64_t(1) << 26))
            return false;
        PrintedPicture p;
        p.destination = dst;
        p.width = width;
        p.height = height;
        p.halftone = halftone;
        p.rgb.resize(size_t(width) * size_t(height));
        for (int y = 0; y < height; ++y) {
            const uint8_t* row = pixels + size_t(bottomUp ? height - 1 - y : y) * size_t(stride);
            for (int x = 0; x < width; ++x)
                p.rgb[size_t(y) * size_t(width) + size_t(x)] =
                    uint32_t(row[x * 3 + 2]) << 16 | uint32_t(row[x * 3 + 1]) << 8 | row[x * 3];
        }
        doc.pages.back().pictures.push_back(std::move(p));
        return true;
    }
    bool endPage() override
    {
        if (!inPage)
            return false;
        inPage = false;
        return true;
    }
    bool endDocument() override
    {
        if (!inDocument || inPage)
            return false;
        doc.ended = true;
        file();
        return true;
    }

private:
    void file()
    {
        inDocument = inPage = false;
        Guard g(state->lock);
        state->documents.push_back(std::move(doc));
    }
    std::shared_ptr<HeadlessState> state;
    Size page;
    bool takesPictures;
    bool landscape = false;
    bool inDocument = false, inPage = false;
    PrintedDocument doc;
};

HeadlessPlatform::HeadlessPlatform(ManualClock& c) : clock(c), state(std::make_shared<HeadlessState>()), periodic(c)
{
    state->display.reset(new HeadlessDisplay(state.get()));
}

HeadlessPlatform::~HeadlessPlatform() {}

namespace {
HeadlessPlatform::EventFeed eventFeed = nullptr;
void* eventFeedData = nullptr;
} // namespace

void HeadlessPlatform::setEventFeed(EventFeed feed, void* data)
{
    eventFeed = feed;
    eventFeedData = data;
}

bool HeadlessPlatform::readEvents(WindowProcedure*)
{
    ++pumped;
    if (eventFeed)
        eventFeed(*this, pumped, eventFeedData);
    return true;
}

Display& HeadlessPlatform::display() { return *state->display; }

std::unique_ptr<AudioDevice> HeadlessPlatform::createAudioDevice()
{
    {
        Guard g(state->lock);
        if (!state->audioAvailable)
            return nullptr;
    }
    return std::unique_ptr<AudioDevice>(new HeadlessAudioDevice(state, clock));
}

std::unique_ptr<VideoStream> HeadlessPlatform::openVideo(const std::string& enginePath, AudioDevice* audio)
{
    std::string wanted = upperCp1250(enginePath);
    {
        Guard g(state->lock);
        for (auto& v : state->videos)
            if (v.first == wanted)
                return std::unique_ptr<VideoStream>(new HeadlessVideoStream(v.second, clock));
    }
    return openDecodedVideo(enginePath, clock, audio);
}

std::unique_ptr<PrintJob> HeadlessPlatform::choosePrinter()
{
    Guard g(state->lock);
    if (!state->printer)
        return nullptr;
    if (state->toPdf)
        if (std::unique_ptr<PrintJob> pdf = createPdfPrintJob(state->page, PRINT_DOTS_PER_INCH))
            return pdf;
    return std::unique_ptr<PrintJob>(new HeadlessPrintJob(state, state->page, state->takesPictures));
}

int HeadlessPlatform::messageBox(const std::string& caption, const std::string& text)
{
    bool toStderr;
    {
        Guard g(state->lock);
        state->messages.push_back({caption, text});
        toStderr = state->messagesToStderr;
    }
    std::string line = "Quarnel: " + cp1250ToUtf8(caption) + ": " + cp1250ToUtf8(text) + "\n";
    OutputDebugString(line.c_str());
    if (toStderr)
        std::fputs(line.c_str(), stderr);
    return 1;
}

void HeadlessPlatform::setDesktopDepth(int bitsPerPixel)
{
    if (!Surface::isValidDepth(bitsPerPixel))
        return;
    Guard g(state->lock);
    state->desktopDepth = bitsPerPixel;
}

void HeadlessPlatform::setClientOrigin(int window, Point origin)
{
    if (window < 0 || window >= WINDOWS)
        return;
    Guard g(state->lock);
    state->origins[window] = origin;
}

void HeadlessPlatform::setSecondWindow(bool exists)
{
    Guard g(state->lock);
    state->secondWindow = exists;
}

void HeadlessPlatform::refuseFullscreenDepth(int bitsPerPixel, bool refuse)
{
    if (bitsPerPixel < 0 || bitsPerPixel > 32)
        return;
    Guard g(state->lock);
    state->refusedDepth[bitsPerPixel] = refuse;
}

void HeadlessPlatform::failFlipChain(bool fail)
{
    Guard g(state->lock);
    state->noFlipChain = fail;
}

void HeadlessPlatform::loseSurfaces() { state->display->loseAll(); }

const Surface* HeadlessPlatform::shownFrame(int window)
{
    if (window < 0 || window >= WINDOWS)
        return nullptr;
    return state->shownFrame(window);
}

uint64_t HeadlessPlatform::framesShown(int window)
{
    if (window < 0 || window >= WINDOWS)
        return 0;
    Guard g(state->lock);
    return state->shownCount[window];
}

void HeadlessPlatform::setAudioAvailable(bool available)
{
    Guard g(state->lock);
    state->audioAvailable = available;
}

void HeadlessPlatform::refusePrimaryFormat(bool refuse)
{
    Guard g(state->lock);
    state->refusePrimary = refuse;
}

void HeadlessPlatform::loseSoundBuffers()
{
    Guard g(state->lock);
    for (HeadlessAudioDevice* d : state->audioDevices)
        d->getMixer().markAllLost();
}

void HeadlessPlatform::captureAudio(bool on)
{
    Guard g(state->lock);
    state->capturing = on;
}

std::vector<int16_t> HeadlessPlatform::takeCapturedAudio()
{
    Guard g(state->lock);
    std::vector<int16_t> out;
    out.swap(state->captured);
    return out;
}

void HeadlessPlatform::addFakeVideo(const std::string& enginePath, const FakeVideo& video)
{
    Guard g(state->lock);
    state->videos.push_back({upperCp1250(enginePath), video});
}

void HeadlessPlatform::setPrinterAvailable(bool available)
{
    Guard g(state->lock);
    state->printer = available;
}

void HeadlessPlatform::setPageSize(Size portrait)
{
    if (portrait.width <= 0 || portrait.height <= 0)
        return;
    Guard g(state->lock);
    state->page = portrait;
}

void HeadlessPlatform::setPrinterTakesPictures(bool takes)
{
    Guard g(state->lock);
    state->takesPictures = takes;
}

void HeadlessPlatform::setPrintToPdf(bool on)
{
    Guard g(state->lock);
    state->toPdf = on;
}

std::vector<PrintedDocument> HeadlessPlatform::printedDocuments()
{
    Guard g(state->lock);
    return state->documents;
}

std::vector<std::pair<std::string, std::string>> HeadlessPlatform::messages()
{
    Guard g(state->lock);
    return state->messages;
}

void HeadlessPlatform::setMessagesToStandardError(bool on)
{
    Guard g(state->lock);
    state->messagesToStderr = on;
}

std::unique_ptr<Platform> createHeadlessPlatform(ManualClock& clock)
{
    // A title played without a display prints into the print folder.
    std::unique_ptr<HeadlessPlatform> made(new HeadlessPlatform(clock));
    made->setPrintToPdf(true);
    return made;
}

} // namespace platform
