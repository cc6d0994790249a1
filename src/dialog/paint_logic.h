// Geometry of the dialog's own drawing: the blocks of a segmented bar and the
// host picture's area and margins. No windows.h.
#ifndef PROGRESS_PAINT_LOGIC_H
#define PROGRESS_PAINT_LOGIC_H

// A rectangle as FillRect takes it: right and bottom are excluded.
struct PaintBox {
    int left;
    int top;
    int right;
    int bottom;
};

// True when the box covers no pixel (also when it is inverted).
bool PaintBoxEmpty(const PaintBox& box);

// One bar: its inner area (the placeholder less one pixel on every side) and
// its blocks, as measured at dialog creation.
struct BarBox {
    int left;    // inner top-left corner
    int top;
    int right;   // inner bottom-right corner
    int bottom;
    int blockWidth;
    int blockCount;
};

// A per-mille value as the bars draw it: below 0 as 0, above 1000 as 1000.
int ClampPerMille(int value);

// How many block rectangles a value lights, counting the tail after the last
// full block as rectangle number blockCount + 1: 0 for a value of 0 or less,
// otherwise the smallest i >= 1 with (1000 / blockCount) * i >= value, at most
// blockCount + 1. (With more than 1000 blocks the step would be 0; such a bar
// lights value * blockCount / 1000 blocks, rounded up.) A bar without a whole block (blockCount 0 or less) lights
// nothing whatever the value: it shows only its cleared area.
int BarLitCount(int value, int blockCount);

// Block rectangle number index (0-based). Blocks 0 .. blockCount - 1 are
// blockWidth wide with a two-pixel gap, from (left + 2, top + 3) down to
// bottom - 3; index blockCount is the tail, which ends at right - 3 and is
// empty when no whole pixel is left for it.
PaintBox BarBlockBox(const BarBox& bar, int index);

// What is cleared after `lit` lit rectangles: from the left edge of the next,
// unfilled block (left + 2 when nothing is lit) to right - 1, between top + 1
// and bottom - 1. Empty when the lit blocks reach the end.
PaintBox BarClearBox(const BarBox& bar, int lit);

// The host picture's place. origin: the picture area's top-left corner;
// unitsX, unitsY: pixels for 100 dialog units across and down; width, height:
// the picture's size. At 150 x 163 pixels per 100 units the picture fills the
// area exactly; larger units centre it in margins, smaller ones give negative
// margins.
struct PictureLayout {
    int marginX;
    int marginY;
    PaintBox area;   // the margins and the picture together
};

PictureLayout ComputePictureLayout(int originX, int originY, int unitsX, int unitsY,
                                   unsigned short width, unsigned short height);

// Entries of the logical palette made for a picture: 0 (no palette) unless it
// has 8 bits per pixel; then biClrUsed, 256 when that is 0, and never more
// than the 256 entries an 8-bit colour table holds.
int PaletteEntryCount(unsigned bitCount, unsigned long clrUsed);

#endif
