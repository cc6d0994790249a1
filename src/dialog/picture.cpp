// The host's picture: drawn one to one at the top-left of the full layout,
// centred in margins of the host's colour when dialog units are larger than
// the picture was made for, framed so that the area looks sunken. 8-bit
// pictures get a logical palette of their own, kept in g_state.palette.
#include "dialog/dialog.h"
#include "dialog/paint_logic.h"

namespace {

const COLORREF kFrameLight = RGB(255, 255, 255);
const COLORREF kFrameDark = RGB(128, 128, 128);

// Computed once, at the first paint with a picture: later pictures reuse it.
void LayOutPicture(unsigned short width, unsigned short height)
{
    RECT units = {0, 0, 100, 100};
    MapDialogRect(g_state.hDlg, &units);
    PictureLayout layout = ComputePictureLayout(g_state.pictureRect.left, g_state.pictureRect.top,
                                                units.right, units.bottom, width, height);
    g_state.pictureMarginX = layout.marginX;
    g_state.pictureMarginY = layout.marginY;
    g_state.pictureRect.right = layout.area.right;
    g_state.pictureRect.bottom = layout.area.bottom;
}

// Light on the right and bottom, dark on the left and top. Without both pens
// the frame stays undrawn rather than drawn in the context's own pen.
void DrawFrame(HDC hdc, const RECT& r)
{
    HPEN light = CreatePen(PS_SOLID, 1, kFrameLight);
    HPEN dark = CreatePen(PS_SOLID, 1, kFrameDark);
    if (!light || !dark) {
        if (light)
            DeleteObject(light);
        if (dark)
            DeleteObject(dark);
        return;
    }
    HGDIOBJ previous = SelectObject(hdc, light);
    MoveToEx(hdc, r.right, r.top, NULL);
    LineTo(hdc, r.right, r.bottom);
    LineTo(hdc, r.left, r.bottom);
    SelectObject(hdc, dark);
    LineTo(hdc, r.left, r.top);
    LineTo(hdc, r.right, r.top);
    SelectObject(hdc, previous);
    DeleteObject(light);
    DeleteObject(dark);
}

}  // namespace

void PaintPicture(HDC hdc)
{
    const HostPicture* picture = g_state.picture;
    // The compact layout has no picture area: its banner lies where the
    // picture would go, so it shows no host picture at all.
    if (!picture || !g_state.pictureAreaPresent)
        return;
    RealizePicturePalette(&picture->bmi, hdc);

    unsigned short w = picture->width;
    unsigned short h = picture->height;
    if (g_state.pictureRect.bottom == 0)
        LayOutPicture(w, h);
    const RECT& area = g_state.pictureRect;
    int marginX = g_state.pictureMarginX;
    int marginY = g_state.pictureMarginY;

    // A background of 0 (black) is never painted.
    if ((marginX != 0 || marginY != 0) && g_state.pictureBackground != 0) {
        HBRUSH background = CreateSolidBrush(g_state.pictureBackground);
        FillRect(hdc, &area, background);
        DeleteObject(background);
    }

    const BYTE* bits = reinterpret_cast<const BYTE*>(&picture->bmi) + picture->bitsOffset;
    StretchDIBits(hdc, area.left + marginX, area.top + marginY, w, h, 0, 0,
                  static_cast<SHORT>(w), static_cast<SHORT>(h), bits, &picture->bmi,
                  DIB_RGB_COLORS, SRCCOPY);
    DrawFrame(hdc, area);
}

void RealizePicturePalette(const BITMAPINFO* bmi, HDC hdc)
{
    int entries = PaletteEntryCount(bmi->bmiHeader.biBitCount, bmi->bmiHeader.biClrUsed);
    if (entries == 0)
        return;  // not an 8-bit picture: any earlier palette stays

    // Without the memory no new palette is made; the earlier one stays.
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4 * entries + 8);
    if (!memory)
        return;
    LOGPALETTE* logical = static_cast<LOGPALETTE*>(GlobalLock(memory));
    if (!logical) {
        GlobalFree(memory);
        return;
    }
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(entries);
    // The colour table follows the 40-byte header whatever biSize says.
    const RGBQUAD* colors = bmi->bmiColors;
    for (int k = 0; k < entries; ++k) {
        logical->palPalEntry[k].peRed = colors[k].rgbRed;
        logical->palPalEntry[k].peGreen = colors[k].rgbGreen;
        logical->palPalEntry[k].peBlue = colors[k].rgbBlue;
        logical->palPalEntry[k].peFlags = 0;
    }
    HPALETTE palette = CreatePalette(logical);
    GlobalUnlock(memory);
    GlobalFree(memory);
    if (!palette)
        return;

    SelectPalette(hdc, palette, FALSE);
    if (g_state.palette)
        DeleteObject(g_state.palette);
    g_state.palette = palette;
    RealizePalette(hdc);
}
