// The copy animation thread, its window class and the drawing of a frame.
#include "anim/anim.h"

#include "anim/anim_logic.h"
#include "host/state.h"

namespace {

const char kClassName[] = "AnimateWindow";

// Posted to the animation thread by StopAnimation: wakes its message loop so
// that it sees the cleared run flag at once instead of at the next tick, and
// even when it has no timer at all.
const UINT WM_ANIM_WAKE = WM_APP + ANIM_TIMER_ID;

// Longest wait for the thread at finish. A healthy thread ends within a few
// milliseconds of its wake-up; this only bounds a thread that cannot run.
const DWORD STOP_TIMEOUT_MS = 5000;

void RegisterAnimateClass()
{
    WNDCLASSA wc = {};
    wc.style = 0;
    wc.lpfnWndProc = AnimateWndProc;
    wc.hInstance = g_state.hInstance;
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kClassName;
    RegisterClassA(&wc);
}

// The window is a child of the dialog, which belongs to the host's thread.
// WS_EX_NOPARENTNOTIFY keeps its creation and destruction from sending
// WM_PARENTNOTIFY across to that thread, which may be blocked in finish;
// WS_DISABLED keeps mouse input, and the WM_SETCURSOR and WM_MOUSEACTIVATE
// that default processing forwards to the parent, away from it.
HWND CreateAnimateWindow()
{
    const RECT& r = g_state.animRect;
    return CreateWindowExA(WS_EX_NOPARENTNOTIFY, kClassName, NULL, WS_CHILD | WS_VISIBLE | WS_DISABLED,
                           r.left, r.top, r.right - r.left, r.bottom - r.top, g_state.hDlg, NULL,
                           g_state.hInstance, NULL);
}

// GetMessageA loop; after each dispatched message a cleared run flag posts
// the quit message once. Returns the quit message's wParam, or 0 when
// GetMessageA fails.
DWORD RunMessageLoop(const std::atomic<int>* run)
{
    MSG msg;
    for (;;) {
        BOOL got = GetMessageA(&msg, NULL, 0, 0);
        if (got == 0)
            return static_cast<DWORD>(msg.wParam);
        if (got == -1)
            return 0;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (*run == 0 && g_state.quitPosted == 0) {
            PostQuitMessage(0);
            g_state.quitPosted = 1;
        }
    }
}

// Where a frame's sheet is drawn, in the window's coordinates.
RECT SheetRect(int frame)
{
    LONG units = GetDialogBaseUnits();
    AnimPoint p = FramePosition(frame, LOWORD(units), HIWORD(units));
    RECT r = {p.x, p.y, p.x + GetSystemMetrics(SM_CXICON), p.y + GetSystemMetrics(SM_CYICON)};
    return r;
}

void OnTimer(HWND hwnd)
{
    bool hidden = g_state.dialogHidden != 0;
    if (hidden)
        ShowWindow(hwnd, SW_HIDE);
    if (g_state.showAnimationPending) {
        ShowWindow(hwnd, SW_SHOW);
        g_state.showAnimationPending = 0;
    }
    int before = g_state.animFrame;
    int after = NextAnimFrame(before, hidden, g_state.animationHeld != 0);
    g_state.animFrame = after;
    // Only the sheet moves: redraw where it was and where it goes. A frame
    // that looks like the one before (held, or 20 turning 0) needs nothing;
    // a window just shown again was invalidated whole by the system.
    if (!SameAnimPicture(before, after)) {
        RECT was = SheetRect(before);
        RECT is = SheetRect(after);
        RECT both;
        UnionRect(&both, &was, &is);
        InvalidateRect(hwnd, &both, FALSE);
    }
    UpdateWindow(hwnd);
}

// Draws an icon at p when any of it falls in area.
void DrawIconIn(HDC dc, const RECT& area, HICON icon, AnimPoint p)
{
    RECT r = {p.x, p.y, p.x + GetSystemMetrics(SM_CXICON), p.y + GetSystemMetrics(SM_CYICON)};
    RECT common;
    if (icon && IntersectRect(&common, &r, &area))
        DrawIcon(dc, p.x, p.y, icon);
}

// Waits for the thread handle while handling the messages that other threads
// send to this one (a window of the animation thread may send to the dialog
// on its way out); posted messages stay queued for the host's own loop.
bool WaitServingSentMessages(HANDLE thread, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0;
        DWORD r = MsgWaitForMultipleObjects(1, &thread, FALSE, timeoutMs - elapsed, QS_SENDMESSAGE);
        if (r == WAIT_OBJECT_0)
            return true;
        if (r != WAIT_OBJECT_0 + 1)
            return false;  // timed out, or the handle cannot be waited on
    }
}

}  // namespace

