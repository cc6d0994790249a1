// Update, the command entry point, and the placement of the dialog.
#include "host/update.h"

#include "anim/anim.h"
#include "dialog/dialog.h"
#include "dialog/paint_logic.h"
#include "host/spine_logic.h"
#include "host/state.h"
#include "host/status.h"
#include "host/timeleft.h"
#include "resource.h"

namespace {

// Below this overall value no pause is started and no estimate is shown.
const int TIME_LEFT_THRESHOLD = 30;

struct HostText {
    int id;
    int index;
};
const HostText kHostTexts[] = {
    {IDC_HEADING, HOST_TEXT_HEADING},
    {IDCANCEL, HOST_TEXT_CANCEL},
    {IDC_GROUP_CURRENT, HOST_TEXT_GROUP_CURRENT},
    {IDC_GROUP_ALL, HOST_TEXT_GROUP_ALL},
    {IDC_NEXT, HOST_TEXT_NEXT},
    {IDC_BACK, HOST_TEXT_BACK},
};

void LookupHostVariable(const HostInfo* info, const char* name, char* out, size_t outSize)
{
    LookupVariable(info->names, info->nameStride, info->values, info->valueStride,
                   info->variableCount, name, out, outSize);
}

void ApplyHostTexts()
{
    for (const HostText& t : kHostTexts)
        SetWindowTextA(GetDlgItem(g_state.hDlg, t.id), g_state.strings[t.index]);
    g_state.stringsApplied = 1;
}

void ApplyCaption(const HostInfo* info)
{
    char title[260];
    LookupHostVariable(info, "APPTITLE", title, sizeof title);
    if (!title[0])
        return;
    SetWindowTextA(g_state.hDlg, title);
    GetWindowTextA(g_state.hDlg, g_state.savedTitle, sizeof g_state.savedTitle);
    g_state.titleApplied = 1;
}

void KeepCaption(int overall)
{
    char caption[260];
    if (IsIconic(g_state.hDlg)) {
        FormatMinimisedCaption(caption, sizeof caption, overall, g_state.savedTitle);
        SetWindowTextA(g_state.hDlg, caption);
        return;
    }
    caption[0] = '\0';
    GetWindowTextA(g_state.hDlg, caption, 256);
    if (lstrcmpA(caption, g_state.savedTitle) != 0)
        SetWindowTextA(g_state.hDlg, g_state.savedTitle);
}

// The tick count as a start or pause mark: 0 means "none" there, so a tick
// of exactly 0 is taken as 1.
DWORD MarkTick()
{
    DWORD now = GetTickCount();
    return now ? now : 1;
}

void StartPause(int overall)
{
    if (g_state.pauseTick == 0 && overall > TIME_LEFT_THRESHOLD)
        g_state.pauseTick = MarkTick();
}

// Invalidates what a new value changes in a bar: nothing when it lights as
// many blocks as the value shown, otherwise the bar (edge included) from the
// first block whose state changes. The group box around the bar is left out:
// it draws nothing over the bar, and repainting it costs more than the bar.
void InvalidateBar(const BarGeometry& bar, int shown, int value)
{
    int before = BarLitCount(shown, bar.blockCount);
    int after = BarLitCount(value, bar.blockCount);
    if (before == after)
        return;
    RECT r = {bar.topLeft.x - 1, bar.topLeft.y - 1, bar.bottomRight.x + 1, bar.bottomRight.y + 1};
    int first = before < after ? before : after;
    if (first > 0) {
        BarBox box = {bar.topLeft.x, bar.topLeft.y, bar.bottomRight.x, bar.bottomRight.y,
                      bar.blockWidth, bar.blockCount};
        PaintBox changed = BarBlockBox(box, first);
        if (changed.left > r.left && changed.left < r.right)
            r.left = changed.left;
    }
    RedrawWindow(g_state.hDlg, &r, NULL, RDW_INVALIDATE | RDW_NOCHILDREN);
}

HWND CreateProgress(const HostInfo* info)
{
    if (g_state.created)
        return g_state.finished ? NULL : g_state.hDlg;  // one dialog per load
    g_state.created = true;
    g_state.dialogHidden = 1;
    g_state.showAnimationPending = 0;

    g_state.iconHost = LoadIconA(info->hinstHost, MAKEINTRESOURCEA(IDI_HOST_SOURCE));
    for (int i = 0; i < ANIM_ICON_COUNT; ++i)
        g_state.icons[i] = LoadIconA(g_state.hInstance, MAKEINTRESOURCEA(IDI_FOLDER + i));

    if (info->flags & HOST_FLAG_FULL_LAYOUT)
        g_state.hDlg = CreateDialogParamA(g_state.hInstance, MAKEINTRESOURCEA(IDD_PROGRESS_FULL),
                                          info->hwndMain, ProgressDlg, 0);
    else
        g_state.hDlg = CreateDialogParamA(g_state.hInstance, MAKEINTRESOURCEA(IDD_PROGRESS_COMPACT),
                                          NULL, ProgressDlg, 0);
    InitPictureArea();
    return g_state.hDlg;
}

HWND ReportProgress(int placement, const HostInfo* info, const char* text, int overall, int current)
{
    g_state.strings = info->strings;
    g_state.picture = info->picture;
    g_state.pictureBackground = info->pictureBackground;

    if (g_state.strings && !g_state.stringsApplied)
        ApplyHostTexts();
    if (g_state.strings && !g_state.titleApplied)
        ApplyCaption(info);
    KeepCaption(overall);

    if (g_state.buttonPressed) {
        g_state.buttonPressed = 0;
        StartPause(overall);
        return g_state.hDlg;
    }
    if (!text && g_state.dialogHidden)
        return NULL;

    if (!g_state.threadStarted) {
        StartAnimation();
        g_state.threadStarted = 1;  // once, even when the thread could not be made
    }

    g_state.animationHeld = 0;
    g_state.placementCode = placement;
    if (!g_state.dialogPlaced) {
        PlaceDialog(g_state.hDlg, info->hwndMain);
        g_state.dialogPlaced = 1;
    }

    if (g_state.dialogHidden) {
        EnableWindow(info->hwndMain, FALSE);
        g_state.hwndDisabled = info->hwndMain;
        EnableWindow(g_state.hDlg, TRUE);
        ShowWindow(g_state.hDlg, SW_SHOW);
        g_state.dialogHidden = 0;
        g_state.showAnimationPending = 1;
    }

    if (text && text[0])
        SetStatusText(g_state.hwndStatus, text);

    if (g_state.startTick == 0)
        g_state.startTick = MarkTick();
    else if (overall > TIME_LEFT_THRESHOLD)
        UpdateTimeLeft(overall);

    InvalidateBar(g_state.barAll, g_state.overallPerMille, overall);
    InvalidateBar(g_state.barCurrent, g_state.currentPerMille, current);
    g_state.currentPerMille = current;
    g_state.overallPerMille = overall;
    return NULL;
}

void HideProgress(const HostInfo* info)
{
    StartPause(g_state.overallPerMille);
    EnableWindow(info->hwndMain, TRUE);
    EnableWindow(g_state.hDlg, FALSE);
    ShowWindow(g_state.hDlg, SW_HIDE);
    g_state.dialogHidden = 1;
}

void FinishProgress(const HostInfo* info)
{
    g_state.finished = true;
    g_state.runFlag = 0;
    if (info)
        EnableWindow(info->hwndMain, TRUE);
    // A finish without HostInfo still gives the host back its window.
    if (g_state.hwndDisabled)
        EnableWindow(g_state.hwndDisabled, TRUE);
    g_state.hwndDisabled = NULL;
    // The thread draws the icons into a child of the dialog: it ends first.
    StopAnimation();

    if (g_state.fontLight)
        DeleteObject(g_state.fontLight);
    if (g_state.fontBold)
        DeleteObject(g_state.fontBold);
    if (g_state.palette)
        DeleteObject(g_state.palette);
    g_state.fontLight = NULL;
    g_state.fontBold = NULL;
    g_state.palette = NULL;

    if (g_state.hDlg)
        DestroyWindow(g_state.hDlg);
    g_state.hDlg = NULL;

    if (g_state.iconHost)
        DestroyIcon(g_state.iconHost);
    g_state.iconHost = NULL;
    for (HICON& icon : g_state.icons) {
        if (icon)
            DestroyIcon(icon);
        icon = NULL;
    }
}

}  // namespace

