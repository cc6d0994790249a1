// Frame stepping and flight-path geometry of the copy animation.
#include <gtest/gtest.h>

#include "anim/anim_logic.h"

namespace {

int Tick(int frame, int times, bool hidden = false, bool held = false)
{
    for (int i = 0; i < times; ++i)
        frame = NextAnimFrame(frame, hidden, held);
    return frame;
}

}  // namespace

TEST(AnimFrame, CycleOfTwentyOneTicksFromFrameOne)
{
    EXPECT_EQ(Tick(1, 19), 20);
    EXPECT_EQ(Tick(1, 20), 0);
    EXPECT_EQ(Tick(1, 21), 1);
    EXPECT_EQ(Tick(1, 42), 1);
    // Every frame is visited once per cycle.
    bool seen[ANIM_FRAME_COUNT] = {};
    int frame = 1;
    for (int i = 0; i < ANIM_FRAME_COUNT; ++i) {
        ASSERT_GE(frame, 0);
        ASSERT_LT(frame, ANIM_FRAME_COUNT);
        EXPECT_FALSE(seen[frame]) << frame;
        seen[frame] = true;
        frame = NextAnimFrame(frame, false, false);
    }
}

TEST(AnimFrame, HiddenOrHeldStandsStill)
{
    struct Case {
        bool hidden, held;
    };
    for (Case c : {Case{true, false}, Case{false, true}, Case{true, true}})
        for (int frame : {0, 1, 7, 20})
            EXPECT_EQ(Tick(frame, 5, c.hidden, c.held), frame)
                << "frame " << frame << " hidden " << c.hidden << " held " << c.held;
}

TEST(AnimFrame, OutOfRangeRestartsAtZero)
{
    for (int frame : {21, 22, 1000, -1, -2147483647 - 1})
        for (bool still : {false, true})
            EXPECT_EQ(NextAnimFrame(frame, still, still), 0) << frame;
}

TEST(AnimFrame, IconOfEachFrame)
{
    EXPECT_EQ(AnimIconIndex(0), 20);  // the sheet's edge dropping into the folder
    for (int frame = 1; frame < ANIM_FRAME_COUNT; ++frame)
        EXPECT_EQ(AnimIconIndex(frame), frame);
    for (int frame : {-1, 21, 99})
        EXPECT_EQ(AnimIconIndex(frame), 20);
}

TEST(AnimGeometry, PixelPositionsForBaseUnits)
{
    struct Case {
        int frame, bx, by, x, y;
    };
    const Case cases[] = {
        {5, 6, 13, 57, 0},     // (38 * 6) / 4
        {1, 6, 13, 21, 9},     // (14 * 6) / 4, (6 * 13) / 8
        {17, 6, 13, 151, 4},   // (101 * 6) / 4, (3 * 13) / 8
        {19, 6, 13, 169, 13},  // at the folder
        {0, 6, 13, 169, 13},
        {20, 8, 16, 226, 16},
        {4, 7, 15, 56, 1},     // (32 * 7) / 4, (1 * 15) / 8 truncates
        {5, 0, 0, 0, 0},
        {99, 6, 13, 169, 13},  // out of range: placed as frame 0
    };
    for (const Case& c : cases) {
        AnimPoint p = FramePosition(c.frame, c.bx, c.by);
        EXPECT_EQ(p.x, c.x) << "frame " << c.frame;
        EXPECT_EQ(p.y, c.y) << "frame " << c.frame;
    }
}

TEST(AnimGeometry, FolderAndHostIcon)
{
    AnimPoint folder = FolderPosition(6, 13);
    EXPECT_EQ(folder.x, 169);
    EXPECT_EQ(folder.y, 13);
    AnimPoint host = HostIconPosition(6, 13);
    EXPECT_EQ(host.x, 0);
    EXPECT_EQ(host.y, 13);
    // The largest base units a 16-bit word holds do not overflow.
    EXPECT_EQ(FolderPosition(65535, 65535).x, (113 * 65535) / 4);
}

TEST(AnimGeometry, FlightEndsAtTheFolder)
{
    AnimPoint folder = FolderPosition(4, 8);  // one pixel per dialog unit
    for (int frame : {19, 20, 0}) {
        AnimPoint p = FramePosition(frame, 4, 8);
        EXPECT_EQ(p.x, folder.x) << frame;
        EXPECT_EQ(p.y, folder.y) << frame;
    }
    // The sheet moves rightward, never back.
    for (int frame = 2; frame < ANIM_FRAME_COUNT; ++frame)
        EXPECT_GE(kFlightPath[frame].x, kFlightPath[frame - 1].x) << frame;
}

TEST(SameAnimPicture, OnlyFramesThatDrawAlike)
{
    EXPECT_TRUE(SameAnimPicture(20, 0));  // the sheet dropping in, at the folder
    EXPECT_TRUE(SameAnimPicture(7, 7));
    EXPECT_FALSE(SameAnimPicture(19, 20));  // same place, another icon
    EXPECT_FALSE(SameAnimPicture(0, 1));
    for (int f = 1; f < 20; ++f)
        EXPECT_FALSE(SameAnimPicture(f, f + 1)) << f;
}
