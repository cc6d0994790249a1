// Robustness of the module as a host meets it, through the real DLL:
//  - system calls that fail inside the module, one at a time and by kind:
//    the element concerned stays undrawn or inactive, every command stays
//    harmless, finish returns promptly and the host window ends enabled;
//  - handle accounting: every GDI object, DC, icon and paint the module makes
//    is released again, and nothing grows with the number of reports;
//  - a seeded random soak of valid and hostile input.
//
// Longer runs, through environment variables (Wine passes them on):
//   PROGRESS_SOAK_CALLS=100000 scripts/wine-run.sh 3600 build/wine_robust_test.exe --gtest_filter=*Soak*
//   PROGRESS_SOAK_SEED=N          repeats the soak of seed N (every run prints its seed)
//   PROGRESS_HANDLE_REPORTS=10000 reports of the handle accounting run (default 4000; 10,000
//                                 take 33 to 60 s here under emulation, with the load)
// A call that does not return within a minute, or a crash, ends the program
// with a line naming the test, stage and call.
#include "host_fixture.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "resource.h"

namespace {

const char kAnimateClass[] = "AnimateWindow";
const int kTick = 150;                // the animation's tick, ms
const double kFinishBoundMs = 1000;   // a healthy finish takes milliseconds; the stop wait gives up at 5 s
const int kAnimAppearMs = 3000;       // a healthy animation window appears well within this
const int kAnimAbsentMs = 1500;       // how long an absent window is waited for

// ---- Hang and crash guard ---------------------------------------------------

const DWORD kHangMs = 60000;
std::atomic<DWORD> g_beat;
std::atomic<const char*> g_stage{"start"};
std::atomic<long> g_call{-1};

// Marks progress: the guard ends the program when none is made for kHangMs.
void Beat(const char* stage, long call = -1)
{
    g_stage = stage;
    g_call = call;
    g_beat = GetTickCount();
}

std::string CurrentTestName()
{
    const ::testing::TestInfo* t = ::testing::UnitTest::GetInstance()->current_test_info();
    return t ? std::string(t->test_suite_name()) + "." + t->name() : std::string("(no test)");
}

char g_testName[256];

DWORD WINAPI GuardThread(LPVOID)
{
    for (;;) {
        Sleep(1000);
        if (GetTickCount() - g_beat > kHangMs) {
            fprintf(stderr, "\nHANG: no progress for %lu s in %s, stage %s, call %ld\n", kHangMs / 1000,
                    g_testName, g_stage.load(), g_call.load());
            fflush(stderr);
            fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
}

LONG WINAPI ReportCrash(EXCEPTION_POINTERS* e)
{
    fprintf(stderr, "\nCRASH: exception %08lx at %p in %s, stage %s, call %ld\n",
            e->ExceptionRecord->ExceptionCode, e->ExceptionRecord->ExceptionAddress, g_testName,
            g_stage.load(), g_call.load());
    fflush(stderr);
    fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 4);
    return EXCEPTION_EXECUTE_HANDLER;
}

class Guard : public ::testing::Environment {
public:
    void SetUp() override
    {
        Beat("environment");
        SetUnhandledExceptionFilter(ReportCrash);
        HANDLE t = CreateThread(NULL, 0, GuardThread, NULL, 0, NULL);
        if (t)
            CloseHandle(t);
    }
};

::testing::Environment* const kGuard = ::testing::AddGlobalTestEnvironment(new Guard);

class RobustHost : public ProgressHost {
protected:
    void SetUp() override
    {
        lstrcpynA(g_testName, CurrentTestName().c_str(), sizeof g_testName);
        Beat("set-up");
        ProgressHost::SetUp();
    }
    void TearDown() override
    {
        Beat("tear-down");
        ProgressHost::TearDown();
        Beat("done");
    }

    // Finish, timed; the result in milliseconds.
    double FinishTimed()
    {
        Beat("finish");
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        update(UPDATE_FINISH, 0, &info, NULL, 0, 0);
        double ms = MillisecondsSince(start);
        finished = true;
        Pump();
        return ms;
    }

    bool AnimateClassRegistered()
    {
        WNDCLASSA wc;
        return GetClassInfoA(module, kAnimateClass, &wc) != FALSE;
    }

    // A status text whose path line is far wider than the status control.
    static std::string LongPathText(int n = 0)
    {
        std::string path = "C:\\Program Files\\Robust Test Application\\";
        for (int i = 0; i < 6; ++i)
            path += "a rather long folder name " + std::to_string(n + i) + "\\";
        return "Copying file:\n" + path + "payload.bin";
    }
};

long EnvNumber(const char* name, long fallback)
{
    const char* v = getenv(name);
    if (!v || !*v)
        return fallback;
    char* end = NULL;
    long n = strtol(v, &end, 10);
    return (end && *end == '\0' && n > 0) ? n : fallback;
}

// ---- Reading the dialog back ------------------------------------------------

struct Shot {
    int w = 0, h = 0;
    std::vector<DWORD> pixels;  // 0x00RRGGBB
    COLORREF At(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return CLR_INVALID;
        DWORD p = pixels[(size_t)y * w + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    int Count(RECT r, COLORREF c) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) == c;
        return n;
    }
};

Shot Take(HWND hwnd)
{
    UpdateWindow(hwnd);
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Shot s;
    RECT r = {0, 0, 0, 0};
    GetClientRect(hwnd, &r);
    s.pixels = CaptureClient(hwnd);
    if (!s.pixels.empty()) {
        s.w = r.right;
        s.h = r.bottom;
    }
    return s;
}

// ---- Fault injection ----------------------------------------------------------

// Each replacement has the signature of the call it stands for (checked where
// the table takes its address) and returns that call's failure value.
HWND WINAPI FailCreateDialogParamA(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}
HANDLE WINAPI FailCreateThread(LPSECURITY_ATTRIBUTES, SIZE_T, LPTHREAD_START_ROUTINE, LPVOID, DWORD, LPDWORD id)
{
    if (id)
        *id = 0;
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}
UINT_PTR WINAPI FailSetTimer(HWND, UINT_PTR, UINT, TIMERPROC)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
}
HWND WINAPI FailCreateWindowExA(DWORD, LPCSTR, LPCSTR, DWORD, int, int, int, int, HWND, HMENU, HINSTANCE, LPVOID)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}
HDC WINAPI FailCreateCompatibleDC(HDC)
{
    return NULL;
}
HBITMAP WINAPI FailCreateCompatibleBitmap(HDC, int, int)
{
    return NULL;
}
HBRUSH WINAPI FailCreateSolidBrush(COLORREF)
{
    return NULL;
}
HPEN WINAPI FailCreatePen(int, int, COLORREF)
{
    return NULL;
}
HFONT WINAPI FailCreateFontIndirectA(const LOGFONTA*)
{
    return NULL;
}
HPALETTE WINAPI FailCreatePalette(const LOGPALETTE*)
{
    return NULL;
}
HGLOBAL WINAPI FailGlobalAlloc(UINT, SIZE_T)
{
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return NULL;
}
HDC WINAPI FailGetDC(HWND)
{
    return NULL;
}
HICON WINAPI FailLoadIconA(HINSTANCE, LPCSTR)
{
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return NULL;
}

