#ifndef PROGRESS_STATUS_H
#define PROGRESS_STATUS_H

#include <windows.h>

// Shortens the path line of text (a 260-character buffer) in place until it
// fits the width of the status control hCtl, measured in its font.
void FitStatusText(HWND hCtl, char* text);

#endif
