// ProgressDlg, the dialog procedure. The host's message loop calls it on the
// host's thread.
#include "dialog/dialog.h"
#include "resource.h"

namespace {

const int kHiddenPlaceholders[] = {IDC_SEPARATOR, IDC_BAR_CURRENT, IDC_BAR_ALL};

void InitDialog(HWND hDlg)
{
    WidenDialog(hDlg);
    MeasureBar(hDlg, IDC_BAR_CURRENT, &g_state.barCurrent);
    MeasureBar(hDlg, IDC_BAR_ALL, &g_state.barAll);
    MeasureAnimationArea(hDlg);
    g_state.hwndStatus = GetDlgItem(hDlg, IDC_STATUS_TEXT);
    for (int id : kHiddenPlaceholders) {
        HWND control = GetDlgItem(hDlg, id);
        if (control)
            ShowWindow(control, SW_HIDE);
    }
}

}  // namespace

extern "C" INT_PTR WINAPI ProgressDlg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(hwnd);
        return TRUE;

    case WM_PAINT:
        PaintDialog(hwnd);
        return FALSE;

    case WM_CTLCOLORSTATIC:
        // The heading is drawn straight onto the host picture beneath it.
        if (GetDlgCtrlID(reinterpret_cast<HWND>(lParam)) == IDC_HEADING) {
            SetBkMode(reinterpret_cast<HDC>(wParam), TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
        return FALSE;

    case WM_COMMAND:
        // Any command, a Cancel click or a close from the system menu alike,
        // is a cancel request: the next progress report returns it.
        g_state.buttonPressed = 1;
        g_state.animationHeld = 1;
        return FALSE;

    default:
        return FALSE;
    }
}