struct FailingCall {
    const char* dll;
    const char* function;
    void* replacement;
};

// static_cast to the system function's own pointer type: a replacement of
// another signature or calling convention does not compile.
#define FAILING(dll, name) {dll, #name, reinterpret_cast<void*>(static_cast<decltype(&::name)>(&Fail##name))}

enum Call {
    C_CreateDialogParamA,
    C_CreateThread,
    C_SetTimer,
    C_CreateWindowExA,
    C_CreateCompatibleDC,
    C_CreateCompatibleBitmap,
    C_CreateSolidBrush,
    C_CreatePen,
    C_CreateFontIndirectA,
    C_CreatePalette,
    C_GlobalAlloc,
    C_GetDC,
    C_LoadIconA,
    C_Count
};

const FailingCall kFailing[C_Count] = {
    FAILING("USER32.dll", CreateDialogParamA),   FAILING("KERNEL32.dll", CreateThread),
    FAILING("USER32.dll", SetTimer),             FAILING("USER32.dll", CreateWindowExA),
    FAILING("GDI32.dll", CreateCompatibleDC),    FAILING("GDI32.dll", CreateCompatibleBitmap),
    FAILING("GDI32.dll", CreateSolidBrush),      FAILING("GDI32.dll", CreatePen),
    FAILING("GDI32.dll", CreateFontIndirectA),   FAILING("GDI32.dll", CreatePalette),
    FAILING("KERNEL32.dll", GlobalAlloc),        FAILING("USER32.dll", GetDC),
    FAILING("USER32.dll", LoadIconA),
};

#undef FAILING

unsigned Bit(Call c)
{
    return 1u << c;
}

const unsigned kEveryGdiCreation = Bit(C_CreateCompatibleDC) | Bit(C_CreateCompatibleBitmap) |
                                   Bit(C_CreateSolidBrush) | Bit(C_CreatePen) | Bit(C_CreateFontIndirectA) |
                                   Bit(C_CreatePalette);
const unsigned kEveryCall = (1u << C_Count) - 1;

// What a host sees of each element after the scenario; the baseline case,
// with nothing failing, shows every one of them.
enum Seen : unsigned {
    S_Dialog = 1 << 0,         // create returned a dialog
    S_AnimWindow = 1 << 1,     // an AnimateWindow child appeared
    S_AnimMoves = 1 << 2,      // its frame changes from tick to tick
    S_AnimIcons = 1 << 3,      // its frame shows icons (many colours)
    S_BarsLit = 1 << 4,        // the All bar shows highlight blocks at 1000
    S_Separator = 1 << 5,      // the etched separator line is drawn
    S_Frame = 1 << 6,          // the picture's frame is drawn
    S_Fonts = 1 << 7,          // status text light, heading bold
    S_PathFitted = 1 << 8,     // the long path line is shortened with "..."
    S_Picture = 1 << 9,        // the host picture is drawn
    S_All = (1 << 10) - 1,
};

struct FaultCase {
    const char* name;
    unsigned failing;  // kFailing entries, by bit
    unsigned seen;     // Seen bits expected
};

const FaultCase kFaultCases[] = {
    {"Nothing", 0, S_All},
    {"CreateDialogParamA", Bit(C_CreateDialogParamA), 0},
    {"CreateThread", Bit(C_CreateThread), S_All & ~(S_AnimWindow | S_AnimMoves | S_AnimIcons)},
    {"SetTimer", Bit(C_SetTimer), S_All & ~S_AnimMoves},
    {"CreateWindowExA", Bit(C_CreateWindowExA), S_All & ~(S_AnimWindow | S_AnimMoves | S_AnimIcons)},
    {"CreateCompatibleDC", Bit(C_CreateCompatibleDC), S_All & ~(S_AnimMoves | S_AnimIcons)},
    {"CreateCompatibleBitmap", Bit(C_CreateCompatibleBitmap), S_All & ~(S_AnimMoves | S_AnimIcons)},
    {"CreateSolidBrush", Bit(C_CreateSolidBrush), S_All & ~S_BarsLit},
    {"CreatePen", Bit(C_CreatePen), S_All & ~(S_Separator | S_Frame)},
    {"CreateFontIndirectA", Bit(C_CreateFontIndirectA), S_All & ~S_Fonts},
    {"CreatePalette", Bit(C_CreatePalette), S_All},
    {"GlobalAlloc", Bit(C_GlobalAlloc), S_All},
    {"GetDC", Bit(C_GetDC), S_All & ~S_PathFitted},
    {"LoadIconA", Bit(C_LoadIconA), S_All & ~(S_AnimMoves | S_AnimIcons)},
    {"EveryGdiCreation", kEveryGdiCreation,
     S_Dialog | S_AnimWindow | S_PathFitted | S_Picture},
    {"EveryCallButTheDialog", kEveryCall & ~Bit(C_CreateDialogParamA), S_Dialog | S_Picture},
    {"EveryCall", kEveryCall, 0},
};

void PrintTo(const FaultCase& c, std::ostream* os)
{
    *os << c.name;
}

std::string SeenNames(unsigned seen)
{
    static const char* const names[] = {"Dialog", "AnimWindow", "AnimMoves", "AnimIcons", "BarsLit",
                                        "Separator", "Frame", "Fonts", "PathFitted", "Picture"};
    std::string s;
    for (int i = 0; i < 10; ++i)
        if (seen & (1u << i))
            s += std::string(s.empty() ? "" : " ") + names[i];
    return s.empty() ? "(none)" : s;
}

