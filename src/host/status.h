#ifndef PROGRESS_STATUS_H
#define PROGRESS_STATUS_H

#include <windows.h>

// Shortens the path line of text (a 260-character buffer) in place until it
// fits the width of the status control hCtl, measured in its font.
void FitStatusText(HWND hCtl, char* text);

// Shows text (cut to 259 characters) in the status control hCtl with its path
// line fitted; a text already shown at the same width and font is left as is.
void SetStatusText(HWND hCtl, const char* text);

#endif
