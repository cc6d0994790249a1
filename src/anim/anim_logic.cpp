#include "anim/anim_logic.h"

const AnimPoint kFlightPath[ANIM_FRAME_COUNT] = {
    {113, 8}, {14, 6}, {18, 6}, {24, 6}, {32, 1}, {38, 0}, {46, 0},
    {52, 0},  {55, 0}, {59, 0}, {63, 0}, {68, 0}, {74, 0}, {79, 0},
    {85, 0},  {90, 0}, {97, 0}, {101, 3}, {107, 6}, {113, 8}, {113, 8},
};

namespace {

const int FOLDER_X = 113;  // horizontal dialog units

bool FrameInRange(int frame)
{
    return frame >= 0 && frame < ANIM_FRAME_COUNT;
}

}  // namespace

int NextAnimFrame(int frame, bool hidden, bool held)
{
    if (!FrameInRange(frame))
        return 0;
    if (!hidden && !held)
        ++frame;
    return frame >= ANIM_FRAME_COUNT ? 0 : frame;
}

int AnimIconIndex(int frame)
{
    return frame >= 1 && frame < ANIM_FRAME_COUNT ? frame : ANIM_FRAME_COUNT - 1;
}

AnimPoint FramePosition(int frame, int bx, int by)
{
    const AnimPoint& p = kFlightPath[FrameInRange(frame) ? frame : 0];
    return AnimPoint{(p.x * bx) / 4, (p.y * by) / 8};
}

AnimPoint FolderPosition(int bx, int by)
{
    return AnimPoint{(FOLDER_X * bx) / 4, by};
}

AnimPoint HostIconPosition(int /*bx*/, int by)
{
    return AnimPoint{0, by};
}

bool SameAnimPicture(int a, int b)
{
    AnimPoint pa = FramePosition(a, 4, 8);
    AnimPoint pb = FramePosition(b, 4, 8);
    return AnimIconIndex(a) == AnimIconIndex(b) && pa.x == pb.x && pa.y == pb.y;
}
