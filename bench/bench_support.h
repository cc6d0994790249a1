// Shared pieces of the benchmark: the clock, summaries of samples, the host's
// window and records, loading progress.dll, patching its imports, generated
// paths, and the Linux side of Wine's threads.
#ifndef BENCH_SUPPORT_H
#define BENCH_SUPPORT_H

#include <windows.h>

#include "host_import_patch.h"

#include <string>
#include <vector>

#include "progress.h"

// ---- Clock ----

void InitClock();
LONGLONG Qpc();
double QpcToUs(LONGLONG ticks);
// Median cost of one QueryPerformanceCounter reading, in microseconds.
double MeasureQpcCostUs();

struct Stats {
    size_t n;
    double mean;
    double median;
    double p90;
    double min;
    double max;
};
Stats Summarise(std::vector<double> samples);

// ---- The host ----

// A shown main window of 800 x 600 client pixels, as the test hosts use.
HWND CreateHostWindow();

// HostInfo with its text and variable tables; the full layout. The record
// points into the vectors, so it lives in one place and is never copied.
struct HostRecords {
    HostInfo info;
    std::vector<std::string> texts;
    std::vector<const char*> strings;
    std::vector<char> names;
    std::vector<char> values;
};
void InitHostRecords(HostRecords* r, HWND hwndMain);

// Dispatches every queued message, paints included.
void Drain();
// Pumps for about ms milliseconds, waking at least every 20 ms.
void PumpFor(int ms);
// Pumps until parent has a child of class cls or timeoutMs passed.
HWND PumpUntilChild(HWND parent, const char* cls, int timeoutMs);

// ---- The module ----

struct Progress {
    HMODULE module;
    UpdateProc update;
};
std::string ProgramDirectory();
std::string ModulePath();
bool LoadProgress(Progress* p);
void UnloadProgress(Progress* p);


// ---- Status texts ----

// A Windows path of exactly `length` characters under C:\Program Files,
// different for every seed: many directories, then a file name.
std::string MakePath(unsigned seed, size_t length);

// ---- Linux threads behind Wine's threads ----

// Linux's process id of this Wine process, found through Wine's Z: drive
// (/proc/<pid>/cmdline naming this program, and the one that gains a thread
// when this process starts one); 0 when it cannot be told.
int OwnLinuxPid();
// Thread ids of this process as Linux sees them (/proc/<pid>/task); empty
// when that cannot be read.
std::vector<int> LinuxThreadIds();
// Nanoseconds on CPU of a Linux thread of this process, from schedstat;
// -1 when unreadable.
long long LinuxThreadCpuNs(int tid);
// Kernel plus user time from GetThreadTimes, in milliseconds; -1 on failure.
double WindowsThreadCpuMs(HANDLE thread);

// ---- Time-left texts ----

// Seconds of a shown time such as "About 4 minutes and 30 seconds remaining"
// or "45 seconds remaining": each number counts by the word after it
// (hour, minute, second). -1 when the text holds no number.
int ShownSeconds(const char* text);

#endif
