// Buttons on the real road: mouse records fed through the platform, the
// window's frame, the hot spot, the button's faces on the screen and what
// its notifiers hear.
#include "UiSupport.h"
#include "media/Sound4.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;
using picturetest::Picture;

const uint16_t GREY = 0x8410, BLUE = 0x001F, GREEN = 0x07E0, RED = 0xF800, WHITE = 0xFFFF;

// A sound that counts how often it was asked to play.
class CountingSound : public CSound4 {
public:
    explicit CountingSound(CWindow* w) : CSound4(w) {}
    void Play() override
    {
        ++plays;
        CSound4::Play();
    }
    int plays = 0;
};

class CButtonTest : public UiTest {
protected:
    CButtonTest()
    {
        background = face(800, 600, 0, 0, GREY, 0);
        standard = face(40, 20, 100, 100, BLUE, 1);
        onMove = face(40, 20, 100, 100, GREEN, 2);
        onClick = face(40, 20, 100, 100, RED, 3);
    }
    ~CButtonTest() override { button.reset(); }
    Picture face(int w, int h, int x, int y, uint16_t colour, int priority)
    {
        Picture p = screentest::drawable(window.get(), w, h, [colour](int, int) { return colour; });
        p->SetPosition(x, y);
        window->GetRefreshScreenInterface()->put(p.get(), priority);
        return p;
    }
    // A button over the three faces, with the rectangle given (empty: the
    // standard image is the hit area), heard by "B".
    void makeButton(CXRect rect = CXRect(100, 100, 140, 120))
    {
        button.reset(new CButton(window.get(), rect, 7, nullptr));
        button->SetDeleteFlags(false, false);
        button->addNotifier(&notifier);
        button->Set(standard.get(), nullptr, true);
        button->SetOnMove(onMove.get(), nullptr);
        button->SetOnClick(onClick.get(), nullptr);
        button->Enable(true);
        frame();
    }
    Log taken()
    {
        Log l = log;
        log.clear();
        return l;
    }
    // The button's face as the next frame shows it (the frame draws before
    // it delivers the input that came).
    uint32_t face()
    {
        frame();
        return shownAt(110, 110);
    }

    Picture background, standard, onMove, onClick;
    Log log;
    LoggingNotifier notifier{"B", &log};
    std::unique_ptr<CButton> button;
};

TEST_F(CButtonTest, AClickShowsTheFacesAndTellsTheNotifiers)
{
    makeButton();
    EXPECT_EQ(face(), BLUE);
    moveTo(110, 110);
    EXPECT_EQ(face(), GREEN);
    EXPECT_FALSE(standard->IsVisible()); // hidden while on move
    moveTo(300, 300);
    EXPECT_EQ(face(), BLUE);
    moveTo(110, 110);
    mouse().button(0, true);
    frame();
    EXPECT_EQ(face(), RED);
    EXPECT_TRUE(button->IsPressed());
    mouse().button(0, false);
    frame();
    EXPECT_EQ(face(), GREEN);
    EXPECT_EQ(button->getClick(), CXPoint(110, 110));
    // The release ended the focus: leaving now reports nothing, and coming
    // back enters again. The right button reports a popup.
    moveTo(300, 300);
    moveTo(115, 110);
    click(1);
    EXPECT_EQ(taken(), (Log{"B focus on 110,110", "B focus off 300,300", "B focus on 110,110", "B clicked 110,110",
                            "B released 110,110", "B action 110,110", "B focus on 115,110", "B popup 115,110"}));

    // A frozen button keeps its on-move face after the cursor leaves.
    button->Freeze(true);
    moveTo(300, 300);
    EXPECT_EQ(face(), GREEN);
}

TEST_F(CButtonTest, ADisabledButtonTakesNothingAndHidesItsFace)
{
    makeButton();
    button->Enable(false);
    frame();
    EXPECT_EQ(face(), GREY);
    moveTo(110, 110);
    click(0);
    click(1);
    EXPECT_EQ(taken(), Log{});
    button->DisableButVisible();
    frame();
    EXPECT_EQ(face(), BLUE);
    click(0);
    EXPECT_EQ(taken(), Log{});
    // Enabled under the cursor: the next move enters it.
    button->Enable(true);
    moveTo(111, 110);
    click(0);
    EXPECT_EQ(taken(), (Log{"B focus on 111,110", "B clicked 111,110", "B released 111,110", "B action 111,110"}));
    // A disabled button's hot spot leaving the cursor still reports it.
    button->Enable(false);
    button->getHotSpot()->OnFocusOff(CXPoint(1, 1), 0, nullptr);
    EXPECT_EQ(taken(), Log{"B focus off 1,1"});
}

