// The dialog's drawing read back pixel by pixel: the segmented bars and
// their sunken edges, the separator after the brand label, and the host
// picture with its margins, frame and palette.
#include "host_fixture.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <set>

#include "resource.h"

namespace {

// ---- Reading the dialog back --------------------------------------------

struct Screen {
    int w = 0, h = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB, rows from the top
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    COLORREF At(int x, int y) const
    {
        if (!Inside(x, y))
            return CLR_INVALID;
        DWORD p = pixels[(size_t)y * w + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
};

// hwnd's client area (or, with whole, the window with its frame) read back
// through a 32-bit top-down DIB section, as 0x00RRGGBB rows from the top.
Screen ReadBack(HWND hwnd, bool whole = false)
{
    Screen s;
    RECT r = {0, 0, 0, 0};
    if (whole) {
        GetWindowRect(hwnd, &r);
        OffsetRect(&r, -r.left, -r.top);
    } else {
        GetClientRect(hwnd, &r);
    }
    if (r.right <= 0 || r.bottom <= 0)
        return s;
    HDC dc = whole ? GetWindowDC(hwnd) : GetDC(hwnd);
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = r.right;
    bmi.bmiHeader.biHeight = -r.bottom;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* bits = NULL;
    HBITMAP bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, &bits, NULL, 0);
    HDC mem = CreateCompatibleDC(dc);
    if (bitmap && mem && bits) {
        HGDIOBJ previous = SelectObject(mem, bitmap);
        if (BitBlt(mem, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY)) {
            GdiFlush();
            const DWORD* p = static_cast<const DWORD*>(bits);
            s.w = r.right;
            s.h = r.bottom;
            s.pixels.assign(p, p + (size_t)s.w * s.h);
            for (DWORD& px : s.pixels)
                px &= 0x00FFFFFF;
        }
        SelectObject(mem, previous);
    }
    if (mem)
        DeleteDC(mem);
    if (bitmap)
        DeleteObject(bitmap);
    ReleaseDC(hwnd, dc);
    return s;
}

// The client area as it is on screen once every pending paint is done.
Screen Grab(HWND dlg)
{
    UpdateWindow(dlg);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return ReadBack(dlg);
}

// Writes a read-back picture as a 24-bit BMP file.
bool SaveBmp(const Screen& s, const char* path)
{
    return WriteBitmapFile(path, s.w, s.h, s.pixels);
}

std::string Hex(COLORREF c)
{
    char buf[16];
    wsprintfA(buf, "%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return buf;
}

// Rectangles of the visible child windows: what they draw covers the
// dialog's own drawing.
std::vector<RECT> VisibleChildren(HWND dlg)
{
    std::vector<RECT> rects;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c))
            continue;
        RECT r;
        GetWindowRect(c, &r);
        MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&r), 2);
        rects.push_back(r);
    }
    return rects;
}

bool Covered(const std::vector<RECT>& rects, int x, int y)
{
    POINT p = {x, y};
    for (const RECT& r : rects)
        if (PtInRect(&r, p))
            return true;
    return false;
}

// Runs [start, end) of colour c along row y between x0 and x1.
std::vector<std::pair<int, int>> Runs(const Screen& s, int y, int x0, int x1, COLORREF c)
{
    std::vector<std::pair<int, int>> runs;
    for (int x = x0; x < x1; ++x) {
        if (s.At(x, y) != c)
            continue;
        if (!runs.empty() && runs.back().second == x)
            runs.back().second = x + 1;
        else
            runs.push_back({x, x + 1});
    }
    return runs;
}

// ---- The bars as a host sees them ----------------------------------------

struct Bar {
    RECT frame;  // the placeholder's rectangle: the sunken edge
    int left, top, right, bottom;  // inner area
    int blockWidth, blockCount;
};

Bar MeasuredBar(HWND dlg, int id)
{
    Bar b;
    b.frame = ItemRectInClient(dlg, id);
    b.left = b.frame.left + 1;
    b.top = b.frame.top + 1;
    b.right = b.frame.right - 1;
    b.bottom = b.frame.bottom - 1;
    int h = b.bottom - b.top;
    int inner = h > 20 ? h - 3 : h - 2;
    b.blockWidth = 2 * inner / 3;
    b.blockCount = (b.right - b.left - 1) / (b.blockWidth + 2);
    return b;
}

