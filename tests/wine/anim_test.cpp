// The copy animation through the real module: its thread and window, frames
// that move, hold and hide with the dialog, a finish that returns promptly
// however the host's thread behaves meanwhile, failed system calls, and a
// module loaded again after finish.
#include "host_fixture.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "resource.h"

namespace {

const char kAnimateClass[] = "AnimateWindow";

// Generous bounds for Wine under emulation; a healthy finish takes a few
// milliseconds, a tick 150 ms.
const double kFinishBoundMs = 1000;
const int kWindowWaitMs = 3000;
const int kChangeWaitMs = 3000;
const int kTicks = 150;

bool IsShownStyle(HWND hwnd)
{
    return (GetWindowLongA(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool VisibleStyle(void* hwnd)
{
    return IsShownStyle(static_cast<HWND>(hwnd));
}

bool HiddenStyle(void* hwnd)
{
    return !IsShownStyle(static_cast<HWND>(hwnd));
}

class Animation : public ProgressHost {
protected:
    // Creates, shows with a first report and returns the animation window.
    HWND Start(bool fullLayout = true)
    {
        if (!Create(fullLayout))
            return NULL;
        Progress("Copying file:\nC:\\setup\\data.bin", 100, 500);
        return WaitForAnimateWindow(dlg, kWindowWaitMs);
    }

    // The animation thread, opened through its window.
    HANDLE OpenAnimationThread(HWND anim)
    {
        DWORD tid = GetWindowThreadProcessId(anim, NULL);
        return tid ? OpenThread(SYNCHRONIZE | THREAD_QUERY_INFORMATION, FALSE, tid) : NULL;
    }

    // UPDATE_FINISH with nothing pumped around it, timed.
    double FinishTimed()
    {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        update(UPDATE_FINISH, 0, &info, NULL, 0, 0);
        double ms = MillisecondsSince(start);
        finished = true;
        return ms;
    }

    static void ExpectThreadEnded(HANDLE thread)
    {
        ASSERT_NE(thread, (HANDLE)NULL);
        EXPECT_EQ(WaitForSingleObject(thread, 0), WAIT_OBJECT_0);
        DWORD code = 0;
        EXPECT_TRUE(GetExitCodeThread(thread, &code));
        EXPECT_NE(code, (DWORD)STILL_ACTIVE);
        CloseHandle(thread);
    }

    static bool ThreadRunning(HANDLE thread)
    {
        return thread && WaitForSingleObject(thread, 0) == WAIT_TIMEOUT;
    }

    bool ClassRegistered()
    {
        WNDCLASSA wc;
        return GetClassInfoA(module, kAnimateClass, &wc) != FALSE;
    }
};

}  // namespace

TEST_F(Animation, RunsOnItsOwnThreadInAChildOfTheDialog)
{
    HWND anim = Start();
    ASSERT_NE(anim, (HWND)NULL);
    EXPECT_EQ(GetAncestor(anim, GA_PARENT), dlg);
    EXPECT_TRUE(HasStyle(anim, WS_CHILD));
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(anim, &pid);
    EXPECT_NE(tid, GetCurrentThreadId());
    EXPECT_NE(tid, GetWindowThreadProcessId(dlg, NULL));
    EXPECT_EQ(pid, GetCurrentProcessId());

    // It covers the animation placeholder and one pixel more each way down
    // and right.
    RECT area = ItemRectInClient(dlg, IDC_ANIM_AREA);
    RECT r;
    GetWindowRect(anim, &r);
    MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, area.left);
    EXPECT_EQ(r.top, area.top);
    EXPECT_EQ(r.right, area.right + 1);
    EXPECT_EQ(r.bottom, area.bottom + 1);

    PumpFor(2 * kTicks);
    EXPECT_TRUE(IsWindowVisible(anim));
    std::vector<DWORD> frame = CaptureClient(anim);
    ASSERT_FALSE(frame.empty());
    EXPECT_GE(DistinctColours(frame), 3u) << "the host icon, the folder and the sheet are drawn";
    EXPECT_TRUE(PixelsChange(anim, kChangeWaitMs)) << "the sheet moves";
}

TEST_F(Animation, ThreadStartsAtTheFirstShownReportAndOnlyOnce)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress(NULL, 0, 0);  // dropped while hidden
    PumpFor(2 * kTicks);
    EXPECT_EQ(CountAnimateWindows(dlg), 0);

    Progress("Shown", 10, 10);
    HWND anim = WaitForAnimateWindow(dlg, kWindowWaitMs);
    ASSERT_NE(anim, (HWND)NULL);
    DWORD tid = GetWindowThreadProcessId(anim, NULL);

    Hide();
    Progress("Shown again", 20, 20);
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(Progress("Reported", 30, 30), dlg);
    Progress("Going on", 40, 40);
    PumpFor(2 * kTicks);
    EXPECT_EQ(CountAnimateWindows(dlg), 1);
    EXPECT_EQ(FindWindowExA(dlg, NULL, kAnimateClass, NULL), anim);
    EXPECT_EQ(GetWindowThreadProcessId(anim, NULL), tid);
}

TEST_F(Animation, PressHoldsTheFrameUntilTheNextReportGoesThrough)
{
    HWND anim = Start();
    ASSERT_NE(anim, (HWND)NULL);
    ASSERT_TRUE(PixelsChange(anim, kChangeWaitMs));

    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    PumpFor(2 * kTicks);  // a tick already under way may still land
    std::vector<DWORD> held = CaptureClient(anim);
    PumpFor(5 * kTicks);
    EXPECT_EQ(CaptureClient(anim), held) << "held over five ticks";

    // The report of the press returns it and keeps holding.
    EXPECT_EQ(Progress("Asking", 200, 200), dlg);
    PumpFor(4 * kTicks);
    EXPECT_EQ(CaptureClient(anim), held) << "still held after the report of the press";

    // The next report goes through and releases the frame.
    EXPECT_EQ(Progress("Going on", 300, 300), (HWND)NULL);
    EXPECT_TRUE(PixelsChange(anim, kChangeWaitMs));
}

TEST_F(Animation, HidesWithTheDialogAndShowsAgain)
{
    HWND anim = Start();
    ASSERT_NE(anim, (HWND)NULL);
    ASSERT_TRUE(PumpUntil(VisibleStyle, anim, kWindowWaitMs));

    Hide();
    EXPECT_TRUE(PumpUntil(HiddenStyle, anim, kWindowWaitMs)) << "hidden within a few ticks";
    PumpFor(3 * kTicks);
    EXPECT_FALSE(IsShownStyle(anim)) << "stays hidden";

    Progress("Back", 400, 400);
    EXPECT_TRUE(PumpUntil(VisibleStyle, anim, kWindowWaitMs)) << "shown again within a few ticks";
    EXPECT_TRUE(IsWindowVisible(anim));
    EXPECT_TRUE(PixelsChange(anim, kChangeWaitMs)) << "and moving";
}

TEST_F(Animation, CompactLayoutRunsTheThreadWithAWindowOfNoSize)
{
    HWND anim = Start(false);
    ASSERT_NE(anim, (HWND)NULL);
    RECT r;
    GetWindowRect(anim, &r);
    EXPECT_EQ(r.right - r.left, 0);
    EXPECT_EQ(r.bottom - r.top, 0);
    HANDLE thread = OpenAnimationThread(anim);
    PumpFor(4 * kTicks);
    EXPECT_TRUE(ThreadRunning(thread));
    double ms = FinishTimed();
    printf("finish, compact layout: %.1f ms\n", ms);
    EXPECT_LT(ms, kFinishBoundMs);
    ExpectThreadEnded(thread);
}

// Finish ends the thread and its window promptly although the host's thread
// pumps nothing before, during or after the call.
struct FinishCase {
    const char* name;
    bool fullLayout;
    bool hidden;    // hidden before finish
    bool held;      // a press not yet reported
    int quietMs;    // nothing pumped for this long before finish
};

class FinishPromptly : public Animation, public ::testing::WithParamInterface<FinishCase> {};

TEST_P(FinishPromptly, EndsThreadAndWindowWithoutPumping)
{
    const FinishCase& c = GetParam();
    HWND anim = Start(c.fullLayout);
    ASSERT_NE(anim, (HWND)NULL);
    HANDLE thread = OpenAnimationThread(anim);
    ASSERT_NE(thread, (HANDLE)NULL);
    PumpFor(2 * kTicks);
    if (c.hidden)
        Hide();
    if (c.held)
        SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    if (c.quietMs)
        Sleep(c.quietMs);

    ASSERT_TRUE(ClassRegistered());
    double ms = FinishTimed();
    printf("finish, %s: %.1f ms\n", c.name, ms);
    EXPECT_LT(ms, kFinishBoundMs);
    ExpectThreadEnded(thread);
    EXPECT_FALSE(IsWindow(anim));
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_TRUE(IsWindowEnabled(hwndMain));
    EXPECT_FALSE(ClassRegistered()) << "the class goes with its window";
}

INSTANTIATE_TEST_SUITE_P(
    States, FinishPromptly,
    ::testing::Values(FinishCase{"Running", true, false, false, 0},
                      FinishCase{"RightAfterATick", true, false, false, kTicks},
                      FinishCase{"Hidden", true, true, false, 0},
                      FinishCase{"Held", true, false, true, 0},
                      FinishCase{"Compact", false, false, false, 0},
                      FinishCase{"QuietForTicks", true, false, false, 4 * kTicks}),
    [](const ::testing::TestParamInfo<FinishCase>& p) { return std::string(p.param.name); });

// Records the thread the module starts, to wait on it from the test.
namespace {

HANDLE(WINAPI* g_originalCreateThread)(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD,
                                       LPDWORD);
HANDLE g_startedThread;

HANDLE WINAPI RecordingCreateThread(LPSECURITY_ATTRIBUTES sa, SIZE_T stack, LPTHREAD_START_ROUTINE proc,
                                    LPVOID param, DWORD flags, LPDWORD id)
{
    HANDLE h = g_originalCreateThread(sa, stack, proc, param, flags, id);
    if (h)
        DuplicateHandle(GetCurrentProcess(), h, GetCurrentProcess(), &g_startedThread, 0, FALSE,
                        DUPLICATE_SAME_ACCESS);
    return h;
}

}  // namespace

TEST_F(Animation, FinishRightAfterTheFirstReport)
{
    g_startedThread = NULL;
    void* original = PatchImport(module, "KERNEL32.dll", "CreateThread", reinterpret_cast<void*>(&RecordingCreateThread));
    ASSERT_NE(original, nullptr);
    g_originalCreateThread = reinterpret_cast<decltype(g_originalCreateThread)>(original);

    ASSERT_NE(Create(true), (HWND)NULL);
    update(UPDATE_PROGRESS, 4, &info, "Starting", 0, 0);  // no pumping at all
    double ms = FinishTimed();
    printf("finish, straight after the first report: %.1f ms\n", ms);
    EXPECT_LT(ms, kFinishBoundMs);
    ExpectThreadEnded(g_startedThread);
    EXPECT_FALSE(ClassRegistered());
}

// The animation thread sends a message to the dialog, which belongs to the
// host's thread, at a chosen point: finish, which does not pump, must still
// serve it instead of waiting for ever.
namespace {

DWORD g_hostThread;
std::atomic<int> g_crossSends;
BOOL(WINAPI* g_originalUser)(HWND);

BOOL WINAPI SendToParentFirst(HWND hwnd)
{
    if (GetCurrentThreadId() != g_hostThread) {
        HWND parent = GetAncestor(hwnd, GA_PARENT);
        if (parent && parent != GetDesktopWindow()) {
            SendMessageA(parent, WM_NULL, 0, 0);
            ++g_crossSends;
        }
    }
    return g_originalUser(hwnd);
}

}  // namespace

class CrossThreadSend : public Animation, public ::testing::WithParamInterface<const char*> {};

TEST_P(CrossThreadSend, IsServedWhileFinishWaits)
{
    g_hostThread = GetCurrentThreadId();
    g_crossSends = 0;
    void* original = PatchImport(module, "USER32.dll", GetParam(), reinterpret_cast<void*>(&SendToParentFirst));
    ASSERT_NE(original, nullptr) << GetParam();
    g_originalUser = reinterpret_cast<BOOL(WINAPI*)(HWND)>(original);

    HWND anim = Start();
    ASSERT_NE(anim, (HWND)NULL);
    HANDLE thread = OpenAnimationThread(anim);
    PumpFor(3 * kTicks);
    Sleep(2 * kTicks);  // a tick's send may now be waiting on this thread
    int before = g_crossSends;

    double ms = FinishTimed();
    printf("finish, animation thread sending at %s: %.1f ms, %d sends served during finish\n", GetParam(), ms,
           g_crossSends - before);
    EXPECT_LT(ms, kFinishBoundMs);
    EXPECT_GT(g_crossSends, before) << "the send was served during finish";
    ExpectThreadEnded(thread);
    EXPECT_FALSE(IsWindow(anim));
}

// UpdateWindow: on every tick. DestroyWindow: as the window goes away.
INSTANTIATE_TEST_SUITE_P(Points, CrossThreadSend, ::testing::Values("UpdateWindow", "DestroyWindow"));

// System calls that fail inside the module: the animation degrades, finish
// still returns promptly and nothing crashes.
namespace {

UINT_PTR WINAPI FailingSetTimer(HWND, UINT_PTR, UINT, TIMERPROC)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}

HANDLE WINAPI FailingCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD id)
{
    if (id)
        *id = 0;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}

