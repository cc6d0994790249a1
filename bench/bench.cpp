// Benchmark of progress.dll under Wine, printed as a table in one run:
//   1. per-report cost with its repaint: progress.dll, the common controls,
//      the shell's IProgressDialog;
//   2. the status text fitting beside PathCompactPathA;
//   3. the animation thread's CPU time;
//   4. finish latency;
//   5. load time;
//   6. steadiness of the shown time left on a noisy install trace.
// Progress lines go to stderr, the table to stdout at the end. Wine here may
// run under emulation: compare figures within one run, not across machines.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "bench_support.h"
#include "import_profile.h"
#include "resource.h"

namespace {

const int kWarmup = 30;
const int kMeasured = 300;
const int kReports = kWarmup + kMeasured;
const size_t kReportPathLength = 200;
const size_t kFitPathLength = 255;
const int kFitCalls = 200;
const int kProfileReports = 100;
const int kProfileIdleMs = 3000;
const int kAnimSeconds = 10;
const int kFinishRuns = 20;
const int kLoadRuns = 20;
const char kAction[] = "Copying file:";
const char kAnimateClass[] = "AnimateWindow";

// The shell's progress dialog and its window interface.
const CLSID kClsidProgressDialog = {0xf8383852, 0xfcd3, 0x11d1, {0xa6, 0xb9, 0x00, 0x60, 0x97, 0xdf, 0x5b, 0xd4}};
const IID kIidProgressDialog = {0xebbc7c04, 0x315e, 0x11d2, {0xb6, 0x2f, 0x00, 0x60, 0x97, 0xdf, 0x5b, 0xd4}};
const IID kIidOleWindow = {0x00000114, 0x0000, 0x0000, {0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

void Note(const char* what)
{
    fprintf(stderr, "bench: %s\n", what);
    fflush(stderr);
}

std::wstring Widen(const std::string& s)
{
    std::wstring w(s.size(), L'\0');
    int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), (int)s.size(), &w[0], (int)w.size());
    w.resize(n > 0 ? n : 0);
    return w;
}

std::string Narrow(const wchar_t* w)
{
    char buf[512];
    int n = WideCharToMultiByte(CP_ACP, 0, w, -1, buf, sizeof buf, NULL, NULL);
    return n > 0 ? std::string(buf) : std::string();
}

struct Report {
    std::string path;
    std::string text;  // action line, line break, path
    std::wstring wpath;
    int overall;
    int current;
};

// Values stepping from 0 to 1000 over the sequence; the current item's value
// cycles through a file; a different path every report.
std::vector<Report> MakeReports(int count, size_t pathLength, unsigned seedBase)
{
    std::vector<Report> out(count);
    for (int i = 0; i < count; ++i) {
        Report& r = out[i];
        r.path = MakePath(seedBase + i, pathLength);
        r.text = std::string(kAction) + "\n" + r.path;
        r.wpath = Widen(r.path);
        r.overall = count > 1 ? i * 1000 / (count - 1) : 1000;
        r.current = (i % 9) * 125;
    }
    return out;
}

// Per-report samples of one way of showing progress, in microseconds.
struct Part {
    const char* name;
    std::vector<double> us;
};

struct Way {
    bool measured = false;
    std::vector<Part> parts;  // pieces of the report, where told apart
    std::string note;
    std::vector<double> total;  // report and the repaint it causes
    std::vector<double> call;   // the report alone
    std::vector<double> paint;  // UpdateWindow and the queue drained
};

// Geometry of the module's dialog, copied for the common-controls window.
struct DialogGeometry {
    bool valid = false;
    RECT window;
    RECT status;
    RECT barCurrent;
    RECT barAll;
    LOGFONTA font;
};

RECT ChildRect(HWND dlg, int id)
{
    RECT r = {0, 0, 0, 0};
    HWND c = GetDlgItem(dlg, id);
    if (c) {
        GetWindowRect(c, &r);
        MapWindowPoints(HWND_DESKTOP, dlg, reinterpret_cast<POINT*>(&r), 2);
    }
    return r;
}

DialogGeometry CaptureGeometry(HWND dlg)
{
    DialogGeometry g;
    GetWindowRect(dlg, &g.window);
    g.status = ChildRect(dlg, IDC_STATUS_TEXT);
    g.barCurrent = ChildRect(dlg, IDC_BAR_CURRENT);
    g.barAll = ChildRect(dlg, IDC_BAR_ALL);
    HFONT f = reinterpret_cast<HFONT>(SendDlgItemMessageA(dlg, IDC_STATUS_TEXT, WM_GETFONT, 0, 0));
    g.valid = f && GetObjectA(f, sizeof g.font, &g.font) == (int)sizeof g.font;
    return g;
}

// An 8-bit host picture of w x h with its own colour table.
std::vector<BYTE> MakePicture8(int w, int h)
{
    int stride = (w + 3) & ~3;
    size_t bitsOffset = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
    std::vector<BYTE> buf(offsetof(HostPicture, bmi) + bitsOffset + (size_t)stride * h);
    HostPicture* p = reinterpret_cast<HostPicture*>(buf.data());
    p->width = (WORD)w;
    p->height = (WORD)h;
    p->bitsOffset = (DWORD)bitsOffset;
    BITMAPINFOHEADER* bih = &p->bmi.bmiHeader;
    bih->biSize = sizeof *bih;
    bih->biWidth = w;
    bih->biHeight = h;
    bih->biPlanes = 1;
    bih->biBitCount = 8;
    bih->biCompression = BI_RGB;
    bih->biClrUsed = 256;
    RGBQUAD* colors = reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(bih) + sizeof *bih);
    for (int i = 0; i < 256; ++i) {
        colors[i].rgbRed = (BYTE)i;
        colors[i].rgbGreen = (BYTE)(255 - i);
        colors[i].rgbBlue = (BYTE)((i * 3) & 255);
    }
    BYTE* bits = reinterpret_cast<BYTE*>(bih) + bitsOffset;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            bits[(size_t)y * stride + x] = (BYTE)((x * 2 + y) & 255);
    return buf;
}

// ---- 1a. progress.dll ----

void RunOurs(const Progress& m, HostRecords* host, HWND dlg, const std::vector<Report>& reports, Way* way)
{
    for (size_t i = 0; i < reports.size(); ++i) {
        const Report& r = reports[i];
        LONGLONG t0 = Qpc();
        m.update(UPDATE_PROGRESS, 4, &host->info, r.text.c_str(), r.overall, r.current);
        LONGLONG t1 = Qpc();
        UpdateWindow(dlg);
        Drain();
        LONGLONG t2 = Qpc();
        if ((int)i < kWarmup)
            continue;
        way->call.push_back(QpcToUs(t1 - t0));
        way->paint.push_back(QpcToUs(t2 - t1));
        way->total.push_back(QpcToUs(t2 - t0));
    }
    way->measured = true;
}

// UpdateWindow and a drained queue with nothing to paint: the floor under
// every row's paint column.
std::vector<double> EmptyRepaint(HWND dlg)
{
    std::vector<double> v;
    Drain();
    for (int i = 0; i < kWarmup + 100; ++i) {
        LONGLONG t0 = Qpc();
        UpdateWindow(dlg);
        Drain();
        LONGLONG t1 = Qpc();
        if (i >= kWarmup)
            v.push_back(QpcToUs(t1 - t0));
    }
    return v;
}

