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

// Painting (paint.cpp, picture.cpp): the WM_PAINT branch and its parts.
void PaintDialog(HWND hDlg);
void PaintBar(HDC hdc, const BarGeometry& bar, int value);
void DrawSunkenEdge(HDC hdc, HWND hDlg, int id);
void PaintSeparator(HDC hdc, HWND hDlg);
void PaintPicture(HDC hdc);
void RealizePicturePalette(const BITMAPINFO* bmi, HDC hdc);

// A control's window rectangle in its dialog's client coordinates.
RECT ControlRectInDialog(HWND hDlg, HWND control);

#endif
