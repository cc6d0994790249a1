/* The smallest useful host: create, report, finish. Plain C. */
#include <windows.h>
#include <stdio.h>

#include "progress.h"

static void Pump(void)
{
    MSG msg;
    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

int main(void)
{
    static const char *texts[HOST_TEXT_COUNT];
    char names[1][16] = {"%APPTITLE%"};
    char values[1][32] = {"Minimal Setup"};
    HostInfo info;
    HWND dlg;
    int i;

    texts[HOST_TEXT_CANCEL] = "Cancel";
    texts[HOST_TEXT_HEADING] = "Installing Minimal Setup";
    texts[HOST_TEXT_GROUP_CURRENT] = "Current file";
    texts[HOST_TEXT_GROUP_ALL] = "All files";
    texts[HOST_TEXT_TIME_LEFT] = "About %d [minute^minutes] and %d [second^seconds] remaining";
    texts[HOST_TEXT_NEXT] = "&Next >";
    texts[HOST_TEXT_BACK] = "< &Back";

    ZeroMemory(&info, sizeof info);
    info.hwndMain = GetDesktopWindow();  /* a real setup passes its main window */
    info.nameStride = sizeof names[0];
    info.valueStride = sizeof values[0];
    info.variableCount = 1;
    info.names = names[0];
    info.values = values[0];
    info.strings = texts;
    info.flags = 0;                      /* compact layout, no owner */
    info.hinstHost = GetModuleHandleA(NULL);  /* holds icon 108 */

    dlg = Update(UPDATE_CREATE, 0, &info, NULL, 0, 0);
    for (i = 0; i <= 1000; i += 50) {
        if (Update(UPDATE_PROGRESS, 4, &info, "Copying file:\nC:\\Program Files\\Minimal\\app.exe", i, 1000)) {
            printf("cancel requested at %d\n", i);
            break;
        }
        Pump();
        Sleep(20);
    }
    Update(UPDATE_FINISH, 0, &info, NULL, 0, 0);
    printf("dialog %p finished\n", (void *)dlg);
    return 0;
}
