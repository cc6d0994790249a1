#ifndef PROGRESS_DIALOG_H
#define PROGRESS_DIALOG_H

#include <windows.h>

#include "host/state.h"

extern "C" INT_PTR WINAPI ProgressDlg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Layout work at dialog creation (layout.cpp).
void WidenDialog(HWND hDlg);
BOOL CALLBACK WidenChildProc(HWND hwnd, LPARAM lParam);
void MeasureBar(HWND hDlg, int id, BarGeometry* bar);
void MeasureAnimationArea(HWND hDlg);
void InitPictureArea();

// A control's window rectangle in its dialog's client coordinates.
RECT ControlRectInDialog(HWND hDlg, HWND control);

#endif