// The lit runs a value gives: block after block, each blockWidth wide with a
// two-pixel gap, until one step per block reaches the value; after the last
// full block comes the tail up to three pixels before the inner edge.
std::vector<std::pair<int, int>> ExpectedRuns(const Bar& b, int value)
{
    value = std::max(0, std::min(value, 1000));
    std::vector<std::pair<int, int>> runs;
    int step = 1000 / b.blockCount;
    int left = b.left + 2;
    int right = left + b.blockWidth;
    for (int i = 1; value > 0; ++i) {
        if (right > left)
            runs.push_back({left, right});
        left = right + 2;
        right = i + 1 > b.blockCount ? b.right - 3 : left + b.blockWidth;
        if (value <= step * i || i > b.blockCount)
            break;
    }
    return runs;
}

void ExpectBar(const Screen& s, const Bar& b, int value, const char* name)
{
    SCOPED_TRACE(testing::Message() << name << " bar at value " << value);
    ASSERT_GT(b.blockCount, 0);
    int y = (b.top + b.bottom) / 2;
    COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    auto lit = Runs(s, y, b.left, b.right, highlight);
    auto expected = ExpectedRuns(b, value);
    SCOPED_TRACE(testing::Message() << "inner " << b.left << "," << b.top << " - " << b.right << "," << b.bottom
                                    << ", blocks " << b.blockCount << " x " << b.blockWidth);
    EXPECT_EQ(lit.size(), expected.size());
    if (!lit.empty() && !expected.empty())
        EXPECT_EQ(lit.back(), expected.back()) << "the last lit run";
    EXPECT_EQ(lit, expected);
    // Everything after the lit blocks is cleared.
    int clearFrom = expected.empty() ? b.left + 2 : expected.back().second + 2;
    for (int x = clearFrom; x < b.right - 1; ++x)
        ASSERT_EQ(s.At(x, y), face) << "x " << x;
    // The blocks keep to their rows: nothing lit two rows inside the edge.
    EXPECT_TRUE(Runs(s, b.top + 1, b.left, b.right, highlight).empty());
    EXPECT_TRUE(Runs(s, b.bottom - 2, b.left, b.right, highlight).empty());

    // The sunken edge one pixel outside the inner area.
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF light = GetSysColor(COLOR_BTNHIGHLIGHT);
    int mx = (b.left + b.right) / 2;
    EXPECT_EQ(Hex(s.At(mx, b.top - 1)), Hex(shadow)) << "top edge";
    EXPECT_EQ(Hex(s.At(b.left - 1, y)), Hex(shadow)) << "left edge";
    EXPECT_EQ(Hex(s.At(mx, b.bottom)), Hex(light)) << "bottom edge";
    EXPECT_EQ(Hex(s.At(b.right, y)), Hex(light)) << "right edge";
}

// ---- Host pictures ------------------------------------------------------

// A HostPicture in a buffer of its own, with a distinctive pattern: every
// pixel's colour tells where in the picture it comes from.
struct PictureBuffer {
    std::vector<BYTE> bytes;
    int w = 0, h = 0, bits = 24;
    std::vector<COLORREF> table;  // colour table of an 8-bit picture
    const HostPicture* get() const { return reinterpret_cast<const HostPicture*>(bytes.data()); }

    int Index(int x, int y) const { return (x * 3 + y * 5) % (int)std::min<size_t>(table.size(), 256); }
    // Colour of picture pixel (x, y), y counted from the top.
    COLORREF Expected(int x, int y) const
    {
        if (bits == 8)
            return table[Index(x, y)];
        return RGB(x, 100 + y, 0xC3);
    }
};

const int kGapBeforeBits = 6;  // the pixel data does not follow the table directly

PictureBuffer MakePicture(int w, int h, int bits, DWORD clrUsed = 0, bool topDown = false)
{
    PictureBuffer p;
    p.w = w;
    p.h = h;
    p.bits = bits;
    int tableEntries = bits == 8 ? (clrUsed ? (int)clrUsed : 256) : 0;
    for (int k = 0; k < tableEntries; ++k)
        p.table.push_back(RGB(k & 0xFF, 255 - (k & 0xFF), 0x33 + (k >> 8) * 0x40));
    int stride = ((w * bits / 8) + 3) & ~3;
    DWORD bitsOffset = 40 + 4 * tableEntries + kGapBeforeBits;
    p.bytes.assign(10 + bitsOffset + (size_t)stride * h, 0xEE);

    BYTE* b = p.bytes.data();
    b[0] = (BYTE)w;
    b[1] = (BYTE)(w >> 8);
    b[2] = (BYTE)h;
    b[3] = (BYTE)(h >> 8);
    memcpy(b + 4, &bitsOffset, 4);
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = topDown ? -h : h;
    bih.biPlanes = 1;
    bih.biBitCount = (WORD)bits;
    bih.biCompression = BI_RGB;
    bih.biClrUsed = clrUsed;
    memcpy(b + 10, &bih, sizeof bih);
    for (int k = 0; k < tableEntries; ++k) {
        RGBQUAD q = {GetBValue(p.table[k]), GetGValue(p.table[k]), GetRValue(p.table[k]), 0};
        memcpy(b + 10 + 40 + 4 * k, &q, 4);
    }
    BYTE* pixels = b + 10 + bitsOffset;
    for (int y = 0; y < h; ++y) {
        BYTE* row = pixels + (size_t)(topDown ? y : h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            if (bits == 8) {
                row[x] = (BYTE)p.Index(x, y);
            } else {
                COLORREF c = p.Expected(x, y);
                row[x * 3 + 0] = GetBValue(c);
                row[x * 3 + 1] = GetGValue(c);
                row[x * 3 + 2] = GetRValue(c);
            }
        }
    }
    return p;
}

