#pragma once
#include "platform/Platform.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

// The headless backend: no window, no sound device, no printer, and a
// manual clock. Engine code reaches it only as a Platform; this header is
// for whoever drives a headless run (the tests) and injects what a real
// system would do:
// - display: the desktop depth, the client origins, full-screen depths that
//   are refused, a flipping chain that cannot be made, lost surfaces; every
//   frame shown (present, flip) is kept and can be read back or saved as a
//   PNG (Png.h);
// - audio: no device at all, a refused primary format, lost buffers; the
//   devices mix as the clock advances, ms x rate / 1000 frames at a time,
//   and the mixed stream can be captured;
// - input: through the devices' feed side (Input.h);
// - video: fake streams of solid frames, by file name; other files are
//   decoded (DecodedVideo.h), their stream time following the manual clock;
// - printing: a print sink that records the documents and their pages, or
//   writes them as PDF files;
// - message boxes: recorded, and written to standard error unless told not to.
// The clock outlives the platform and everything made from it.
namespace platform {

// A fake video: `frames` solid frames of frameMs each; frame i has the
// colour colours[i % count] (0x00RRGGBB; black when the list is empty).
struct FakeVideo {
    int width = 64;
    int height = 48;
    int frames = 10;
    uint32_t frameMs = 40;
    std::vector<uint32_t> colours;
};

// What the print sink kept.
struct PrintedPicture {
    Rect destination;
    int width = 0;
    int height = 0;
    bool halftone = false;
    std::vector<uint32_t> rgb; // 0x00RRGGBB, top row first
};
struct PrintedPage {
    std::vector<PrintedPicture> pictures;
};
struct PrintedDocument {
    std::string name;
    bool landscape = false;
    Size pageSize;
    std::vector<PrintedPage> pages;
    bool ended = false;
};

class HeadlessState;

class HeadlessPlatform : public Platform {
public:
    explicit HeadlessPlatform(ManualClock& clock);
    ~HeadlessPlatform() override;

    const char* name() const override { return "headless"; }
    Display& display() override;
    Input& input() override { return devices; }
    std::unique_ptr<AudioDevice> createAudioDevice() override;
    PeriodicTimers& timers() override { return periodic; }
    std::unique_ptr<VideoStream> openVideo(const std::string& enginePath, AudioDevice* audio) override;
    std::unique_ptr<PrintJob> choosePrinter() override;
    int messageBox(const std::string& caption, const std::string& text) override;

    // Display. The desktop depth (15, 16 or 32; 16 at first).
    void setDesktopDepth(int bitsPerPixel);
    // The screen position of a window's client area ((0, 0) and (1024, 0)
    // at first).
    void setClientOrigin(int window, Point origin);
    // Whether the second window (of the secondary display) exists (it does).
    void setSecondWindow(bool exists);
    // Full screen at this depth is refused (DISPLAY_UNSUPPORTED_MODE).
    void refuseFullscreenDepth(int bitsPerPixel, bool refuse);
    // A flipping chain cannot be made: full screen falls back to a plain primary.
    void failFlipChain(bool fail);
    // Every surface and primary made so far is lost.
    void loseSurfaces();
    // A copy of the last frame the window showed, or null before the first.
    // Valid until the next frame shown.
    const Surface* shownFrame(int window);
    uint64_t framesShown(int window);

    // Audio. Without a device createAudioDevice answers null.
    void setAudioAvailable(bool available);
    // setPrimaryFormat answers AUDIO_BAD_FORMAT whatever the format.
    void refusePrimaryFormat(bool refuse);
    // Every buffer of every device is lost.
    void loseSoundBuffers();
    // Keeps what the devices mix (16-bit stereo frames), from now on.
    void captureAudio(bool on);
    std::vector<int16_t> takeCapturedAudio();

    // Video: openVideo of this name (engine form, any letter case) opens a
    // fake stream.
    void addFakeVideo(const std::string& enginePath, const FakeVideo& video);

    // Printing. No printer: choosePrinter answers null (as it does when the
    // user cancels).
    void setPrinterAvailable(bool available);
    // The portrait page size (2480 x 3508, A4 at 300 dpi, at first).
    void setPageSize(Size portrait);
    void setPrinterTakesPictures(bool takes);
    // Instead of recording, each document is rendered into a PDF file of
    // the page size at PRINT_DOTS_PER_INCH and left in the print folder
    // (PdfPrint.h); off at first, on for a platform made by
    // createHeadlessPlatform (the host's). Without a PDF writer in the
    // build the documents are recorded all the same.
    void setPrintToPdf(bool on);
    std::vector<PrintedDocument> printedDocuments();

    // Message boxes shown so far: caption and text.
    std::vector<std::pair<std::string, std::string>> messages();
    void setMessagesToStandardError(bool on);

    // The events of a run that drives itself (the host's loop pumps the
    // events between frames): the feed installed here gets the platform and
    // the number of the pass, from 1, and may feed the devices or post
    // window messages. Process-wide; null (at first) feeds nothing.
    using EventFeed = void (*)(HeadlessPlatform& platform, uint64_t pass, void* data);
    static void setEventFeed(EventFeed feed, void* data);

protected:
    bool readEvents(WindowProcedure* procedure) override;

private:
    uint64_t pumped = 0;
    ManualClock& clock;
    std::shared_ptr<HeadlessState> state;
    Input devices;
    PeriodicTimers periodic;
};

} // namespace platform
