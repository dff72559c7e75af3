// The scenes' screen unit on the real road: keys and mouse records fed
// through the platform and delivered by the window's frames, a real button
// dragging its image, edit boxes taking the focus, timers of the window,
// random playables and the unit's cache.
#include "FontSupport.h"
#include "UiSupport.h"
#include "base/ResourcesManager.h"
#include "base/XArray.h"
#include "media/Animo6.h"
#include "script/Application.h"
#include "ui/EditBox6.h"
#include "ui/Unit6.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using namespace uitest;
using picturetest::Picture;

class CUnit6Test : public UiTest {
protected:
    CUnit6Test() : UiTest(false), application(new CApplication(window.get(), "", "", nullptr))
    {
        screenUnit = CUnit6::getDefUnit();
        screenUnit->initialize(scene, screenUnit);
        frame();
    }
    ~CUnit6Test() override
    {
        screenUnit->flushEditBoxes();
        application.reset();
    }
    // A box without a font, whose focus the log hears as "<text> on" and
    // "<text> off".
    CEditBox6* box(const char* text)
    {
        CEditBox6* b = screenUnit->addEditBox(nullptr, CXRect(0, 0, 50, 20), 0, CXString(text));
        focusLogs.emplace_back(new FocusLog(&log, text));
        b->addNotifier(focusLogs.back().get());
        return b;
    }
    struct FocusLog : CEditBoxNotifier {
        FocusLog(Log* l, const std::string& n) : log(l), name(n) {}
        void onFocusOn(CEditBox6*) override { log->push_back(name + " on"); }
        void onFocusOff(CEditBox6*) override { log->push_back(name + " off"); }
        Log* log;
        std::string name;
    };
    std::vector<std::unique_ptr<FocusLog>> focusLogs;
    platform::Keyboard& keys() { return backend.input().keyboard(); }
    // Tab, with a shift key held when asked, delivered by the next frame.
    void tab(bool shift = false)
    {
        if (shift)
            keys().key(42, true);
        keys().key(15, true);
        keys().key(15, false);
        frame();
        if (shift) {
            keys().key(42, false);
            frame();
        }
    }
    Log taken()
    {
        Log l = log;
        log.clear();
        return l;
    }

    std::unique_ptr<CApplication> application;
    CUnit6* screenUnit = nullptr;
    Log log;
};

TEST_F(CUnit6Test, TabAndShiftTabMoveTheFocusOverTheEnabledEditBoxes)
{
    ASSERT_NE(screenUnit, nullptr);
    Picture caret = screentest::drawable(window.get(), 1, 10, [](int, int) { return uint16_t(0xFFFF); });
    CEditBox6* first = box("first");
    screenUnit->setCursor(caret.get());
    CEditBox6* second = box("second");
    CEditBox6* third = box("third");
    EXPECT_EQ(first->getCursor(), nullptr); // made before the cursor was set
    EXPECT_EQ(third->getCursor(), caret.get());
    EXPECT_EQ(screenUnit->getEditBoxCount(), 3);
    second->enable(false);

    // Without a current box Tab does nothing.
    tab();
    EXPECT_EQ(screenUnit->getCurrentEditBoxIndex(), -1);
    screenUnit->activateEditBox(first);
    tab();
    tab(true);
    tab(true);
    EXPECT_EQ(taken(), (Log{"first on", "first off", "third on", "third off", "first on", "first off", "third on"}));
    EXPECT_EQ(screenUnit->getCurrentEditBoxIndex(), 2);

    // Another key, or Tab with nowhere else to go, changes nothing.
    backend.input().keyboard().key(30, true);
    backend.input().keyboard().key(30, false);
    frame();
    first->enable(false);
    tab();
    EXPECT_EQ(taken(), Log{});

    // The current box taken out: no current box, and Tab does nothing.
    screenUnit->removeEditBox(third);
    EXPECT_EQ(screenUnit->getCurrentEditBoxIndex(), -1);
    first->enable(true);
    tab();
    EXPECT_EQ(taken(), Log{});
    delete third;
    EXPECT_EQ(taken(), Log{"third off"});

    // Leaving the scene: no more keys, then the boxes go.
    screenUnit->activateEditBox(first);
    screenUnit->done(scene, screenUnit);
    tab();
    EXPECT_EQ(taken(), Log{"first on"});
    screenUnit->flushEditBoxes();
    EXPECT_EQ(taken(), (Log{"first off", "second off"}));
    EXPECT_EQ(screenUnit->getCurrentEditBoxIndex(), -1);
    EXPECT_EQ(screenUnit->getEditBoxCount(), 0);
}

