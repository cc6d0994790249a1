// The one module-wide state record. Every subsystem reads and writes it; the
// animation thread shares the std::atomic fields with the host's thread.
#ifndef PROGRESS_STATE_H
#define PROGRESS_STATE_H

#include <windows.h>
#include <atomic>

#include "host/fitpath_logic.h"
#include "progress.h"

struct BarGeometry {
    POINT topLeft;      // inner area, dialog client pixels
    POINT bottomRight;
    int blockWidth;
    int blockCount;
};

// A bar whose placeholder does not exist keeps both corners at (0, 0).
inline bool BarPresent(const BarGeometry& bar)
{
    return bar.topLeft.x || bar.topLeft.y || bar.bottomRight.x || bar.bottomRight.y;
}

enum { ANIM_ICON_COUNT = 21 };

struct ProgressState {
    HINSTANCE hInstance;
    HWND hDlg;
    bool created;           // UPDATE_CREATE has run (one dialog per load)
    bool finished;          // UPDATE_FINISH has run

    // Copied from HostInfo on every progress report.
    const char* const* strings;
    const HostPicture* picture;
    COLORREF pictureBackground;

    int placementCode;
    int overallPerMille;
    int currentPerMille;

    // Shared with the animation thread.
    std::atomic<int> dialogHidden;
    std::atomic<int> showAnimationPending;
    std::atomic<int> animationHeld;
    std::atomic<int> runFlag{1};
    std::atomic<int> quitPosted;
    std::atomic<int> animFrame{1};

    int buttonPressed;
    int threadStarted;
    HANDLE hThread;
    DWORD threadId;

    int stringsApplied;
    int titleApplied;
    char savedTitle[256];
    int dialogPlaced;
    HWND hwndDisabled;      // the host window disabled by the last show, enabled again at finish

    // Status text: the last one set, and the status font's widths.
    HWND hwndStatus;          // IDC_STATUS_TEXT, found at initialisation
    char lastStatus[260];
    int lastStatusWidth;
    HFONT lastStatusFont;
    HFONT statusWidthFont;
    bool statusWidthsExact;
    CharWidthTable statusWidths;

    // Time-left line.
    DWORD startTick;
    DWORD pauseTick;
    int lastSecondsShown = -1;
    int timeStep;
    char timeFormat[256];
    char minuteWord[2][64];
    char secondWord[2][64];

    HFONT fontLight;
    HFONT fontBold;
    BarGeometry barCurrent;
    BarGeometry barAll;
    RECT animRect;
    bool separatorKnown;      // drawn once: the brand label fits its text
    RECT separatorRows;       // and the separator's two lines lie here
    bool pictureAreaPresent;  // the layout has a picture area (control 1007)
    RECT pictureRect;
    int pictureMarginX;
    int pictureMarginY;
    HPALETTE palette;
    HICON iconHost;
    HICON icons[ANIM_ICON_COUNT];
};

extern ProgressState g_state;

#endif
