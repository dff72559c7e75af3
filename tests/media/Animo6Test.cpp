// The scene animation: what its definition element loads and shows, its
// release after use, the animation records make, sharing one animation
// through the resources manager, and what it passes on to every frame.
#include "AnimoSupport.h"
#include "graphics/RefreshScreen.h"
#include "graphics/ValidationQuene.h"
#include "media/Animo6.h"
#include "script/Element.h"

#include <gtest/gtest.h>

using namespace mediatest;

namespace {

class CAnimo6Test : public AnimoFixture {
protected:
    // "door.ann": an event without frames, then "open" showing frames 0
    // and 1 (3 x 2 at (1, 1), 5 x 4 at (0, 0)).
    std::string doorFile()
    {
        CAnimo a(window.get());
        a.appendFrame(plainFrame(window.get(), 3, 2, 1, 1, true, 0x100));
        a.appendFrame(plainFrame(window.get(), 5, 4, 0, 0, false, 0x200));
        addEvent(a, "empty", {});
        addEvent(a, "open", {0, 1});
        const std::string name = write("door.ann", "");
        EXPECT_EQ(a.Save(CXString(name.c_str()), COMPRESSION_NONE), 0);
        return name;
    }
    // A record with the keys that are given (null: absent).
    std::unique_ptr<CMElement> element(const std::string& file, const char* preload, const char* visible,
                                       const char* release)
    {
        std::unique_ptr<CMElement> e(new CMElement("DOOR"));
        e->addProperty("TYPE", "ANIMO");
        e->addProperty("FILENAME", file.c_str());
        if (preload)
            e->addProperty("PRELOAD", preload);
        if (visible)
            e->addProperty("VISIBLE", visible);
        if (release)
            e->addProperty("RELEASEAFTERUSE", release);
        return e;
    }
};

// What an element's keys load and show, and what show and hide do then:
// "PRELOAD" loads unless it says otherwise, "VISIBLE" hides unless it says
// so, "RELEASEAFTERUSE" frees the frames at every hide, and the next show
// loads the file again from the first event that has frames.
TEST_F(CAnimo6Test, PreloadVisibleAndReleaseAfterUse)
{
    const std::string file = doorFile();
    struct Case {
        const char* preload;
        const char* visible;
        const char* release;
        bool loadedAtFirst, visibleAtFirst, keptWhenHidden;
    } cases[] = {
        {nullptr, nullptr, nullptr, true, false, true},
        {"", "TRUE", "FALSE", true, true, true},
        {"true", "false", nullptr, true, false, true},
        {"FALSE", "TRUE", nullptr, false, true, true},
        {"FALSE", nullptr, "TRUE", false, false, false},
        {"TRUE", "TRUE", "TRUE", true, true, false},
        {"no", "yes", "TRUE", false, false, false},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.preload ? c.preload : "-") + " " + (c.visible ? c.visible : "-") +
                                 " " + (c.release ? c.release : "-");
        std::unique_ptr<CMElement> e = element(file, c.preload, c.visible, c.release);
        CAnimo6 a(window.get(), e.get());
        EXPECT_EQ(a.getFileName(), CXString(file.c_str())) << what;
        EXPECT_EQ(a.isLoaded(), c.loadedAtFirst) << what;
        EXPECT_EQ(a.GetNOF(), c.loadedAtFirst ? 2 : 0) << what;
        EXPECT_EQ(a.IsVisible(), c.visibleAtFirst) << what;
        EXPECT_EQ(a.isVisible(), c.visibleAtFirst) << what;
        EXPECT_EQ(a.releaseAfterUse(), c.release && CXString(c.release).toBool()) << what;

        a.show();
        EXPECT_TRUE(a.isLoaded()) << what;
        EXPECT_TRUE(a.IsVisible()) << what;
        EXPECT_EQ(a.GetCurrentEvent(), 1) << what;
        a.Play(CXString("open"), 1, 15);
        a.hide();
        EXPECT_FALSE(a.IsVisible()) << what;
        EXPECT_EQ(a.isLoaded(), c.keptWhenHidden) << what;
        EXPECT_EQ(a.GetNOF(), c.keptWhenHidden ? 2 : 0) << what;
        a.setVisibility(true);
        EXPECT_EQ(a.GetNOF(), 2) << what;
        EXPECT_EQ(a.GetCurrentFrameInSequence(), c.keptWhenHidden ? 1 : 0) << what;
    }
}

// Hiding an animation that is released after use repaints where it stood
// before its frames go.
TEST_F(CAnimo6Test, HidingRepaintsWhereItStood)
{
    ASSERT_EQ(window->CreateSurface(nullptr), 0);
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    std::unique_ptr<CMElement> e = element(doorFile(), nullptr, "TRUE", "TRUE");
    CAnimo6 a(window.get(), e.get());
    screen->put(&a, 0);
    a.SetGlobalPosition(10, 20);
    screen->validate();
    a.hide();
    EXPECT_EQ(a.GetNOF(), 0);
    ASSERT_EQ(screen->getRefreshList()->getSize(), 1);
    EXPECT_EQ(*screen->getRefreshList()->rectAt(0), CXRect(11, 21, 14, 23));
}