// Tab keeps the order the boxes were made in when boxes go from the middle
// and new ones come.
TEST_F(CUnit6Test, TabFollowsTheOrderOfTheBoxesLeft)
{
    CEditBox6* a = box("a");
    CEditBox6* b = box("b");
    box("c");
    box("d");
    delete b;
    screenUnit->activateEditBox(a);
    tab();
    EXPECT_EQ(screenUnit->getCurrentEditBoxIndex(), 1);
    delete a;
    box("e");
    tab();
    tab();
    tab(true);
    EXPECT_EQ(screenUnit->getCurrentEditBoxIndex(), 1);
    EXPECT_EQ(taken(), (Log{"b off", "a on", "a off", "c on", "a off", "c off", "d on", "d off", "e on", "e off",
                            "d on"}));
    EXPECT_EQ(screenUnit->getEditBoxCount(), 3);
}

// A button whose image is dragged: the unit lifts the image to 10000, moves
// it with the mouse and, at the end, gives it its priority back, enables
// the button and tells it where the image is.
class CUnit6DragTest : public CUnit6Test {
protected:
    CUnit6DragTest()
    {
        image = screentest::drawable(window.get(), 40, 20, [](int, int) { return uint16_t(0x001F); });
        image->SetPosition(100, 100);
        screen()->put(image.get(), 5);
        button.reset(new CButton(window.get(), CXRect(), 3, nullptr));
        button->SetDeleteFlags(false, false);
        button->Set(image.get(), nullptr, true);
        button->EnableDragging(true);
        button->setUnit(screenUnit);
        button->addNotifier(&notifier);
        button->Enable(true);
        frame();
    }
    ~CUnit6DragTest() override { button.reset(); }
    CRefreshScreen* screen() { return window->GetRefreshScreenInterface(); }
    void press(bool down)
    {
        mouse().button(0, down);
        frame();
    }

    Picture image;
    std::unique_ptr<CButton> button;
    LoggingNotifier notifier{"B", &log};
};

TEST_F(CUnit6DragTest, ADraggedImageFollowsTheMouseAboveEverythingUntilTheRelease)
{
    moveTo(110, 110);
    press(true);
    EXPECT_TRUE(screenUnit->isDragging());
    EXPECT_FALSE(button->IsEnabled());
    EXPECT_EQ(screen()->GetPriority(image.get()), 10000);
    moveTo(120, 115);
    moveTo(125, 106);
    EXPECT_EQ(image->GetPosition(), CXPoint(115, 96));
    // The next frame shows it where the mouse took it.
    frame();
    EXPECT_EQ(shownAt(115, 96), 0x001Fu);
    EXPECT_EQ(shownAt(105, 100), 0x0020u); // the empty background
    press(false);
    EXPECT_FALSE(screenUnit->isDragging());
    EXPECT_TRUE(button->IsEnabled());
    EXPECT_EQ(screen()->GetPriority(image.get()), 5);
    Log l = taken();
    ASSERT_GE(l.size(), 4u);
    EXPECT_EQ(l.front(), "B focus on 110,110");
    EXPECT_EQ(l[1], "B start dragging 110,110");
    EXPECT_EQ(l.back(), "B end dragging 115,96");

    // Dragged again, then put back where that drag began.
    moveTo(120, 100);
    press(true);
    moveTo(140, 120);
    screenUnit->bringBackDraggingObjectPosition(CXPoint());
    EXPECT_EQ(image->GetPosition(), CXPoint(115, 96));
    press(false);
}

TEST_F(CUnit6DragTest, TheDraggingModeSaysWhetherAReleaseOrAClickEndsTheDrag)
{
    screenUnit->setDraggingMode(true);
    moveTo(110, 110);
    press(true);
    press(false);
    EXPECT_TRUE(screenUnit->isDragging());
    moveTo(150, 130);
    press(true); // no hot spot takes a press while dragging: the unit does
    EXPECT_FALSE(screenUnit->isDragging());
    EXPECT_EQ(image->GetPosition(), CXPoint(140, 120));
    press(false);

    screenUnit->setDraggingMode(false);
    press(true);
    EXPECT_TRUE(screenUnit->isDragging());
    mouse().button(1, true); // a right click does not end it
    frame();
    mouse().button(1, false);
    frame();
    EXPECT_TRUE(screenUnit->isDragging());
    press(false);
    EXPECT_FALSE(screenUnit->isDragging());
}

// The dragged image or the button going away ends the drag; the mouse
// then moves nothing.
TEST_F(CUnit6DragTest, ADragEndsWhenWhatIsDraggedGoes)
{
    moveTo(110, 110);
    press(true);
    button.reset();
    EXPECT_FALSE(screenUnit->isDragging());
    moveTo(200, 200);
    press(false);

    button.reset(new CButton(window.get(), CXRect(), 3, nullptr));
    button->SetDeleteFlags(false, false);
    button->Set(image.get(), nullptr, true);
    button->EnableDragging(true);
    button->setUnit(screenUnit);
    button->Enable(true);
    moveTo(110, 110);
    press(true);
    EXPECT_TRUE(screenUnit->isDragging());
    image.reset();
    EXPECT_FALSE(screenUnit->isDragging());
    moveTo(130, 130);
    press(false);
}