DWORD WINAPI AnimationThreadProc(LPVOID param)
{
    const std::atomic<int>* run = static_cast<const std::atomic<int>*>(param);

    // Make this thread's message queue before looking at the run flag: a
    // wake-up posted from here on is queued, and one posted earlier failed
    // after the flag was cleared, which the check below then sees.
    MSG msg;
    PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE);

    RegisterAnimateClass();
    HWND hwnd = *run ? CreateAnimateWindow() : NULL;
    DWORD code = 0;
    if (hwnd) {
        SetRect(&g_state.animRect, 0, 0, g_state.animRect.right - g_state.animRect.left,
                g_state.animRect.bottom - g_state.animRect.top);
        ShowWindow(hwnd, SW_SHOWNORMAL);
        UpdateWindow(hwnd);
        // Without a timer the frame stands still, but the wake-up posted at
        // finish still ends the loop.
        SetTimer(hwnd, ANIM_TIMER_ID, ANIM_TICK_MS, NULL);
        code = RunMessageLoop(run);
        KillTimer(hwnd, ANIM_TIMER_ID);
        // Gone on this thread, before the dialog is destroyed on the other.
        DestroyWindow(hwnd);
    }
    // The class points into this module, which may be unloaded after finish
    // and loaded again elsewhere.
    UnregisterClassA(kClassName, g_state.hInstance);

    // Drop the reference StartAnimation took for this thread; the module
    // stays loaded until this thread has left its code.
    FreeLibraryAndExitThread(g_state.hInstance, code);
    return code;
}

LRESULT CALLBACK AnimateWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;

    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (dc)
            PaintAnimationArea(dc, ps.rcPaint);
        EndPaint(hwnd, &ps);
        return 0;
    }

    case WM_ERASEBKGND:
        return 1;  // the frame covers the whole window

    case WM_TIMER:
        if (wParam == ANIM_TIMER_ID)
            OnTimer(hwnd);
        return DefWindowProcA(hwnd, message, wParam, lParam);

    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void PaintAnimation(HDC hdc)
{
    PaintAnimationArea(hdc, g_state.animRect);
}

void PaintAnimationArea(HDC hdc, const RECT& invalid)
{
    // The part of the frame to draw, in the window's coordinates.
    RECT area;
    if (!IntersectRect(&area, &invalid, &g_state.animRect))
        return;
    int width = area.right - area.left;
    int height = area.bottom - area.top;

    LONG units = GetDialogBaseUnits();
    int bx = LOWORD(units);
    int by = HIWORD(units);

    HBITMAP bitmap = CreateCompatibleBitmap(hdc, width, height);
    HDC mem = bitmap ? CreateCompatibleDC(hdc) : NULL;
    if (!bitmap || !mem) {
        if (bitmap)
            DeleteObject(bitmap);
        return;  // the frame stays undrawn
    }
    HGDIOBJ previous = SelectObject(mem, bitmap);
    // The bitmap holds the area only: draw the frame shifted onto it.
    SetViewportOrgEx(mem, -area.left, -area.top, NULL);

    HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(mem, &area, brush ? brush : reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));

    int frame = g_state.animFrame;
    DrawIconIn(mem, area, g_state.iconHost, HostIconPosition(bx, by));
    DrawIconIn(mem, area, g_state.icons[0], FolderPosition(bx, by));
    DrawIconIn(mem, area, g_state.icons[AnimIconIndex(frame)], FramePosition(frame, bx, by));

    SetViewportOrgEx(mem, 0, 0, NULL);
    StretchBlt(hdc, area.left, area.top, width, height, mem, 0, 0, width, height, SRCCOPY);

    SelectObject(mem, previous);
    DeleteObject(bitmap);
    if (brush)
        DeleteObject(brush);
    DeleteDC(mem);
}

void StartAnimation()
{
    // The thread holds its own reference to this module and drops it as it
    // exits, so its code stays loaded for as long as it runs, even if finish
    // ever had to stop waiting for it.
    HMODULE self = NULL;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                            reinterpret_cast<LPCSTR>(&AnimationThreadProc), &self))
        return;
    g_state.hThread = CreateThread(NULL, 0, AnimationThreadProc, &g_state.runFlag, 0, &g_state.threadId);
    if (!g_state.hThread)
        FreeLibrary(self);
}

void StopAnimation()
{
    g_state.runFlag = 0;
    if (!g_state.hThread)
        return;
    PostThreadMessageA(g_state.threadId, WM_ANIM_WAKE, 0, 0);
    WaitServingSentMessages(g_state.hThread, STOP_TIMEOUT_MS);
    CloseHandle(g_state.hThread);
    g_state.hThread = NULL;
}