// ---- 1b. The common controls ----

const char kCommonClass[] = "ProgressBenchCommonControls";

LRESULT CALLBACK CommonWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(hwnd, msg, wp, lp);
}

HWND MakeChild(HWND parent, const char* cls, DWORD style, const RECT& r)
{
    return CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, parent, NULL, GetModuleHandleA(NULL), NULL);
}

void RunCommonControls(HWND hwndMain, const DialogGeometry& g, const std::vector<Report>& reports, Way* way)
{
    if (!g.valid) {
        way->note = "skipped: the module's dialog geometry could not be read";
        return;
    }
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CommonWndProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kCommonClass;
    RegisterClassA(&wc);

    HWND wnd = CreateWindowExA(WS_EX_DLGMODALFRAME, kCommonClass, "Benchmark Application",
                               WS_POPUP | WS_CAPTION | WS_SYSMENU, g.window.left, g.window.top,
                               g.window.right - g.window.left, g.window.bottom - g.window.top, hwndMain, NULL,
                               GetModuleHandleA(NULL), NULL);
    HFONT font = CreateFontIndirectA(&g.font);
    HWND status = MakeChild(wnd, "Static", SS_NOPREFIX, g.status);
    HWND barCurrent = MakeChild(wnd, PROGRESS_CLASSA, 0, g.barCurrent);
    HWND barAll = MakeChild(wnd, PROGRESS_CLASSA, 0, g.barAll);
    if (!wnd || !status || !barCurrent || !barAll) {
        way->note = "skipped: the window or its controls could not be made";
        if (wnd)
            DestroyWindow(wnd);
        DeleteObject(font);
        return;
    }
    SendMessageA(status, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageA(barCurrent, PBM_SETRANGE32, 0, 1000);
    SendMessageA(barAll, PBM_SETRANGE32, 0, 1000);
    ShowWindow(wnd, SW_SHOW);
    UpdateWindow(wnd);
    PumpFor(200);
    int width = g.status.right - g.status.left;
    way->parts = {{"PathCompactPathA with its DC", {}}, {"SetWindowTextA", {}}, {"2 x PBM_SETPOS", {}}};

    for (size_t i = 0; i < reports.size(); ++i) {
        const Report& r = reports[i];
        LONGLONG t0 = Qpc();
        char path[MAX_PATH];
        lstrcpynA(path, r.path.c_str(), MAX_PATH);
        HDC dc = GetDC(status);
        HGDIOBJ previous = SelectObject(dc, font);
        PathCompactPathA(dc, path, width);
        SelectObject(dc, previous);
        ReleaseDC(status, dc);
        char text[MAX_PATH + 32];
        wsprintfA(text, "%s\n%s", kAction, path);
        LONGLONG ta = Qpc();
        SetWindowTextA(status, text);
        LONGLONG tb = Qpc();
        SendMessageA(barCurrent, PBM_SETPOS, r.current, 0);
        SendMessageA(barAll, PBM_SETPOS, r.overall, 0);
        LONGLONG t1 = Qpc();
        UpdateWindow(wnd);
        Drain();
        LONGLONG t2 = Qpc();
        if ((int)i < kWarmup)
            continue;
        way->parts[0].us.push_back(QpcToUs(ta - t0));
        way->parts[1].us.push_back(QpcToUs(tb - ta));
        way->parts[2].us.push_back(QpcToUs(t1 - tb));
        way->call.push_back(QpcToUs(t1 - t0));
        way->paint.push_back(QpcToUs(t2 - t1));
        way->total.push_back(QpcToUs(t2 - t0));
    }
    way->measured = true;
    DestroyWindow(wnd);
    DeleteObject(font);
    Drain();
}

// ---- 1c. The shell's IProgressDialog ----

struct LineFind {
    const wchar_t* text;
    HWND found;
};

BOOL CALLBACK FindLine(HWND hwnd, LPARAM lp)
{
    LineFind* f = reinterpret_cast<LineFind*>(lp);
    wchar_t buf[128];
    buf[0] = 0;
    GetWindowTextW(hwnd, buf, 128);
    if (lstrcmpW(buf, f->text) == 0) {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct ShellDialog {
    IProgressDialog* pd = NULL;
    HWND hwnd = NULL;
    int line1Id = 0;  // line 2 and the time line follow it
    std::string failure;
};

bool StartShellDialog(ShellDialog* s)
{
    HRESULT hr = CoCreateInstance(kClsidProgressDialog, NULL, CLSCTX_INPROC_SERVER, kIidProgressDialog,
                                  reinterpret_cast<void**>(&s->pd));
    if (FAILED(hr) || !s->pd) {
        char buf[96];
        snprintf(buf, sizeof buf, "not available under this Wine (CoCreateInstance: 0x%08lx)", (unsigned long)hr);
        s->failure = buf;
        s->pd = NULL;
        return false;
    }
    return true;
}

bool ShowShellDialog(HWND hwndMain, ShellDialog* s)
{
    s->pd->SetTitle(L"Benchmark Application");
    s->pd->SetLine(1, Widen(kAction).c_str(), FALSE, NULL);
    HRESULT hr = s->pd->StartProgressDialog(hwndMain, NULL, PROGDLG_NORMAL | PROGDLG_AUTOTIME, NULL);
    if (FAILED(hr)) {
        char buf[96];
        snprintf(buf, sizeof buf, "StartProgressDialog failed: 0x%08lx", (unsigned long)hr);
        s->failure = buf;
        return false;
    }
    IOleWindow* ow = NULL;
    if (SUCCEEDED(s->pd->QueryInterface(kIidOleWindow, reinterpret_cast<void**>(&ow))) && ow) {
        ow->GetWindow(&s->hwnd);
        ow->Release();
    }
    PumpFor(200);
    if (s->hwnd) {
        std::wstring action = Widen(kAction);
        LineFind f = {action.c_str(), NULL};
        EnumChildWindows(s->hwnd, FindLine, reinterpret_cast<LPARAM>(&f));
        if (f.found)
            s->line1Id = GetDlgCtrlID(f.found);
    }
    return true;
}

std::string ShellLine(const ShellDialog& s, int line)
{
    if (!s.hwnd || !s.line1Id)
        return std::string();
    wchar_t buf[512];
    buf[0] = 0;
    GetDlgItemTextW(s.hwnd, s.line1Id + line - 1, buf, 512);
    return Narrow(buf);
}

void StopShellDialog(ShellDialog* s)
{
    if (!s->pd)
        return;
    s->pd->StopProgressDialog();
    PumpFor(100);
    s->pd->Release();
    s->pd = NULL;
    Drain();
}

struct ShellFacts {
    bool compacts = false;      // line 2 held a shortened path
    bool showsEstimate = false; // the time line held a number
    std::string lastLine2;
};

void RunShellDialog(HWND hwndMain, const std::vector<Report>& reports, Way* way, ShellFacts* facts)
{
    ShellDialog s;
    if (!StartShellDialog(&s)) {
        way->note = s.failure + "; skipped";
        return;
    }
    if (!ShowShellDialog(hwndMain, &s)) {
        way->note = s.failure + "; skipped";
        StopShellDialog(&s);
        return;
    }
    way->parts = {{"SetProgress", {}}, {"SetLine(2, path, TRUE)", {}}};
    for (size_t i = 0; i < reports.size(); ++i) {
        const Report& r = reports[i];
        LONGLONG t0 = Qpc();
        s.pd->SetProgress(r.overall, 1000);
        LONGLONG ta = Qpc();
        s.pd->SetLine(2, r.wpath.c_str(), TRUE, NULL);
        LONGLONG t1 = Qpc();
        if (s.hwnd)
            UpdateWindow(s.hwnd);
        Drain();
        LONGLONG t2 = Qpc();
        if ((int)i < kWarmup)
            continue;
        way->parts[0].us.push_back(QpcToUs(ta - t0));
        way->parts[1].us.push_back(QpcToUs(t1 - ta));
        way->call.push_back(QpcToUs(t1 - t0));
        way->paint.push_back(QpcToUs(t2 - t1));
        way->total.push_back(QpcToUs(t2 - t0));
    }
    way->measured = true;
    facts->lastLine2 = ShellLine(s, 2);
    facts->compacts = !facts->lastLine2.empty() && facts->lastLine2 != reports.back().path;
    facts->showsEstimate = ShownSeconds(ShellLine(s, 3).c_str()) >= 0;
    StopShellDialog(&s);
}

// ---- 2. Status text fitting ----

struct FitResult {
    bool measured = false;
    std::vector<double> moduleLong, moduleShort;  // FitStatusText, between its neighbouring calls
    std::vector<double> updateLong, updateShort, updateNoText;  // the whole Update call
    std::vector<double> compactLong, compactShort;              // PathCompactPathA and its DC work
    double measuresLong = 0, measuresShort = 0;
    int width = 0;
    std::string example, moduleResult, compactResult;
    int moduleResultPx = 0, compactResultPx = 0;
    std::string note;
};

int TextWidth(HWND control, const std::string& s)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE size = {0, 0};
    GetTextExtentPointA(dc, s.c_str(), (int)s.size(), &size);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size.cx;
}

// Fits path as FitStatusText's neighbourhood does: the control's width and
// font read anew, a DC with the font selected, then PathCompactPathA.
double TimedCompact(HWND status, const std::string& path, std::string* result)
{
    char buf[MAX_PATH];
    LONGLONG t0 = Qpc();
    RECT r;
    GetWindowRect(status, &r);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(status, WM_GETFONT, 0, 0));
    HDC dc = GetDC(status);
    HGDIOBJ previous = font ? SelectObject(dc, font) : NULL;
    lstrcpynA(buf, path.c_str(), MAX_PATH);
    PathCompactPathA(dc, buf, r.right - r.left);
    if (font)
        SelectObject(dc, previous);
    ReleaseDC(status, dc);
    LONGLONG t1 = Qpc();
    if (result)
        *result = buf;
    return QpcToUs(t1 - t0);
}

void RunFitting(const Progress& m, HostRecords* host, HWND dlg, FitResult* out)
{
    HWND status = GetDlgItem(dlg, IDC_STATUS_TEXT);
    if (!status) {
        out->note = "skipped: no status control";
        return;
    }
    RECT r;
    GetWindowRect(status, &r);
    out->width = r.right - r.left;

    std::vector<std::string> longPaths, shortPaths;
    for (int k = 0; k < 10; ++k) {
        longPaths.push_back(MakePath(900 + k, kFitPathLength));
        char buf[64];
        snprintf(buf, sizeof buf, "C:\\Setup\\data\\file%02d.dat", k);
        shortPaths.push_back(buf);
    }
    out->example = longPaths[0];

    if (!InstallProfile(m.module, PROFILE_FIT, GetCurrentThreadId()))
        out->note = "the fitting marks could not all be set";
    SetFitControl(status);
    const int overall = 500, current = 500;
    for (int pass = 0; pass < 3; ++pass) {
        const std::vector<std::string>* paths = pass == 0 ? &longPaths : pass == 1 ? &shortPaths : NULL;
        std::vector<double>* updates = pass == 0 ? &out->updateLong : pass == 1 ? &out->updateShort : &out->updateNoText;
        TakeFitSamples();
        for (int i = 0; i < kWarmup + kFitCalls; ++i) {
            const char* text = paths ? (*paths)[i % paths->size()].c_str() : NULL;
            LONGLONG t0 = Qpc();
            m.update(UPDATE_PROGRESS, 4, &host->info, text, overall, current);
            LONGLONG t1 = Qpc();
            UpdateWindow(dlg);
            Drain();
            if (i >= kWarmup)
                updates->push_back(QpcToUs(t1 - t0));
        }
        std::vector<FitSample> samples = TakeFitSamples();
        if (!paths)
            continue;
        std::vector<double>* fits = pass == 0 ? &out->moduleLong : &out->moduleShort;
        double measures = 0;
        int counted = 0;
        for (size_t i = kWarmup; i < samples.size(); ++i) {
            fits->push_back(samples[i].us);
            measures += samples[i].measures;
            ++counted;
        }
        (pass == 0 ? out->measuresLong : out->measuresShort) = counted ? measures / counted : 0;
        if (pass == 0) {
            // The text the module shows for the last long path, and the
            // same path through PathCompactPathA.
            char shown[512];
            GetDlgItemTextA(dlg, IDC_STATUS_TEXT, shown, sizeof shown);
            out->moduleResult = shown;
        }
    }
    RemoveProfile(m.module);

    for (int pass = 0; pass < 2; ++pass) {
        const std::vector<std::string>& paths = pass == 0 ? longPaths : shortPaths;
        std::vector<double>& v = pass == 0 ? out->compactLong : out->compactShort;
        for (int i = 0; i < kWarmup + kFitCalls; ++i) {
            double us = TimedCompact(status, paths[i % paths.size()], NULL);
            if (i >= kWarmup)
                v.push_back(us);
        }
    }
    TimedCompact(status, longPaths[(kWarmup + kFitCalls - 1) % longPaths.size()], &out->compactResult);
    out->moduleResultPx = TextWidth(status, out->moduleResult);
    out->compactResultPx = TextWidth(status, out->compactResult);
    out->measured = !out->moduleLong.empty();
}

// ---- Import-level profile of a report and of a tick ----

// Painting messages handled on the host thread, by window class, timed from
// the WH_CALLWNDPROC hook to the WH_CALLWNDPROCRET hook (inclusive of what
// they send in turn).
struct MessageRow {
    std::string window;
    UINT message;
    long count;
    double us;
};

struct HookFrame {
    LONGLONG start;
    bool tracked;
};

std::vector<HookFrame> g_hookStack;
std::vector<MessageRow> g_messageRows;

bool TrackedMessage(UINT m)
{
    return m == WM_PAINT || m == WM_ERASEBKGND || m == WM_NCPAINT || m == WM_CTLCOLORSTATIC ||
           m == WM_CTLCOLORDLG || m == WM_SETTEXT;
}

LRESULT CALLBACK CallHook(int code, WPARAM wp, LPARAM lp)
{
    if (code == HC_ACTION) {
        const CWPSTRUCT* c = reinterpret_cast<const CWPSTRUCT*>(lp);
        HookFrame f = {Qpc(), TrackedMessage(c->message)};
        g_hookStack.push_back(f);
    }
    return CallNextHookEx(NULL, code, wp, lp);
}

LRESULT CALLBACK ReturnHook(int code, WPARAM wp, LPARAM lp)
{
    if (code == HC_ACTION && !g_hookStack.empty()) {
        HookFrame f = g_hookStack.back();
        g_hookStack.pop_back();
        const CWPRETSTRUCT* c = reinterpret_cast<const CWPRETSTRUCT*>(lp);
        if (f.tracked) {
            double us = QpcToUs(Qpc() - f.start);
            char cls[64];
            cls[0] = 0;
            GetClassNameA(c->hwnd, cls, sizeof cls);
            if (strcmp(cls, "#32770") == 0)
                strcpy(cls, "dialog");
            else if (GetWindowLongA(c->hwnd, GWL_STYLE) & WS_CHILD)
                snprintf(cls + strlen(cls), sizeof cls - strlen(cls), " %d", GetDlgCtrlID(c->hwnd));
            bool found = false;
            for (MessageRow& r : g_messageRows) {
                if (r.message == c->message && r.window == cls) {
                    ++r.count;
                    r.us += us;
                    found = true;
                    break;
                }
            }
            if (!found)
                g_messageRows.push_back(MessageRow{cls, c->message, 1, us});
        }
    }
    return CallNextHookEx(NULL, code, wp, lp);
}

const char* MessageName(UINT m)
{
    switch (m) {
    case WM_PAINT: return "WM_PAINT";
    case WM_ERASEBKGND: return "WM_ERASEBKGND";
    case WM_NCPAINT: return "WM_NCPAINT";
    case WM_CTLCOLORSTATIC: return "WM_CTLCOLORSTATIC";
    case WM_CTLCOLORDLG: return "WM_CTLCOLORDLG";
    case WM_SETTEXT: return "WM_SETTEXT";
    default: return "?";
    }
}

struct ProfileResult {
    bool measured = false;
    int reports = 0;
    double cleanUs = 0;   // mean report + repaint, same reports, nothing wrapped
    std::vector<MessageRow> messages;  // a pass with the message hooks
    double reportUs = 0;  // mean report + repaint in this pass
    std::vector<ProfileRow> host;
    long ticks = 0;
    std::vector<ProfileRow> anim;
};

void RunProfile(const Progress& m, HostRecords* host, HWND dlg, const std::vector<Report>& reports,
                double qpcCost, ProfileResult* out)
{
    LONGLONG c0 = Qpc();
    int clean = 0;
    for (int i = kWarmup; i < kWarmup + kProfileReports && i < (int)reports.size(); ++i, ++clean) {
        const Report& r = reports[i];
        m.update(UPDATE_PROGRESS, 4, &host->info, r.text.c_str(), r.overall, r.current);
        UpdateWindow(dlg);
        Drain();
    }
    out->cleanUs = clean ? QpcToUs(Qpc() - c0) / clean : 0;

    g_hookStack.clear();
    g_messageRows.clear();
    HHOOK call = SetWindowsHookExA(WH_CALLWNDPROC, CallHook, NULL, GetCurrentThreadId());
    HHOOK ret = SetWindowsHookExA(WH_CALLWNDPROCRET, ReturnHook, NULL, GetCurrentThreadId());
    for (int i = kWarmup; i < kWarmup + kProfileReports && i < (int)reports.size(); ++i) {
        const Report& r = reports[i];
        m.update(UPDATE_PROGRESS, 4, &host->info, r.text.c_str(), r.overall, r.current);
        UpdateWindow(dlg);
        Drain();
    }
    if (call)
        UnhookWindowsHookEx(call);
    if (ret)
        UnhookWindowsHookEx(ret);
    out->messages = g_messageRows;

    InstallProfile(m.module, PROFILE_CALLS, GetCurrentThreadId());
    ResetProfile();
    LONGLONG t0 = Qpc();
    int n = 0;
    for (int i = kWarmup; i < kWarmup + kProfileReports && i < (int)reports.size(); ++i, ++n) {
        const Report& r = reports[i];
        m.update(UPDATE_PROGRESS, 4, &host->info, r.text.c_str(), r.overall, r.current);
        UpdateWindow(dlg);
        Drain();
    }
    LONGLONG t1 = Qpc();
    out->reports = n;
    out->reportUs = n ? QpcToUs(t1 - t0) / n : 0;
    out->host = ProfileRows(0, qpcCost);
    ResetProfile();
    PumpFor(kProfileIdleMs);
    out->ticks = TickCount(1);
    out->anim = ProfileRows(1, qpcCost);
    RemoveProfile(m.module);
    out->measured = n > 0;
}

// ---- 3. The animation thread's CPU time ----

const char kIdleClass[] = "ProgressBenchIdleTimer";

LRESULT CALLBACK IdleWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// A thread that does what the animation thread does minus the drawing: a
// window, a 150 ms timer, a GetMessage loop.
DWORD WINAPI IdleTimerThread(LPVOID param)
{
    HANDLE ready = static_cast<HANDLE>(param);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = IdleWndProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = kIdleClass;
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowExA(0, kIdleClass, NULL, WS_POPUP, 0, 0, 10, 10, NULL, NULL, GetModuleHandleA(NULL), NULL);
    SetTimer(hwnd, 25, 150, NULL);
    SetEvent(ready);
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    KillTimer(hwnd, 25);
    DestroyWindow(hwnd);
    return 0;
}

std::vector<int> NewIds(const std::vector<int>& before, const std::vector<int>& after)
{
    std::vector<int> out;
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(out));
    return out;
}