class FailingSystemCall : public RobustHost, public ::testing::WithParamInterface<FaultCase> {
protected:
    // The picture area's frame rectangle, as the module lays it out.
    RECT PictureFrame(int w, int h)
    {
        RECT units = {0, 0, 100, 100};
        MapDialogRect(dlg, &units);
        RECT area = ItemRectInClient(dlg, IDC_PICTURE_AREA);
        int mx = ((units.right * w) / 150 - w) / 2;
        int my = ((units.bottom * h) / 163 - h) / 2;
        RECT r = {area.left, area.top, area.left + 2 * mx + w, area.top + 2 * my + h};
        return r;
    }

    // Reads every element of the finished scenario back from the screen.
    unsigned Observe(HWND anim, int pictureW, int pictureH)
    {
        unsigned seen = S_Dialog;
        if (anim) {
            seen |= S_AnimWindow;
            PumpFor(2 * kTick);
            if (PixelsChange(anim, 8 * kTick))
                seen |= S_AnimMoves;
            size_t colours = DistinctColours(CaptureClient(anim));
            printf("  animation frame: %u colours\n", (unsigned)colours);
            if (colours > 4)
                seen |= S_AnimIcons;
        }

        Shot s = Take(dlg);
        EXPECT_GT(s.w, 0) << "the dialog could not be read back";

        COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
        RECT bar = ItemRectInClient(dlg, IDC_BAR_ALL);
        InflateRect(&bar, -1, -1);
        int lit = s.Count(bar, highlight);
        printf("  All bar: %d of %ld pixels in the highlight colour\n", lit,
               (long)(bar.right - bar.left) * (bar.bottom - bar.top));
        if (lit > (bar.right - bar.left) * (bar.bottom - bar.top) / 3)
            seen |= S_BarsLit;

        RECT sep = ItemRectInClient(dlg, IDC_SEPARATOR);
        COLORREF upper = s.At(sep.right - 2, sep.top + 1);
        COLORREF lower = s.At(sep.right - 2, sep.top + 2);
        COLORREF face = GetSysColor(COLOR_BTNFACE);
        if (upper == GetSysColor(COLOR_BTNSHADOW) && lower == GetSysColor(COLOR_WINDOW))
            seen |= S_Separator;
        else  // undrawn is the dialog's face, not a line in some other pen
            EXPECT_TRUE(upper == face && lower == face)
                << "separator rows " << std::hex << upper << " " << lower << " on face " << face;

        RECT frame = PictureFrame(pictureW, pictureH);
        COLORREF right = s.At(frame.right, frame.bottom - 3);
        COLORREF bottom = s.At(frame.right - 3, frame.bottom);
        if (right == RGB(255, 255, 255) && bottom == RGB(255, 255, 255))
            seen |= S_Frame;
        else
            EXPECT_TRUE(right != RGB(0, 0, 0) && bottom != RGB(0, 0, 0))
                << "the frame is drawn in black instead of not at all";

        int picturePixels = 0;
        for (COLORREF c : kPictureColours)
            picturePixels += s.Count(frame, c);
        if (picturePixels > pictureW * pictureH / 2)
            seen |= S_Picture;

        if (FontWeight(GetDlgItem(dlg, IDC_STATUS_TEXT)) == FW_LIGHT &&
            FontWeight(GetDlgItem(dlg, IDC_HEADING)) == FW_BOLD)
            seen |= S_Fonts;

        std::string status = ItemText(dlg, IDC_STATUS_TEXT);
        if (status.find("...") != std::string::npos && status.size() < LongPathText(9).size())
            seen |= S_PathFitted;
        else
            EXPECT_EQ(status, LongPathText(9)) << "an unfitted path is shown as it came";
        return seen;
    }
};

TEST_P(FailingSystemCall, LeavesItsElementUndrawnAndEveryCommandHarmless)
{
    const FaultCase& c = GetParam();
    int patched = 0;
    for (int i = 0; i < C_Count; ++i) {
        if (!(c.failing & (1u << i)))
            continue;
        if (PatchImport(module, kFailing[i].dll, kFailing[i].function, kFailing[i].replacement))
            ++patched;
        else
            printf("  note: the module does not import %s!%s; that failure is not exercised\n", kFailing[i].dll,
                   kFailing[i].function);
    }
    int wanted = 0;
    for (unsigned m = c.failing; m; m &= m - 1)
        ++wanted;
    if (wanted && !patched)
        GTEST_SKIP() << "none of the calls made to fail is imported by the module";

    const int pw = 60, ph = 60;
    HostPictureBuffer picture = MakeHostPicture(pw, ph, 8, 16);
    info.picture = picture.get();
    info.pictureBackground = RGB(0x40, 0x80, 0xC0);

    Beat("create");
    Create(true);
    bool haveDialog = dlg != NULL;
    EXPECT_EQ(haveDialog, (c.seen & S_Dialog) != 0);

    // The normal run of an installation, each command bounded by the guard.
    for (int i = 0; i < 4; ++i) {
        Beat("report", i);
        EXPECT_EQ(Progress(LongPathText(i).c_str(), 100 + 100 * i, 250 * i), (HWND)NULL);
        UpdateWindow(dlg);
    }
    Beat("hide");
    Hide();
    EXPECT_TRUE(IsWindowEnabled(hwndMain));
    Beat("show");
    Progress(LongPathText(5).c_str(), 600, 100);
    EXPECT_EQ(IsWindowVisible(dlg) != FALSE, haveDialog);
    Beat("press");
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(Progress("Copying file:\nC:\\x.bin", 700, 100), dlg) << "the press comes back as the dialog";
    Beat("reports after the press");
    Progress(LongPathText(6).c_str(), 800, 500);
    InvalidateRect(dlg, NULL, TRUE);
    UpdateWindow(dlg);
    Progress(LongPathText(9).c_str(), 1000, 1000);
    UpdateWindow(dlg);

    unsigned seen = 0;
    if (haveDialog) {
        Beat("observe");
        HWND anim = WaitForAnimateWindow(dlg, (c.seen & S_AnimWindow) ? kAnimAppearMs : kAnimAbsentMs);
        EXPECT_LE(CountAnimateWindows(dlg), 1);
        seen = Observe(anim, pw, ph);
    } else {
        EXPECT_TRUE(IsWindowEnabled(hwndMain)) << "no dialog: the host window stays usable";
        EXPECT_FALSE(AnimateClassRegistered()) << "no dialog: no animation thread";
    }
    EXPECT_EQ(SeenNames(seen), SeenNames(c.seen));

    double ms = FinishTimed();
    printf("  %s failing: finish took %.1f ms; seen: %s\n", c.name, ms, SeenNames(seen).c_str());
    EXPECT_LT(ms, kFinishBoundMs);
    EXPECT_TRUE(IsWindowEnabled(hwndMain));
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_FALSE(AnimateClassRegistered());

    // Commands after finish stay harmless.
    Beat("after finish");
    EXPECT_EQ(Progress("late", 500, 500), (HWND)NULL);
    Hide();
    Finish();
    EXPECT_TRUE(IsWindowEnabled(hwndMain));
}

