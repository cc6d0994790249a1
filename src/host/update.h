#ifndef PROGRESS_UPDATE_H
#define PROGRESS_UPDATE_H

#include <windows.h>

// Moves the dialog onto the placement grid over hwndMain's client area.
void PlaceDialog(HWND hDlg, HWND hwndMain);

#endif
