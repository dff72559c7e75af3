#include "graphics/Color.h"

#include <gtest/gtest.h>

namespace {

TEST(CColorTest, ConstructorsFixValueAndModel)
{
    CColor none;
    EXPECT_EQ(none.getPixel(), 0);
    EXPECT_EQ(none.getModel(), COLORMODEL_NONE);
    // Bytes from the lowest: alpha, red, green, blue.
    CColor rgb(0x11, 0x22, 0x33);
    EXPECT_EQ(rgb.getModel(), COLORMODEL_RGB);
    EXPECT_EQ(uint32_t(rgb.getPixel()), 0x33221100u);
    CColor rgba(0x11, 0x22, 0x33, 0x44);
    EXPECT_EQ(rgba.getModel(), COLORMODEL_RGBA);
    EXPECT_EQ(uint32_t(rgba.getPixel()), 0x33221144u);
    CColor fromInt(0x00FF0000); // green, not red
    EXPECT_EQ(fromInt.getModel(), COLORMODEL_RGBA);
    EXPECT_EQ(fromInt.Convert(COLORMODEL_16), 0x07E0);
    // A word is held sign-extended.
    CColor word(short(0xF800), COLORMODEL_16);
    EXPECT_EQ(word.getPixel(), -2048);
    CColor copy(word);
    EXPECT_EQ(copy.getPixel(), -2048);
    EXPECT_EQ(copy.getModel(), COLORMODEL_16);
    CColor assigned;
    assigned = rgba;
    EXPECT_EQ(assigned.getPixel(), rgba.getPixel());
    assigned.set(7);
    EXPECT_EQ(assigned.getModel(), COLORMODEL_RGBA);
    assigned.Set(short(0x7C00), COLORMODEL_15);
    EXPECT_EQ(assigned.getPixel(), 0x7C00);
}

TEST(CColorTest, ConvertsRgbToWordsAndLeavesEverythingElse)
{
    struct Case {
        CColor colour;
        _colormodel to;
        int expected;
    } cases[] = {
        {CColor(255, 0, 0), COLORMODEL_15, 0x7C00},
        {CColor(255, 0, 0), COLORMODEL_16, -2048}, // 0xF800 sign-extended
        {CColor(0, 255, 0), COLORMODEL_15, 0x03E0},
        {CColor(0, 255, 0), COLORMODEL_16, 0x07E0},
        {CColor(0, 0, 255), COLORMODEL_16, 0x001F},
        {CColor(255, 255, 255, 9), COLORMODEL_16, -1},
        {CColor(8, 4, 8), COLORMODEL_16, 0x0821},
        {CColor(7, 3, 7), COLORMODEL_16, 0},
        // A word model is never converted.
        {CColor(short(0x7C00), COLORMODEL_15), COLORMODEL_16, 0x7C00},
        {CColor(short(0x7C00), COLORMODEL_15), COLORMODEL_RGB, 0x7C00},
        // Between the two RGB models, and to none, the value stays.
        {CColor(1, 2, 3), COLORMODEL_RGBA, 0x03020100},
        {CColor(1, 2, 3, 4), COLORMODEL_NONE, 0x03020104},
        {CColor(), COLORMODEL_16, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.colour.Convert(c.to), c.expected) << c.colour.getPixel() << " to " << c.to;
}

TEST(CColorTest, GetInBppPicksTheModelOfTheDepth)
{
    CColor red(255, 0, 0, 0x80);
    EXPECT_EQ(red.GetInBPP(15), 0x7C00);
    EXPECT_EQ(red.GetInBPP(16), -2048);
    EXPECT_EQ(red.GetInBPP(24), red.getPixel());
    EXPECT_EQ(red.GetInBPP(32), red.getPixel());
    EXPECT_EQ(red.GetInBPP(8), 8);
}

TEST(CColorTest, EqualityConvertsOnlyTheRightSide)
{
    CColor word(short(0x7C00), COLORMODEL_15);
    CColor rgb(255, 0, 0);
    EXPECT_TRUE(word == rgb);
    EXPECT_FALSE(rgb == word);
    EXPECT_TRUE(rgb != word);
    EXPECT_TRUE(CColor(short(0xF800), COLORMODEL_16) == CColor(short(-2048), COLORMODEL_16));
    EXPECT_TRUE(CColor(short(0xF800), COLORMODEL_16) == CColor(255, 0, 0));
    EXPECT_FALSE(CColor(short(0x7C00), COLORMODEL_16) == CColor(255, 0, 0));
    EXPECT_TRUE(CColor(1, 2, 3) == CColor(1, 2, 3));
    EXPECT_FALSE(CColor(1, 2, 3) == CColor(1, 2, 3, 4)); // model 5 to model 4 keeps the alpha byte
}

} // namespace