// A unit of a title's own that counts its timers.
struct TimedUnit : CUnit6 {
    TimedUnit(CWindow* w) : CUnit6(w, "timed") {}
    void onTimer(int id) override { fired += std::to_string(id); }
    std::string fired;
};

TEST_F(CUnit6Test, AVisitMakesTheUnitActiveAndItsEndLetsGoOfWhatTheVisitHad)
{
    // Random playables exist from initialize to done: an animation handed
    // to the unit plays its event at the window's next one-second tick, the
    // unit allowing every start.
    CAnimo dancer(window.get());
    fonttest::fillAnimation(dancer);
    TimedUnit unit(window.get());
    unit.addRandomPlayable(&dancer, 60.0, 1, "glyphs"); // no visit: nowhere to go
    clockNow.advance(1000);
    window->Tick();
    EXPECT_FALSE(dancer.isPlaying());
    EXPECT_FALSE(unit.isActive());
    unit.initialize(scene, &unit);
    unit.setRetCode(4);
    EXPECT_TRUE(unit.isActive());
    unit.addRandomPlayable(&dancer, 60.0, 1, "glyphs");
    clockNow.advance(1000);
    window->Tick();
    EXPECT_TRUE(dancer.isPlaying());
    dancer.Stop();
    unit.removeRandomPlayable(&dancer);
    clockNow.advance(1000);
    window->Tick();
    EXPECT_FALSE(dancer.isPlaying());
    unit.addRandomPlayable(&dancer, 60.0, 1, "glyphs");

    // Timers fire only while the unit is active and has had its first
    // frame, unless told to fire always.
    unit.setTimer(1, 100, true);
    unit.setTimer(2, 100, false);
    clockNow.advance(150);
    window->Tick();
    EXPECT_EQ(unit.fired, "2");
    unit.onInitialUpdate();
    clockNow.advance(150);
    window->Tick();
    EXPECT_EQ(unit.fired, "212");
    unit.killTimer(2);

    // What the unit's cache holds goes when the scene is left.
    CResourcesManager* cache = unit.getResourcesManager();
    CFileResolver* resource = new CFileResolver;
    resource->setFilename("picture.img");
    cache->add(resource);
    EXPECT_EQ(cache->get("PICTURE.IMG"), resource);
    unit.getRetPath()->add(static_cast<CXObject*>(nullptr));

    unit.done(scene, &unit);
    EXPECT_FALSE(unit.isActive());
    EXPECT_FALSE(unit.wasInitiallyUpdated());
    EXPECT_EQ(cache->get("picture.img"), nullptr);
    EXPECT_EQ(unit.getRetPath()->getSize(), 0);
    clockNow.advance(150);
    window->Tick();
    EXPECT_EQ(unit.fired, "212");
    // The set went with its entry, which the animation no longer reports to.
    clockNow.advance(1000);
    window->Tick();
    EXPECT_FALSE(dancer.isPlaying());
    dancer.Play(CXString("glyphs"), 0, 15);
    dancer.stop(true);

    // The return code ends a modal run until the next visit.
    EXPECT_TRUE(unit.domodal());
    unit.initialize(scene, nullptr);
    EXPECT_FALSE(unit.domodal());
    unit.exit();
    EXPECT_TRUE(unit.domodal());
    unit.done(scene, nullptr);
}

// What a derived unit puts on the screen from an animation's definition.
TEST_F(CUnit6Test, AnAnimationGoesOnTheScreenAsItsDefinitionSays)
{
    struct {
        std::vector<std::pair<const char*, const char*>> keys;
        int priority;
    } cases[] = {
        {{{"TOCANVAS", "TRUE"}, {"PRIORITY", "7"}}, 7},
        {{{"TOCANVAS", "true"}, {"PRIORITY", "7"}, {"ALWAYSONTOP", "TRUE"}}, 1000},
        {{{"PRIORITY", "7"}, {"ALWAYSONTOP", "TRUE"}}, -1},
    };
    for (const auto& c : cases) {
        CAnimo6 animation(window.get());
        CMElement element(CXString("A"));
        for (const auto& k : c.keys)
            element.addProperty(CXString(k.first), CXString(k.second));
        screenUnit->putOnCanvas(&animation, &element);
        EXPECT_EQ(window->GetRefreshScreenInterface()->GetPriority(&animation), c.priority);
    }
}

} // namespace
