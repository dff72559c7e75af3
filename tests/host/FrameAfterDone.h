#pragma once
// The frame a title shows two frames after its scene's DONE became 1,
// compared with the pixels it should show: a feed for FeedInUse.
#include "graphics/ScreenSupport.h"
#include "platform/headless/Headless.h"
#include "script/Scene.h"
#include "ui/Unit6.h"

#include <functional>
#include <string>
#include <utility>

namespace testsupport {

struct FrameAfterDone {
    FrameAfterDone(std::function<uint32_t(int, int)> e, std::string n) : expected(std::move(e)), name(std::move(n)) {}

    std::function<uint32_t(int, int)> expected;
    std::string name;
    int after = 0;
    // "shown" once the frame equals the expected pixels, else what differs;
    // empty until the frame was looked at.
    std::string verdict;

    static void feed(platform::HeadlessPlatform& platform, uint64_t, void* data)
    {
        FrameAfterDone* s = static_cast<FrameAfterDone*>(data);
        CUnit6* unit = CUnit6::getDefUnit();
        CMC_Scene* scene = unit ? unit->getScene() : nullptr;
        CMC_Object* done = scene ? scene->getObject("DONE") : nullptr;
        if (!s->verdict.empty() || !done || done->toString() != "1" || ++s->after < 2)
            return;
        ::testing::AssertionResult r = screentest::frameIs(platform.shownFrame(0), s->expected, s->name);
        s->verdict = r ? "shown" : r.message();
    }
};

} // namespace testsupport
