// Bar blocks, the cleared remainder, picture margins and palette sizes.
#include <gtest/gtest.h>

#include <climits>

#include "dialog/paint_logic.h"

namespace {

// A bar placeholder of 382 x 21 pixels at client (10, 20): inner area 380 x 19,
// blocks 11 wide, 29 of them, one lit per 34 per mille.
const BarBox kBar = {11, 21, 11 + 380, 21 + 19, 11, 29};

void ExpectBox(const PaintBox& box, int left, int top, int right, int bottom)
{
    EXPECT_EQ(box.left, left);
    EXPECT_EQ(box.top, top);
    EXPECT_EQ(box.right, right);
    EXPECT_EQ(box.bottom, bottom);
}

}  // namespace

TEST(BarPaint, LitBlocksAndClearedRemainderPerValue)
{
    struct Case {
        int value;
        int lit;        // rectangles filled, the tail counting as number 30
        int clearLeft;  // relative to the inner left edge
    };
    const Case cases[] = {
        {0, 0, 2},         // nothing lit, cleared from the first block on
        {-1, 0, 2},        // negative: as 0
        {INT_MIN, 0, 2},
        {1, 1, 2 + 13},    // one block
        {34, 1, 2 + 13},   // exactly one step
        {35, 2, 2 + 2 * 13},
        {500, 15, 2 + 15 * 13},  // 34 * 15 = 510 >= 500 > 476
        {986, 29, 2 + 29 * 13},  // 34 * 29 = 986: the last full block
        {987, 30, 379},    // past 986 the (empty) tail is tried as well
        {1000, 30, 379},
        {1001, 30, 379},   // above 1000: as 1000
        {INT_MAX, 30, 379},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        int lit = BarLitCount(c.value, kBar.blockCount);
        EXPECT_EQ(lit, c.lit);
        PaintBox clear = BarClearBox(kBar, lit);
        ExpectBox(clear, kBar.left + c.clearLeft, kBar.top + 1, kBar.right - 1, kBar.bottom - 1);
    }
}

TEST(BarPaint, BlocksStepByWidthAndGapAndTheTailEndsThreeShortOfTheEdge)
{
    ExpectBox(BarBlockBox(kBar, 0), kBar.left + 2, kBar.top + 3, kBar.left + 13, kBar.bottom - 3);
    ExpectBox(BarBlockBox(kBar, 1), kBar.left + 15, kBar.top + 3, kBar.left + 26, kBar.bottom - 3);
    ExpectBox(BarBlockBox(kBar, 28), kBar.left + 366, kBar.top + 3, kBar.left + 377, kBar.bottom - 3);
    // The tail runs from +379 to +377: nothing to fill.
    PaintBox tail = BarBlockBox(kBar, 29);
    ExpectBox(tail, kBar.left + 379, kBar.top + 3, kBar.left + 377, kBar.bottom - 3);
    EXPECT_TRUE(PaintBoxEmpty(tail));
    // At 1000 nothing is left to clear.
    EXPECT_TRUE(PaintBoxEmpty(BarClearBox(kBar, BarLitCount(1000, kBar.blockCount))));
    // At 0 the whole bar from the first block on is cleared.
    EXPECT_FALSE(PaintBoxEmpty(BarClearBox(kBar, 0)));
}

TEST(BarPaint, TailIsFilledWhenPixelsAreLeftAfterTheLastBlock)
{
    // 390 wide: still 29 blocks (389 / 13), tail from +379 to +387.
    BarBox bar = {0, 0, 390, 19, 11, 29};
    PaintBox tail = BarBlockBox(bar, 29);
    ExpectBox(tail, 379, 3, 387, 16);
    EXPECT_FALSE(PaintBoxEmpty(tail));
    EXPECT_EQ(BarLitCount(986, 29), 29);
    EXPECT_EQ(BarLitCount(990, 29), 30);
    ExpectBox(BarClearBox(bar, 30), 389, 1, 389, 18);  // from the tail's end + 2: empty
    // A step that divides 1000 evenly never reaches the tail.
    EXPECT_EQ(BarLitCount(1000, 25), 25);
    EXPECT_EQ(BarLitCount(1000, 40), 40);
}

