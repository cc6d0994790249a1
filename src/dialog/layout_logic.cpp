#include "dialog/layout_logic.h"

int WidenCoord(int v)
{
    return v + v / 6;
}

void ComputeBarBlocks(int width, int height, int* blockWidth, int* blockCount)
{
    if (width <= 0 || height <= 2) {
        *blockWidth = 0;
        *blockCount = 0;
        return;
    }
    unsigned h = (unsigned)height;
    unsigned inner = h > 20 ? h - 3 : h - 2;
    unsigned bw = (2 * inner) / 3;
    *blockWidth = (int)bw;
    *blockCount = (int)(((unsigned)width - 1) / (bw + 2));
}
