// The masked view drawable: its size, what it draws where, its hit test,
// and that it lets go of a source or mask that is destroyed.
#include "graphics/PictureSupport.h"
#include "graphics/VirtualGraphicsObject.h"
#include "media/Animo6.h"
#include "media/AnimoSupport.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

const uint16_t BACK = 0x0020;

uint16_t sourceAt(int x, int y) { return uint16_t(0x0800 + x * 64 + y); }

struct CVirtualGraphicsObjectTest : ::testing::Test {
    std::unique_ptr<CGraphicsObject> source = picturetest::picture(100, 80, &sourceAt);
    std::unique_ptr<CGraphicsObject> target = picturetest::picture(200, 150, [](int, int) { return BACK; });
    CVirtualGraphicsObject view{nullptr};

    uint16_t at(int x, int y) { return reinterpret_cast<uint16_t*>(target->GetDataPtr())[y * 200 + x]; }
    // Columns 0..9 opaque, 10..19 transparent, 20..29 half.
    std::unique_ptr<CGraphicsObject> bands(int w, int h)
    {
        return picturetest::picture(w, h, [](int, int) { return uint16_t(0); },
                                    [](int x, int) { return uint8_t(x < 10 ? 255 : x < 20 ? 0 : 128); });
    }
};

TEST_F(CVirtualGraphicsObjectTest, AnEmptyViewHasNoSizeDrawsNothingAndIsHitEverywhere)
{
    view.redraw(target.get());
    EXPECT_EQ(view.Width(), 0);
    EXPECT_EQ(view.GetBoundingBox().Width(), 0);
    EXPECT_TRUE(view.testHit(CXPoint(5, 5)));
    EXPECT_EQ(at(0, 0), BACK);
}

TEST_F(CVirtualGraphicsObjectTest, TheSizeIsTheCommonPartAndWidthHeightAreTheMasks)
{
    std::unique_ptr<CGraphicsObject> mask = picturetest::picture(60, 120, [](int, int) { return uint16_t(0); });
    view.setSource(source.get());
    EXPECT_EQ(view.GetBoundingBox().Width(), 100);
    view.setMask(mask.get());
    EXPECT_EQ(view.GetBoundingBox().Width(), 60);
    EXPECT_EQ(view.GetBoundingBox().Height(), 80);
    EXPECT_EQ(view.Width(), 60);
    EXPECT_EQ(view.Height(), 120);
}

// Opaque copies, transparent leaves, partial blends as putPixel does; the
// source is read from the mask's place, the target written at the view's.
TEST_F(CVirtualGraphicsObjectTest, TheMaskSelectsAndBlendsThePartOfTheSourceAtItsPlace)
{
    std::unique_ptr<CGraphicsObject> mask = bands(30, 10);
    std::unique_ptr<CGraphicsObject> blended = picturetest::picture(1, 1, [](int, int) { return BACK; });
    view.setSource(source.get());
    view.setMask(mask.get());
    view.SetPosition(50, 40);
    for (int shift : {0, 10}) {
        mask->SetPosition(5 + shift, 7);
        target = picturetest::picture(200, 150, [](int, int) { return BACK; });
        view.redraw(target.get());
        SCOPED_TRACE(shift);
        for (int y = 0; y < 10; ++y) {
            EXPECT_EQ(at(50, 40 + y), sourceAt(5 + shift, 7 + y));
            EXPECT_EQ(at(59, 40 + y), sourceAt(14 + shift, 7 + y));
            EXPECT_EQ(at(60, 40 + y), BACK);
        }
        reinterpret_cast<uint16_t*>(blended->GetDataPtr())[0] = BACK;
        blended->putPixel(0, 0, short(sourceAt(25 + shift, 7)), 128, false);
        EXPECT_EQ(at(70, 40), reinterpret_cast<uint16_t*>(blended->GetDataPtr())[0]);
        EXPECT_EQ(at(49, 40), BACK);
        EXPECT_EQ(at(80, 40), BACK);
        EXPECT_EQ(at(50, 50), BACK);
    }
}