struct ThreadCpu {
    bool found = false;
    DWORD windowsId = 0;
    std::vector<int> linuxCandidates;
    int linuxId = 0;
    double winMs = -1;    // GetThreadTimes over the window
    double linuxMs = -1;  // schedstat over the window
};

struct AnimCpuResult {
    bool measured = false;
    double wallMs = 0;
    long ticks = 0;
    ThreadCpu anim;
    ThreadCpu idle;
    std::string note;
};

void RunAnimCpu(const Progress& m, HWND dlg, const std::vector<int>& tidsAtStart, AnimCpuResult* out)
{
    HWND anim = FindWindowExA(dlg, NULL, kAnimateClass, NULL);
    if (!anim) {
        out->note = "no animation window";
        return;
    }
    out->anim.windowsId = GetWindowThreadProcessId(anim, NULL);
    out->anim.linuxCandidates = tidsAtStart;
    HANDLE animThread = OpenThread(THREAD_QUERY_INFORMATION, FALSE, out->anim.windowsId);

    std::vector<int> before = LinuxThreadIds();
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, NULL);
    DWORD idleId = 0;
    HANDLE idleThread = CreateThread(NULL, 0, IdleTimerThread, ready, 0, &idleId);
    WaitForSingleObject(ready, 5000);
    CloseHandle(ready);
    PumpFor(300);
    out->idle.windowsId = idleId;
    out->idle.linuxCandidates = NewIds(before, LinuxThreadIds());

    InstallProfile(m.module, PROFILE_TICKS, GetCurrentThreadId());
    ResetProfile();
    ThreadCpu* threads[2] = {&out->anim, &out->idle};
    HANDLE handles[2] = {animThread, idleThread};
    double winStart[2];
    std::vector<long long> linStart[2];
    for (int k = 0; k < 2; ++k) {
        winStart[k] = handles[k] ? WindowsThreadCpuMs(handles[k]) : -1;
        for (int tid : threads[k]->linuxCandidates)
            linStart[k].push_back(LinuxThreadCpuNs(tid));
    }
    LONGLONG t0 = Qpc();
    while (QpcToUs(Qpc() - t0) < kAnimSeconds * 1e6) {
        MsgWaitForMultipleObjects(0, NULL, FALSE, 50, QS_ALLINPUT);
        Drain();
    }
    out->wallMs = QpcToUs(Qpc() - t0) / 1000.0;
    for (int k = 0; k < 2; ++k) {
        ThreadCpu* t = threads[k];
        double w = handles[k] ? WindowsThreadCpuMs(handles[k]) : -1;
        if (w >= 0 && winStart[k] >= 0)
            t->winMs = w - winStart[k];
        // Of the Linux threads born with this one, the busiest is it.
        long long best = -1;
        for (size_t i = 0; i < t->linuxCandidates.size(); ++i) {
            long long now = LinuxThreadCpuNs(t->linuxCandidates[i]);
            if (now < 0 || linStart[k][i] < 0)
                continue;
            if (now - linStart[k][i] > best) {
                best = now - linStart[k][i];
                t->linuxId = t->linuxCandidates[i];
            }
        }
        if (best >= 0)
            t->linuxMs = (double)best / 1e6;
        t->found = handles[k] != NULL;
    }
    out->ticks = TickCount(1);
    RemoveProfile(m.module);

    PostThreadMessageA(idleId, WM_QUIT, 0, 0);
    if (idleThread) {
        WaitForSingleObject(idleThread, 5000);
        CloseHandle(idleThread);
    }
    if (animThread)
        CloseHandle(animThread);
    out->measured = true;
}

