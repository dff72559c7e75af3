#pragma once
// Animation, sound and sequence definition files written by the tests, a
// resources manager for the elements to share, and what playables report.
#include "AnimoSupport.h"
#include "base/ResourcesManager.h"
#include "base/XRandom.h"
#include "media/Animo6.h"
#include "media/MultimediaSequenceCreator.h"
#include "media/SequencedPlayable.h"
#include "media/Sound4.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace mediatest {

// Every report of every playable it is told of, as "S name" (started) or
// "F name" (finished), in order.
struct Named : CPlayableObserver {
    bool onPlayableStarted(CPlayable* p) override { return note("S ", p); }
    bool onPlayableFinished(CPlayable* p) override { return note("F ", p); }
    bool note(const char* what, CPlayable* p)
    {
        log.push_back(what + std::string(p->getName().c_str()));
        return false;
    }
    std::vector<std::string> taken()
    {
        std::vector<std::string> out;
        out.swap(log);
        return out;
    }
    std::vector<std::string> log;
};

class SequenceFixture : public AnimoFixture {
protected:
    void SetUp() override
    {
        AnimoFixture::SetUp();
        window->SetSoundFXPath(CXString(platform::toEnginePath(tmp.path()).c_str()));
        resources.reset(new CResourcesManager(window.get()));
        CXRandom::seed(7);
    }
    void TearDown() override
    {
        resources.reset();
        AnimoFixture::TearDown();
    }

    // An animation file of 2 x 2 frames whose events show the given
    // numbers of frames, one frame each, in order; returns its name.
    std::string animationFile(const std::string& name, const std::vector<std::pair<std::string, int>>& events)
    {
        CAnimo a(window.get());
        int frames = 0;
        for (const auto& e : events)
            frames += e.second;
        addFrames(a, window.get(), frames);
        uint16_t next = 0;
        for (const auto& e : events) {
            std::vector<uint16_t> shown;
            for (int i = 0; i < e.second; ++i)
                shown.push_back(next++);
            addEvent(a, e.first.c_str(), shown);
        }
        EXPECT_EQ(a.Save(CXString(write(name, "").c_str()), COMPRESSION_NONE), 0);
        return name;
    }
    // A sound file of that many milliseconds at 22050 Hz.
    std::string soundFile(const std::string& name, int ms)
    {
        write(name, pcmWav(ramp(22050 * ms / 1000)));
        return name;
    }
    // A sequence definition file: its engine name.
    std::string sequenceFile(const std::string& name, const std::string& text) { return write(name, text); }

    CPlayable* load(const std::string& file, CPlayableObserver* observer)
    {
        return CMultimediaSequenceCreator::load(window.get(), CXString(file.c_str()), resources.get(), observer);
    }
    static CSequencedPlayable* sequence(CPlayable* p)
    {
        return p && p->getType() == CSequencedPlayable::TYPE_SEQUENCE ? static_cast<CSequencedPlayable*>(p)
                                                                       : nullptr;
    }

    std::unique_ptr<CResourcesManager> resources;
};

} // namespace mediatest
