// The dialog's own drawing: the host picture, the two segmented bars with
// their sunken edges, and the etched separator after the brand label. Every
// brush and pen is made and deleted within the paint.
#include "dialog/dialog.h"
#include "dialog/paint_logic.h"
#include "resource.h"

namespace {

// Fills the part of box that lies in clip; nothing when that part is empty.
void FillBoxIn(HDC hdc, const PaintBox& box, HBRUSH brush, const RECT& clip)
{
    if (PaintBoxEmpty(box))
        return;
    RECT r = {box.left, box.top, box.right, box.bottom};
    RECT common;
    if (IntersectRect(&common, &r, &clip))
        FillRect(hdc, &r, brush);
}

const RECT kEverywhere = {-0x4000000, -0x4000000, 0x4000000, 0x4000000};

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

bool SeparatorNeedsPaint(const PAINTSTRUCT& ps)
{
    // Until the first paint has drawn it (and shrunk the brand label), its
    // place is not known here.
    return !g_state.separatorKnown || NeedsPaint(ps, g_state.separatorRows, false);
}

// Fills the bar's blocks and cleared rest that reach into clip.
void PaintBarIn(HDC hdc, const BarGeometry& bar, int value, const RECT& clip)
{
    if (!BarPresent(bar))
        return;
    BarBox box = {bar.topLeft.x, bar.topLeft.y, bar.bottomRight.x, bar.bottomRight.y,
                  bar.blockWidth, bar.blockCount};
    int lit = BarLitCount(value, bar.blockCount);

    HBRUSH highlight = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
    for (int i = 0; i < lit; ++i)
        FillBoxIn(hdc, BarBlockBox(box, i), highlight, clip);
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillBoxIn(hdc, BarClearBox(box, lit), face, clip);
    DeleteObject(highlight);
    DeleteObject(face);
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
            PaintBarIn(hdc, g_state.barCurrent, g_state.currentPerMille, ps.rcPaint);
        if (BarNeedsPaint(ps, g_state.barAll))
            PaintBarIn(hdc, g_state.barAll, g_state.overallPerMille, ps.rcPaint);
        if (BarNeedsPaint(ps, g_state.barCurrent))
            DrawSunkenEdge(hdc, hDlg, IDC_BAR_CURRENT);
        if (BarNeedsPaint(ps, g_state.barAll))
            DrawSunkenEdge(hdc, hDlg, IDC_BAR_ALL);
        if (SeparatorNeedsPaint(ps))
            PaintSeparator(hdc, hDlg);
    }
    EndPaint(hDlg, &ps);
}

void PaintBar(HDC hdc, const BarGeometry& bar, int value)
{
    PaintBarIn(hdc, bar, value, kEverywhere);
}

void DrawSunkenEdge(HDC hdc, HWND hDlg, int id)
{
    // The placeholder's rectangle is the bar's inner area grown by one pixel,
    // as measured at creation: no need to ask the control again.
    const BarGeometry* bar = id == IDC_BAR_CURRENT ? &g_state.barCurrent
                             : id == IDC_BAR_ALL   ? &g_state.barAll
                                                   : NULL;
    (void)hDlg;
    if (!bar || !BarPresent(*bar))
        return;
    RECT r = {bar->topLeft.x - 1, bar->topLeft.y - 1, bar->bottomRight.x + 1, bar->bottomRight.y + 1};
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
        if (previous)
            SelectObject(hdc, previous);
    }

    ScreenToClient(hDlg, &start);
    ScreenToClient(hDlg, &end);
    DrawRow(hdc, start.x, end.x, start.y, COLOR_BTNSHADOW);
    DrawRow(hdc, start.x, end.x, start.y + 1, COLOR_WINDOW);
    SetRect(&g_state.separatorRows, start.x, start.y, end.x, start.y + 2);
    g_state.separatorKnown = true;
}