// ---- Watching the module's GDI calls through its import table -------------

struct Watch {
    DWORD thread = 0;             // only calls on the host's thread count
    int unitsX = 0, unitsY = 0;   // when set, 100 dialog units map to these pixels
    bool failAlloc = false;
    bool failLock = false;
    int stretchCalls = 0;
    int globalAllocs = 0, globalFrees = 0;
    std::vector<std::vector<PALETTEENTRY>> palettes;  // each CreatePalette's entries
    std::set<HGDIOBJ> pens, brushes, livePalettes;   // created and not yet deleted
    int palettesDeleted = 0;
    std::vector<COLORREF> penColours;
};

Watch g_watch;

struct RealCalls {
    decltype(&CreatePalette) createPalette;
    decltype(&CreatePen) createPen;
    decltype(&CreateSolidBrush) createSolidBrush;
    decltype(&DeleteObject) deleteObject;
    decltype(&StretchDIBits) stretchDIBits;
    decltype(&MapDialogRect) mapDialogRect;
    decltype(&GlobalAlloc) globalAlloc;
    decltype(&GlobalLock) globalLock;
    decltype(&GlobalFree) globalFree;
} g_real;

bool OnHostThread()
{
    return GetCurrentThreadId() == g_watch.thread;
}

HPALETTE WINAPI WatchCreatePalette(const LOGPALETTE* lp)
{
    HPALETTE p = g_real.createPalette(lp);
    if (OnHostThread()) {
        g_watch.palettes.emplace_back(lp->palPalEntry, lp->palPalEntry + lp->palNumEntries);
        if (p)
            g_watch.livePalettes.insert(p);
    }
    return p;
}

HPEN WINAPI WatchCreatePen(int style, int width, COLORREF colour)
{
    HPEN p = g_real.createPen(style, width, colour);
    if (OnHostThread() && p) {
        g_watch.pens.insert(p);
        g_watch.penColours.push_back(colour);
    }
    return p;
}

HBRUSH WINAPI WatchCreateSolidBrush(COLORREF colour)
{
    HBRUSH b = g_real.createSolidBrush(colour);
    if (OnHostThread() && b)
        g_watch.brushes.insert(b);
    return b;
}

BOOL WINAPI WatchDeleteObject(HGDIOBJ object)
{
    if (OnHostThread()) {
        g_watch.pens.erase(object);
        g_watch.brushes.erase(object);
        if (g_watch.livePalettes.erase(object))
            ++g_watch.palettesDeleted;
    }
    return g_real.deleteObject(object);
}

int WINAPI WatchStretchDIBits(HDC hdc, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                              const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop)
{
    if (OnHostThread())
        ++g_watch.stretchCalls;
    return g_real.stretchDIBits(hdc, x, y, w, h, sx, sy, sw, sh, bits, bmi, usage, rop);
}

BOOL WINAPI WatchMapDialogRect(HWND hwnd, LPRECT rect)
{
    if (g_watch.unitsX && rect->left == 0 && rect->top == 0 && rect->right == 100 && rect->bottom == 100) {
        rect->right = g_watch.unitsX;
        rect->bottom = g_watch.unitsY;
        return TRUE;
    }
    return g_real.mapDialogRect(hwnd, rect);
}

HGLOBAL WINAPI WatchGlobalAlloc(UINT flags, SIZE_T bytes)
{
    if (OnHostThread() && g_watch.failAlloc)
        return NULL;
    HGLOBAL g = g_real.globalAlloc(flags, bytes);
    if (OnHostThread() && g)
        ++g_watch.globalAllocs;
    return g;
}

LPVOID WINAPI WatchGlobalLock(HGLOBAL g)
{
    if (OnHostThread() && g_watch.failLock)
        return NULL;
    return g_real.globalLock(g);
}

HGLOBAL WINAPI WatchGlobalFree(HGLOBAL g)
{
    if (OnHostThread())
        ++g_watch.globalFrees;
    return g_real.globalFree(g);
}

