// Layout adjustments at creation: widen the dialog and its controls by a
// sixth, give them the light or bold font, and measure the placeholders.
#include "dialog/dialog.h"
#include "dialog/layout_logic.h"
#include "resource.h"

namespace {

HFONT CreateWeightedFont(HFONT base, LONG weight)
{
    LOGFONTA lf;
    if (!base || GetObjectA(base, sizeof lf, &lf) != (int)sizeof lf)
        return NULL;
    lf.lfWeight = weight;
    return CreateFontIndirectA(&lf);
}

}  // namespace

RECT ControlRectInDialog(HWND hDlg, HWND control)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(control, &r);
    MapWindowPoints(HWND_DESKTOP, hDlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void WidenDialog(HWND hDlg)
{
    RECT r;
    GetWindowRect(hDlg, &r);
    int left = WidenCoord(r.left);
    int right = WidenCoord(r.right);
    MoveWindow(hDlg, left, r.top, right - left, r.bottom - r.top, FALSE);

    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(hDlg, WM_GETFONT, 0, 0));
    if (!g_state.fontLight)
        g_state.fontLight = CreateWeightedFont(dialogFont, FW_LIGHT);
    if (!g_state.fontBold)
        g_state.fontBold = CreateWeightedFont(dialogFont, FW_BOLD);
    if (g_state.fontLight)
        EnumChildWindows(hDlg, WidenChildProc, reinterpret_cast<LPARAM>(g_state.fontLight));
}

BOOL CALLBACK WidenChildProc(HWND hwnd, LPARAM lParam)
{
    RECT r = ControlRectInDialog(GetParent(hwnd), hwnd);
    int left = WidenCoord(r.left);
    int right = WidenCoord(r.right);
    MoveWindow(hwnd, left, r.top, right - left, r.bottom - r.top, FALSE);

    HFONT font = GetDlgCtrlID(hwnd) == IDC_HEADING ? g_state.fontBold : reinterpret_cast<HFONT>(lParam);
    SendMessageA(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return TRUE;
}

void MeasureBar(HWND hDlg, int id, BarGeometry* bar)
{
    HWND control = GetDlgItem(hDlg, id);
    if (!control)
        return;
    RECT r = ControlRectInDialog(hDlg, control);
    bar->topLeft.x = r.left + 1;
    bar->topLeft.y = r.top + 1;
    bar->bottomRight.x = r.right - 1;
    bar->bottomRight.y = r.bottom - 1;
    ComputeBarBlocks(bar->bottomRight.x - bar->topLeft.x, bar->bottomRight.y - bar->topLeft.y,
                     &bar->blockWidth, &bar->blockCount);
}

void MeasureAnimationArea(HWND hDlg)
{
    HWND control = GetDlgItem(hDlg, IDC_ANIM_AREA);
    if (!control)
        return;
    RECT r = ControlRectInDialog(hDlg, control);
    SetRect(&g_state.animRect, r.left, r.top, r.right + 1, r.bottom + 1);
}

void InitPictureArea()
{
    // Only the full layout has a picture area; the compact one shows its
    // banner where a picture would go, so it shows no host picture.
    HWND control = GetDlgItem(g_state.hDlg, IDC_PICTURE_AREA);
    g_state.pictureAreaPresent = control != NULL;
    SetRectEmpty(&g_state.pictureRect);
    if (!control)
        return;
    RECT r = ControlRectInDialog(g_state.hDlg, control);
    g_state.pictureRect.left = r.left;
    g_state.pictureRect.top = r.top;
}