void PlaceDialog(HWND hDlg, HWND hwndMain)
{
    RECT dlg = {0, 0, 0, 0};
    RECT client = {0, 0, 0, 0};
    GetWindowRect(hDlg, &dlg);
    GetClientRect(hwndMain, &client);
    int w = dlg.right - dlg.left;
    int h = dlg.bottom - dlg.top;
    int x, y;
    ComputePlacement(w, h, client.right, client.bottom, g_state.placementCode, &x, &y);
    MoveWindow(hDlg, x, y, w, h, FALSE);
}

extern "C" HWND WINAPI Update(UINT command, int placement, const HostInfo* info,
                              const char* text, int overall, int current)
{
    switch (command) {
    case UPDATE_CREATE:
        return info ? CreateProgress(info) : NULL;
    case UPDATE_PROGRESS:
        // Nothing to report into before create, after finish, or when the
        // dialog could not be made: the host window must not be disabled.
        if (info && g_state.hDlg)
            return ReportProgress(placement, info, text, overall, current);
        return NULL;
    case UPDATE_HIDE:
        if (info && g_state.hDlg)
            HideProgress(info);
        return NULL;
    case UPDATE_FINISH:
        if (g_state.created && !g_state.finished)
            FinishProgress(info);
        return NULL;
    default:
        return NULL;
    }
}