template <typename F>
void Patch(HMODULE module, const char* dll, const char* name, F* replacement, F*& real)
{
    void* previous = PatchImport(module, dll, name, reinterpret_cast<void*>(replacement));
    ASSERT_NE(previous, nullptr) << dll << "!" << name;
    real = reinterpret_cast<F*>(previous);
}

class PaintHost : public ProgressHost {
protected:
    void SetUp() override
    {
        ProgressHost::SetUp();
        g_watch = Watch();
        g_watch.thread = GetCurrentThreadId();
        Patch(module, "gdi32.dll", "CreatePalette", &WatchCreatePalette, g_real.createPalette);
        Patch(module, "gdi32.dll", "CreatePen", &WatchCreatePen, g_real.createPen);
        Patch(module, "gdi32.dll", "CreateSolidBrush", &WatchCreateSolidBrush, g_real.createSolidBrush);
        Patch(module, "gdi32.dll", "DeleteObject", &WatchDeleteObject, g_real.deleteObject);
        Patch(module, "gdi32.dll", "StretchDIBits", &WatchStretchDIBits, g_real.stretchDIBits);
        Patch(module, "user32.dll", "MapDialogRect", &WatchMapDialogRect, g_real.mapDialogRect);
        Patch(module, "kernel32.dll", "GlobalAlloc", &WatchGlobalAlloc, g_real.globalAlloc);
        Patch(module, "kernel32.dll", "GlobalLock", &WatchGlobalLock, g_real.globalLock);
        Patch(module, "kernel32.dll", "GlobalFree", &WatchGlobalFree, g_real.globalFree);
    }

    // Brushes and pens made on the host's thread are all deleted again.
    void ExpectNoPaintObjectsLeft()
    {
        EXPECT_TRUE(g_watch.pens.empty()) << g_watch.pens.size() << " pens left";
        EXPECT_TRUE(g_watch.brushes.empty()) << g_watch.brushes.size() << " brushes left";
        EXPECT_LE(g_watch.livePalettes.size(), 1u);  // the current one, until finish
    }

    // Forces a full repaint, as when the dialog is uncovered.
    Screen Repaint()
    {
        InvalidateRect(dlg, NULL, TRUE);
        return Grab(dlg);
    }
};

// ---- Bars ---------------------------------------------------------------

struct BarCase {
    const char* name;
    bool full;
    int overall, current;
};

class BarValues : public PaintHost, public ::testing::WithParamInterface<BarCase> {};

TEST_P(BarValues, LightBlockByBlockInsideASunkenEdge)
{
    const BarCase& c = GetParam();
    ASSERT_NE(Create(c.full), (HWND)NULL);
    Progress("Copying", c.overall, c.current);  // the first show paints everything
    Screen s = Grab(dlg);
    ASSERT_EQ(s.pixels.size(), (size_t)s.w * s.h);
    ASSERT_GT(s.w, 0);

    ExpectBar(s, MeasuredBar(dlg, IDC_BAR_ALL), c.overall, "All");
    if (c.full)
        ExpectBar(s, MeasuredBar(dlg, IDC_BAR_CURRENT), c.current, "Current");
    else
        EXPECT_EQ(GetDlgItem(dlg, IDC_BAR_CURRENT), (HWND)NULL);
    ExpectNoPaintObjectsLeft();
}

INSTANTIATE_TEST_SUITE_P(
    Values, BarValues,
    ::testing::Values(BarCase{"Empty", true, 0, 1000}, BarCase{"OnePerMille", true, 1, 999},
                      BarCase{"Half", true, 500, 500}, BarCase{"Full", true, 1000, 0},
                      BarCase{"BelowZero", true, -5, 1005}, BarCase{"FarOutside", true, 5000, -5000},
                      BarCase{"CompactEmpty", false, 0, 0}, BarCase{"CompactOne", false, 1, 0},
                      BarCase{"CompactPart", false, 455, 0}, BarCase{"CompactFull", false, 1000, 0},
                      BarCase{"CompactBelowZero", false, -1, 0}),
    [](const ::testing::TestParamInfo<BarCase>& p) { return std::string(p.param.name); });

