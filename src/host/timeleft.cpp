// The time-left line: pause accounting and display around the portable
// estimate, steadying and template logic.
#include "host/timeleft.h"

#include "host/state.h"
#include "host/timeleft_logic.h"
#include "resource.h"

void UpdateTimeLeft(int overall)
{
    DWORD now = GetTickCount();
    if (g_state.pauseTick != 0) {
        g_state.startTick += now - g_state.pauseTick;
        g_state.pauseTick = 0;
        // A start of 0 means "not started": the next report would restart the
        // timing. One millisecond off is the lesser harm.
        if (g_state.startTick == 0)
            g_state.startTick = 1;
    }
    DWORD elapsed = now - g_state.startTick;

    uint32_t s = EstimateSecondsLeft(elapsed, overall);
    int step = g_state.timeStep;
    int n = NextShownSeconds(s, g_state.lastSecondsShown, &step);
    g_state.timeStep = step;
    if (n == g_state.lastSecondsShown || !g_state.strings)
        return;
    g_state.lastSecondsShown = n;

    if (!g_state.timeFormat[0])
        ParseTimeTemplate(g_state.strings[HOST_TEXT_TIME_LEFT], g_state.timeFormat,
                          g_state.minuteWord, g_state.secondWord);

    // A format that does not take exactly an integer, a string, an integer
    // and a string gives an empty line.
    char line[TIME_LINE_SIZE];
    FormatTimeLeft(line, sizeof line, g_state.timeFormat, g_state.minuteWord, g_state.secondWord, n);
    SetDlgItemTextA(g_state.hDlg, IDC_TIME_LEFT, line);
}
