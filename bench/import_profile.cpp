#include "import_profile.h"

#include <atomic>

#include "bench_support.h"

namespace {

const int kStatusTextId = 3829;  // IDC_STATUS_TEXT

enum FnId {
    F_SetDlgItemTextA,
    F_SetWindowTextA,
    F_GetWindowTextA,
    F_IsIconic,
    F_GetDlgItem,
    F_InvalidateRect,
    F_GetWindowRect,
    F_SendMessageA,
    F_GetDC,
    F_ReleaseDC,
    F_BeginPaint,
    F_EndPaint,
    F_FillRect,
    F_DrawEdge,
    F_GetSysColor,
    F_MapWindowPoints,
    F_ScreenToClient,
    F_MoveWindow,
    F_UpdateWindow,
    F_DrawIcon,
    F_GetDialogBaseUnits,
    F_ShowWindow,
    F_GetTextExtentPointA,
    F_CreateSolidBrush,
    F_DeleteObject,
    F_SelectObject,
    F_CreatePen,
    F_MoveToEx,
    F_LineTo,
    F_CreateCompatibleBitmap,
    F_CreateCompatibleDC,
    F_DeleteDC,
    F_StretchBlt,
    F_StretchDIBits,
    F_CreatePalette,
    F_SelectPalette,
    F_RealizePalette,
    F_MsgWaitForMultipleObjects,
    F_PeekMessageA,
    F_PostThreadMessageA,
    F_DestroyWindow,
    F_DestroyIcon,
    F_EnableWindow,
    F_KillTimer,
    F_UnregisterClassA,
    F_CloseHandle,
    F_COUNT
};

struct FnStat {
    std::atomic<long long> ticks[2];  // clock ticks
    std::atomic<long> calls[2];
};

FnStat g_stats[F_COUNT];
bool g_timing = false;
DWORD g_hostThread = 0;

// Fitting marks, written on the host thread only.
bool g_inFit = false;
HWND g_statusControl = NULL;
LONGLONG g_fitStart = 0;
int g_fitMeasures = 0;
std::vector<FitSample> g_fitSamples;

void EndFit()
{
    FitSample s = {QpcToUs(Qpc() - g_fitStart), g_fitMeasures};
    g_fitSamples.push_back(s);
    g_inFit = false;
}

int Slot()
{
    return GetCurrentThreadId() == g_hostThread ? 0 : 1;
}

struct CallTimer {
    int id;
    LONGLONG start;
    explicit CallTimer(int fn) : id(fn), start(g_timing ? Qpc() : 0) {}
    ~CallTimer()
    {
        int s = Slot();
        if (g_timing)
            g_stats[id].ticks[s] += Qpc() - start;
        g_stats[id].calls[s]++;
    }
};

#define WRAP(RET, NAME, PARAMS, ARGS)                  \
    RET(WINAPI* real_##NAME) PARAMS = NULL;            \
    RET WINAPI Wrap_##NAME PARAMS                      \
    {                                                  \
        CallTimer timer_(F_##NAME);                    \
        return real_##NAME ARGS;                       \
    }

WRAP(int, GetWindowTextA, (HWND h, LPSTR s, int n), (h, s, n))
WRAP(BOOL, IsIconic, (HWND h), (h))
WRAP(BOOL, InvalidateRect, (HWND h, const RECT* r, BOOL e), (h, r, e))
WRAP(LRESULT, SendMessageA, (HWND h, UINT m, WPARAM w, LPARAM l), (h, m, w, l))
WRAP(HDC, GetDC, (HWND h), (h))
WRAP(int, ReleaseDC, (HWND h, HDC d), (h, d))
WRAP(HDC, BeginPaint, (HWND h, LPPAINTSTRUCT p), (h, p))
WRAP(BOOL, EndPaint, (HWND h, const PAINTSTRUCT* p), (h, p))
WRAP(int, FillRect, (HDC d, const RECT* r, HBRUSH b), (d, r, b))
WRAP(BOOL, DrawEdge, (HDC d, LPRECT r, UINT e, UINT f), (d, r, e, f))
WRAP(DWORD, GetSysColor, (int i), (i))
WRAP(int, MapWindowPoints, (HWND a, HWND b, LPPOINT p, UINT n), (a, b, p, n))
WRAP(BOOL, ScreenToClient, (HWND h, LPPOINT p), (h, p))
WRAP(BOOL, MoveWindow, (HWND h, int x, int y, int w, int hh, BOOL r), (h, x, y, w, hh, r))
WRAP(BOOL, UpdateWindow, (HWND h), (h))
WRAP(BOOL, DrawIcon, (HDC d, int x, int y, HICON i), (d, x, y, i))
WRAP(LONG, GetDialogBaseUnits, (), ())
WRAP(BOOL, ShowWindow, (HWND h, int c), (h, c))
WRAP(HBRUSH, CreateSolidBrush, (COLORREF c), (c))
WRAP(BOOL, DeleteObject, (HGDIOBJ o), (o))
WRAP(HGDIOBJ, SelectObject, (HDC d, HGDIOBJ o), (d, o))
WRAP(HPEN, CreatePen, (int s, int w, COLORREF c), (s, w, c))
WRAP(BOOL, MoveToEx, (HDC d, int x, int y, LPPOINT p), (d, x, y, p))
WRAP(BOOL, LineTo, (HDC d, int x, int y), (d, x, y))
WRAP(HBITMAP, CreateCompatibleBitmap, (HDC d, int w, int h), (d, w, h))
WRAP(HDC, CreateCompatibleDC, (HDC d), (d))
WRAP(BOOL, DeleteDC, (HDC d), (d))
WRAP(BOOL, StretchBlt, (HDC a, int b, int c, int d, int e, HDC f, int g, int h, int i, int j, DWORD k),
     (a, b, c, d, e, f, g, h, i, j, k))
WRAP(int, StretchDIBits,
     (HDC a, int b, int c, int d, int e, int f, int g, int h, int i, const VOID* j, const BITMAPINFO* k, UINT l,
      DWORD m),
     (a, b, c, d, e, f, g, h, i, j, k, l, m))
WRAP(HPALETTE, CreatePalette, (const LOGPALETTE* p), (p))
WRAP(HPALETTE, SelectPalette, (HDC d, HPALETTE p, BOOL b), (d, p, b))
WRAP(UINT, RealizePalette, (HDC d), (d))
WRAP(DWORD, MsgWaitForMultipleObjects, (DWORD n, const HANDLE* h, BOOL a, DWORD t, DWORD m), (n, h, a, t, m))
WRAP(BOOL, PeekMessageA, (LPMSG m, HWND h, UINT a, UINT b, UINT r), (m, h, a, b, r))
WRAP(BOOL, PostThreadMessageA, (DWORD t, UINT m, WPARAM w, LPARAM l), (t, m, w, l))
WRAP(BOOL, DestroyWindow, (HWND h), (h))
WRAP(BOOL, DestroyIcon, (HICON i), (i))
WRAP(BOOL, EnableWindow, (HWND h, BOOL e), (h, e))
WRAP(BOOL, KillTimer, (HWND h, UINT_PTR i), (h, i))
WRAP(BOOL, UnregisterClassA, (LPCSTR c, HINSTANCE i), (c, i))
WRAP(BOOL, CloseHandle, (HANDLE h), (h))

WRAP(HWND, GetDlgItem, (HWND d, int i), (d, i))

#undef WRAP

// The ones that also mark the status text fitting: it starts when the module
// first reads the status control's rectangle in a report.
BOOL(WINAPI* real_GetWindowRect)(HWND, LPRECT) = NULL;
BOOL WINAPI Wrap_GetWindowRect(HWND hwnd, LPRECT r)
{
    if (hwnd && hwnd == g_statusControl && !g_inFit && Slot() == 0) {
        g_inFit = true;
        g_fitMeasures = 0;
        g_fitStart = Qpc();
    }
    CallTimer t(F_GetWindowRect);
    return real_GetWindowRect(hwnd, r);
}

BOOL(WINAPI* real_SetDlgItemTextA)(HWND, int, LPCSTR) = NULL;
BOOL WINAPI Wrap_SetDlgItemTextA(HWND dlg, int id, LPCSTR text)
{
    if (id == kStatusTextId && g_inFit && Slot() == 0)
        EndFit();
    CallTimer t(F_SetDlgItemTextA);
    return real_SetDlgItemTextA(dlg, id, text);
}

BOOL(WINAPI* real_SetWindowTextA)(HWND, LPCSTR) = NULL;
BOOL WINAPI Wrap_SetWindowTextA(HWND hwnd, LPCSTR text)
{
    if (g_inFit && hwnd == g_statusControl && Slot() == 0)
        EndFit();
    CallTimer t(F_SetWindowTextA);
    return real_SetWindowTextA(hwnd, text);
}

BOOL(WINAPI* real_GetTextExtentPointA)(HDC, LPCSTR, int, LPSIZE) = NULL;
BOOL WINAPI Wrap_GetTextExtentPointA(HDC dc, LPCSTR s, int n, LPSIZE size)
{
    if (g_inFit && Slot() == 0)
        ++g_fitMeasures;
    CallTimer t(F_GetTextExtentPointA);
    return real_GetTextExtentPointA(dc, s, n, size);
}

struct Entry {
    const char* dll;
    const char* name;
    int id;
    void* wrapper;
    void** real;
    bool nests;
};

#define ENTRY(DLL, NAME, NESTS) \
    {DLL, #NAME, F_##NAME, reinterpret_cast<void*>(&Wrap_##NAME), reinterpret_cast<void**>(&real_##NAME), NESTS}

const Entry kEntries[] = {
    ENTRY("USER32.dll", SetDlgItemTextA, false),
    ENTRY("USER32.dll", SetWindowTextA, false),
    ENTRY("USER32.dll", GetWindowTextA, false),
    ENTRY("USER32.dll", IsIconic, false),
    ENTRY("USER32.dll", GetDlgItem, false),
    ENTRY("USER32.dll", InvalidateRect, false),
    ENTRY("USER32.dll", GetWindowRect, false),
    ENTRY("USER32.dll", SendMessageA, false),
    ENTRY("USER32.dll", GetDC, false),
    ENTRY("USER32.dll", ReleaseDC, false),
    ENTRY("USER32.dll", BeginPaint, false),
    ENTRY("USER32.dll", EndPaint, false),
    ENTRY("USER32.dll", FillRect, false),
    ENTRY("USER32.dll", DrawEdge, false),
    ENTRY("USER32.dll", GetSysColor, false),
    ENTRY("USER32.dll", MapWindowPoints, false),
    ENTRY("USER32.dll", ScreenToClient, false),
    ENTRY("USER32.dll", MoveWindow, false),
    ENTRY("USER32.dll", UpdateWindow, true),
    ENTRY("USER32.dll", DrawIcon, false),
    ENTRY("USER32.dll", GetDialogBaseUnits, false),
    ENTRY("USER32.dll", ShowWindow, true),
    ENTRY("GDI32.dll", GetTextExtentPointA, false),
    ENTRY("GDI32.dll", CreateSolidBrush, false),
    ENTRY("GDI32.dll", DeleteObject, false),
    ENTRY("GDI32.dll", SelectObject, false),
    ENTRY("GDI32.dll", CreatePen, false),
    ENTRY("GDI32.dll", MoveToEx, false),
    ENTRY("GDI32.dll", LineTo, false),
    ENTRY("GDI32.dll", CreateCompatibleBitmap, false),
    ENTRY("GDI32.dll", CreateCompatibleDC, false),
    ENTRY("GDI32.dll", DeleteDC, false),
    ENTRY("GDI32.dll", StretchBlt, false),
    ENTRY("GDI32.dll", StretchDIBits, false),
    ENTRY("GDI32.dll", CreatePalette, false),
    ENTRY("GDI32.dll", SelectPalette, false),
    ENTRY("GDI32.dll", RealizePalette, false),
    ENTRY("USER32.dll", MsgWaitForMultipleObjects, false),
    ENTRY("USER32.dll", PeekMessageA, true),
    ENTRY("USER32.dll", PostThreadMessageA, false),
    ENTRY("USER32.dll", DestroyWindow, true),
    ENTRY("USER32.dll", DestroyIcon, false),
    ENTRY("USER32.dll", EnableWindow, true),
    ENTRY("USER32.dll", KillTimer, false),
    ENTRY("USER32.dll", UnregisterClassA, false),
    ENTRY("KERNEL32.dll", CloseHandle, false),
};

#undef ENTRY

bool Wanted(ProfileMode mode, int id)
{
    switch (mode) {
    case PROFILE_CALLS:
        return true;
    case PROFILE_FIT:
        return id == F_GetWindowRect || id == F_SetDlgItemTextA || id == F_SetWindowTextA ||
               id == F_GetTextExtentPointA;
    case PROFILE_TICKS:
        return id == F_UpdateWindow;
    }
    return false;
}

// Which entries are in the module's table now.
bool g_patched[F_COUNT];

}  // namespace

bool InstallProfile(HMODULE module, ProfileMode mode, DWORD hostThread)
{
    RemoveProfile(module);
    g_hostThread = hostThread;
    g_timing = mode == PROFILE_CALLS;
    g_inFit = false;
    bool all = true;
    for (const Entry& e : kEntries) {
        if (!Wanted(mode, e.id))
            continue;
        void* previous = PatchImport(module, e.dll, e.name, e.wrapper);
        if (!previous) {
            all = false;
            continue;
        }
        *e.real = previous;
        g_patched[e.id] = true;
    }
    ResetProfile();
    return all;
}

void RemoveProfile(HMODULE module)
{
    for (const Entry& e : kEntries) {
        if (!g_patched[e.id])
            continue;
        PatchImport(module, e.dll, e.name, *e.real);
        g_patched[e.id] = false;
    }
    g_timing = false;
    g_inFit = false;
}

void ResetProfile()
{
    for (FnStat& s : g_stats)
        for (int k = 0; k < 2; ++k) {
            s.ticks[k] = 0;
            s.calls[k] = 0;
        }
    g_fitSamples.clear();
}

std::vector<ProfileRow> ProfileRows(int slot, double qpcCostUs)
{
    std::vector<ProfileRow> rows;
    for (const Entry& e : kEntries) {
        long calls = g_stats[e.id].calls[slot];
        if (!calls)
            continue;
        double us = QpcToUs(g_stats[e.id].ticks[slot]) - qpcCostUs * (double)calls;
        ProfileRow r = {e.name, e.nests, calls, us > 0 ? us : 0};
        rows.push_back(r);
    }
    return rows;
}

long TickCount(int slot)
{
    return g_stats[F_UpdateWindow].calls[slot];
}

void SetFitControl(HWND control)
{
    g_statusControl = control;
    g_inFit = false;
}

std::vector<FitSample> TakeFitSamples()
{
    std::vector<FitSample> out;
    out.swap(g_fitSamples);
    return out;
}
