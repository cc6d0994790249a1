#include "bench_support.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

// ---- Clock ----

namespace {

double g_usPerTick = 0;

}  // namespace

void InitClock()
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    g_usPerTick = 1e6 / (double)f.QuadPart;
}

LONGLONG Qpc()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double QpcToUs(LONGLONG ticks)
{
    return (double)ticks * g_usPerTick;
}

double MeasureQpcCostUs()
{
    std::vector<double> v;
    for (int i = 0; i < 200; ++i) {
        LONGLONG a = Qpc();
        for (int k = 0; k < 10; ++k)
            Qpc();
        LONGLONG b = Qpc();
        v.push_back(QpcToUs(b - a) / 11.0);
    }
    return Summarise(v).median;
}

Stats Summarise(std::vector<double> v)
{
    Stats s = {};
    s.n = v.size();
    if (v.empty())
        return s;
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v)
        sum += x;
    s.mean = sum / (double)v.size();
    s.median = v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
    s.p90 = v[std::min(v.size() - 1, (size_t)((double)v.size() * 0.9))];
    s.min = v.front();
    s.max = v.back();
    return s;
}

// ---- The host ----

namespace {

const char kHostClass[] = "ProgressBenchHost";
const int kHostClientWidth = 800;
const int kHostClientHeight = 600;
const int kNameStride = 32;
const int kValueStride = 1024;

LRESULT CALLBACK HostWndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace

HWND CreateHostWindow()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HostWndProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.hCursor = LoadCursorA(NULL, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kHostClass;
    RegisterClassA(&wc);
    DWORD style = WS_OVERLAPPEDWINDOW;
    RECT r = {0, 0, kHostClientWidth, kHostClientHeight};
    AdjustWindowRect(&r, style, FALSE);
    HWND hwnd = CreateWindowExA(0, kHostClass, "Benchmark setup", style, 0, 0, r.right - r.left,
                                r.bottom - r.top, NULL, NULL, GetModuleHandleA(NULL), NULL);
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    return hwnd;
}

void InitHostRecords(HostRecords* r, HWND hwndMain)
{
    r->texts.assign(HOST_TEXT_COUNT, std::string());
    r->texts[HOST_TEXT_CANCEL] = "Cancel";
    r->texts[HOST_TEXT_HEADING] = "Installing Benchmark Application";
    r->texts[HOST_TEXT_GROUP_CURRENT] = "Current file";
    r->texts[HOST_TEXT_GROUP_ALL] = "All files";
    r->texts[HOST_TEXT_TIME_LEFT] = "About %d [minute^minutes] and %d [second^seconds] remaining";
    r->texts[HOST_TEXT_NEXT] = "Next >";
    r->texts[HOST_TEXT_BACK] = "< Back";
    r->strings.clear();
    for (const std::string& t : r->texts)
        r->strings.push_back(t.c_str());

    r->names.assign(kNameStride + 1, '\0');
    r->values.assign(kValueStride + 1, '\0');
    strcpy(&r->names[0], "%APPTITLE%");
    strcpy(&r->values[0], "Benchmark Application");

    memset(&r->info, 0, sizeof r->info);
    r->info.hwndMain = hwndMain;
    r->info.nameStride = kNameStride;
    r->info.valueStride = kValueStride;
    r->info.variableCount = 1;
    r->info.names = r->names.data();
    r->info.values = r->values.data();
    r->info.strings = r->strings.data();
    r->info.flags = HOST_FLAG_FULL_LAYOUT;
    r->info.hinstHost = GetModuleHandleA(NULL);
}

void Drain()
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void PumpFor(int ms)
{
    LONGLONG start = Qpc();
    for (;;) {
        Drain();
        double left = ms - QpcToUs(Qpc() - start) / 1000.0;
        if (left <= 0)
            break;
        MsgWaitForMultipleObjects(0, NULL, FALSE, left < 20 ? (DWORD)left + 1 : 20, QS_ALLINPUT);
    }
    Drain();
}

HWND PumpUntilChild(HWND parent, const char* cls, int timeoutMs)
{
    LONGLONG start = Qpc();
    for (;;) {
        Drain();
        HWND child = FindWindowExA(parent, NULL, cls, NULL);
        if (child || QpcToUs(Qpc() - start) / 1000.0 >= timeoutMs)
            return child;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

// ---- The module ----

std::string ProgramDirectory()
{
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of("\\/") + 1);
}

std::string ModulePath()
{
    return ProgramDirectory() + "progress.dll";
}

bool LoadProgress(Progress* p)
{
    p->module = LoadLibraryA(ModulePath().c_str());
    FARPROC entry = p->module ? GetProcAddress(p->module, "Update") : NULL;
    p->update = reinterpret_cast<UpdateProc>(reinterpret_cast<void*>(entry));
    return p->update != NULL;
}

void UnloadProgress(Progress* p)
{
    if (p->module)
        FreeLibrary(p->module);
    p->module = NULL;
    p->update = NULL;
}


// ---- Status texts ----

std::string MakePath(unsigned seed, size_t length)
{
    static const char* const kDirs[] = {
        "resources", "locale", "components", "plugins", "shared", "templates", "modules",
        "runtime", "library", "assets", "images", "themes", "default", "config", "documents",
        "reference", "extensions", "handlers", "fonts", "help", "samples", "scripts",
    };
    const size_t dirCount = sizeof kDirs / sizeof kDirs[0];
    unsigned x = seed * 2654435761u + 0x9E3779B9u;
    if (!x)
        x = 1;
    auto next = [&x]() {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        return x;
    };
    std::string path = "C:\\Program Files\\Example Vendor\\Example Application\\";
    for (;;) {
        const char* d = kDirs[next() % dirCount];
        if (path.size() + strlen(d) + 1 + 36 > length)
            break;
        path += d;
        path += '\\';
    }
    char head[32];
    snprintf(head, sizeof head, "part%05u_", seed % 100000);
    std::string file = head;
    while (path.size() + file.size() + 4 < length)
        file += (char)('a' + next() % 26);
    file += ".dat";
    path += file;
    if (path.size() > length)
        path.resize(length);
    return path;
}

// ---- Linux threads behind Wine's threads ----

namespace {

// Reads a small file through Wine's file access; empty on failure.
std::string ReadSmallFile(const std::string& path)
{
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                           OPEN_EXISTING, 0, NULL);
    if (f == INVALID_HANDLE_VALUE)
        return std::string();
    char buf[1024];
    DWORD got = 0;
    std::string out;
    if (ReadFile(f, buf, sizeof buf - 1, &got, NULL) && got > 0)
        out.assign(buf, got);
    CloseHandle(f);
    return out;
}

}  // namespace

namespace {

std::vector<int> NumericEntries(const std::string& pattern)
{
    std::vector<int> ids;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA(pattern.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE)
        return ids;
    do {
        int id = atoi(fd.cFileName);
        if (id > 0)
            ids.push_back(id);
    } while (FindNextFileA(h, &fd));
    FindClose(h);
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::string TaskDir(int pid)
{
    char buf[48];
    snprintf(buf, sizeof buf, "Z:\\proc\\%d\\task", pid);
    return buf;
}

DWORD WINAPI ParkedThread(LPVOID param)
{
    WaitForSingleObject(static_cast<HANDLE>(param), 10000);
    return 0;
}

int FindOwnLinuxPid()
{
    // Wine's server opens files on the process's behalf, so /proc/self is
    // the server: look for the process whose command line names this
    // program instead.
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(NULL, path, MAX_PATH);
    std::string name(path, n);
    name = name.substr(name.find_last_of("\\/") + 1);
    std::transform(name.begin(), name.end(), name.begin(), [](char c) { return (char)tolower((unsigned char)c); });

    std::vector<int> candidates;
    for (int pid : NumericEntries("Z:\\proc\\*")) {
        char file[48];
        snprintf(file, sizeof file, "Z:\\proc\\%d\\cmdline", pid);
        std::string cmd = ReadSmallFile(file);
        for (char& c : cmd)
            c = c ? (char)tolower((unsigned char)c) : ' ';
        if (cmd.find(name) != std::string::npos)
            candidates.push_back(pid);
    }
    if (candidates.empty())
        return 0;

    // Ours is the one that gains a thread when this process starts one.
    std::vector<std::vector<int>> before;
    for (int pid : candidates)
        before.push_back(NumericEntries(TaskDir(pid) + "\\*"));
    HANDLE release = CreateEventA(NULL, TRUE, FALSE, NULL);
    HANDLE thread = CreateThread(NULL, 0, ParkedThread, release, 0, NULL);
    Sleep(100);
    int found = 0, matches = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        std::vector<int> after = NumericEntries(TaskDir(candidates[i]) + "\\*");
        std::vector<int> born;
        std::set_difference(after.begin(), after.end(), before[i].begin(), before[i].end(), std::back_inserter(born));
        if (!born.empty()) {
            found = candidates[i];
            ++matches;
        }
    }
    SetEvent(release);
    if (thread) {
        WaitForSingleObject(thread, 5000);
        CloseHandle(thread);
    }
    CloseHandle(release);
    return matches == 1 ? found : 0;
}

}  // namespace

int OwnLinuxPid()
{
    static int pid = -1;
    if (pid < 0)
        pid = FindOwnLinuxPid();
    return pid;
}

std::vector<int> LinuxThreadIds()
{
    int pid = OwnLinuxPid();
    return pid > 0 ? NumericEntries(TaskDir(pid) + "\\*") : std::vector<int>();
}

long long LinuxThreadCpuNs(int tid)
{
    int pid = OwnLinuxPid();
    if (pid <= 0)
        return -1;
    std::string s = ReadSmallFile(TaskDir(pid) + "\\" + std::to_string(tid) + "\\schedstat");
    if (s.empty() || !isdigit((unsigned char)s[0]))
        return -1;
    return atoll(s.c_str());
}

double WindowsThreadCpuMs(HANDLE thread)
{
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(thread, &created, &exited, &kernel, &user))
        return -1;
    ULARGE_INTEGER k, u;
    k.LowPart = kernel.dwLowDateTime;
    k.HighPart = kernel.dwHighDateTime;
    u.LowPart = user.dwLowDateTime;
    u.HighPart = user.dwHighDateTime;
    return (double)(k.QuadPart + u.QuadPart) / 10000.0;
}

// ---- Time-left texts ----

int ShownSeconds(const char* text)
{
    int total = 0;
    bool any = false;
    const char* p = text;
    while (*p) {
        if (!isdigit((unsigned char)*p)) {
            ++p;
            continue;
        }
        int n = 0;
        while (isdigit((unsigned char)*p))
            n = n * 10 + (*p++ - '0');
        while (*p == ' ')
            ++p;
        int unit = 1;
        switch (tolower((unsigned char)*p)) {
        case 'h': unit = 3600; break;
        case 'm': unit = 60; break;
        default: unit = 1; break;
        }
        total += n * unit;
        any = true;
    }
    return any ? total : -1;
}