TEST_F(PaintHost, EachReportRepaintsOnlyTheBarsAndClearsWhatItNoLongerLights)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 1000, 1000);
    Bar all = MeasuredBar(dlg, IDC_BAR_ALL);
    Bar current = MeasuredBar(dlg, IDC_BAR_CURRENT);
    Screen s = Grab(dlg);
    ExpectBar(s, all, 1000, "All");
    ExpectBar(s, current, 1000, "Current");

    // A mark on the dialog outside the bars: a report must not paint over it.
    RECT client;
    GetClientRect(dlg, &client);
    RECT mark = {2, client.bottom - 6, 8, client.bottom - 2};
    HDC dc = GetDC(dlg);
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(dc, &mark, magenta);
    DeleteObject(magenta);
    ReleaseDC(dlg, dc);

    for (int value : {0, 500, 1, 1000, 0}) {
        Progress(NULL, value, 1000 - value);
        s = Grab(dlg);
        ExpectBar(s, all, value, "All");
        ExpectBar(s, current, 1000 - value, "Current");
        EXPECT_EQ(Hex(s.At(4, client.bottom - 4)), Hex(RGB(255, 0, 255))) << "after " << value;
    }
    ExpectNoPaintObjectsLeft();
}

TEST_F(PaintHost, BarsKeepTheirValueWhileACancelIsReported)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 500, 250);
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    ASSERT_EQ(Progress("Cancelled?", 1000, 1000), dlg);
    Screen s = Repaint();
    ExpectBar(s, MeasuredBar(dlg, IDC_BAR_ALL), 500, "All");
    ExpectBar(s, MeasuredBar(dlg, IDC_BAR_CURRENT), 250, "Current");
}

// ---- Separator ----------------------------------------------------------

TEST_F(PaintHost, SeparatorBeginsWhereTheBrandTextEnds)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    HWND brand = GetDlgItem(dlg, IDC_BRAND);
    RECT before = ItemRectInClient(dlg, IDC_BRAND);
    Progress("Copying", 300, 300);
    Screen s = Grab(dlg);

    // The label now spans exactly its text.
    HDC dc = GetDC(dlg);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(brand, WM_GETFONT, 0, 0)));
    std::string text = WindowText(brand);
    SIZE extent = {0, 0};
    GetTextExtentPoint32A(dc, text.c_str(), (int)text.size(), &extent);
    SelectObject(dc, old);
    ReleaseDC(dlg, dc);
    ASSERT_GT(extent.cx, 0);
    RECT label = ItemRectInClient(dlg, IDC_BRAND);
    EXPECT_EQ(label.left, before.left);
    EXPECT_EQ(label.top, before.top);
    EXPECT_EQ(label.bottom, before.bottom);
    EXPECT_EQ(label.right - label.left, extent.cx);
    EXPECT_LT(label.right, before.right);

    // Two lines: shadow, then the window colour one row below, from the
    // text's end up to and including the placeholder's right edge.
    RECT sep = ItemRectInClient(dlg, IDC_SEPARATOR);
    int y = sep.top + 1;
    COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF window = GetSysColor(COLOR_WINDOW);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    std::vector<std::pair<int, int>> line = {{label.right, std::min<int>(sep.right + 1, s.w)}};
    EXPECT_EQ(Runs(s, y, label.right, s.w, shadow), line);
    EXPECT_EQ(Runs(s, y + 1, label.right, s.w, window), line);
    int mid = (label.right + sep.right) / 2;
    EXPECT_EQ(Hex(s.At(mid, y - 1)), Hex(face));
    EXPECT_EQ(Hex(s.At(mid, y + 2)), Hex(face));

    // Later paints leave the label as it is.
    Repaint();
    RECT again = ItemRectInClient(dlg, IDC_BRAND);
    EXPECT_TRUE(EqualRect(&again, &label));
    ExpectNoPaintObjectsLeft();
}

// ---- Host picture -------------------------------------------------------

struct PictureCase {
    const char* name;
    int w, h, bits;
    DWORD clrUsed;
    bool topDown;
    int unitsX, unitsY;  // 0: the dialog's own metrics
    COLORREF background;
    int paletteEntries;  // 0: no palette made
};