HBITMAP WINAPI FailingCreateCompatibleBitmap(HDC, int, int)
{
    return NULL;
}

HDC WINAPI FailingCreateCompatibleDC(HDC)
{
    return NULL;
}

}  // namespace

struct FaultCase {
    const char* name;
    const char* dll;
    const char* function;
    void* replacement;
    bool windowExists;  // the thread runs and makes its window
    bool framesMove;    // the drawn frame changes over ticks
};

class FailedCall : public Animation, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FailedCall, DegradesAndFinishStillReturns)
{
    const FaultCase& c = GetParam();
    ASSERT_NE(PatchImport(module, c.dll, c.function, c.replacement), nullptr) << c.function;
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying", 100, 100);
    HWND anim = WaitForAnimateWindow(dlg, c.windowExists ? kWindowWaitMs : 4 * kTicks);
    EXPECT_EQ(anim != NULL, c.windowExists);
    HANDLE thread = anim ? OpenAnimationThread(anim) : NULL;
    if (anim) {
        PumpFor(2 * kTicks);
        EXPECT_EQ(PixelsChange(anim, 6 * kTicks), c.framesMove);
        EXPECT_TRUE(ThreadRunning(thread));
    }
    Progress("More", 200, 200);
    Hide();
    Progress("Again", 300, 300);
    PumpFor(2 * kTicks);

