#include "host_fixture.h"

#include <cstring>

namespace {

const char kMainClass[] = "ProgressTestHost";

LRESULT CALLBACK MainWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND CreateMainWindow()
{
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = MainWndProc;
        wc.hInstance = GetModuleHandleA(NULL);
        wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
        wc.lpszClassName = kMainClass;
        RegisterClassA(&wc);
        registered = true;
    }
    DWORD style = WS_OVERLAPPEDWINDOW;
    RECT r = {0, 0, kHostClientWidth, kHostClientHeight};
    AdjustWindowRect(&r, style, FALSE);
    HWND hwnd = CreateWindowExA(0, kMainClass, "Test setup", style, 0, 0, r.right - r.left,
                                r.bottom - r.top, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    return hwnd;
}

}  // namespace

void VariableTable::Set(const std::vector<std::pair<std::string, std::string>>& vars)
{
    names.assign(vars.size() * kNameStride + 1, '\0');
    values.assign(vars.size() * kValueStride + 1, '\0');
    for (size_t i = 0; i < vars.size(); ++i) {
        strncpy(&names[i * kNameStride], vars[i].first.c_str(), kNameStride - 1);
        strncpy(&values[i * kValueStride], vars[i].second.c_str(), kValueStride - 1);
    }
}

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

void ProgressHost::SetUp()
{
    hwndMain = CreateMainWindow();
    ASSERT_NE(hwndMain, (HWND)NULL);
    RECT client;
    GetClientRect(hwndMain, &client);
    ASSERT_EQ(client.right, kHostClientWidth);
    ASSERT_EQ(client.bottom, kHostClientHeight);

    memset(&info, 0, sizeof info);
    info.hwndMain = hwndMain;
    info.hinstHost = GetModuleHandleA(NULL);
    info.flags = HOST_FLAG_FULL_LAYOUT;
    UseDefaultTexts();
    SetTitle("Test Application");
    LoadModule();
}

void ProgressHost::TearDown()
{
    if (dlg && !finished)
        Finish();
    UnloadModule();
    if (hwndMain)
        DestroyWindow(hwndMain);
    Pump();
}

void ProgressHost::LoadModule()
{
    std::string path = ProgramDirectory() + "progress.dll";
    module = LoadLibraryA(path.c_str());
    ASSERT_NE(module, (HMODULE)NULL) << path;
    update = reinterpret_cast<UpdateProc>(GetProcAddress(module, "Update"));
    ASSERT_NE(update, (UpdateProc)NULL);
}

void ProgressHost::UnloadModule()
{
    if (module)
        FreeLibrary(module);
    module = NULL;
    update = NULL;
}

void ProgressHost::UseDefaultTexts()
{
    texts.assign(HOST_TEXT_COUNT, std::string());
    texts[HOST_TEXT_CANCEL] = "Stop";
    texts[HOST_TEXT_HEADING] = "Installing Test Application";
    texts[HOST_TEXT_GROUP_CURRENT] = "This file";
    texts[HOST_TEXT_GROUP_ALL] = "Everything";
    texts[HOST_TEXT_TIME_LEFT] = "About %d [minute^minutes] and %d [second^seconds] remaining";
    texts[HOST_TEXT_NEXT] = "Onward >";
    texts[HOST_TEXT_BACK] = "< Return";
    strings.clear();
    for (const std::string& t : texts)
        strings.push_back(t.c_str());
    info.strings = strings.data();
}

void ProgressHost::SetTitle(const std::string& title)
{
    variables.Set({{"%SRCDIR%", "C:\\source"}, {"%APPTITLE%", title}, {"%APPTITLE%", "second"}});
    info.nameStride = VariableTable::kNameStride;
    info.valueStride = VariableTable::kValueStride;
    info.variableCount = 3;
    info.names = variables.names.data();
    info.values = variables.values.data();
}

HWND ProgressHost::Create(bool fullLayout)
{
    info.flags = fullLayout ? HOST_FLAG_FULL_LAYOUT : 0;
    dlg = update(UPDATE_CREATE, 0, &info, NULL, 0, 0);
    Pump();
    return dlg;
}

HWND ProgressHost::Progress(const char* text, int overall, int current, int placement)
{
    HWND r = update(UPDATE_PROGRESS, placement, &info, text, overall, current);
    Pump();
    return r;
}

void ProgressHost::Hide()
{
    update(UPDATE_HIDE, 0, &info, NULL, 0, 0);
    Pump();
}

void ProgressHost::Finish()
{
    update(UPDATE_FINISH, 0, &info, NULL, 0, 0);
    finished = true;
    Pump();
}

void ProgressHost::Pump()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void ProgressHost::PumpFor(int ms)
{
    DWORD start = GetTickCount();
    do {
        Pump();
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    } while ((int)(GetTickCount() - start) < ms);
    Pump();
}

