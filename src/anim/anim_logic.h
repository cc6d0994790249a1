// Frame stepping and flight-path geometry of the copy animation. No windows.h.
#ifndef PROGRESS_ANIM_LOGIC_H
#define PROGRESS_ANIM_LOGIC_H

enum {
    ANIM_FRAME_COUNT = 21,  // frames 0..20; a full cycle is 21 ticks
    ANIM_TIMER_ID = 25,
    ANIM_TICK_MS = 150,
};

// A point of the flight path in dialog units, or a position in pixels.
struct AnimPoint {
    int x;
    int y;
};

// Where the sheet is at each frame, in dialog units. Frames 19, 20 and 0 lie
// at the folder's position.
extern const AnimPoint kFlightPath[ANIM_FRAME_COUNT];

// The frame after one timer tick: no advance while the dialog is hidden or
// the animation is held, otherwise one more; 21 and beyond wrap to 0, and a
// frame below 0 (never written, but the value is shared) restarts at 0.
int NextAnimFrame(int frame, bool hidden, bool held);

// Index into the 21 animation icons drawn for a frame: frame f of 1..20 draws
// icon f, frame 0 the sheet dropping in (icon 20). Out-of-range frames draw
// icon 20 as frame 0 does.
int AnimIconIndex(int frame);

// Pixel position of the sheet at a frame for system dialog base units bx
// (pixels per 4 horizontal units) and by (pixels per 8 vertical units):
// ((x * bx) / 4, (y * by) / 8). Out-of-range frames are placed as frame 0.
AnimPoint FramePosition(int frame, int bx, int by);

// The folder: 113 horizontal units right, 8 vertical units down.
AnimPoint FolderPosition(int bx, int by);

// The host's icon: at the left edge, 8 vertical units down.
AnimPoint HostIconPosition(int bx, int by);

// Whether two frames draw the same picture: the same sheet icon at the same
// place (frames 20 and 0 do).
bool SameAnimPicture(int a, int b);

#endif