    double ms = FinishTimed();
    printf("finish, failing %s: %.1f ms\n", c.function, ms);
    EXPECT_LT(ms, kFinishBoundMs);
    if (thread)
        ExpectThreadEnded(thread);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_FALSE(ClassRegistered());
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FailedCall,
    ::testing::Values(
        FaultCase{"SetTimer", "USER32.dll", "SetTimer", reinterpret_cast<void*>(&FailingSetTimer), true, false},
        FaultCase{"CreateThread", "KERNEL32.dll", "CreateThread", reinterpret_cast<void*>(&FailingCreateThread),
                  false, false},
        FaultCase{"CreateCompatibleBitmap", "GDI32.dll", "CreateCompatibleBitmap",
                  reinterpret_cast<void*>(&FailingCreateCompatibleBitmap), true, false},
        FaultCase{"CreateCompatibleDC", "GDI32.dll", "CreateCompatibleDC",
                  reinterpret_cast<void*>(&FailingCreateCompatibleDC), true, false}),
    [](const ::testing::TestParamInfo<FaultCase>& p) { return std::string(p.param.name); });

TEST_F(Animation, ModuleLoadedAgainRunsItsOwnAnimation)
{
    HWND first = Start();
    ASSERT_NE(first, (HWND)NULL);
    PumpFor(2 * kTicks);
    FinishTimed();
    EXPECT_FALSE(ClassRegistered());
    UnloadModule();

    LoadModule();
    finished = false;
    HWND anim = Start();
    ASSERT_NE(anim, (HWND)NULL);
    // The class now in use points into the module as loaded now.
    WNDCLASSA wc;
    ASSERT_TRUE(GetClassInfoA(module, kAnimateClass, &wc));
    const BYTE* base = reinterpret_cast<const BYTE*>(module);
    const IMAGE_NT_HEADERS* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const BYTE* proc = reinterpret_cast<const BYTE*>(wc.lpfnWndProc);
    EXPECT_GE(proc, base);
    EXPECT_LT(proc, base + nt->OptionalHeader.SizeOfImage);
    EXPECT_TRUE(PixelsChange(anim, kChangeWaitMs));
}

// Saves the full layout mid-flight as a BMP file for a look by eye:
//   ANIM_PICTURE=Z:\tmp\anim_mid.bmp wine_anim_test.exe --gtest_also_run_disabled_tests
TEST_F(Animation, DISABLED_SavePictureMidFlight)
{
    const char* path = getenv("ANIM_PICTURE");
    if (!path)
        GTEST_SKIP() << "ANIM_PICTURE not set";
    HWND anim = Start();
    ASSERT_NE(anim, (HWND)NULL);
    // Run until the sheet is away from both icons, about a third of the way.
    PumpFor(8 * kTicks);
    Progress("Copying file:\nC:\\Program Files\\Test Application\\bin\\engine.dll", 455, 700);
    PumpFor(2 * kTicks);
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);  // hold the frame while saving
    PumpFor(2 * kTicks);
    EXPECT_TRUE(SaveWindowBitmap(dlg, path));
}