TEST_F(CButtonTest, WithoutARectangleTheStandardImagesPixelsAreTheHitArea)
{
    Picture half = screentest::drawable(window.get(), 40, 20, [](int, int) { return WHITE; },
                                        [](int x, int) { return x < 20 ? 255 : 0; });
    half->SetPosition(200, 200);
    button.reset(new CButton(window.get(), 1, nullptr));
    button->SetDeleteFlags(false, false);
    button->addNotifier(&notifier);
    button->Set(half.get(), nullptr, true);
    EXPECT_EQ(button->GetAccent(), half.get());
    EXPECT_EQ(button->GetDragging(), half.get());
    moveTo(230, 205); // transparent
    moveTo(210, 205);
    moveTo(230, 206);
    EXPECT_EQ(taken(), (Log{"B focus on 210,205", "B focus off 230,206"}));
    // A rectangle takes over from the pixels.
    button->SetActiveRect(CXRect(220, 200, 240, 220));
    moveTo(231, 206);
    EXPECT_EQ(taken(), Log{"B focus on 231,206"});
    button.reset();
}

TEST_F(CButtonTest, SoundsOfMovingAndClicking)
{
    CountingSound moveSound(window.get()), clickSound(window.get());
    makeButton();
    button->SetOnMove(nullptr, &moveSound); // keeps the image
    button->SetOnClick(nullptr, &clickSound);
    EXPECT_EQ(button->GetOnMove(), onMove.get());
    moveTo(110, 110);
    moveTo(112, 110);
    EXPECT_EQ(moveSound.plays, 1);
    // The click plays it, and pressing the button plays it again; a second
    // press of the faces plays nothing.
    mouse().button(0, true);
    frame();
    EXPECT_EQ(clickSound.plays, 2);
    button->Force(true);
    EXPECT_EQ(clickSound.plays, 2);
    mouse().button(0, false);
    frame();
    // Locked: nothing plays.
    button->LockSound(true);
    click(0);
    EXPECT_EQ(clickSound.plays, 2);
    // Only in silence, with a unit: the click's own play only.
    button->LockSound(false);
    button->SetPlaySoundOnlyWhenSilence(true);
    button->setUnit(unit);
    click(0);
    EXPECT_EQ(clickSound.plays, 3);
}

TEST_F(CButtonTest, TheUnitDragsTheButtonAndDecidesWhatTakesEvents)
{
    Picture dragged = face(10, 10, 400, 400, WHITE, 4);
    makeButton();
    button->setUnit(unit);
    button->addNotifier(unit);
    button->EnableDragging(true);
    button->SetDragging(dragged.get());
    moveTo(110, 110);
    mouse().button(0, true);
    frame();
    EXPECT_TRUE(unit->dragging);
    EXPECT_EQ(unit->dragged, dragged.get());
    EXPECT_FALSE(button->IsEnabled());
    EXPECT_FALSE(standard->IsVisible());
    EXPECT_EQ(unit->clicks, 1);
    EXPECT_EQ(taken(), (Log{"B focus on 110,110", "B start dragging 110,110", "B clicked 110,110"}));
    // While dragging nothing reaches the button.
    mouse().button(0, false);
    frame();
    EXPECT_EQ(taken(), Log{});
    unit->endDrag(CXPoint(120, 110));
    EXPECT_TRUE(button->IsEnabled());
    EXPECT_TRUE(standard->IsVisible());
    EXPECT_EQ(taken(), Log{"B end dragging 120,110"});

    // An inactive unit's button is never found; before the unit's first
    // frame the cursor entering shows no on-move face but is reported.
    moveTo(300, 300);
    taken();
    unit->active = false;
    moveTo(110, 110);
    EXPECT_EQ(taken(), Log{});
    unit->active = true;
    unit->updated = false;
    moveTo(111, 110);
    EXPECT_EQ(face(), BLUE);
    EXPECT_EQ(taken(), Log{"B focus on 111,110"});
}

TEST_F(CButtonTest, ImagesGoneElsewhereAreForgottenAndClonesShareTheirs)
{
    makeButton(CXRect());
    std::unique_ptr<CButton> copy(static_cast<CButton*>(button->clone()));
    EXPECT_EQ(copy->GetStandard(), standard.get());
    EXPECT_EQ(copy->getHotSpot()->getShape(), nullptr); // no hit area yet
    copy.reset(); // deletes none of them
    EXPECT_TRUE(standard->IsVisible());

    // The standard image, the hit area, goes: the button is hit nowhere.
    standard.reset();
    EXPECT_EQ(button->GetStandard(), nullptr);
    EXPECT_EQ(button->GetAccent(), nullptr);
    moveTo(110, 110);
    click(0);
    EXPECT_EQ(taken(), Log{});
    button->SetActiveRect(CXRect(100, 100, 140, 120));
    moveTo(111, 110);
    EXPECT_EQ(face(), GREEN);

    // A button that owns its images deletes each once, whatever roles it
    // has for it.
    std::unique_ptr<CButton> owner(new CButton(window.get(), CXRect(0, 0, 10, 10), 2, nullptr));
    Picture own = screentest::drawable(window.get(), 4, 4, [](int, int) { return RED; });
    owner->Set(own.get(), nullptr, true);
    owner->SetOnMove(own.release(), nullptr);
    owner.reset();
}

} // namespace
