// What a progress report costs the paint that follows: only bars whose lit
// blocks change are invalidated, and a paint of the bars alone leaves the
// picture and the separator undrawn, with pixels as a full paint gives them.
#include "host_fixture.h"

#include "resource.h"

namespace {

int g_stretchDIBits = 0;
int (WINAPI* g_realStretchDIBits)(HDC, int, int, int, int, int, int, int, int, const void*,
                                  const BITMAPINFO*, UINT, DWORD) = NULL;

int WINAPI CountingStretchDIBits(HDC dc, int x, int y, int w, int h, int sx, int sy, int sw, int sh,
                                 const void* bits, const BITMAPINFO* bmi, UINT usage, DWORD rop)
{
    ++g_stretchDIBits;
    return g_realStretchDIBits(dc, x, y, w, h, sx, sy, sw, sh, bits, bmi, usage, rop);
}

// A 16 x 16 24-bit picture.
struct SmallPicture {
    std::vector<BYTE> bytes;
    SmallPicture() : bytes(10 + 40 + 16 * 16 * 3, 0x80)
    {
        HostPicture* p = reinterpret_cast<HostPicture*>(bytes.data());
        p->width = 16;
        p->height = 16;
        p->bitsOffset = 40;
        BITMAPINFOHEADER& h = p->bmi.bmiHeader;
        memset(&h, 0, sizeof h);
        h.biSize = 40;
        h.biWidth = 16;
        h.biHeight = 16;
        h.biPlanes = 1;
        h.biBitCount = 24;
    }
    const HostPicture* get() const { return reinterpret_cast<const HostPicture*>(bytes.data()); }
};

// The dialog's client pixels, read from the window's device context, less
// the animation window, which draws on its own.
std::vector<COLORREF> ClientPixels(HWND dlg)
{
    RECT r, anim = {0, 0, 0, 0};
    GetClientRect(dlg, &r);
    HWND animation = FindWindowExA(dlg, NULL, "AnimateWindow", NULL);
    if (animation) {
        GetWindowRect(animation, &anim);
        MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&anim), 2);
    }
    HDC dc = GetDC(dlg);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bmp = CreateCompatibleBitmap(dc, r.right, r.bottom);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < r.bottom; y += 2)
        for (int x = 0; x < r.right; x += 2) {
            POINT p = {x, y};
            pixels.push_back(PtInRect(&anim, p) ? 0 : GetPixel(mem, x, y));
        }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(dlg, dc);
    return pixels;
}

class Repaint : public ProgressHost {
protected:
    void SetUp() override
    {
        ProgressHost::SetUp();
        g_stretchDIBits = 0;
        g_realStretchDIBits = reinterpret_cast<decltype(g_realStretchDIBits)>(
            PatchImport(module, "gdi32.dll", "StretchDIBits", reinterpret_cast<void*>(CountingStretchDIBits)));
        ASSERT_NE(g_realStretchDIBits, nullptr);
        info.picture = picture.get();
    }
    SmallPicture picture;
};

}  // namespace

TEST_F(Repaint, SameLitBlocksInvalidateNothing)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 500, 500);
    UpdateWindow(dlg);
    // 500 and 501 light the same blocks of either bar.
    update(UPDATE_PROGRESS, 4, &info, "Copying", 501, 501);
    RECT dirty;
    EXPECT_FALSE(GetUpdateRect(dlg, &dirty, FALSE));
    // 1000 lights more: both bars, and only they, are invalidated.
    update(UPDATE_PROGRESS, 4, &info, "Copying", 1000, 1000);
    ASSERT_TRUE(GetUpdateRect(dlg, &dirty, FALSE));
    RECT current = ItemRectInClient(dlg, IDC_BAR_CURRENT);
    RECT all = ItemRectInClient(dlg, IDC_BAR_ALL);
    RECT both;
    UnionRect(&both, &current, &all);
    // From the first block that lights up (about half-way) to the bars' ends.
    EXPECT_GT(dirty.left, both.left + (both.right - both.left) / 3);
    EXPECT_LT(dirty.left, both.right);
    EXPECT_EQ(dirty.top, both.top);
    EXPECT_EQ(dirty.right, both.right);
    EXPECT_EQ(dirty.bottom, both.bottom);
    // The group boxes around the bars are not repainted.
    EXPECT_FALSE(GetUpdateRect(GetDlgItem(dlg, IDC_GROUP_CURRENT), &dirty, FALSE));
    Pump();
}