TEST(BarPaint, BarWithoutAWholeBlockShowsOnlyItsClearedArea)
{
    // A placeholder narrower than one block and its gap: blockCount 0.
    BarBox bar = {5, 5, 16, 24, 11, 0};
    for (int value : {-10, 0, 1, 500, 999, 1000, 5000}) {
        SCOPED_TRACE(value);
        int lit = BarLitCount(value, bar.blockCount);
        EXPECT_EQ(lit, 0);
        ExpectBox(BarClearBox(bar, lit), 7, 6, 15, 23);
    }
    EXPECT_EQ(BarLitCount(1000, -3), 0);
}

TEST(BarPaint, MoreBlocksThanPerMilleStepsStaysBounded)
{
    // 1000 / 1500 is 0: no value could ever reach a step; the blocks are
    // lit in proportion instead of looping on.
    EXPECT_EQ(BarLitCount(0, 1500), 0);
    EXPECT_EQ(BarLitCount(1, 1500), 2);
    EXPECT_EQ(BarLitCount(500, 1500), 750);
    EXPECT_EQ(BarLitCount(1000, 1500), 1500);
    // Small steps with a large remainder: 1000 / 60 = 16, 16 * 61 = 976 < 1000.
    EXPECT_EQ(BarLitCount(1000, 60), 61);
    EXPECT_EQ(BarLitCount(960, 60), 60);
}

TEST(BarPaint, LowBarHasEmptyBlocks)
{
    // Three pixels high: the blocks (top + 3 to bottom - 3) hold no row.
    BarBox bar = {0, 0, 100, 3, 0, 49};
    EXPECT_TRUE(PaintBoxEmpty(BarBlockBox(bar, 0)));
    EXPECT_FALSE(PaintBoxEmpty(BarClearBox(bar, 0)));
}

TEST(PictureLayout, MarginsCentreThePictureInLargerUnits)
{
    struct Case {
        int unitsX, unitsY;
        unsigned short w, h;
        int marginX, marginY, areaW, areaH;
    };
    const Case cases[] = {
        {175, 200, 120, 80, 10, 9, 140, 98},   // (140 - 120) / 2, (98 - 80) / 2
        {150, 163, 120, 80, 0, 0, 120, 80},    // the pictures' own metrics
        {150, 163, 1, 1, 0, 0, 1, 1},
        {100, 100, 120, 80, -20, -15, 80, 50}, // smaller units: (80 - 120) / 2, (49 - 80) / 2
        {175, 200, 0, 0, 0, 0, 0, 0},          // an empty picture
        {151, 164, 3, 3, 0, 0, 3, 3},          // (3 - 3) / 2
        {300, 326, 65535, 65535, 32767, 32767, 131069, 131069},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.unitsX << "x" << c.unitsY << " " << c.w << "x" << c.h);
        PictureLayout l = ComputePictureLayout(7, 3, c.unitsX, c.unitsY, c.w, c.h);
        EXPECT_EQ(l.marginX, c.marginX);
        EXPECT_EQ(l.marginY, c.marginY);
        ExpectBox(l.area, 7, 3, 7 + c.areaW, 3 + c.areaH);
    }
}

TEST(PictureLayout, NegativeMarginsTruncateTowardZero)
{
    // (139 * 121) / 150 = 112; (112 - 121) / 2 = -4 (not -5).
    PictureLayout l = ComputePictureLayout(0, 0, 139, 163, 121, 1);
    EXPECT_EQ(l.marginX, -4);
    EXPECT_EQ(l.area.right, -8 + 121);
}

TEST(PictureLayout, AbsurdUnitsStayInRange)
{
    PictureLayout big = ComputePictureLayout(0, 0, INT_MAX, INT_MAX, 65535, 65535);
    EXPECT_GT(big.marginX, 0);
    EXPECT_GT(big.area.right, 65535);
    PictureLayout small = ComputePictureLayout(0, 0, INT_MIN, INT_MIN, 65535, 65535);
    EXPECT_LT(small.marginX, 0);
    EXPECT_LT(small.area.right, 0);
}

TEST(PictureLayout, PaletteOnlyForEightBitPicturesAndAtMost256Entries)
{
    struct Case {
        unsigned bits;
        unsigned long clrUsed;
        int entries;
    };
    const Case cases[] = {
        {24, 0, 0}, {32, 0, 0}, {4, 16, 0}, {1, 2, 0}, {16, 0, 0},
        {8, 0, 256}, {8, 16, 16}, {8, 1, 1}, {8, 256, 256},
        {8, 257, 256}, {8, 65536, 256}, {8, 0xFFFFFFFFul, 256},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PaletteEntryCount(c.bits, c.clrUsed), c.entries) << c.bits << " bits, " << c.clrUsed;
}
