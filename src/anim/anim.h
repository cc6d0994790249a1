// The copy animation: a thread of its own with a child window of the dialog,
// class "AnimateWindow", that moves a sheet from the host's icon into a
// folder one frame every 150 ms.
#ifndef PROGRESS_ANIM_H
#define PROGRESS_ANIM_H

#include <windows.h>

// Thread function; param is the address of g_state.runFlag. Returns the exit
// code of its message loop, or 0 when the window cannot be made.
DWORD WINAPI AnimationThreadProc(LPVOID param);

// Window procedure of "AnimateWindow".
LRESULT CALLBACK AnimateWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Draws the current frame onto hdc, whole, through an off-screen bitmap.
void PaintAnimation(HDC hdc);

// Draws the part of the current frame that lies in invalid (window
// coordinates), through an off-screen bitmap of that size.
void PaintAnimationArea(HDC hdc, const RECT& invalid);

// Starts the animation thread and stores its handle and id in g_state. A
// thread that cannot be created leaves hThread null.
void StartAnimation();

// Clears runFlag, wakes the thread and waits for it to end, serving messages
// that other threads send to this one meanwhile; then closes the handle.
// Returns at once when no thread runs.
void StopAnimation();

#endif
