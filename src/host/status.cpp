// Status text fitting: measures with the status control's font around the
// portable path shortening.
#include "host/status.h"

#include "host/fitpath_logic.h"
#include "host/state.h"

namespace {

int MeasureWithDC(void* ctx, const char* s, int len)
{
    SIZE size = {0, 0};
    GetTextExtentPointA(static_cast<HDC>(ctx), s, len, &size);
    return size.cx;
}

// Fills the width table of the font selected into dc and tells whether it
// measures exactly as the system does: a single-byte code page, and a probe
// of every character measuring the same both ways (no kerning, no overhang).
bool LoadWidthTable(HDC dc, CharWidthTable* table)
{
    CPINFO cp;
    if (!GetCPInfo(CP_ACP, &cp) || cp.MaxCharSize != 1)
        return false;
    if (!GetCharWidth32A(dc, 0, 255, table->widths))
        return false;
    char probe[224];
    for (int i = 0; i < 224; ++i)
        probe[i] = static_cast<char>(32 + i);
    SIZE size = {0, 0};
    return GetTextExtentPointA(dc, probe, sizeof probe, &size) &&
           size.cx == MeasureWithTable(table, probe, sizeof probe);
}

}  // namespace

void FitStatusText(HWND hCtl, char* text)
{
    if (!hCtl)
        return;
    RECT r = {0, 0, 0, 0};
    GetWindowRect(hCtl, &r);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(hCtl, WM_GETFONT, 0, 0));

    // Measured once per font: later texts are fitted without a device context.
    if (g_state.statusWidthsExact && g_state.statusWidthFont == font) {
        FitPathLine(text, 260, r.right - r.left, MeasureWithTable, &g_state.statusWidths);
        return;
    }

    HDC dc = GetDC(hCtl);
    if (!dc)
        return;
    HGDIOBJ previous = font ? SelectObject(dc, font) : NULL;
    g_state.statusWidthFont = font;
    g_state.statusWidthsExact = LoadWidthTable(dc, &g_state.statusWidths);
    if (g_state.statusWidthsExact)
        FitPathLine(text, 260, r.right - r.left, MeasureWithTable, &g_state.statusWidths);
    else
        FitPathLine(text, 260, r.right - r.left, MeasureWithDC, dc);
    if (font)
        SelectObject(dc, previous);
    ReleaseDC(hCtl, dc);
}