std::string WindowText(HWND hwnd)
{
    char buf[2048];
    buf[0] = '\0';
    GetWindowTextA(hwnd, buf, sizeof buf);
    return buf;
}

std::string ItemText(HWND dlg, int id)
{
    return WindowText(GetDlgItem(dlg, id));
}

RECT ItemRectInClient(HWND dlg, int id)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(GetDlgItem(dlg, id), &r);
    MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

bool HasStyle(HWND hwnd, LONG style)
{
    return (GetWindowLongA(hwnd, GWL_STYLE) & style) == style;
}

LONG FontWeight(HWND control)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    LOGFONTA lf;
    if (!font || GetObjectA(font, sizeof lf, &lf) != (int)sizeof lf)
        return -1;
    return lf.lfWeight;
}


// ---- Animation window: finding it, reading its pixels, saving a picture ----

bool PumpUntil(bool (*done)(void* ctx), void* ctx, int timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done(ctx))
            return true;
        if ((int)(GetTickCount() - start) >= timeoutMs)
            return done(ctx);
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

namespace {

const char kAnimateClass[] = "AnimateWindow";

bool HasAnimateWindow(void* parent)
{
    return FindWindowExA(static_cast<HWND>(parent), NULL, kAnimateClass, NULL) != NULL;
}

// A 32-bit top-down DIB section of w x h with a memory DC holding it.
struct Capture {
    HDC mem = NULL;
    HBITMAP bitmap = NULL;
    HGDIOBJ previous = NULL;
    DWORD* bits = NULL;
    Capture(HDC reference, int w, int h)
    {
        BITMAPINFO bmi = {};
        bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
        bmi.bmiHeader.biWidth = w;
        bmi.bmiHeader.biHeight = -h;
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biBitCount = 32;
        bmi.bmiHeader.biCompression = BI_RGB;
        void* p = NULL;
        bitmap = CreateDIBSection(reference, &bmi, DIB_RGB_COLORS, &p, NULL, 0);
        bits = static_cast<DWORD*>(p);
        mem = CreateCompatibleDC(reference);
        if (mem && bitmap)
            previous = SelectObject(mem, bitmap);
    }
    ~Capture()
    {
        if (mem && previous)
            SelectObject(mem, previous);
        if (mem)
            DeleteDC(mem);
        if (bitmap)
            DeleteObject(bitmap);
    }
    bool ok() const { return mem && bitmap && bits; }
};

}  // namespace

HWND WaitForAnimateWindow(HWND parent, int timeoutMs)
{
    PumpUntil(HasAnimateWindow, parent, timeoutMs);
    return FindWindowExA(parent, NULL, kAnimateClass, NULL);
}

int CountAnimateWindows(HWND parent)
{
    int n = 0;
    for (HWND w = FindWindowExA(parent, NULL, kAnimateClass, NULL); w;
         w = FindWindowExA(parent, w, kAnimateClass, NULL))
        ++n;
    return n;
}

std::vector<DWORD> CaptureClient(HWND hwnd)
{
    RECT client = {0, 0, 0, 0};
    GetClientRect(hwnd, &client);
    int w = client.right, h = client.bottom;
    std::vector<DWORD> pixels;
    if (w <= 0 || h <= 0)
        return pixels;
    HDC dc = GetDC(hwnd);
    if (!dc)
        return pixels;
    {
        Capture cap(dc, w, h);
        if (cap.ok() && BitBlt(cap.mem, 0, 0, w, h, dc, 0, 0, SRCCOPY)) {
            GdiFlush();
            pixels.assign(cap.bits, cap.bits + (size_t)w * h);
            for (DWORD& p : pixels)
                p &= 0x00FFFFFF;
        }
    }
    ReleaseDC(hwnd, dc);
    return pixels;
}

bool WriteBitmapFile(const char* path, int w, int h, const std::vector<DWORD>& pixels)
{
    if (w <= 0 || h <= 0 || pixels.size() < (size_t)w * h)
        return false;
    int stride = (w * 3 + 3) & ~3;
    std::vector<BYTE> rows((size_t)stride * h, 0);
    // BMP rows run bottom-up; the pixels are top-down.
    for (int y = 0; y < h; ++y) {
        BYTE* out = &rows[(size_t)(h - 1 - y) * stride];
        for (int x = 0; x < w; ++x) {
            DWORD p = pixels[(size_t)y * w + x];
            out[x * 3 + 0] = (BYTE)(p & 0xFF);
            out[x * 3 + 1] = (BYTE)((p >> 8) & 0xFF);
            out[x * 3 + 2] = (BYTE)((p >> 16) & 0xFF);
        }
    }

    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = w;
    bih.biHeight = h;
    bih.biPlanes = 1;
    bih.biBitCount = 24;
    bih.biCompression = BI_RGB;
    bih.biSizeImage = (DWORD)rows.size();
    BITMAPFILEHEADER bfh = {};
    bfh.bfType = 0x4D42;  // "BM"
    bfh.bfOffBits = sizeof bfh + sizeof bih;
    bfh.bfSize = bfh.bfOffBits + bih.biSizeImage;

    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, &bfh, sizeof bfh, &written, NULL) && written == sizeof bfh &&
              WriteFile(file, &bih, sizeof bih, &written, NULL) && written == sizeof bih &&
              WriteFile(file, rows.data(), (DWORD)rows.size(), &written, NULL) && written == rows.size();
    CloseHandle(file);
    return ok;
}