// ---- 4. Finish latency, 5. load time ----

struct FinishResult {
    std::vector<double> ms;
    double profiledMs = -1;        // one more run with the imports timed
    std::vector<ProfileRow> host;  // during that finish, the host thread
    std::vector<ProfileRow> anim;  // and the animation thread
    int withoutAnimation = 0;
    int stayedLoaded = 0;
    int failedLoads = 0;
};

void RunFinish(HostRecords* host, double qpcCost, FinishResult* out)
{
    for (int run = 0; run <= kFinishRuns; ++run) {
        bool profiled = run == kFinishRuns;
        Progress m = {};
        if (!LoadProgress(&m)) {
            ++out->failedLoads;
            continue;
        }
        if (profiled)
            InstallProfile(m.module, PROFILE_CALLS, GetCurrentThreadId());
        HWND dlg = m.update(UPDATE_CREATE, 0, &host->info, NULL, 0, 0);
        Drain();
        for (int k = 0; k < 5; ++k) {
            std::string text = std::string(kAction) + "\n" + MakePath(7000 + run * 10 + k, 120);
            m.update(UPDATE_PROGRESS, 4, &host->info, text.c_str(), k * 60, k * 250);
            Drain();
        }
        if (!PumpUntilChild(dlg, kAnimateClass, 3000))
            ++out->withoutAnimation;
        // Let a tick or two pass, at a different phase each run.
        PumpFor(150 + (run * 53) % 150);
        if (profiled)
            ResetProfile();
        LONGLONG t0 = Qpc();
        m.update(UPDATE_FINISH, 0, &host->info, NULL, 0, 0);
        LONGLONG t1 = Qpc();
        if (profiled) {
            out->profiledMs = QpcToUs(t1 - t0) / 1000.0;
            out->host = ProfileRows(0, qpcCost);
            out->anim = ProfileRows(1, qpcCost);
            RemoveProfile(m.module);
        } else {
            out->ms.push_back(QpcToUs(t1 - t0) / 1000.0);
        }
        Drain();
        UnloadProgress(&m);
        if (GetModuleHandleA(ModulePath().c_str()))
            ++out->stayedLoaded;
    }
}