// What the picture looks like on screen: margins, the picture, the frame.
void ExpectPicture(HWND dlg, const Screen& s, const PictureBuffer& pic, const PictureCase& c)
{
    RECT area = ItemRectInClient(dlg, IDC_PICTURE_AREA);
    RECT units = {0, 0, 100, 100};
    MapDialogRect(dlg, &units);
    int px = c.unitsX ? c.unitsX : units.right;
    int py = c.unitsX ? c.unitsY : units.bottom;
    int mx = ((px * pic.w) / 150 - pic.w) / 2;
    int my = ((py * pic.h) / 163 - pic.h) / 2;
    int L = area.left, T = area.top;
    int R = L + 2 * mx + pic.w, B = T + 2 * my + pic.h;
    SCOPED_TRACE(testing::Message() << "100 units = " << px << " x " << py << ", margins " << mx << ", "
                                    << my << ", frame " << L << "," << T << " - " << R << "," << B);
    std::vector<RECT> children = VisibleChildren(dlg);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF marginColour = (mx || my) && c.background ? c.background : face;

    int pictureChecked = 0, marginChecked = 0, wrong = 0;
    for (int y = std::max(T + 1, 0); y < B && y < s.h; ++y) {
        for (int x = std::max(L + 1, 0); x < R && x < s.w; ++x) {
            if (Covered(children, x, y))
                continue;
            int ix = x - L - mx, iy = y - T - my;
            bool inPicture = ix >= 0 && iy >= 0 && ix < pic.w && iy < pic.h;
            COLORREF expected = inPicture ? pic.Expected(ix, iy) : marginColour;
            (inPicture ? pictureChecked : marginChecked)++;
            if (s.At(x, y) != expected && wrong++ < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << " is " << Hex(s.At(x, y)) << ", expected "
                              << Hex(expected) << (inPicture ? " (picture)" : " (margin)");
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(pictureChecked, pic.w * pic.h / 4);
    if (mx > 0 && my > 0)
        EXPECT_GT(marginChecked, 0);

    // Frame: grey on the left and top, white on the right and bottom.
    const COLORREF white = RGB(255, 255, 255), grey = RGB(128, 128, 128);
    int frameWrong = 0;
    auto frame = [&](int x, int y, COLORREF colour) {
        if (!s.Inside(x, y) || Covered(children, x, y))
            return;
        if (s.At(x, y) != colour && frameWrong++ < 5)
            ADD_FAILURE() << "frame pixel " << x << "," << y << " is " << Hex(s.At(x, y)) << ", expected "
                          << Hex(colour);
    };
    for (int y = T; y <= B; ++y) {
        frame(L, y, grey);
        if (y < B)
            frame(R, y, white);
    }
    for (int x = L + 1; x <= R; ++x) {
        frame(x, B, white);
        if (x < R)
            frame(x, T, grey);
    }
    EXPECT_EQ(frameWrong, 0);
    // Nothing beyond the frame, unless negative margins let the picture out.
    for (int y = T + 1; mx >= 0 && y < B; ++y)
        if (!Covered(children, R + 1, y) && s.Inside(R + 1, y)) {
            EXPECT_EQ(Hex(s.At(R + 1, y)), Hex(face)) << "right of the frame, row " << y;
            break;
        }
}

class HostPictures : public PaintHost, public ::testing::WithParamInterface<PictureCase> {};

TEST_P(HostPictures, LandOneToOneInTheirMarginsAndFrame)
{
    const PictureCase& c = GetParam();
    PictureBuffer pic = MakePicture(c.w, c.h, c.bits, c.clrUsed, c.topDown);
    info.picture = pic.get();
    info.pictureBackground = c.background;
    g_watch.unitsX = c.unitsX;
    g_watch.unitsY = c.unitsY;
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 200, 700);
    Screen s = Grab(dlg);
    ExpectPicture(dlg, s, pic, c);

    EXPECT_GE(g_watch.stretchCalls, 1);
    if (c.paletteEntries == 0) {
        EXPECT_TRUE(g_watch.palettes.empty());
    } else {
        ASSERT_FALSE(g_watch.palettes.empty());
        for (const auto& entries : g_watch.palettes) {
            ASSERT_EQ(entries.size(), (size_t)c.paletteEntries);
            for (size_t k = 0; k < entries.size(); ++k) {
                COLORREF colour = RGB(entries[k].peRed, entries[k].peGreen, entries[k].peBlue);
                ASSERT_EQ(colour, pic.table[k]) << "entry " << k;
                ASSERT_EQ(entries[k].peFlags, 0) << "entry " << k;
            }
        }
        // A new palette at every paint; the one before it is deleted.
        EXPECT_EQ(g_watch.livePalettes.size(), 1u);
        EXPECT_EQ(g_watch.palettesDeleted, (int)g_watch.palettes.size() - 1);
        EXPECT_EQ(g_watch.globalAllocs, g_watch.globalFrees);
    }
    ExpectNoPaintObjectsLeft();

    // The next reports do not touch the picture area; a full repaint draws
    // the same again.
    Progress(NULL, 400, 100);
    s = Repaint();
    ExpectPicture(dlg, s, pic, c);

    Finish();
    EXPECT_TRUE(g_watch.livePalettes.empty()) << "finish deletes the last palette";
}

const COLORREF kBackground = RGB(0x20, 0x80, 0x40);

INSTANTIATE_TEST_SUITE_P(
    Kinds, HostPictures,
    ::testing::Values(
        PictureCase{"TrueColourOwnMetrics", 121, 80, 24, 0, false, 0, 0, kBackground, 0},
        PictureCase{"TrueColourPictureMetrics", 120, 80, 24, 0, false, 150, 163, kBackground, 0},
        PictureCase{"TrueColourLargeUnits", 120, 80, 24, 0, false, 175, 200, kBackground, 0},
        PictureCase{"TrueColourLargeUnitsNoFill", 120, 80, 24, 0, false, 175, 200, 0, 0},
        PictureCase{"TrueColourSmallUnits", 120, 80, 24, 0, false, 140, 150, kBackground, 0},
        PictureCase{"Paletted256LargeUnits", 64, 48, 8, 0, false, 175, 200, kBackground, 256},
        PictureCase{"Paletted16TopDown", 65, 47, 8, 16, true, 0, 0, kBackground, 16},
        PictureCase{"PalettedOversizedTable", 64, 48, 8, 300, false, 180, 190, kBackground, 256}),
    [](const ::testing::TestParamInfo<PictureCase>& p) { return std::string(p.param.name); });

TEST_F(PaintHost, WorkedExampleMarginsTenAndNine)
{
    // 100 dialog units = 175 x 200 pixels, a 120 x 80 picture: the area is
    // 140 x 98 and the picture sits 10 right of and 9 below its corner.
    PictureBuffer pic = MakePicture(120, 80, 24);
    info.picture = pic.get();
    info.pictureBackground = kBackground;
    g_watch.unitsX = 175;
    g_watch.unitsY = 200;
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 0, 0);
    Screen s = Grab(dlg);
    RECT area = ItemRectInClient(dlg, IDC_PICTURE_AREA);
    int L = area.left, T = area.top;
    std::vector<RECT> children = VisibleChildren(dlg);
    // A column left of the heading: frame, margin, picture, margin, frame.
    int x = L + 12;
    ASSERT_FALSE(Covered(children, x, T + 50));
    EXPECT_EQ(Hex(s.At(x, T)), Hex(RGB(128, 128, 128)));
    EXPECT_EQ(Hex(s.At(x, T + 8)), Hex(kBackground));
    EXPECT_EQ(Hex(s.At(x, T + 50)), Hex(pic.Expected(2, 41)));
    EXPECT_EQ(Hex(s.At(x, T + 9 + 79)), Hex(pic.Expected(2, 79)));
    EXPECT_EQ(Hex(s.At(x, T + 9 + 80)), Hex(kBackground));
    EXPECT_EQ(Hex(s.At(x, T + 98)), Hex(RGB(255, 255, 255)));
    EXPECT_EQ(Hex(s.At(L + 140, T + 50)), Hex(RGB(255, 255, 255)));
    EXPECT_EQ(Hex(s.At(L + 139, T + 50)), Hex(kBackground));
}

TEST_F(PaintHost, NullPictureDrawsNothingNotEvenTheFrame)
{
    info.picture = NULL;
    info.pictureBackground = kBackground;
    g_watch.unitsX = 175;
    g_watch.unitsY = 200;
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 500, 500);
    Screen s = Grab(dlg);
    std::vector<RECT> children = VisibleChildren(dlg);
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    RECT area = ItemRectInClient(dlg, IDC_PICTURE_AREA);
    int checked = 0;
    for (int y = area.top; y <= area.top + 200 && y < s.h; ++y)
        for (int x = area.left; x <= area.left + 200 && x < s.w; ++x) {
            if (Covered(children, x, y))
                continue;
            ++checked;
            ASSERT_EQ(Hex(s.At(x, y)), Hex(face)) << x << "," << y;
        }
    EXPECT_GT(checked, 1000);
    EXPECT_EQ(g_watch.stretchCalls, 0);
    EXPECT_TRUE(g_watch.palettes.empty());
}

