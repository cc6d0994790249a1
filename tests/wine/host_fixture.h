// A test host: loads build/progress.dll as a setup program would, with a
// byte-exact HostInfo, a text table, a variable table, a main window of known
// client size and icon 108 in its own resources.
#ifndef TEST_HOST_FIXTURE_H
#define TEST_HOST_FIXTURE_H

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host_import_patch.h"
#include "progress.h"

// Client size of the host's main window.
const int kHostClientWidth = 800;
const int kHostClientHeight = 600;

// The host's variable table, laid out with fixed strides as a host does.
struct VariableTable {
    static const int kNameStride = 32;
    static const int kValueStride = 1024;
    std::vector<char> names;
    std::vector<char> values;
    void Set(const std::vector<std::pair<std::string, std::string>>& vars);
};

class ProgressHost : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads a fresh copy of the module: one dialog per load.
    void LoadModule();
    void UnloadModule();

    HWND Create(bool fullLayout = true);
    HWND Progress(const char* text, int overall, int current, int placement = 4);
    void Hide();
    void Finish();

    // Dispatches every queued message, as the host's loop would.
    static void Pump();
    // Pumps for about ms milliseconds.
    static void PumpFor(int ms);

    void SetTitle(const std::string& title);
    void UseDefaultTexts();

    HMODULE module = NULL;
    UpdateProc update = NULL;
    HWND hwndMain = NULL;
    HWND dlg = NULL;
    HostInfo info;
    std::vector<const char*> strings;   // the text table
    std::vector<std::string> texts;     // storage behind it
    VariableTable variables;
    bool finished = false;
};

// Texts and geometry read back through Win32.
std::string WindowText(HWND hwnd);
std::string ItemText(HWND dlg, int id);
RECT ItemRectInClient(HWND dlg, int id);
bool HasStyle(HWND hwnd, LONG style);
LONG FontWeight(HWND control);

// Directory of the running test program, with a trailing backslash.
std::string ProgramDirectory();


// ---- Animation window: finding it, reading its pixels, saving a picture ----

// Dispatches messages until done() is true or timeoutMs has passed; returns
// done() at the end.
bool PumpUntil(bool (*done)(void* ctx), void* ctx, int timeoutMs);

// Waits, pumping, up to timeoutMs for parent's child of class "AnimateWindow".
HWND WaitForAnimateWindow(HWND parent, int timeoutMs = 3000);

// Number of parent's children of class "AnimateWindow".
int CountAnimateWindows(HWND parent);

// hwnd's client area as 32-bit pixels, row by row from the top, read back
// from its device context; empty for a window of no size.
std::vector<DWORD> CaptureClient(HWND hwnd);

// The whole of hwnd, frame included, as a 24-bit BMP file.
bool SaveWindowBitmap(HWND hwnd, const char* path);
// Writes w x h pixels (0x00RRGGBB, top row first) as a 24-bit BMP file.
bool WriteBitmapFile(const char* path, int w, int h, const std::vector<DWORD>& pixels);
// How many different colours the pixels hold, counting up to upTo.
size_t DistinctColours(const std::vector<DWORD>& pixels, size_t upTo = 32);
// True when the window's client pixels change within timeoutMs while pumping.
bool PixelsChange(HWND hwnd, int timeoutMs);

// Milliseconds from a QueryPerformanceCounter reading to now.
double MillisecondsSince(LARGE_INTEGER start);

#endif

// ---- Host pictures built in memory ----------------------------------------

// The four colours of a built picture's pattern; none of them is black,
// white or a usual system colour, so they can be told apart on screen.
extern const COLORREF kPictureColours[4];

// A HostPicture in a buffer of its own, as a host hands it over: width x
// height pixels of 8 or 24 bits per pixel, bottom-up, in a pattern of
// kPictureColours (4 x 4 pixel squares). An 8-bit picture carries a colour
// table of clrUsed entries (256 when clrUsed is 0) whose first four are those
// colours, and biClrUsed says clrUsed.
struct HostPictureBuffer {
    std::vector<BYTE> bytes;
    const HostPicture* get() const { return reinterpret_cast<const HostPicture*>(bytes.data()); }
};
HostPictureBuffer MakeHostPicture(int width, int height, int bits, DWORD clrUsed = 0);