// Partial loads: the file mapped as data only, or mapped as an image
// without its imports bound and without its entry point (the runtime's
// start) run.
std::vector<double> RunPartialLoad(DWORD flags)
{
    std::vector<double> us;
    for (int i = 0; i < kLoadRuns; ++i) {
        LONGLONG t0 = Qpc();
        HMODULE h = LoadLibraryExA(ModulePath().c_str(), NULL, flags);
        LONGLONG t1 = Qpc();
        if (h) {
            us.push_back(QpcToUs(t1 - t0));
            FreeLibrary(h);
        }
    }
    return us;
}

std::vector<double> RunLoad()
{
    std::vector<double> us;
    for (int i = 0; i < kLoadRuns; ++i) {
        LONGLONG t0 = Qpc();
        HMODULE h = LoadLibraryA(ModulePath().c_str());
        FARPROC f = h ? GetProcAddress(h, "Update") : NULL;
        LONGLONG t1 = Qpc();
        if (h && f)
            us.push_back(QpcToUs(t1 - t0));
        if (h)
            FreeLibrary(h);
    }
    return us;
}

// ---- 6. Steadiness of the time left ----

const unsigned kTraceSeed = 20261211;
const int kTraceReports = 300;
const DWORD kTraceWorkMs = 280000;
const DWORD kTracePauseMs = 20000;
const int kTracePauseAt = 150;
const DWORD kTraceBase = 1000000;

struct TraceStep {
    DWORD at;  // milliseconds from the first report
    int overall;
    int current;
    std::string text;
    std::wstring wpath;
};

// Equal steps of progress whose durations follow a throughput that varies
// by +-50 % around its mean, step by step; one stall before report 150.
std::vector<TraceStep> MakeTrace()
{
    unsigned x = kTraceSeed;
    auto uniform = [&x]() {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return (double)(x % 1000000) / 1000000.0;
    };
    std::vector<double> dur(kTraceReports + 1, 0);
    double sum = 0;
    for (int j = 1; j <= kTraceReports; ++j) {
        double throughput = 0.5 + uniform();  // 0.5 .. 1.5 of the mean
        dur[j] = 1.0 / throughput;
        sum += dur[j];
    }
    std::vector<TraceStep> steps(kTraceReports + 1);
    double at = 0;
    for (int j = 0; j <= kTraceReports; ++j) {
        if (j > 0)
            at += dur[j] * kTraceWorkMs / sum;
        if (j == kTracePauseAt)
            at += kTracePauseMs;
        TraceStep& s = steps[j];
        s.at = (DWORD)(at + 0.5);
        s.overall = j * 1000 / kTraceReports;
        s.current = (j % 4) * 250 + 250;
        std::string path = MakePath(5000 + j, 60);
        s.text = std::string(kAction) + "\n" + path;
        s.wpath = Widen(path);
    }
    return steps;
}

DWORD g_fakeTick = kTraceBase;

DWORD WINAPI FakeTickCount()
{
    return g_fakeTick;
}

ULONGLONG WINAPI FakeTickCount64()
{
    return g_fakeTick;
}

struct Steadiness {
    bool measured = false;
    std::string note;
    int changes = 0;
    int largestRise = 0;
    double meanError = 0;
    int firstShown = -1;
    int shownCount = 0;
};