bool SaveWindowBitmap(HWND hwnd, const char* path)
{
    RECT r = {0, 0, 0, 0};
    GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0)
        return false;
    HDC dc = GetWindowDC(hwnd);
    if (!dc)
        return false;
    std::vector<DWORD> pixels;
    {
        Capture cap(dc, w, h);
        if (cap.ok() && BitBlt(cap.mem, 0, 0, w, h, dc, 0, 0, SRCCOPY)) {
            GdiFlush();
            pixels.assign(cap.bits, cap.bits + (size_t)w * h);
        }
    }
    ReleaseDC(hwnd, dc);
    return WriteBitmapFile(path, w, h, pixels);
}

namespace {

struct FrameWatch {
    HWND hwnd;
    std::vector<DWORD> before;
};

bool FrameChanged(void* ctx)
{
    FrameWatch* w = static_cast<FrameWatch*>(ctx);
    std::vector<DWORD> now = CaptureClient(w->hwnd);
    return !now.empty() && now != w->before;
}

}  // namespace

size_t DistinctColours(const std::vector<DWORD>& pixels, size_t upTo)
{
    std::vector<DWORD> seen;
    for (DWORD p : pixels) {
        bool known = false;
        for (DWORD s : seen)
            known = known || s == p;
        if (!known)
            seen.push_back(p);
        if (seen.size() >= upTo)
            break;
    }
    return seen.size();
}

bool PixelsChange(HWND hwnd, int timeoutMs)
{
    FrameWatch w = {hwnd, CaptureClient(hwnd)};
    return !w.before.empty() && PumpUntil(FrameChanged, &w, timeoutMs);
}

double MillisecondsSince(LARGE_INTEGER start)
{
    LARGE_INTEGER now, freq;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&freq);
    return (double)(now.QuadPart - start.QuadPart) * 1000.0 / (double)freq.QuadPart;
}

// ---- Host pictures built in memory ----------------------------------------

const COLORREF kPictureColours[4] = {RGB(0x21, 0x84, 0x63), RGB(0x9C, 0x18, 0x5A), RGB(0xD6, 0xA5, 0x0C),
                                     RGB(0x3A, 0x2F, 0xB1)};

HostPictureBuffer MakeHostPicture(int width, int height, int bits, DWORD clrUsed)
{
    HostPictureBuffer p;
    int entries = bits == 8 ? (clrUsed ? (int)clrUsed : 256) : 0;
    int stride = ((width * bits / 8) + 3) & ~3;
    DWORD bitsOffset = 40 + 4 * entries;
    p.bytes.assign(10 + bitsOffset + (size_t)stride * height, 0);

    BYTE* b = p.bytes.data();
    WORD w16 = (WORD)width, h16 = (WORD)height;
    memcpy(b + 0, &w16, 2);
    memcpy(b + 2, &h16, 2);
    memcpy(b + 4, &bitsOffset, 4);
    BITMAPINFOHEADER bih = {};
    bih.biSize = sizeof bih;
    bih.biWidth = width;
    bih.biHeight = height;
    bih.biPlanes = 1;
    bih.biBitCount = (WORD)bits;
    bih.biCompression = BI_RGB;
    bih.biClrUsed = bits == 8 ? clrUsed : 0;
    memcpy(b + 10, &bih, sizeof bih);
    for (int k = 0; k < entries; ++k) {
        COLORREF c = kPictureColours[k % 4];
        RGBQUAD q = {GetBValue(c), GetGValue(c), GetRValue(c), 0};
        memcpy(b + 10 + 40 + 4 * k, &q, 4);
    }
    BYTE* pixels = b + 10 + bitsOffset;
    for (int y = 0; y < height; ++y) {
        BYTE* row = pixels + (size_t)(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            int index = (x / 4 + y / 4) % 4;
            if (bits == 8) {
                row[x] = (BYTE)index;
            } else {
                COLORREF c = kPictureColours[index];
                row[x * 3 + 0] = GetBValue(c);
                row[x * 3 + 1] = GetGValue(c);
                row[x * 3 + 2] = GetRValue(c);
            }
        }
    }
    return p;
}
