// Status text fitting: measures with the status control's font around the
// portable path shortening.
#include "host/status.h"

#include <cstring>

#include "host/fitpath_logic.h"
#include "host/spine_logic.h"
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


// Fits text to width pixels of hCtl in font.
void FitToControl(HWND hCtl, HFONT font, int width, char* text)
{
    // Measured once per font: later texts are fitted without a device context.
    if (g_state.statusWidthsExact && g_state.statusWidthFont == font) {
        FitPathLine(text, 260, width, MeasureWithTable, &g_state.statusWidths);
        return;
    }

    HDC dc = GetDC(hCtl);
    if (!dc)
        return;
    HGDIOBJ previous = font ? SelectObject(dc, font) : NULL;
    g_state.statusWidthFont = font;
    g_state.statusWidthsExact = LoadWidthTable(dc, &g_state.statusWidths);
    if (g_state.statusWidthsExact)
        FitPathLine(text, 260, width, MeasureWithTable, &g_state.statusWidths);
    else
        FitPathLine(text, 260, width, MeasureWithDC, dc);
    if (font)
        SelectObject(dc, previous);
    ReleaseDC(hCtl, dc);
}

int ControlWidth(HWND hCtl)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(hCtl, &r);
    return r.right - r.left;
}

HFONT ControlFont(HWND hCtl)
{
    return reinterpret_cast<HFONT>(SendMessageA(hCtl, WM_GETFONT, 0, 0));
}

}  // namespace

void FitStatusText(HWND hCtl, char* text)
{
    if (!hCtl)
        return;
    FitToControl(hCtl, ControlFont(hCtl), ControlWidth(hCtl), text);
}

void SetStatusText(HWND hCtl, const char* text)
{
    if (!hCtl)
        return;
    char status[260];
    CopyBounded(status, sizeof status, text);
    // The fitted text depends on the text, the control's width and its font:
    // with all three as before, the control already shows it.
    int width = ControlWidth(hCtl);
    HFONT font = ControlFont(hCtl);
    if (strcmp(status, g_state.lastStatus) == 0 && width == g_state.lastStatusWidth &&
        font == g_state.lastStatusFont)
        return;
    CopyBounded(g_state.lastStatus, sizeof g_state.lastStatus, status);
    g_state.lastStatusWidth = width;
    g_state.lastStatusFont = font;
    FitToControl(hCtl, font, width, status);
    SetWindowTextA(hCtl, status);
}