INSTANTIATE_TEST_SUITE_P(Calls, FailingSystemCall, ::testing::ValuesIn(kFaultCases),
                         [](const ::testing::TestParamInfo<FaultCase>& p) { return std::string(p.param.name); });

// ---- Handle accounting --------------------------------------------------------

enum Kind { K_Brush, K_Pen, K_Bitmap, K_Font, K_Palette, K_MemoryDC, K_WindowDC, K_Icon, K_Paint, K_Count };
const char* const kKindNames[K_Count] = {"brush", "pen", "bitmap", "font", "palette",
                                         "memory DC", "window DC", "icon", "paint"};

// Handle spaces: GDI objects and DCs share one, icons and windows another.
enum Space { SP_Gdi, SP_Icon, SP_Paint };

struct Live {
    Kind kind;
    int count;
    bool hostThread;
};

struct Ledger {
    CRITICAL_SECTION lock;
    DWORD hostThread = 0;
    std::map<std::pair<int, ULONG_PTR>, Live> live;
    long created[K_Count] = {};
    long released[K_Count] = {};
    long failedCreations = 0;
    std::vector<std::string> strays;  // releases of what the module does not hold

    Ledger() { InitializeCriticalSection(&lock); }

    void Reset(DWORD thread)
    {
        EnterCriticalSection(&lock);
        hostThread = thread;
        live.clear();
        for (int k = 0; k < K_Count; ++k)
            created[k] = released[k] = 0;
        failedCreations = 0;
        strays.clear();
        LeaveCriticalSection(&lock);
    }

    void Made(Space space, Kind kind, const void* handle)
    {
        EnterCriticalSection(&lock);
        if (!handle) {
            ++failedCreations;
        } else {
            Live& l = live[std::make_pair((int)space, (ULONG_PTR)handle)];
            if (l.count == 0) {
                l.kind = kind;
                l.hostThread = GetCurrentThreadId() == hostThread;
            }
            ++l.count;
            ++created[kind];
        }
        LeaveCriticalSection(&lock);
    }

    // kinds: the kinds this release function may end (by bit).
    void Gone(Space space, unsigned kinds, const void* handle, const char* how)
    {
        EnterCriticalSection(&lock);
        auto it = live.find(std::make_pair((int)space, (ULONG_PTR)handle));
        if (it == live.end() || !(kinds & (1u << it->second.kind))) {
            char note[128];
            wsprintfA(note, "%s(%p)%s", how, handle, it == live.end() ? "" : " of another kind");
            if (strays.size() < 20)
                strays.push_back(note);
        } else {
            ++released[it->second.kind];
            if (--it->second.count == 0)
                live.erase(it);
        }
        LeaveCriticalSection(&lock);
    }

    struct Counts {
        int host[K_Count] = {};
        int anim[K_Count] = {};
        int Host() const { int n = 0; for (int v : host) n += v; return n; }
        int Anim() const { int n = 0; for (int v : anim) n += v; return n; }
    };

    Counts Snapshot()
    {
        Counts c;
        EnterCriticalSection(&lock);
        for (const auto& e : live)
            (e.second.hostThread ? c.host : c.anim)[e.second.kind] += e.second.count;
        LeaveCriticalSection(&lock);
        return c;
    }
};

Ledger g_ledger;

struct RealGdi {
    decltype(&::CreateSolidBrush) createSolidBrush;
    decltype(&::CreatePen) createPen;
    decltype(&::CreateCompatibleDC) createCompatibleDC;
    decltype(&::CreateCompatibleBitmap) createCompatibleBitmap;
    decltype(&::CreateFontIndirectA) createFontIndirectA;
    decltype(&::CreatePalette) createPalette;
    decltype(&::GetDC) getDC;
    decltype(&::ReleaseDC) releaseDC;
    decltype(&::LoadIconA) loadIconA;
    decltype(&::DestroyIcon) destroyIcon;
    decltype(&::DeleteObject) deleteObject;
    decltype(&::DeleteDC) deleteDC;
    decltype(&::BeginPaint) beginPaint;
    decltype(&::EndPaint) endPaint;
} g_real;

const unsigned kObjectKinds = (1u << K_Brush) | (1u << K_Pen) | (1u << K_Bitmap) | (1u << K_Font) | (1u << K_Palette);

HBRUSH WINAPI CountCreateSolidBrush(COLORREF c)
{
    HBRUSH h = g_real.createSolidBrush(c);
    g_ledger.Made(SP_Gdi, K_Brush, h);
    return h;
}
HPEN WINAPI CountCreatePen(int style, int width, COLORREF c)
{
    HPEN h = g_real.createPen(style, width, c);
    g_ledger.Made(SP_Gdi, K_Pen, h);
    return h;
}
HDC WINAPI CountCreateCompatibleDC(HDC dc)
{
    HDC h = g_real.createCompatibleDC(dc);
    g_ledger.Made(SP_Gdi, K_MemoryDC, h);
    return h;
}
HBITMAP WINAPI CountCreateCompatibleBitmap(HDC dc, int w, int h)
{
    HBITMAP b = g_real.createCompatibleBitmap(dc, w, h);
    g_ledger.Made(SP_Gdi, K_Bitmap, b);
    return b;
}
HFONT WINAPI CountCreateFontIndirectA(const LOGFONTA* lf)
{
    HFONT h = g_real.createFontIndirectA(lf);
    g_ledger.Made(SP_Gdi, K_Font, h);
    return h;
}
HPALETTE WINAPI CountCreatePalette(const LOGPALETTE* lp)
{
    HPALETTE h = g_real.createPalette(lp);
    g_ledger.Made(SP_Gdi, K_Palette, h);
    return h;
}
HDC WINAPI CountGetDC(HWND hwnd)
{
    HDC h = g_real.getDC(hwnd);
    g_ledger.Made(SP_Gdi, K_WindowDC, h);
    return h;
}
int WINAPI CountReleaseDC(HWND hwnd, HDC dc)
{
    g_ledger.Gone(SP_Gdi, 1u << K_WindowDC, dc, "ReleaseDC");
    return g_real.releaseDC(hwnd, dc);
}
HICON WINAPI CountLoadIconA(HINSTANCE instance, LPCSTR name)
{
    HICON h = g_real.loadIconA(instance, name);
    g_ledger.Made(SP_Icon, K_Icon, h);
    return h;
}
BOOL WINAPI CountDestroyIcon(HICON icon)
{
    g_ledger.Gone(SP_Icon, 1u << K_Icon, icon, "DestroyIcon");
    return g_real.destroyIcon(icon);
}
BOOL WINAPI CountDeleteObject(HGDIOBJ object)
{
    g_ledger.Gone(SP_Gdi, kObjectKinds, object, "DeleteObject");
    return g_real.deleteObject(object);
}
BOOL WINAPI CountDeleteDC(HDC dc)
{
    g_ledger.Gone(SP_Gdi, 1u << K_MemoryDC, dc, "DeleteDC");
    return g_real.deleteDC(dc);
}
HDC WINAPI CountBeginPaint(HWND hwnd, LPPAINTSTRUCT ps)
{
    HDC h = g_real.beginPaint(hwnd, ps);
    g_ledger.Made(SP_Paint, K_Paint, hwnd);  // EndPaint follows whatever BeginPaint gave
    return h;
}
BOOL WINAPI CountEndPaint(HWND hwnd, const PAINTSTRUCT* ps)
{
    g_ledger.Gone(SP_Paint, 1u << K_Paint, hwnd, "EndPaint");
    return g_real.endPaint(hwnd, ps);
}