// Shown values (-1: nothing shown) against the trace's true time left.
Steadiness Judge(const std::vector<int>& shown, const std::vector<TraceStep>& trace)
{
    Steadiness s;
    s.measured = true;
    int last = -1;
    double err = 0;
    for (size_t j = 0; j < shown.size(); ++j) {
        int v = shown[j];
        if (v < 0)
            continue;
        if (s.firstShown < 0)
            s.firstShown = (int)j;
        if (last >= 0 && v != last) {
            ++s.changes;
            s.largestRise = std::max(s.largestRise, v - last);
        }
        last = v;
        double truth = (trace.back().at - trace[j].at) / 1000.0;
        err += v > truth ? v - truth : truth - v;
        ++s.shownCount;
    }
    s.meanError = s.shownCount ? err / s.shownCount : 0;
    return s;
}

Steadiness RunSteadinessOurs(HostRecords* host, const std::vector<TraceStep>& trace)
{
    Steadiness fail;
    Progress m = {};
    if (!LoadProgress(&m)) {
        fail.note = "progress.dll could not be loaded";
        return fail;
    }
    void* real = PatchImport(m.module, "KERNEL32.dll", "GetTickCount", reinterpret_cast<void*>(&FakeTickCount));
    if (!real) {
        fail.note = "not measured: the module's GetTickCount import could not be redirected";
        UnloadProgress(&m);
        return fail;
    }
    g_fakeTick = kTraceBase;
    HWND dlg = m.update(UPDATE_CREATE, 0, &host->info, NULL, 0, 0);
    Drain();
    std::vector<int> shown;
    for (const TraceStep& s : trace) {
        g_fakeTick = kTraceBase + s.at;
        m.update(UPDATE_PROGRESS, 4, &host->info, s.text.c_str(), s.overall, s.current);
        Drain();
        char buf[300];
        buf[0] = 0;
        GetDlgItemTextA(dlg, IDC_TIME_LEFT, buf, sizeof buf);
        shown.push_back(ShownSeconds(buf));
    }
    PatchImport(m.module, "KERNEL32.dll", "GetTickCount", real);
    m.update(UPDATE_FINISH, 0, &host->info, NULL, 0, 0);
    Drain();
    UnloadProgress(&m);
    return Judge(shown, trace);
}

Steadiness RunSteadinessShell(HWND hwndMain, const std::vector<TraceStep>& trace)
{
    Steadiness fail;
    ShellDialog s;
    if (!StartShellDialog(&s)) {
        fail.note = s.failure;
        return fail;
    }
    // Its clock is its module's import of GetTickCount64: pointed at the
    // trace's clock before the dialog starts timing.
    HMODULE owner = NULL;
    void** vtbl = *reinterpret_cast<void***>(s.pd);
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(vtbl[0]), &owner);
    void* real = owner ? PatchImport(owner, "kernel32.dll", "GetTickCount64", reinterpret_cast<void*>(&FakeTickCount64))
                       : NULL;
    if (!real) {
        fail.note = "not measured: it reads the real clock, and a 5-minute real-time run is too long";
        StopShellDialog(&s);
        return fail;
    }
    g_fakeTick = kTraceBase;
    if (!ShowShellDialog(hwndMain, &s)) {
        fail.note = s.failure;
        PatchImport(owner, "kernel32.dll", "GetTickCount64", real);
        StopShellDialog(&s);
        return fail;
    }
    std::vector<int> shown;
    for (const TraceStep& t : trace) {
        g_fakeTick = kTraceBase + t.at;
        s.pd->SetProgress(t.overall, 1000);
        s.pd->SetLine(2, t.wpath.c_str(), TRUE, NULL);
        Drain();
        shown.push_back(ShownSeconds(ShellLine(s, 3).c_str()));
    }
    StopShellDialog(&s);
    PatchImport(owner, "kernel32.dll", "GetTickCount64", real);
    Steadiness r = Judge(shown, trace);
    if (r.shownCount == 0) {
        r.measured = false;
        r.note = "shows no estimate here (PROGDLG_AUTOTIME gave no time line)";
    }
    return r;
}

// The estimate without any steadying, in whole seconds, from the same trace
// and the same 3 % threshold: what the line would do if it showed it as is.
Steadiness RunSteadinessRaw(const std::vector<TraceStep>& trace)
{
    std::vector<int> shown;
    for (const TraceStep& t : trace) {
        if (t.overall <= 30) {
            shown.push_back(-1);
            continue;
        }
        double left = (double)t.at * (1000.0 - t.overall) / t.overall / 1000.0;
        shown.push_back((int)(left + 0.5));
    }
    return Judge(shown, trace);
}

// ---- Printing ----

void PrintWayRow(const char* label, const Way& w)
{
    if (!w.measured) {
        printf("  %-44s %s\n", label, w.note.c_str());
        return;
    }
    Stats t = Summarise(w.total), c = Summarise(w.call), p = Summarise(w.paint);
    printf("  %-44s %9.0f %9.0f %9.0f %10.0f %9.0f\n", label, t.mean, t.median, t.p90, c.median, p.median);
    for (const Part& part : w.parts)
        printf("  %-44s %39s %10.0f\n", "", part.name, Summarise(part.us).median);
    if (!w.note.empty())
        printf("     (%s)\n", w.note.c_str());
}

void PrintRatio(const char* label, const Way& a, const Way& b)
{
    if (!a.measured || !b.measured) {
        printf("  %-44s not available\n", label);
        return;
    }
    Stats sa = Summarise(a.total), sb = Summarise(b.total);
    printf("  %-44s mean %.2f   median %.2f\n", label, sa.mean / sb.mean, sa.median / sb.median);
}

void PrintProfileRows(std::vector<ProfileRow> rows, double per, const char* unit)
{
    std::sort(rows.begin(), rows.end(), [](const ProfileRow& a, const ProfileRow& b) { return a.us > b.us; });
    double leafSum = 0;
    for (const ProfileRow& r : rows) {
        if (!r.nests)
            leafSum += r.us;
    }
    for (const ProfileRow& r : rows) {
        double us = r.us / per;
        if (us < 0.5 && r.calls / per < 1)
            continue;
        printf("      %-26s %8.2f calls %9.0f us%s\n", r.name, r.calls / per, us,
               r.nests ? "  (includes the calls it causes)" : "");
    }
    printf("      %-26s %14s %9.0f us per %s\n", "sum of the calls above", "", leafSum / per, unit);
}

}  // namespace