// An animation record makes a scene animation of its file, shown as the
// record says; one without a file name makes nothing.
TEST_F(CAnimo6Test, AnimationRecordsMakeSceneAnimations)
{
    const std::string file = doorFile();
    for (const char* visible : {"TRUE", "FALSE"}) {
        std::unique_ptr<CMElement> e = element(file, "FALSE", visible, nullptr);
        std::unique_ptr<CPlayable> p(CMElementCreator::createPlayable(window.get(), e.get()));
        ASSERT_NE(p, nullptr);
        EXPECT_EQ(p->getType(), CAnimo::TYPE_ANIMATION);
        CAnimo6* a = static_cast<CAnimo6*>(p.get());
        EXPECT_EQ(a->getGfxType(), CAnimo6::GFX_TYPE);
        EXPECT_EQ(a->GetNOF(), 2);
        EXPECT_EQ(a->isVisible(), CXString(visible).toBool());
    }
    std::unique_ptr<CMElement> nameless = element("", nullptr, nullptr, nullptr);
    EXPECT_EQ(CMElementCreator::createPlayable(window.get(), nameless.get()), nullptr);
}

// Scene animations of one file share one loaded animation through the
// resources manager; it leaves the screen and goes with its last user.
TEST_F(CAnimo6Test, SharedThroughTheResourcesManager)
{
    ASSERT_EQ(window->CreateSurface(nullptr), 0);
    CRefreshScreen* screen = window->GetRefreshScreenInterface();
    const std::string file = doorFile();
    CResourcesManager resources(window.get());
    CAnimo6* first = CAnimo6::fromResources(&resources, window.get(), CXString(file.c_str()), false);
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->isLoaded());
    first->show();
    screen->put(first, 5);
    CAnimo6* second = CAnimo6::fromResources(&resources, window.get(), CXString(file.c_str()), true);
    EXPECT_EQ(second, first);
    EXPECT_EQ(CAnimo6::fromResources(&resources, window.get(), CXString(""), true), nullptr);
    EXPECT_EQ(CAnimo6::fromResources(nullptr, window.get(), CXString(file.c_str()), true), nullptr);

    EXPECT_FALSE(resources.remove(first));
    EXPECT_EQ(screen->GetPriority(first), 5);
    EXPECT_TRUE(resources.remove(first));
    EXPECT_EQ(screen->getRefreshQuene()->getSize(), 0);

    // A name registered for something else gives no animation and keeps
    // its users as they were.
    CAnimo* other = new CAnimo(window.get());
    other->setFilename("other.ann");
    resources.add(other);
    EXPECT_EQ(CAnimo6::fromResources(&resources, window.get(), CXString("OTHER.ANN"), true), nullptr);
    EXPECT_TRUE(resources.remove(other));
}

// Flips, packing and colour replacement reach every frame; the sizes, the
// rectangle, isAt and isPlaying answer for the current frame and event.
TEST_F(CAnimo6Test, WhatItPassesOnToEveryFrame)
{
    CAnimo6 a(window.get(), CXString(doorFile().c_str()));
    EXPECT_EQ(a.GetMaxWidth(), 5);
    EXPECT_EQ(a.GetMaxHeight(), 4);
    CAnimo6 none(window.get());
    EXPECT_EQ(none.GetMaxWidth(), 0);
    EXPECT_EQ(none.GetMaxHeight(), 0);
    EXPECT_FALSE(none.isAt(CXPoint(0, 0), false));

    const std::string before0 = pixelsOf(a.GetFrame(0)), before1 = pixelsOf(a.GetFrame(1));
    a.FlipV();
    EXPECT_NE(pixelsOf(a.GetFrame(0)), before0);
    EXPECT_NE(pixelsOf(a.GetFrame(1)), before1);
    a.resetFlips();
    EXPECT_EQ(pixelsOf(a.GetFrame(0)), before0);
    EXPECT_EQ(pixelsOf(a.GetFrame(1)), before1);
    a.replace_color(0x100, 0x7FFF);
    a.replace_color(0x200, 0x7FFF);
    EXPECT_EQ(a.GetFrame(0)->GetPixel(0, 0).getPixel() & 0xFFFF, 0x7FFFu);
    EXPECT_EQ(a.GetFrame(1)->GetPixel(0, 0).getPixel() & 0xFFFF, 0x7FFFu);
    a.GetFrame(0)->Compress(COMPRESSION_RLE2);
    a.unpack();
    EXPECT_EQ(a.GetFrame(0)->GetCompression(), COMPRESSION_NONE);
    a.pack(true);
    EXPECT_EQ(a.GetFrame(0)->GetCompression(), COMPRESSION_RLE2);

    a.SetGlobalPosition(100, 50);
    a.SetEventFrame(1, 0);
    EXPECT_EQ(a.getRect(), CXRect(101, 51, 104, 53));
    // isAt takes the frame in its own place; its alpha counts down from
    // 255 to 250 over its six pixels, so none is transparent.
    EXPECT_TRUE(a.isAt(CXPoint(1, 1), true));
    EXPECT_FALSE(a.isAt(CXPoint(101, 51), true));
    EXPECT_EQ(a.ClientCoords(CXPoint(102, 52)), CXPoint(1, 1));

    EXPECT_FALSE(a.isPlaying("open"));
    a.Play(CXString("OPEN"), 0, 15);
    EXPECT_TRUE(a.isPlaying("open"));
    EXPECT_FALSE(a.isPlaying("OPEN"));
    EXPECT_FALSE(a.isPlaying(nullptr));
}

} // namespace
