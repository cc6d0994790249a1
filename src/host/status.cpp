// Status text fitting: measures with the status control's font around the
// portable path shortening.
#include "host/status.h"

#include "host/fitpath_logic.h"

namespace {

int MeasureWithDC(void* ctx, const char* s, int len)
{
    SIZE size = {0, 0};
    GetTextExtentPointA(static_cast<HDC>(ctx), s, len, &size);
    return size.cx;
}

}  // namespace

void FitStatusText(HWND hCtl, char* text)
{
    if (!hCtl)
        return;
    RECT r = {0, 0, 0, 0};
    GetWindowRect(hCtl, &r);

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hCtl, WM_GETFONT, 0, 0));
    HDC dc = GetDC(hCtl);
    if (!dc)
        return;
    HGDIOBJ previous = font ? SelectObject(dc, font) : NULL;
    FitPathLine(text, 260, r.right - r.left, MeasureWithDC, dc);
    if (font)
        SelectObject(dc, previous);
    ReleaseDC(hCtl, dc);
}
