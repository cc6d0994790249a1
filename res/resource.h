/* Resource and control ids of progress.dll. Included by the resource script and the code. */
#ifndef PROGRESS_RESOURCE_H
#define PROGRESS_RESOURCE_H

#define IDD_PROGRESS_FULL    1540
#define IDD_PROGRESS_COMPACT 1541

#define IDI_HOST_SOURCE      108   /* in the host module, not here */
#define IDI_FOLDER           111   /* first of the 21 animation icons, 111..131 */
#define IDI_ANIM_LAST        131
#define IDB_BANNER           149

#define IDC_BAR_ALL          1002
#define IDC_BAR_CURRENT      1003
#define IDC_ANIM_AREA        1005
#define IDC_SEPARATOR        1006
#define IDC_PICTURE_AREA     1007
#define IDC_GROUP_ALL        1008
#define IDC_GROUP_CURRENT    1009
#define IDC_BRAND            1010
#define IDC_HEADING          1011
#define IDC_PLAIN_LABEL      1012
#define IDC_STATUS_TEXT      3829
#define IDC_TIME_LEFT        3831
#define IDC_NEXT             3
#define IDC_BACK             4

#endif