TEST_F(PaintHost, CompactLayoutShowsNoHostPicture)
{
    PictureBuffer pic = MakePicture(64, 48, 8);
    info.picture = pic.get();
    info.pictureBackground = kBackground;
    g_watch.unitsX = 175;
    g_watch.unitsY = 200;
    ASSERT_NE(Create(false), (HWND)NULL);
    Progress("Copying", 500, 0);
    Screen s = Repaint();
    EXPECT_EQ(g_watch.stretchCalls, 0);
    EXPECT_TRUE(g_watch.palettes.empty());
    EXPECT_TRUE(g_watch.penColours.empty());  // no frame, and no separator in this layout
    int background = 0;
    for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x)
            background += s.At(x, y) == kBackground;
    EXPECT_EQ(background, 0);
    // The bar is drawn all the same.
    ExpectBar(s, MeasuredBar(dlg, IDC_BAR_ALL), 500, "All");
}

TEST_F(PaintHost, LaterPictureKeepsTheFirstLayout)
{
    PictureBuffer first = MakePicture(120, 80, 24);
    PictureBuffer second = MakePicture(60, 40, 8, 16);
    info.picture = first.get();
    info.pictureBackground = kBackground;
    g_watch.unitsX = 175;
    g_watch.unitsY = 200;
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 100, 100);
    info.picture = second.get();
    Progress("Next", 200, 200);
    Screen s = Repaint();
    RECT area = ItemRectInClient(dlg, IDC_PICTURE_AREA);
    // Drawn at the first picture's margins, inside its frame of 140 x 98.
    int x = area.left + 12;
    EXPECT_EQ(Hex(s.At(x, area.top + 9 + 30)), Hex(second.Expected(2, 30)));
    EXPECT_EQ(Hex(s.At(x, area.top + 9 + 45)), Hex(kBackground));
    EXPECT_EQ(Hex(s.At(x, area.top + 98)), Hex(RGB(255, 255, 255)));
    EXPECT_EQ(Hex(s.At(area.left + 140, area.top + 50)), Hex(RGB(255, 255, 255)));
    ASSERT_FALSE(g_watch.palettes.empty());
    EXPECT_EQ(g_watch.palettes.back().size(), 16u);
}