template <typename F>
bool Wrap(HMODULE module, const char* dll, const char* name, F* replacement, F*& real)
{
    void* previous = PatchImport(module, dll, name, reinterpret_cast<void*>(replacement));
    if (!previous) {
        printf("  note: the module does not import %s!%s; not counted\n", dll, name);
        return false;
    }
    real = reinterpret_cast<F*>(previous);
    return true;
}

std::string Describe(const Ledger::Counts& c, bool host)
{
    std::string s;
    for (int k = 0; k < K_Count; ++k) {
        int n = host ? c.host[k] : c.anim[k];
        if (n)
            s += std::string(s.empty() ? "" : ", ") + std::to_string(n) + " " + kKindNames[k];
    }
    return s.empty() ? "none" : s;
}

DWORD GuiObjects(DWORD which)
{
    return GetGuiResources(GetCurrentProcess(), which);
}

// Counts the module's creations and releases from here on; returns how many
// of the calls the module imports.
int WrapImports(HMODULE module)
{
    g_ledger.Reset(GetCurrentThreadId());
    int n = 0;
    n += Wrap(module, "GDI32.dll", "CreateSolidBrush", &CountCreateSolidBrush, g_real.createSolidBrush);
    n += Wrap(module, "GDI32.dll", "CreatePen", &CountCreatePen, g_real.createPen);
    n += Wrap(module, "GDI32.dll", "CreateCompatibleDC", &CountCreateCompatibleDC, g_real.createCompatibleDC);
    n += Wrap(module, "GDI32.dll", "CreateCompatibleBitmap", &CountCreateCompatibleBitmap,
              g_real.createCompatibleBitmap);
    n += Wrap(module, "GDI32.dll", "CreateFontIndirectA", &CountCreateFontIndirectA, g_real.createFontIndirectA);
    n += Wrap(module, "GDI32.dll", "CreatePalette", &CountCreatePalette, g_real.createPalette);
    n += Wrap(module, "USER32.dll", "GetDC", &CountGetDC, g_real.getDC);
    n += Wrap(module, "USER32.dll", "ReleaseDC", &CountReleaseDC, g_real.releaseDC);
    n += Wrap(module, "USER32.dll", "LoadIconA", &CountLoadIconA, g_real.loadIconA);
    n += Wrap(module, "USER32.dll", "DestroyIcon", &CountDestroyIcon, g_real.destroyIcon);
    n += Wrap(module, "GDI32.dll", "DeleteObject", &CountDeleteObject, g_real.deleteObject);
    n += Wrap(module, "GDI32.dll", "DeleteDC", &CountDeleteDC, g_real.deleteDC);
    n += Wrap(module, "USER32.dll", "BeginPaint", &CountBeginPaint, g_real.beginPaint);
    n += Wrap(module, "USER32.dll", "EndPaint", &CountEndPaint, g_real.endPaint);
    return n;
}

// After finish nothing the module made is left, and it released nothing it
// did not hold.
void ExpectLedgerClosed(const char* when)
{
    Ledger::Counts left = g_ledger.Snapshot();
    EXPECT_EQ(Describe(left, true), "none") << "left on the host thread " << when;
    EXPECT_EQ(Describe(left, false), "none") << "left on the animation thread " << when;
    for (const std::string& s : g_ledger.strays)
        ADD_FAILURE() << "released what the module does not hold " << when << ": " << s;
    for (int k = 0; k < K_Count; ++k)
        EXPECT_EQ(g_ledger.created[k], g_ledger.released[k]) << kKindNames[k] << " " << when;
}

typedef RobustHost HandleAccounting;

