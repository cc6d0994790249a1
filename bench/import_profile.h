// Timing and counting wrappers put into progress.dll's import table: where a
// report's and an animation tick's time goes, call by call, the time of the
// status text fitting alone, and the number of animation ticks.
#ifndef BENCH_IMPORT_PROFILE_H
#define BENCH_IMPORT_PROFILE_H

#include <windows.h>

#include <vector>

enum ProfileMode {
    PROFILE_CALLS,  // every wrapped USER32/GDI32 call timed and counted
    PROFILE_FIT,    // only the marks around the status text fitting
    PROFILE_TICKS,  // only InvalidateRect counted, per thread
};

// Threads are counted apart: slot 0 is hostThread, slot 1 every other.
bool InstallProfile(HMODULE module, ProfileMode mode, DWORD hostThread);
void RemoveProfile(HMODULE module);
void ResetProfile();

struct ProfileRow {
    const char* name;
    bool nests;  // its time includes other wrapped calls (a paint it causes)
    long calls;
    double us;   // one clock reading per call already taken off
};
std::vector<ProfileRow> ProfileRows(int slot, double qpcCostUs);

// UpdateWindow calls of a slot since the last reset: on the animation
// thread, one per tick.
long TickCount(int slot);

// The status control whose fitting PROFILE_FIT times.
void SetFitControl(HWND control);

// The host thread's status text fitting: time from the module's first
// GetWindowRect on the status control in a report to its setting that control's text
// (SetDlgItemTextA or SetWindowTextA), with the GetTextExtentPointA calls
// made in between. A report whose text is not set again gives no sample.
struct FitSample {
    double us;
    int measures;
};
std::vector<FitSample> TakeFitSamples();

#endif
