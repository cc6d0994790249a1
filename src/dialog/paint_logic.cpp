#include "dialog/paint_logic.h"

namespace {

const int kFullScale = 1000;        // per mille
const int kBlockGap = 2;            // pixels between two blocks
const int kPictureUnitsX = 150;     // pixels of 100 dialog units the pictures are made for
const int kPictureUnitsY = 163;
const long long kMarginLimit = 1 << 20;  // keeps the area's corners far inside int

int PictureMargin(int units, unsigned short size, int designUnits)
{
    long long s = size;
    long long margin = ((units * s) / designUnits - s) / 2;
    if (margin > kMarginLimit)
        margin = kMarginLimit;
    if (margin < -kMarginLimit)
        margin = -kMarginLimit;
    return (int)margin;
}

}  // namespace

bool PaintBoxEmpty(const PaintBox& box)
{
    return box.right <= box.left || box.bottom <= box.top;
}

int ClampPerMille(int value)
{
    if (value < 0)
        return 0;
    if (value > kFullScale)
        return kFullScale;
    return value;
}

int BarLitCount(int value, int blockCount)
{
    value = ClampPerMille(value);
    if (value == 0 || blockCount <= 0)
        return 0;
    int step = kFullScale / blockCount;
    if (step == 0)  // more blocks than per-mille steps: light them in proportion
        return (int)(((long long)value * blockCount + kFullScale - 1) / kFullScale);
    int lit = (value + step - 1) / step;
    if (lit > blockCount + 1)
        lit = blockCount + 1;
    return lit;
}

PaintBox BarBlockBox(const BarBox& bar, int index)
{
    PaintBox box;
    box.left = bar.left + 2 + index * (bar.blockWidth + kBlockGap);
    box.top = bar.top + 3;
    box.right = index < bar.blockCount ? box.left + bar.blockWidth : bar.right - 3;
    box.bottom = bar.bottom - 3;
    return box;
}

PaintBox BarClearBox(const BarBox& bar, int lit)
{
    PaintBox box;
    box.left = lit > 0 ? BarBlockBox(bar, lit - 1).right + kBlockGap : bar.left + 2;
    box.top = bar.top + 1;
    box.right = bar.right - 1;
    box.bottom = bar.bottom - 1;
    return box;
}

PictureLayout ComputePictureLayout(int originX, int originY, int unitsX, int unitsY,
                                   unsigned short width, unsigned short height)
{
    PictureLayout layout;
    layout.marginX = PictureMargin(unitsX, width, kPictureUnitsX);
    layout.marginY = PictureMargin(unitsY, height, kPictureUnitsY);
    layout.area.left = originX;
    layout.area.top = originY;
    layout.area.right = originX + 2 * layout.marginX + (int)width;
    layout.area.bottom = originY + 2 * layout.marginY + (int)height;
    return layout;
}

int PaletteEntryCount(unsigned bitCount, unsigned long clrUsed)
{
    const unsigned long kMaxEntries = 256;
    if (bitCount != 8)
        return 0;
    if (clrUsed == 0 || clrUsed > kMaxEntries)
        return (int)kMaxEntries;
    return (int)clrUsed;
}