TEST_F(HandleAccounting, EverythingMadeIsReleasedAndNothingGrowsPerReport)
{
    const long reports = EnvNumber("PROGRESS_HANDLE_REPORTS", 4000);
    const long early = reports < 1000 ? reports / 2 : 1000;

    // Baselines of the process's own counters, with the module not loaded.
    UnloadModule();
    Pump();
    DWORD gdiBefore = GuiObjects(GR_GDIOBJECTS), userBefore = GuiObjects(GR_USEROBJECTS);
    LoadModule();
    ASSERT_NE(module, (HMODULE)NULL);
    int wrapped = WrapImports(module);
    printf("  %d creation and release calls counted\n", wrapped);
    ASSERT_GE(wrapped, 1);

    HostPictureBuffer paletted = MakeHostPicture(60, 60, 8, 0);
    HostPictureBuffer fewColours = MakeHostPicture(60, 60, 8, 16);
    HostPictureBuffer trueColour = MakeHostPicture(60, 60, 24);
    const HostPicture* pictures[] = {paletted.get(), fewColours.get(), trueColour.get(), NULL};
    info.picture = paletted.get();
    info.pictureBackground = RGB(0x40, 0x80, 0xC0);

    Beat("create");
    ASSERT_NE(Create(true), (HWND)NULL);
    Ledger::Counts afterCreate = g_ledger.Snapshot();

    std::vector<std::string> paths;
    for (int i = 0; i < 8; ++i)
        paths.push_back(LongPathText(i * 7));
    paths.push_back("Copying file:\nC:\\short.txt");

    Ledger::Counts atEarly, atEnd;
    int pressesSeen = 0;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    for (long i = 1; i <= reports; ++i) {
        Beat("report", i);
        if (i % 250 == 0)
            Hide();
        if (i % 97 == 0)
            SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
        if (i % 500 == 0)
            info.picture = pictures[(i / 500) % 4];
        HWND r = update(UPDATE_PROGRESS, 4, &info, paths[i % paths.size()].c_str(), (int)(i * 1000 / reports),
                        (int)((i * 37) % 1001));
        pressesSeen += r == dlg;
        if (i % 50 == 0)
            InvalidateRect(dlg, NULL, TRUE);  // a whole repaint: picture, palette, separator
        if (i % 4 == 0)
            UpdateWindow(dlg);
        Pump();
        if (i == early)
            atEarly = g_ledger.Snapshot();
    }
    double ms = MillisecondsSince(start);
    PumpFor(3 * kTick);
    atEnd = g_ledger.Snapshot();
    printf("  %ld reports in %.0f ms (%.2f ms each), %d presses returned\n", reports, ms, ms / reports, pressesSeen);
    printf("  live after create:     host thread: %s\n", Describe(afterCreate, true).c_str());
    printf("  live after %5ld reports: host thread: %s; animation thread: %s\n", early,
           Describe(atEarly, true).c_str(), Describe(atEarly, false).c_str());
    printf("  live after %5ld reports: host thread: %s; animation thread: %s\n", reports,
           Describe(atEnd, true).c_str(), Describe(atEnd, false).c_str());
    EXPECT_EQ(pressesSeen, (int)(reports / 97));

    // Between reports the host thread holds exactly what lives until finish
    // (fonts, palette, icons); the animation thread at most one frame's worth.
    EXPECT_EQ(Describe(atEnd, true), Describe(atEarly, true)) << "grows with the number of reports";
    EXPECT_LE(atEnd.host[K_Font], 2);
    EXPECT_LE(atEnd.host[K_Palette], 1);
    EXPECT_EQ(atEnd.host[K_Brush] + atEnd.host[K_Pen] + atEnd.host[K_WindowDC] + atEnd.host[K_Paint], 0)
        << "paint objects outlive their paint";
    EXPECT_LE(atEnd.Anim(), 4) << Describe(atEnd, false);
    EXPECT_LE(atEarly.Anim(), 4) << Describe(atEarly, false);

    double finishMs = FinishTimed();
    EXPECT_LT(finishMs, kFinishBoundMs);
    printf("  made: ");
    for (int k = 0; k < K_Count; ++k)
        printf("%s%ld %s", k ? ", " : "", g_ledger.created[k], kKindNames[k]);
    printf("\n  released: ");
    for (int k = 0; k < K_Count; ++k)
        printf("%s%ld %s", k ? ", " : "", g_ledger.released[k], kKindNames[k]);
    printf("\n  failed creations: %ld\n", g_ledger.failedCreations);
    ExpectLedgerClosed("after finish");
    EXPECT_GT(g_ledger.created[K_Brush], reports / 4) << "the bars were painted";
    EXPECT_GT(g_ledger.created[K_Bitmap], 0) << "the animation was painted";
    EXPECT_EQ(g_ledger.created[K_Icon], IDI_ANIM_LAST - IDI_FOLDER + 2) << "the host's icon and the module's 21";

    UnloadModule();
    Pump();
    DWORD gdiAfter = GuiObjects(GR_GDIOBJECTS), userAfter = GuiObjects(GR_USEROBJECTS);
    printf("  GetGuiResources: GDI objects %lu -> %lu, USER objects %lu -> %lu\n", gdiBefore, gdiAfter, userBefore,
           userAfter);
    if (gdiBefore == 0 && gdiAfter == 0 && userBefore == 0 && userAfter == 0) {
        printf("  note: GetGuiResources reports 0 here; the process counters are not checked\n");
    } else {
        if (gdiBefore || gdiAfter)
            EXPECT_LE(gdiAfter, gdiBefore) << "GDI objects left in the process";
        if (userBefore || userAfter)
            EXPECT_LE(userAfter, userBefore) << "USER objects left in the process";
    }
}

// ---- Hostile commands -----------------------------------------------------------

// A host that finishes with a null HostInfo: the dialog goes, and so must the
// disabled state of the host window it was shown over.
TEST_F(RobustHost, FinishWithoutHostInfoLeavesTheHostWindowEnabled)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Copying file:\nC:\\a.txt", 100, 100);
    ASSERT_FALSE(IsWindowEnabled(hwndMain));
    Beat("finish without info");
    EXPECT_EQ(update(UPDATE_FINISH, 0, NULL, NULL, 0, 0), (HWND)NULL);
    finished = true;
    Pump();
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_TRUE(IsWindowEnabled(hwndMain)) << "no dialog, yet the host window is left disabled";
}

// ---- Seeded random soak ---------------------------------------------------------

typedef std::mt19937 Rng;

int Pick(Rng& rng, int n)
{
    return (int)(rng() % (unsigned)n);
}

// Per-mille values, mostly wild: boundaries, the int extremes, anything in
// -1,000,000 .. 1,000,000.
int RandomValue(Rng& rng)
{
    static const int kEdges[] = {-1000000, -1, 0, 1, 29, 30, 31, 499, 500, 999, 1000, 1001, 1000000,
                                 INT_MIN, INT_MAX};
    if (Pick(rng, 3) == 0)
        return kEdges[Pick(rng, sizeof kEdges / sizeof kEdges[0])];
    return (int)(rng() % 2000001u) - 1000000;
}

// A text of up to 10,000 characters: path-like, full of the characters that
// matter to the module (line breaks, backslashes, "%", brackets), sometimes
// with any byte but 0.
std::string RandomText(Rng& rng)
{
    static const char kChars[] = "\\\\\\abcdefghijklmnopqrstuvwxyzABCDEFG0123456789 .:_-%[]^\n\t~";
    size_t length;
    switch (Pick(rng, 10)) {
    case 0: case 1: case 2: case 3: length = Pick(rng, 20); break;
    case 4: case 5: case 6: case 7: length = 20 + Pick(rng, 300); break;
    default: length = 300 + Pick(rng, 9701); break;
    }
    bool anyByte = Pick(rng, 8) == 0;
    std::string t;
    t.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        char c = anyByte ? (char)(1 + Pick(rng, 255)) : kChars[Pick(rng, sizeof kChars - 1)];
        t.push_back(c);
    }
    if (length > 3 && Pick(rng, 2) == 0)
        t[Pick(rng, (int)length)] = '\n';
    return t;
}

