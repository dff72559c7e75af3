#pragma once
// WAV files made by the tests, and an engine window with an application on
// the headless platform, whose manual clock moves the mixer and the refill
// timers.
#include "base/File.h"
#include "graphics/Window.h"
#include "media/Playable.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/headless/Headless.h"
#include "script/Application.h"
#include "script/Scene.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace mediatest {

inline void put16(std::string& out, uint32_t v)
{
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}
inline void put32(std::string& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A chunk: id, size, body and the pad byte after an odd body.
inline std::string chunk(const char* id, const std::string& body)
{
    std::string out(id, 4);
    put32(out, uint32_t(body.size()));
    out += body;
    if (body.size() & 1)
        out += '\0';
    return out;
}

inline std::string fmtBody(int tag, int channels, uint32_t rate, int bits)
{
    std::string b;
    int align = channels * bits / 8;
    put16(b, uint32_t(tag));
    put16(b, uint32_t(channels));
    put32(b, rate);
    put32(b, rate * uint32_t(align));
    put16(b, uint32_t(align));
    put16(b, uint32_t(bits));
    return b;
}

// "RIFF", size, "WAVE" and the chunks.
inline std::string riff(const std::string& chunks)
{
    std::string out("RIFF");
    put32(out, uint32_t(4 + chunks.size()));
    return out + "WAVE" + chunks;
}

inline std::string samples16(const std::vector<int16_t>& s)
{
    std::string out;
    for (int16_t v : s)
        put16(out, uint16_t(v));
    return out;
}

// A PCM WAV of 16-bit samples, mono at 22050 Hz unless told otherwise.
inline std::string pcmWav(const std::vector<int16_t>& s, int channels = 1, uint32_t rate = 22050)
{
    return riff(chunk("fmt ", fmtBody(1, channels, rate, 16)) + chunk("data", samples16(s)));
}

// n mono samples that differ from their neighbours and are never 0.
inline std::vector<int16_t> ramp(int n, int seed = 1)
{
    std::vector<int16_t> s(size_t(n > 0 ? n : 0));
    for (int i = 0; i < n; ++i)
        s[size_t(i)] = int16_t(((i * 37 + seed * 101) % 20000) + 100);
    return s;
}

// The left channel of a captured stereo stream.
inline std::vector<int16_t> left(const std::vector<int16_t>& stereo)
{
    std::vector<int16_t> out;
    for (size_t i = 0; i + 1 < stereo.size(); i += 2)
        out.push_back(stereo[i]);
    return out;
}

// What a playable reported, in order: 1 started, 3 finished, 4 resumed,
// each with the clock's tick.
struct Reports : CPlayableObserver {
    bool onPlayableStarted(CPlayable*) override { return add(1); }
    bool onPlayableFinished(CPlayable*) override { return add(3); }
    bool onPlayableResumed(CPlayable*) override { return add(4); }
    bool add(int code)
    {
        codes.push_back(code);
        ticks.push_back(platform::GetTickCount());
        return false;
    }
    std::vector<int> codes;
    std::vector<uint32_t> ticks;
};

// The headless platform on a manual clock, an engine window (which makes
// the sound device) and an application (with its sound manager).
class MediaFixture : public ::testing::Test {
protected:
    void SetUp() override { start(); }
    void TearDown() override { finish(); }

    // The window takes the temp folder as its root path.
    void start(bool withApplication = true)
    {
        EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
        window.reset(new CWindow(nullptr, nullptr, nullptr, CXSize(800, 600), nullptr, "", true));
        window->OnActivateApp(true);
        if (withApplication)
            application.reset(new CApplication(window.get(), "", "", nullptr));
    }
    // A default screen unit a scene made for this window goes with it.
    void finish()
    {
        application.reset();
        CMC_Scene::doneDefUnit();
        window.reset();
    }

    // The engine name of a file written into the temp folder.
    std::string write(const std::string& name, const std::string& bytes)
    {
        tmp.write(name, bytes);
        return platform::toEnginePath(tmp.file(name));
    }
    // Frames of the window, each after the clock moved by ms.
    void frames(int n, uint32_t ms = 16)
    {
        for (int i = 0; i < n; ++i) {
            clockNow.advance(ms);
            window->domodal();
        }
    }

    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ManualClock clockNow{1000};
    platform::ScopedClock clockInUse{&clockNow};
    platform::HeadlessPlatform headless{clockNow};
    platform::ScopedPlatform platformInUse{&headless};
    std::unique_ptr<CWindow> window;
    std::unique_ptr<CApplication> application;
};

} // namespace mediatest