struct FailCase {
    const char* name;
    bool failAlloc, failLock;
};

class PaletteMemory : public PaintHost, public ::testing::WithParamInterface<FailCase> {};

TEST_P(PaletteMemory, FailureMakesNoNewPaletteAndKeepsTheLastOne)
{
    const FailCase& c = GetParam();
    PictureBuffer pic = MakePicture(64, 48, 8);
    info.picture = pic.get();
    info.pictureBackground = kBackground;
    g_watch.unitsX = 175;
    g_watch.unitsY = 200;
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 100, 100);
    ASSERT_EQ(g_watch.livePalettes.size(), 1u);
    HGDIOBJ kept = *g_watch.livePalettes.begin();
    size_t made = g_watch.palettes.size();

    g_watch.failAlloc = c.failAlloc;
    g_watch.failLock = c.failLock;
    Screen s = Repaint();
    EXPECT_EQ(g_watch.palettes.size(), made);
    ASSERT_EQ(g_watch.livePalettes.size(), 1u);
    EXPECT_EQ(*g_watch.livePalettes.begin(), kept);
    EXPECT_EQ(g_watch.globalAllocs, g_watch.globalFrees) << "memory freed even when it cannot be locked";
    // The picture itself is drawn all the same.
    PictureCase pc = {"", 64, 48, 8, 0, false, 175, 200, kBackground, 256};
    ExpectPicture(dlg, s, pic, pc);

    g_watch.failAlloc = g_watch.failLock = false;
    Repaint();
    EXPECT_EQ(g_watch.palettes.size(), made + 1);
    EXPECT_EQ(g_watch.livePalettes.count(kept), 0u);
    Finish();
    EXPECT_TRUE(g_watch.livePalettes.empty());
}

INSTANTIATE_TEST_SUITE_P(Failures, PaletteMemory,
                         ::testing::Values(FailCase{"Alloc", true, false}, FailCase{"Lock", false, true}),
                         [](const ::testing::TestParamInfo<FailCase>& p) { return std::string(p.param.name); });

TEST_F(PaintHost, TrueColourPictureKeepsAnEarlierPalette)
{
    PictureBuffer paletted = MakePicture(64, 48, 8, 16);
    PictureBuffer trueColour = MakePicture(64, 48, 24);
    info.picture = paletted.get();
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 100, 100);
    ASSERT_EQ(g_watch.livePalettes.size(), 1u);
    HGDIOBJ kept = *g_watch.livePalettes.begin();
    info.picture = trueColour.get();
    Progress("Next", 200, 200);
    Repaint();
    ASSERT_EQ(g_watch.livePalettes.size(), 1u);
    EXPECT_EQ(*g_watch.livePalettes.begin(), kept);
}

// A look at the whole full layout: bars part-filled and a host picture.
// Written only when PROGRESS_PAINT_SHOT names a file (a Windows path).
TEST_F(PaintHost, FullLayoutPicture)
{
    PictureBuffer pic = MakePicture(121, 80, 24);
    info.picture = pic.get();
    info.pictureBackground = kBackground;
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying file:\nC:\\Program Files\\Test Application\\data\\archive.bin", 455, 700);
    Screen s = Grab(dlg);
    ExpectBar(s, MeasuredBar(dlg, IDC_BAR_ALL), 455, "All");
    ExpectBar(s, MeasuredBar(dlg, IDC_BAR_CURRENT), 700, "Current");
    const char* path = getenv("PROGRESS_PAINT_SHOT");
    if (path && *path)
        EXPECT_TRUE(SaveBmp(ReadBack(dlg, true), path)) << path;
}

}  // namespace
