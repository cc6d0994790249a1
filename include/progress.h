/*
 * progress.h - the host interface of progress.dll, the installation
 * progress dialog for 32-bit Windows setup programs.
 *
 * Usable from C and C++ with any 32-bit Windows compiler. The records below
 * are read by the module at fixed byte offsets; the checks at the end of this
 * file stop a build whose layout would differ.
 *
 * How a host drives the module, all from one thread:
 *
 *     HWND dlg = Update(UPDATE_CREATE, 0, &info, NULL, 0, 0);
 *     for each step of the installation:
 *         if (Update(UPDATE_PROGRESS, 4, &info, "Copying file:\nC:\\...", overall, current))
 *             ...the user pressed Cancel or closed the dialog: ask, then go on or stop...
 *         ...pump messages (PeekMessage / TranslateMessage / DispatchMessage)...
 *     Update(UPDATE_HIDE, 0, &info, NULL, 0, 0);     // before showing a message box
 *     Update(UPDATE_FINISH, 0, &info, NULL, 0, 0);
 *
 * The dialog is modeless: its messages reach the module only through the
 * host's own message loop on the thread that calls Update, so that thread
 * must pump messages between reports. Progress values are per mille (tenths
 * of a percent, 0 to 1000).
 *
 * Ownership: the host owns HostInfo, its text table, its variable table and
 * the HostPicture. The module keeps the addresses of the text table and the
 * picture between calls and reads them while painting, so keep both valid
 * until you pass new ones or finish. The host module must contain icon
 * resource 108; the animation flies from it.
 */
#ifndef PROGRESS_H
#define PROGRESS_H

#include <windows.h>
#include <stddef.h>

#ifdef _WIN64
#error "progress.dll is a 32-bit module; build the host for 32-bit Windows"
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Commands of Update. */
#define UPDATE_CREATE   0u  /* create the dialog, hidden; returns its handle */
#define UPDATE_PROGRESS 1u  /* report progress and status text; returns the dialog
                               handle when a button was pressed since the last report */
#define UPDATE_HIDE     2u  /* hide the dialog and re-enable the host window */
#define UPDATE_FINISH   3u  /* end the animation and destroy the dialog */

/* HostInfo.flags */
#define HOST_FLAG_FULL_LAYOUT 0x01  /* full layout owned by hwndMain; clear: compact layout */

/* Entries of the host text table that the module reads. */
#define HOST_TEXT_CANCEL        28  /* Cancel button */
#define HOST_TEXT_HEADING       29  /* heading above the status text */
#define HOST_TEXT_GROUP_CURRENT 47  /* "Current" group box */
#define HOST_TEXT_GROUP_ALL     48  /* "All" group box */
#define HOST_TEXT_TIME_LEFT     49  /* time-left template, e.g.
                                       "About %d [minute^minutes] and %d [second^seconds] remaining" */
#define HOST_TEXT_NEXT          50  /* Next button */
#define HOST_TEXT_BACK          51  /* Back button */
#define HOST_TEXT_COUNT         52  /* a table must have at least this many entries */

/* The host's picture: a device-independent bitmap in a small wrapper. */
#include <pshpack2.h>
typedef struct HostPicture {
    WORD       width;       /* 0x00 pixels */
    WORD       height;      /* 0x02 pixels */
    DWORD      bitsOffset;  /* 0x04 offset of the pixel data, counted from bmi */
    WORD       reserved;    /* 0x08 not read */
    BITMAPINFO bmi;         /* 0x0A header, then the colour table (8-bit pictures) */
} HostPicture;
#include <poppack.h>

/* The host's record, passed to every Update call. */
typedef struct HostInfo {
    DWORD              reserved0;         /* 0x00 not read */
    HWND               hwndMain;          /* 0x04 owner of the full layout; disabled while shown */
    WORD               reserved8;         /* 0x08 not read */
    WORD               nameStride;        /* 0x0A bytes between variable names */
    WORD               valueStride;       /* 0x0C bytes between variable values */
    WORD               variableCount;     /* 0x0E number of variables */
    const char        *names;             /* 0x10 name 0, e.g. "%APPTITLE%" */
    const char        *values;            /* 0x14 value 0 */
    DWORD              reserved18[3];     /* 0x18 not read */
    const char *const *strings;           /* 0x24 text table, or NULL */
    BYTE               flags;             /* 0x28 HOST_FLAG_* */
    BYTE               reserved29[3];     /* 0x29 not read */
    HINSTANCE          hinstHost;         /* 0x2C module holding icon 108 */
    const HostPicture *picture;           /* 0x30 picture, or NULL */
    COLORREF           pictureBackground; /* 0x34 fill around the picture; 0: none */
} HostInfo;

/* The command entry point, exported as "Update". */
HWND WINAPI Update(UINT command, int placement, const HostInfo *info,
                   const char *text, int overall, int current);
typedef HWND (WINAPI *UpdateProc)(UINT, int, const HostInfo *, const char *, int, int);

/* The dialog procedure, exported as "_ProgressDlg@16". Hosts never call it. */
INT_PTR WINAPI ProgressDlg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

/* Compile-time layout checks. */
#define PROGRESS_LAYOUT_CHECK(name, cond) typedef char progress_check_##name[(cond) ? 1 : -1]
PROGRESS_LAYOUT_CHECK(hwndMain,          offsetof(HostInfo, hwndMain) == 0x04);
PROGRESS_LAYOUT_CHECK(nameStride,        offsetof(HostInfo, nameStride) == 0x0A);
PROGRESS_LAYOUT_CHECK(valueStride,       offsetof(HostInfo, valueStride) == 0x0C);
PROGRESS_LAYOUT_CHECK(variableCount,     offsetof(HostInfo, variableCount) == 0x0E);
PROGRESS_LAYOUT_CHECK(names,             offsetof(HostInfo, names) == 0x10);
PROGRESS_LAYOUT_CHECK(values,            offsetof(HostInfo, values) == 0x14);
PROGRESS_LAYOUT_CHECK(strings,           offsetof(HostInfo, strings) == 0x24);
PROGRESS_LAYOUT_CHECK(flags,             offsetof(HostInfo, flags) == 0x28);
PROGRESS_LAYOUT_CHECK(hinstHost,         offsetof(HostInfo, hinstHost) == 0x2C);
PROGRESS_LAYOUT_CHECK(picture,           offsetof(HostInfo, picture) == 0x30);
PROGRESS_LAYOUT_CHECK(pictureBackground, offsetof(HostInfo, pictureBackground) == 0x34);
PROGRESS_LAYOUT_CHECK(hostInfoSize,      sizeof(HostInfo) == 0x38);
PROGRESS_LAYOUT_CHECK(width,             offsetof(HostPicture, width) == 0);
PROGRESS_LAYOUT_CHECK(height,            offsetof(HostPicture, height) == 2);
PROGRESS_LAYOUT_CHECK(bitsOffset,        offsetof(HostPicture, bitsOffset) == 4);
PROGRESS_LAYOUT_CHECK(bmi,               offsetof(HostPicture, bmi) == 10);
#undef PROGRESS_LAYOUT_CHECK

#ifdef __cplusplus
}
#endif

#endif /* PROGRESS_H */
