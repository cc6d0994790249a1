// The dialog's own drawing: the host picture, the two segmented bars with
// their sunken edges, and the etched separator after the brand label. Every
// brush and pen is made and deleted within the paint.
#include "dialog/dialog.h"
#include "dialog/paint_logic.h"
#include "resource.h"

namespace {

void FillBox(HDC hdc, const PaintBox& box, HBRUSH brush)
{
    if (PaintBoxEmpty(box))
        return;
    RECT r = {box.left, box.top, box.right, box.bottom};
    FillRect(hdc, &r, brush);
}

// One pixel high line from (fromX, y) up to, not including, (toX, y). Without
// its pen the line stays undrawn rather than drawn in the context's own pen.
void DrawRow(HDC hdc, int fromX, int toX, int y, int colorIndex)
{
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(colorIndex));
    if (!pen)
        return;
    HGDIOBJ previous = SelectObject(hdc, pen);
    MoveToEx(hdc, fromX, y, NULL);
    LineTo(hdc, toX, y);
    SelectObject(hdc, previous);
    DeleteObject(pen);
}

// Whether any pixel of r (right and bottom included when inclusive) lies in
// the area being painted. Drawing outside it would be clipped away anyway;
// skipping it only saves the work.
bool NeedsPaint(const PAINTSTRUCT& ps, RECT r, bool inclusive)
{
    if (inclusive) {
        ++r.right;
        ++r.bottom;
    }
    RECT common;
    return IntersectRect(&common, &ps.rcPaint, &r) != FALSE;
}

bool BarNeedsPaint(const PAINTSTRUCT& ps, const BarGeometry& bar)
{
    RECT r = {bar.topLeft.x - 1, bar.topLeft.y - 1, bar.bottomRight.x + 1, bar.bottomRight.y + 1};
    return BarPresent(bar) && NeedsPaint(ps, r, false);
}

bool PictureNeedsPaint(const PAINTSTRUCT& ps)
{
    // Not laid out yet: the first paint with a picture computes its area.
    return g_state.pictureRect.bottom == 0 || NeedsPaint(ps, g_state.pictureRect, true);
}

bool SeparatorNeedsPaint(const PAINTSTRUCT& ps, HWND hDlg)
{
    HWND separator = GetDlgItem(hDlg, IDC_SEPARATOR);
    if (!separator)
        return false;
    if (!g_state.brandFitted)
        return true;  // the first paint also shrinks the brand label
    RECT r = ControlRectInDialog(hDlg, separator);
    RECT rows = {0, r.top + 1, r.right + 1, r.top + 3};
    return NeedsPaint(ps, rows, false);
}

}  // namespace

void PaintDialog(HWND hDlg)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hDlg, &ps);
    if (hdc) {
        // A progress report invalidates only the bars it changed, so most
        // paints leave the picture and the separator alone.
        if (PictureNeedsPaint(ps))
            PaintPicture(hdc);
        if (BarNeedsPaint(ps, g_state.barCurrent))
            PaintBar(hdc, g_state.barCurrent, g_state.currentPerMille);
        if (BarNeedsPaint(ps, g_state.barAll))
            PaintBar(hdc, g_state.barAll, g_state.overallPerMille);
        if (BarNeedsPaint(ps, g_state.barCurrent))
            DrawSunkenEdge(hdc, hDlg, IDC_BAR_CURRENT);
        if (BarNeedsPaint(ps, g_state.barAll))
            DrawSunkenEdge(hdc, hDlg, IDC_BAR_ALL);
        if (SeparatorNeedsPaint(ps, hDlg))
            PaintSeparator(hdc, hDlg);
    }
    EndPaint(hDlg, &ps);
}

void PaintBar(HDC hdc, const BarGeometry& bar, int value)
{
    if (!BarPresent(bar))
        return;
    BarBox box = {bar.topLeft.x, bar.topLeft.y, bar.bottomRight.x, bar.bottomRight.y,
                  bar.blockWidth, bar.blockCount};
    int lit = BarLitCount(value, bar.blockCount);

    HBRUSH highlight = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
    for (int i = 0; i < lit; ++i)
        FillBox(hdc, BarBlockBox(box, i), highlight);
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillBox(hdc, BarClearBox(box, lit), face);
    DeleteObject(highlight);
    DeleteObject(face);
}

void DrawSunkenEdge(HDC hdc, HWND hDlg, int id)
{
    HWND control = GetDlgItem(hDlg, id);
    if (!control)
        return;
    RECT r = ControlRectInDialog(hDlg, control);
    DrawEdge(hdc, &r, BDR_SUNKENOUTER, BF_RECT);
}

void PaintSeparator(HDC hdc, HWND hDlg)
{
    HWND separator = GetDlgItem(hDlg, IDC_SEPARATOR);
    if (!separator)
        return;
    RECT r;
    GetWindowRect(separator, &r);
    POINT start = {r.left + 1, r.top + 1};
    POINT end = {r.right + 1, r.top + 1};

    HWND brand = GetDlgItem(hDlg, IDC_BRAND);
    if (brand) {
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(brand, WM_GETFONT, 0, 0));
        HGDIOBJ previous = font ? SelectObject(hdc, font) : NULL;
        RECT label;
        GetWindowRect(brand, &label);
        char text[256];
        text[0] = '\0';
        GetWindowTextA(brand, text, sizeof text);
        SIZE extent = {0, 0};
        GetTextExtentPointA(hdc, text, lstrlenA(text), &extent);
        start.x = label.left + extent.cx;

        // The label shrinks to its text, so the line can begin where it ends.
        RECT inDialog = ControlRectInDialog(hDlg, brand);
        if (inDialog.right - inDialog.left != extent.cx)
            MoveWindow(brand, inDialog.left, inDialog.top, extent.cx, inDialog.bottom - inDialog.top, FALSE);
        g_state.brandFitted = true;
        if (previous)
            SelectObject(hdc, previous);
    }

    ScreenToClient(hDlg, &start);
    ScreenToClient(hDlg, &end);
    DrawRow(hdc, start.x, end.x, start.y, COLOR_BTNSHADOW);
    DrawRow(hdc, start.x, end.x, start.y + 1, COLOR_WINDOW);
}