// Everything a soak hands the module, alive until the soak ends, as a host
// keeps its tables and pictures valid.
struct SoakData {
    std::vector<std::string> storage;             // texts behind the tables
    std::vector<std::vector<const char*>> tables;  // each HOST_TEXT_COUNT entries
    std::vector<HostPictureBuffer> pictures;
    std::vector<std::string> titles;
};

const char* const kHostileTemplates[] = {
    "%s %s %s %s",
    "%n%n%n%n",
    "%d %d %d %d %d %d",
    "%999999999d [a^b] and %d [c^d]",
    "%.2147483647d [minute^minutes] %d [second^seconds]",
    "%*d [x^y] %d [z^w]",
    "[[[[[[",
    "]^]^]^",
    "%",
    "%%%%%%%%%",
    "About %d [minute^minutes",
    "About %d [",
    "%d [^] %d [^]",
    "%ls %d %S %d",
    "%c%c%c%c",
    "%p %p",
    "%-+ #0d [m^n] %-+ #0d [s^t]",
    "%I64d [a^b] %I64d [c^d]",
    "%hhn [a^b] %hn [c^d]",
    "[a^b] [c^d] [e^f] [g^h] %d %d %d",
    "About %d [minute^minutes] and %d [second^seconds] remaining",
    "",
};

void BuildSoakData(SoakData& d, Rng& rng, const std::vector<const char*>& defaults)
{
    // Texts first: the tables point into them, so they must not move.
    std::vector<std::string> longTexts;
    longTexts.push_back(std::string(10000, 'W'));
    longTexts.push_back(RandomText(rng) + std::string(9000, '%'));
    std::string brackets;
    while (brackets.size() < 10000)
        brackets += "[minute^minutes]%d";
    longTexts.push_back(brackets);
    std::string bigTemplate = "About %d [" + std::string(5000, 'm') + "^" + std::string(5000, 'n') +
                              "] and %d [" + std::string(300, 's') + "^s]";
    longTexts.push_back(bigTemplate);
    d.storage = longTexts;
    d.storage.reserve(d.storage.size() + 4 * HOST_TEXT_COUNT);
    for (int i = 0; i < 2 * HOST_TEXT_COUNT; ++i)
        d.storage.push_back(RandomText(rng));

    d.tables.push_back(defaults);
    d.tables.push_back(std::vector<const char*>(HOST_TEXT_COUNT, (const char*)NULL));
    d.tables.push_back(std::vector<const char*>(HOST_TEXT_COUNT, d.storage[0].c_str()));
    for (int n = 0; n < 3; ++n) {
        std::vector<const char*> mixed(HOST_TEXT_COUNT);
        for (int k = 0; k < HOST_TEXT_COUNT; ++k) {
            int choice = Pick(rng, 4);
            mixed[k] = choice == 0 ? NULL
                     : choice == 1 ? d.storage[Pick(rng, (int)longTexts.size())].c_str()
                     : choice == 2 ? defaults[k]
                                   : d.storage[longTexts.size() + Pick(rng, 2 * HOST_TEXT_COUNT)].c_str();
        }
        d.tables.push_back(mixed);
    }
    for (const char* t : kHostileTemplates) {
        std::vector<const char*> table = defaults;
        table[HOST_TEXT_TIME_LEFT] = t;
        d.tables.push_back(table);
    }
    for (size_t i = 1; i < longTexts.size(); ++i) {
        std::vector<const char*> table = defaults;
        table[HOST_TEXT_TIME_LEFT] = d.storage[i].c_str();
        d.tables.push_back(table);
    }
    {
        std::vector<const char*> table = defaults;
        table[HOST_TEXT_TIME_LEFT] = NULL;
        d.tables.push_back(table);
    }

    d.pictures.push_back(MakeHostPicture(60, 60, 24));
    d.pictures.push_back(MakeHostPicture(37, 23, 24));
    d.pictures.push_back(MakeHostPicture(60, 60, 8, 0));
    d.pictures.push_back(MakeHostPicture(90, 40, 8, 16));
    d.pictures.push_back(MakeHostPicture(45, 70, 8, 300));
    d.pictures.push_back(MakeHostPicture(1, 1, 8, 16));
    d.pictures.push_back(MakeHostPicture(400, 300, 24));

    d.titles = {"", "Soak Application", "100%% %s %n [a^b]", std::string(300, 'T'), std::string(1100, 'L')};
}

class Soak : public RobustHost {
protected:
    // The caption the module keeps: the first non-empty APPTITLE a report
    // with a text table sees, as the caption and the variable buffers cut it.
    void ModelReport()
    {
        if (titleApplied || !info.strings)
            return;
        std::string t = currentTitle.substr(0, VariableTable::kValueStride - 1).substr(0, 259).substr(0, 255);
        if (!t.empty()) {
            expectedCaption = t;
            titleApplied = true;
        }
    }

    void UseTitle(const std::string& t)
    {
        currentTitle = t;
        SetTitle(t);
    }

    std::string currentTitle;
    std::string expectedCaption;
    bool titleApplied = false;
};