TEST_F(Repaint, BarPaintLeavesThePictureAloneAndMatchesAFullPaint)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 0, 0);
    ASSERT_NE(WaitForAnimateWindow(dlg), (HWND)NULL);  // its area is left out of the comparison
    UpdateWindow(dlg);
    Pump();
    ASSERT_GT(g_stretchDIBits, 0);  // the first paint drew the picture

    int before = g_stretchDIBits;
    for (int value = 100; value <= 1000; value += 100)
        Progress("Copying", value, 1000 - value);
    EXPECT_EQ(g_stretchDIBits, before);  // bar paints only
    std::vector<COLORREF> partial = ClientPixels(dlg);

    RedrawWindow(dlg, NULL, NULL, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
    EXPECT_GT(g_stretchDIBits, before);
    std::vector<COLORREF> full = ClientPixels(dlg);
    ASSERT_EQ(partial.size(), full.size());
    RECT client;
    GetClientRect(dlg, &client);
    int columns = (client.right + 1) / 2, differ = 0;
    for (size_t i = 0; i < full.size(); ++i)
        if (partial[i] != full[i] && differ++ < 5)
            ADD_FAILURE() << "pixel (" << (i % columns) * 2 << ", " << (i / columns) * 2 << "): " << std::hex
                          << partial[i] << " after the reports, " << full[i] << " after a full paint";
    EXPECT_EQ(differ, 0);
}

TEST_F(Repaint, UnchangedStatusTextIsNotSetAgain)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying file:\nC:\\a.txt", 10, 10);
    // Behind the module's back: an unchanged report leaves the control alone,
    // a changed text or a resized control fits and sets it again.
    SetDlgItemTextA(dlg, IDC_STATUS_TEXT, "marker");
    Progress("Copying file:\nC:\\a.txt", 20, 20);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), "marker");
    Progress("Copying file:\nC:\\b.txt", 30, 30);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), "Copying file:\nC:\\b.txt");
    SetDlgItemTextA(dlg, IDC_STATUS_TEXT, "marker");
    HWND status = GetDlgItem(dlg, IDC_STATUS_TEXT);
    RECT r = ItemRectInClient(dlg, IDC_STATUS_TEXT);
    MoveWindow(status, r.left, r.top, r.right - r.left - 10, r.bottom - r.top, FALSE);
    Progress("Copying file:\nC:\\b.txt", 40, 40);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), "Copying file:\nC:\\b.txt");
}

// The animation redraws only where the sheet was and goes; after several
// ticks of that, the window shows what one paint of the whole frame shows.
TEST_F(Repaint, AnimationFrameFromPartialPaintsMatchesAWholePaint)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 100, 100);
    HWND anim = WaitForAnimateWindow(dlg);
    ASSERT_NE(anim, (HWND)NULL);
    for (int round = 0; round < 3; ++round) {
        PumpFor(500 + 150 * round);  // a few ticks of partial paints
        SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);  // hold the frame
        PumpFor(350);                                // a held tick or two: nothing moves
        std::vector<DWORD> partial = CaptureClient(anim);
        RedrawWindow(anim, NULL, NULL, RDW_INVALIDATE | RDW_UPDATENOW);
        PumpFor(50);
        EXPECT_TRUE(partial == CaptureClient(anim)) << "round " << round;
        EXPECT_EQ(Progress("Copying", 200, 200), dlg);  // the press is reported
        Progress("Copying", 300, 300);                  // and the frame released
    }
}