int main()
{
    InitClock();
    double qpcCost = MeasureQpcCostUs();
    CoInitializeEx(NULL, COINIT_APARTMENTTHREADED);
    HWND hwndMain = CreateHostWindow();
    static HostRecords host;
    InitHostRecords(&host, hwndMain);
    PumpFor(200);

    std::vector<Report> reports = MakeReports(kReports, kReportPathLength, 1);
    std::vector<BYTE> picture = MakePicture8(111, 72);

    Note("5. load time");
    std::vector<double> loadUs = RunLoad();
    std::vector<double> loadDataUs = RunPartialLoad(LOAD_LIBRARY_AS_DATAFILE);
    std::vector<double> loadImageUs = RunPartialLoad(DONT_RESOLVE_DLL_REFERENCES);

    // One load of the module serves 1a, 2, the profile and 3.
    Note("1a. progress.dll reports");
    Way ours, oursPicture;
    FitResult fit;
    ProfileResult profile;
    AnimCpuResult animCpu;
    DialogGeometry geometry;
    std::vector<int> animTids;
    std::vector<double> emptyRepaint;
    bool linuxThreads = false;
    {
        Progress m = {};
        if (!LoadProgress(&m)) {
            ours.note = "progress.dll could not be loaded from " + ModulePath();
        } else {
            HWND dlg = m.update(UPDATE_CREATE, 0, &host.info, NULL, 0, 0);
            Drain();
            std::vector<int> before = LinuxThreadIds();
            linuxThreads = !before.empty();
            m.update(UPDATE_PROGRESS, 4, &host.info, "Preparing:\nC:\\Program Files", 0, 0);
            Drain();
            PumpUntilChild(dlg, kAnimateClass, 3000);
            PumpFor(300);
            animTids = NewIds(before, LinuxThreadIds());

            RunOurs(m, &host, dlg, reports, &ours);
            geometry = CaptureGeometry(dlg);
            emptyRepaint = EmptyRepaint(dlg);

            host.info.picture = reinterpret_cast<const HostPicture*>(picture.data());
            host.info.pictureBackground = RGB(0, 0, 128);
            RunOurs(m, &host, dlg, reports, &oursPicture);
            host.info.picture = NULL;
            host.info.pictureBackground = 0;

            Note("2. status text fitting");
            RunFitting(m, &host, dlg, &fit);
            Note("import-level profile");
            RunProfile(m, &host, dlg, reports, qpcCost, &profile);
            Note("3. animation thread CPU, 10 s");
            RunAnimCpu(m, dlg, animTids, &animCpu);

            m.update(UPDATE_FINISH, 0, &host.info, NULL, 0, 0);
            Drain();
            UnloadProgress(&m);
        }
    }

    Note("1b. common controls");
    Way common;
    RunCommonControls(hwndMain, geometry, reports, &common);

    Note("1c. IProgressDialog");
    Way shell;
    ShellFacts shellFacts;
    RunShellDialog(hwndMain, reports, &shell, &shellFacts);
    if (shell.measured) {
        shell.note = std::string(shellFacts.compacts ? "line 2 shortened" : "the compact flag is ignored: line 2 holds the whole path") +
                     "; its dialog runs on a thread of its own; one bar";
    }

    Note("4. finish latency");
    FinishResult finish;
    RunFinish(&host, qpcCost, &finish);

    Note("6. time-left steadiness");
    std::vector<TraceStep> trace = MakeTrace();
    Steadiness stOurs = RunSteadinessOurs(&host, trace);
    Steadiness stShell = RunSteadinessShell(hwndMain, trace);
    Steadiness stRaw = RunSteadinessRaw(trace);

    // ---- The table ----
    printf("\nprogress.dll benchmark (Wine; under emulation absolute figures are slow: compare within this run)\n");
    printf("clock: QueryPerformanceCounter, %.2f us per reading\n", qpcCost);

    printf("\n1. Per-report cost, report plus the repaint it causes (UpdateWindow, then the queue drained)\n");
    printf("   %d reports after %d warm-up, values 0..1000, 'Copying file:' + a %u-character path, new every report\n",
           kMeasured, kWarmup, (unsigned)kReportPathLength);
    printf("  %-44s %9s %9s %9s %10s %9s\n", "us per report", "mean", "median", "p90", "call med", "paint med");
    PrintWayRow("a.  progress.dll Update, full layout", ours);
    PrintWayRow("a'. the same with an 8-bit host picture", oursPicture);
    PrintWayRow("b.  2 msctls_progress32 + static, PathCompact", common);
    PrintWayRow("c.  IProgressDialog (AUTOTIME, SetLine path)", shell);
    if (!emptyRepaint.empty())
        printf("  %-44s %39s %10.0f\n", "floor: UpdateWindow + drain, nothing to paint", "",
               Summarise(emptyRepaint).median);
    PrintRatio("ours/b", ours, common);
    if (common.measured)
        printf("  %-44s (PBM_SETPOS repaints its bar at once under Wine: that is most of b)\n", "");
    PrintRatio("ours/c", ours, shell);
    PrintRatio("ours with picture/ours", oursPicture, ours);

    if (profile.measured) {
        printf("\n   Where progress.dll's time goes (separate pass, its USER32/GDI32 imports timed; one clock reading per call taken off)\n");
        printf("   host thread, %d reports with repaint, %.0f us per report in this pass (%.0f us unwrapped):\n",
               profile.reports, profile.reportUs, profile.cleanUs);
        PrintProfileRows(profile.host, profile.reports, "report");
        if (!profile.messages.empty()) {
            printf("   painting messages on the host thread (another pass, hooked; inclusive of what they send):\n");
            std::vector<MessageRow> rows = profile.messages;
            std::sort(rows.begin(), rows.end(), [](const MessageRow& a, const MessageRow& b) { return a.us > b.us; });
            for (const MessageRow& r : rows) {
                char name[96];
                snprintf(name, sizeof name, "%s to %s", MessageName(r.message), r.window.c_str());
                printf("      %-40s %6.2f per report %9.0f us\n", name, (double)r.count / profile.reports,
                       r.us / profile.reports);
            }
        }
        printf("   animation thread, %ld ticks in %.1f s:\n", profile.ticks, kProfileIdleMs / 1000.0);
        if (profile.ticks > 0)
            PrintProfileRows(profile.anim, (double)profile.ticks, "tick");
    }

    printf("\n2. Fitting a %u-character path into the status control (%d px wide, its own font), %d calls each\n",
           (unsigned)kFitPathLength, fit.width, kFitCalls);
    if (!fit.measured) {
        printf("   not measured: %s\n", fit.note.c_str());
    } else {
        printf("   (the path alone is the status text: with the action line it would pass the module's 260-character buffer;\n");
        printf("   module fitting: from its first reading of the control's rectangle to its setting the text, so its width, font and DC work are in)\n");
        Stats ml = Summarise(fit.moduleLong), ms = Summarise(fit.moduleShort);
        Stats cl = Summarise(fit.compactLong), cs = Summarise(fit.compactShort);
        Stats ul = Summarise(fit.updateLong), us = Summarise(fit.updateShort), un = Summarise(fit.updateNoText);
        printf("  %-52s %9s %9s %s\n", "us per call", "mean", "median", "");
        printf("  %-52s %9.0f %9.0f  %.1f GetTextExtentPointA\n", "module fitting, 255-char path", ml.mean, ml.median,
               fit.measuresLong);
        printf("  %-52s %9.0f %9.0f  %.1f GetTextExtentPointA\n", "module fitting, short path that fits", ms.mean,
               ms.median, fit.measuresShort);
        printf("  %-52s %9.0f %9.0f\n", "PathCompactPathA + same DC work, 255-char path", cl.mean, cl.median);
        printf("  %-52s %9.0f %9.0f\n", "PathCompactPathA + same DC work, short path", cs.mean, cs.median);
        printf("  %-52s mean %.2f   median %.2f\n", "ratio module/PathCompactPathA, 255-char path", ml.mean / cl.mean,
               ml.median / cl.median);
        printf("  %-52s %9.0f %9.0f\n", "Update, only the status text changing, 255-char", ul.mean, ul.median);
        printf("  %-52s %9.0f %9.0f\n", "Update, only the status text changing, short", us.mean, us.median);
        printf("  %-52s %9.0f %9.0f\n", "Update with no text", un.mean, un.median);
        printf("   fitted (module, %d px):           %s\n", fit.moduleResultPx, fit.moduleResult.c_str());
        printf("   fitted (PathCompactPathA, %d px): %s\n", fit.compactResultPx, fit.compactResult.c_str());
        if (!fit.note.empty())
            printf("   note: %s\n", fit.note.c_str());
    }

    printf("\n3. Animation thread CPU over %.1f s of running (%ld ticks seen, %.0f expected at 150 ms)\n",
           animCpu.wallMs / 1000.0, animCpu.ticks, animCpu.wallMs / 150.0);
    if (!animCpu.measured) {
        printf("   not measured: %s\n", animCpu.note.c_str());
    } else {
        printf("  %-40s %22s %24s %12s\n", "thread", "GetThreadTimes", "Linux schedstat", "per tick");
        const ThreadCpu* rows[2] = {&animCpu.anim, &animCpu.idle};
        const char* labels[2] = {"animation thread (AnimateWindow)", "idle 150 ms timer loop (baseline)"};
        for (int k = 0; k < 2; ++k) {
            const ThreadCpu& t = *rows[k];
            char win[48], lin[48], tick[32];
            if (t.winMs >= 0)
                snprintf(win, sizeof win, "%6.2f %% (%5.0f ms)", 100.0 * t.winMs / animCpu.wallMs, t.winMs);
            else
                snprintf(win, sizeof win, "unavailable");
            if (t.linuxMs >= 0)
                snprintf(lin, sizeof lin, "%6.3f %% (%7.1f ms)", 100.0 * t.linuxMs / animCpu.wallMs, t.linuxMs);
            else
                snprintf(lin, sizeof lin, "unavailable");
            double ticks = animCpu.wallMs / 150.0;
            if (k == 0 && animCpu.ticks > 0)
                ticks = (double)animCpu.ticks;
            double cpu = t.linuxMs >= 0 ? t.linuxMs : t.winMs;
            if (cpu >= 0)
                snprintf(tick, sizeof tick, "%7.0f us", cpu * 1000.0 / ticks);
            else
                snprintf(tick, sizeof tick, "-");
            printf("  %-40s %22s %24s %12s\n", labels[k], win, lin, tick);
        }
        if (animCpu.anim.linuxMs >= 0 && animCpu.idle.linuxMs >= 0 && animCpu.ticks > 0) {
            double extra = (animCpu.anim.linuxMs - animCpu.idle.linuxMs * animCpu.ticks / (animCpu.wallMs / 150.0)) *
                           1000.0 / animCpu.ticks;
            printf("   per tick beyond the idle timer loop: %.0f us (schedstat)\n", extra);
        }
        if (!linuxThreads) {
            printf("   Linux thread times unavailable: /proc/self/task could not be read through Z:\\; GetThreadTimes only\n");
        } else {
            printf("   mapping: Windows thread %lu -> Linux thread %d (%u new Linux thread(s) at the first report);"
                   " baseline %lu -> %d\n",
                   (unsigned long)animCpu.anim.windowsId, animCpu.anim.linuxId,
                   (unsigned)animCpu.anim.linuxCandidates.size(), (unsigned long)animCpu.idle.windowsId,
                   animCpu.idle.linuxId);
        }
        printf("   GetThreadTimes moves in 10 ms steps under Wine; schedstat counts nanoseconds\n");
    }

    printf("\n4. Finish latency: UPDATE_FINISH with the animation running, fresh load each run\n");
    if (finish.ms.empty()) {
        printf("   not measured\n");
    } else {
        Stats f = Summarise(finish.ms);
        printf("   worst of %u: %.2f ms    median %.2f ms    mean %.2f ms    best %.2f ms\n", (unsigned)f.n, f.max,
               f.median, f.mean, f.min);
        if (finish.profiledMs >= 0) {
            printf("   one more run with the imports timed: %.2f ms; the host thread's calls in it:\n", finish.profiledMs);
            PrintProfileRows(finish.host, 1, "finish");
            printf("   the animation thread's calls meanwhile:\n");
            PrintProfileRows(finish.anim, 1, "finish");
        }
        if (finish.withoutAnimation || finish.stayedLoaded || finish.failedLoads)
            printf("   runs without an animation window: %d; module still loaded after FreeLibrary: %d; failed loads: %d\n",
                   finish.withoutAnimation, finish.stayedLoaded, finish.failedLoads);
    }

    printf("\n5. Load time: LoadLibrary + GetProcAddress(\"Update\")\n");
    if (loadUs.empty()) {
        printf("   not measured: progress.dll could not be loaded\n");
    } else {
        Stats l = Summarise(loadUs);
        printf("   mean of %u: %.0f us    median %.0f us    first %.0f us    max %.0f us\n", (unsigned)l.n, l.mean,
               l.median, loadUs.front(), l.max);
        if (!loadDataUs.empty()) {
            Stats d = Summarise(loadDataUs);
            printf("   the file mapped as data only (LoadLibraryEx AS_DATAFILE), mean of %u: %.0f us\n", (unsigned)d.n,
                   d.mean);
        }
        if (!loadImageUs.empty()) {
            Stats d = Summarise(loadImageUs);
            printf("   mapped as an image, imports not bound, entry point not run (DONT_RESOLVE_DLL_REFERENCES),"
                   " mean of %u: %.0f us\n",
                   (unsigned)d.n, d.mean);
        }
    }

    printf("\n6. Steadiness of the time left: %d reports over %.0f s of simulated time, throughput +-50 %% per step,\n",
           kTraceReports, trace.back().at / 1000.0);
    printf("   one %.0f s stall before report %d, seed %u; every reader sees the same clock\n", kTracePauseMs / 1000.0,
           kTracePauseAt, kTraceSeed);
    printf("  %-44s %8s %12s %14s %12s\n", "shown by", "changes", "largest rise", "mean |error|", "first shown");
    const Steadiness* st[3] = {&stOurs, &stShell, &stRaw};
    const char* stLabels[3] = {"progress.dll (IDC_TIME_LEFT)", "IProgressDialog (PROGDLG_AUTOTIME)",
                               "reference: raw estimate, whole seconds"};
    for (int k = 0; k < 3; ++k) {
        if (!st[k]->measured) {
            printf("  %-44s %s\n", stLabels[k], st[k]->note.c_str());
            continue;
        }
        printf("  %-44s %8d %10d s %12.1f s %12d\n", stLabels[k], st[k]->changes, st[k]->largestRise,
               st[k]->meanError, st[k]->firstShown);
    }
    printf("   IProgressDialog reads GetTickCount64: its module's import of it is pointed at the same clock\n");
    printf("   changes: times the shown value differs from the one before; rise: largest upward step of the shown\n");
    printf("   value; error: against the trace's true time left, over the reports that show a value\n");

    CoUninitialize();
    DestroyWindow(hwndMain);
    Drain();
    fflush(stdout);
    return 0;
}