TEST_F(CVirtualGraphicsObjectTest, ClippingLimitsTheViewAndAnEmptyRectangleDoesNot)
{
    std::unique_ptr<CGraphicsObject> mask =
        picturetest::picture(40, 40, [](int, int) { return uint16_t(0); }, [](int, int) { return uint8_t(255); });
    view.setSource(source.get());
    view.setMask(mask.get());
    struct Case {
        CXRect clip;
        int drawn;
    } cases[] = {{CXRect(10, 10, 20, 20), 100}, {CXRect(10, 10, 10, 20), 1600}, {CXRect(0, 0, 0, 0), 1600}};
    for (const Case& c : cases) {
        target = picturetest::picture(200, 150, [](int, int) { return BACK; });
        view.SetClippingRect(c.clip);
        view.redraw(target.get());
        int drawn = 0;
        for (int y = 0; y < 150; ++y)
            for (int x = 0; x < 200; ++x)
                drawn += at(x, y) != BACK;
        EXPECT_EQ(drawn, c.drawn) << c.clip.left << "," << c.clip.top << "," << c.clip.right;
    }
    EXPECT_EQ(at(0, 0), sourceAt(0, 0));
}

TEST_F(CVirtualGraphicsObjectTest, TheHitTestReadsTheMaskOrTheSource)
{
    view.setSource(source.get());
    EXPECT_TRUE(view.testHit(CXPoint(99, 79)));
    EXPECT_FALSE(view.testHit(CXPoint(100, 79)));
    std::unique_ptr<CGraphicsObject> mask = bands(30, 10);
    view.setMask(mask.get());
    view.SetPosition(50, 40);
    EXPECT_TRUE(view.testHit(CXPoint(50, 40)));
    EXPECT_FALSE(view.testHit(CXPoint(65, 40)));
    EXPECT_TRUE(view.testHit(CXPoint(75, 49)));
    EXPECT_FALSE(view.testHit(CXPoint(75, 50)));
}

// Under ASan a view that kept a destroyed drawable fails here.
TEST_F(CVirtualGraphicsObjectTest, ADestroyedMaskOrSourceIsForgotten)
{
    std::unique_ptr<CGraphicsObject> mask = bands(30, 10);
    view.setSource(source.get());
    view.setMask(mask.get());
    mask.reset();
    EXPECT_EQ(view.getMaskImage(), nullptr);
    EXPECT_EQ(view.Width(), 100);
    view.redraw(target.get());
    EXPECT_EQ(at(99, 79), sourceAt(99, 79));
    source.reset();
    EXPECT_EQ(view.getSource(), nullptr);
    EXPECT_EQ(view.Width(), 0);
    view.redraw(target.get());
}

// The frame current when the mask is set stays the mask; the view
// fetches it from the animation and lets go when the animation goes.
TEST_F(CVirtualGraphicsObjectTest, AnAnimationMaskKeepsItsFrameUntilTheAnimationGoes)
{
    std::unique_ptr<CAnimo6> animo(new CAnimo6(nullptr));
    animo->appendFrame(mediatest::plainFrame(nullptr, 4, 4, 0, 0, true, 1));
    animo->appendFrame(mediatest::plainFrame(nullptr, 8, 6, 0, 0, true, 1));
    mediatest::addEvent(*animo, "E", {0, 1});
    animo->SetFrame(1);
    view.setSource(source.get());
    view.setMaskAnimo(animo.get());
    EXPECT_EQ(view.getMaskImage(), animo->GetFrame(animo->Current()));
    EXPECT_EQ(view.Width(), 8);
    animo->SetFrame(0);
    EXPECT_EQ(view.Width(), 8);
    animo.reset();
    EXPECT_EQ(view.getMaskImage(), nullptr);
    EXPECT_EQ(view.Width(), 100);
}

TEST_F(CVirtualGraphicsObjectTest, ACloneIsAViewWithTheStateAndWithoutSourceOrMask)
{
    view.setSource(source.get());
    view.SetPosition(7, 8);
    view.SetClippingRect(CXRect(1, 2, 3, 4));
    std::unique_ptr<CGraphicsObject> copy(static_cast<CGraphicsObject*>(view.clone()));
    CVirtualGraphicsObject* v = static_cast<CVirtualGraphicsObject*>(copy.get());
    EXPECT_EQ(v->getSource(), nullptr);
    EXPECT_EQ(v->GetPosition().x, 7);
    EXPECT_TRUE(v->GetClippingRect() == CXRect(1, 2, 3, 4));
    v->setSource(source.get());
    EXPECT_EQ(v->Width(), 100);
}

} // namespace