TEST_F(Soak, RandomValidAndHostileCallsLeaveAWorkingDialog)
{
    const long calls = EnvNumber("PROGRESS_SOAK_CALLS", 2000);
    LARGE_INTEGER seedSource;
    QueryPerformanceCounter(&seedSource);
    const unsigned long seed = (unsigned long)EnvNumber("PROGRESS_SOAK_SEED", (long)(seedSource.LowPart & 0x7FFFFFFF));
    const long callsPerLoad = 1000;  // a fresh module now and then: the once-only paths meet other input
    printf("  soak: seed %lu, %ld calls, %ld per load (PROGRESS_SOAK_SEED=%lu repeats it)\n", seed, calls,
           callsPerLoad, seed);
    Rng rng(seed);

    std::vector<const char*> defaults = strings;
    SoakData data;
    BuildSoakData(data, rng, defaults);
    const std::string normalText = "Copying file:\nC:\\Program Files\\Soak\\readme.txt";

    long call = 0;
    int loads = 0;
    long returnedDialog = 0, unknownCalls = 0;
    long made[K_Count] = {};
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    while (call < calls) {
        ++loads;
        if (loads > 1) {
            UnloadModule();
            LoadModule();
            ASSERT_NE(module, (HMODULE)NULL);
            finished = false;
        }
        ASSERT_GE(WrapImports(module), 1);
        strings = defaults;
        info.strings = strings.data();
        info.picture = NULL;
        UseTitle("Soak Application");
        titleApplied = false;
        expectedCaption.clear();

        Beat("soak create", call);
        ASSERT_NE(Create(Pick(rng, 4) != 0), (HWND)NULL);
        long end = std::min(calls, call + callsPerLoad);
        for (; call < end; ++call) {
            Beat("soak", call);
            int action = Pick(rng, 100);
            if (action < 30) {  // a report with anything in it
                std::string text = RandomText(rng);
                int kind = Pick(rng, 10);
                const char* t = kind == 0 ? NULL : kind == 1 ? "" : text.c_str();
                ModelReport();
                HWND r = update(UPDATE_PROGRESS, (int)rng(), &info, t, RandomValue(rng), RandomValue(rng));
                EXPECT_TRUE(r == NULL || r == dlg);
                returnedDialog += r == dlg;
            } else if (action < 40) {  // a normal report
                ModelReport();
                HWND r = update(UPDATE_PROGRESS, 4, &info, normalText.c_str(), Pick(rng, 1001), Pick(rng, 1001));
                returnedDialog += r == dlg;
            } else if (action < 46) {
                update(UPDATE_HIDE, (int)rng(), &info, NULL, RandomValue(rng), RandomValue(rng));
            } else if (action < 52) {  // presses, sent and posted
                static const WPARAM kIds[] = {IDCANCEL, IDC_NEXT, IDC_BACK, IDOK, 0, 0xFFFF, 0x12345678};
                WPARAM id = kIds[Pick(rng, sizeof kIds / sizeof kIds[0])];
                if (Pick(rng, 2))
                    SendMessageA(dlg, WM_COMMAND, id, 0);
                else
                    PostMessageA(dlg, WM_COMMAND, id, 0);
            } else if (action < 54) {
                SendMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0);
            } else if (action < 60) {  // the host's picture changes
                int k = Pick(rng, (int)data.pictures.size() + 1);
                info.picture = k == (int)data.pictures.size() ? NULL : data.pictures[k].get();
                info.pictureBackground = Pick(rng, 2) ? 0 : (COLORREF)(rng() & 0xFFFFFF);
            } else if (action < 65) {  // the text table changes
                int k = Pick(rng, (int)data.tables.size() + 1);
                info.strings = k == (int)data.tables.size() ? NULL : data.tables[k].data();
            } else if (action < 68) {
                UseTitle(data.titles[Pick(rng, (int)data.titles.size())]);
            } else if (action < 73) {  // unknown commands, any arguments
                UINT command = 4 + rng() % 0xFFFFFFF0u;
                std::string text = RandomText(rng);
                EXPECT_EQ(update(command, (int)rng(), Pick(rng, 2) ? &info : NULL, text.c_str(), RandomValue(rng),
                                 RandomValue(rng)),
                          (HWND)NULL);
                ++unknownCalls;
            } else if (action < 76) {  // no HostInfo at all
                UINT command = (UINT)Pick(rng, 3);
                EXPECT_EQ(update(command, 4, NULL, "no info", RandomValue(rng), RandomValue(rng)), (HWND)NULL);
            } else if (action < 78) {  // create again: the same dialog
                EXPECT_EQ(update(UPDATE_CREATE, (int)rng(), &info, NULL, 0, 0), dlg);
            } else if (action < 90) {  // painting
                if (Pick(rng, 3) == 0)
                    InvalidateRect(dlg, NULL, TRUE);
                UpdateWindow(dlg);
            } else if (action < 92) {  // the host minimises or restores the dialog
                if (IsWindowVisible(dlg))
                    ShowWindow(dlg, IsIconic(dlg) ? SW_RESTORE : SW_SHOWMINNOACTIVE);
            } else if (action < 94) {
                PumpFor(Pick(rng, 3) * 20);
            } else {  // a report with sane values and a long path
                ModelReport();
                returnedDialog += update(UPDATE_PROGRESS, Pick(rng, 9), &info, LongPathText(Pick(rng, 50)).c_str(),
                                         Pick(rng, 1001), Pick(rng, 1001)) == dlg;
            }
            Pump();
        }

        // The same dialog still reports normally.
        Beat("soak check", call);
        if (IsIconic(dlg))
            ShowWindow(dlg, SW_RESTORE);
        Pump();
        ModelReport();
        HWND r = update(UPDATE_PROGRESS, 4, &info, normalText.c_str(), 500, 500);
        if (r == dlg) {  // a press was still pending
            ModelReport();
            r = update(UPDATE_PROGRESS, 4, &info, normalText.c_str(), 500, 500);
        }
        EXPECT_EQ(r, (HWND)NULL) << "load " << loads;
        UpdateWindow(dlg);
        Pump();
        EXPECT_TRUE(IsWindowVisible(dlg)) << "load " << loads;
        EXPECT_FALSE(IsIconic(dlg)) << "load " << loads;
        EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), normalText) << "load " << loads;
        EXPECT_EQ(WindowText(dlg), expectedCaption) << "load " << loads;
        EXPECT_FALSE(IsWindowEnabled(hwndMain)) << "load " << loads;
        EXPECT_LE(CountAnimateWindows(dlg), 1) << "load " << loads;

        double ms = FinishTimed();
        EXPECT_LT(ms, kFinishBoundMs) << "load " << loads;
        EXPECT_FALSE(IsWindow(dlg)) << "load " << loads;
        EXPECT_TRUE(IsWindowEnabled(hwndMain)) << "load " << loads;
        std::string when = "after finish of load " + std::to_string(loads);
        ExpectLedgerClosed(when.c_str());
        for (int k = 0; k < K_Count; ++k)
            made[k] += g_ledger.created[k];
        if (HasFailure()) {
            printf("  stopping after load %d (seed %lu)\n", loads, seed);
            break;
        }
    }
    double ms = MillisecondsSince(start);
    printf("  soak: seed %lu, %ld calls over %d loads in %.1f s (%.2f ms per call); %ld reports returned the "
           "dialog, %ld unknown commands\n",
           seed, call, loads, ms / 1000, ms / (call ? call : 1), returnedDialog, unknownCalls);
    printf("  made and released again:");
    for (int k = 0; k < K_Count; ++k)
        printf("%s %ld %s", k ? "," : "", made[k], kKindNames[k]);
    printf("\n");
}

}  // namespace
