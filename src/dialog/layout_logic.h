// Layout arithmetic of the dialog: widening and bar blocks. No windows.h.
#ifndef PROGRESS_LAYOUT_LOGIC_H
#define PROGRESS_LAYOUT_LOGIC_H

// A horizontal coordinate of the widened layout: v + v / 6, truncating
// toward zero, so every edge moves right by a sixth of its distance from 0.
int WidenCoord(int v);

// Block width and count of a bar whose inner area is width x height pixels:
// inner = height - 3 above 20, else height - 2; blocks are two thirds of that
// wide with a two-pixel gap. An empty or inverted area has no blocks.
void ComputeBarBlocks(int width, int height, int* blockWidth, int* blockCount);

#endif
