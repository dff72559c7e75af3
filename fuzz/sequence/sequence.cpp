// Sequence definition text of arbitrary bytes, as a damaged sequence file
// of a title would present it: read into a tree of playables over the
// animation and sound files beside it ("A.ANN" with events "1", "T_1",
// "T_START" and "T_END"; "B.WAV"); a tree that came of it is played as it
// is and with parameters taken from the input, paused, resumed, sought,
// moved, hidden and stepped through the window's frames, then stopped and
// deleted, and the shared animations and sounds go with their manager.
// A file that gives no playable must leave none behind.
#include "fuzz/AnimationFile.h"
#include "fuzz/InputFile.h"
#include "base/ResourcesManager.h"
#include "graphics/Window.h"
#include "media/Animo.h"
#include "media/Frame.h"
#include "media/MultimediaSequenceCreator.h"
#include "media/SequencedPlayable.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/Platform.h"
#include "script/Application.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace {

void put16(std::string& s, uint32_t v)
{
    s += char(v & 0xFF);
    s += char((v >> 8) & 0xFF);
}

void put32(std::string& s, uint32_t v)
{
    put16(s, v & 0xFFFF);
    put16(s, v >> 16);
}

// 50 ms of a 22050 Hz mono PCM sound.
std::string wav()
{
    std::string data;
    for (int i = 0; i < 1102; ++i)
        put16(data, uint32_t(i * 37 % 20000 + 100));
    std::string fmt;
    put16(fmt, 1);
    put16(fmt, 1);
    put32(fmt, 22050);
    put32(fmt, 44100);
    put16(fmt, 2);
    put16(fmt, 16);
    std::string body = "WAVEfmt ";
    put32(body, uint32_t(fmt.size()));
    body += fmt + "data";
    put32(body, uint32_t(data.size()));
    body += data;
    std::string out = "RIFF";
    put32(out, uint32_t(body.size()));
    return out + body;
}

void frames(CWindow& window, platform::ManualClock& clock, int n)
{
    for (int i = 0; i < n; ++i) {
        clock.advance(40);
        window.domodal();
    }
}

void play(CPlayable* root, CWindow& window, platform::ManualClock& clock, const uint8_t* data, size_t size)
{
    root->play();
    frames(window, clock, 8);
    root->pause();
    frames(window, clock, 2);
    root->resume();
    root->getPlaying();
    root->move(3, -2);
    root->hide();
    root->show();
    root->seek(CPlayable::SEEK_NEXT);
    frames(window, clock, 8);
    for (size_t i = 0; i < size && i < 4; ++i) {
        root->stop(i % 2 == 0);
        root->setParameter(CXString(std::string(reinterpret_cast<const char*>(data) + i, size - i < 3 ? size - i : 3).c_str()));
        root->play();
        frames(window, clock, 6);
    }
    if (root->getType() == CSequencedPlayable::TYPE_SEQUENCE) {
        CSequencedPlayable* s = static_cast<CSequencedPlayable*>(root);
        s->getLastPlayedEvent(CXString());
        s->getLastPlayedEvent(CXString("T"));
        s->getBoundingBox(2);
        delete s->getAllAnimations();
        delete s->getAllOfType(CSequencedPlayable::TYPE_SEQUENCE);
        s->get(CXString("E"));
    }
    root->stop(true);
    frames(window, clock, 2);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool media = fuzzinput::write("B.WAV", reinterpret_cast<const uint8_t*>(wav().data()), wav().size()) &&
                              // Two frames of 2 x 2 pixels and four events of both.
                              fuzzinput::writeAnimation("A.ANN", 2, 2, 0, {"1", "T_1", "T_START", "T_END"});
    if (!media || !fuzzinput::write("ROOT.SEQ", data, size))
        return 0;
    // Only the file's drive: nothing the input names reaches another.
    platform::unmapDrive('C');
    if (!platform::setCurrentDirectory("F:\\"))
        return 0;
    platform::ManualClock clock(1000);
    platform::ScopedClock scopedClock(&clock);
    std::unique_ptr<platform::Platform> headless = platform::createHeadlessPlatform(clock);
    platform::ScopedPlatform scopedPlatform(headless.get());
    CWindow window(nullptr, nullptr, nullptr, CXSize(800, 600), nullptr, CXString("F:\\"), true);
    window.OnActivateApp(true);
    window.SetSoundFXPath(CXString("F:\\"));
    CApplication application(&window, CXString(), CXString(), nullptr);
    std::unique_ptr<CResourcesManager> resources(new CResourcesManager(&window));
    CPlayableObserver observer;
    CPlayable* root = CMultimediaSequenceCreator::load(&window, CXString("F:\\ROOT.SEQ"), resources.get(), &observer);
    if (root)
        play(root, window, clock, data, size);
    delete root;
    resources.reset();
    return 0;
}
