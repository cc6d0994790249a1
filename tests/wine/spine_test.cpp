// The command spine through the real module: creation from both templates,
// the layout work at initialisation, placement, captions, host texts, status
// text, hide and show, cancel requests and bad input.
#include "host_fixture.h"

#include "resource.h"

namespace {

// A template rectangle in pixels, as the dialog manager converts it: the
// position and the size each on their own.
RECT DialogUnits(HWND dlg, int x, int y, int w, int h)
{
    RECT pos = {x, y, w, h};
    MapDialogRect(dlg, &pos);
    RECT r = {pos.left, pos.top, pos.left + pos.right, pos.top + pos.bottom};
    return r;
}

// The banner: the one bitmap static of the compact layout.
HWND FindBanner(HWND dlg)
{
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
            return c;
    return NULL;
}

// Where the grid puts a w x h dialog over the host's client area.
POINT ExpectedPlacement(int code, int w, int h)
{
    int k = code & 15;
    int x = ((k % 3 + 1) * kHostClientWidth) / 4 - w / 2;
    int y = ((k / 3 + 1) * kHostClientHeight) / 4 - h / 2;
    POINT p = {std::max(0, std::min(x, kHostClientWidth - w)), std::max(0, std::min(y, kHostClientHeight - h))};
    return p;
}

int Widen(int v)
{
    return v + v / 6;
}

// Mirrors the layout rule a host author can check on screen: each control's
// template rectangle, widened by a sixth horizontally.
struct ControlCase {
    int id, x, y, w, h;
};

const ControlCase kFullControls[] = {
    {IDCANCEL, 235, 200, 42, 14},       {IDC_STATUS_TEXT, 16, 81, 241, 20},
    {IDC_BAR_CURRENT, 16, 109, 241, 13}, {IDC_BAR_ALL, 16, 166, 241, 13},
    {IDC_TIME_LEFT, 16, 148, 241, 10},   {IDC_ANIM_AREA, 57, 40, 160, 30},
    {IDC_SEPARATOR, 8, 190, 272, 1},     {IDC_GROUP_CURRENT, 6, 69, 268, 59},
    {IDC_GROUP_ALL, 6, 130, 268, 54},    {IDC_NEXT, 186, 200, 42, 14},
    {IDC_BACK, 144, 200, 42, 14},        {IDC_PICTURE_AREA, 0, 0, 74, 44},
    {IDC_HEADING, 10, 5, 143, 16},       {IDC_PLAIN_LABEL, 33, 202, 78, 11},
};

const ControlCase kCompactControls[] = {
    {IDCANCEL, 223, 116, 48, 15},       {IDC_STATUS_TEXT, 13, 63, 246, 20},
    {IDC_BAR_ALL, 15, 84, 244, 13},     {IDC_TIME_LEFT, 15, 99, 241, 10},
    {IDC_GROUP_CURRENT, 23, 42, 208, 9}, {IDC_GROUP_ALL, 5, 54, 267, 57},
    {IDC_NEXT, 171, 116, 48, 15},       {IDC_BACK, 118, 116, 48, 15},
    {IDC_HEADING, 22, 31, 143, 16},
};

void ExpectWidenedLayout(HWND dlg, const ControlCase* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        const ControlCase& c = cases[i];
        RECT expected = DialogUnits(dlg, c.x, c.y, c.w, c.h);
        RECT actual = ItemRectInClient(dlg, c.id);
        EXPECT_EQ(actual.left, Widen(expected.left)) << "control " << c.id;
        EXPECT_EQ(actual.right, Widen(expected.right)) << "control " << c.id;
        EXPECT_EQ(actual.top, expected.top) << "control " << c.id;
        EXPECT_EQ(actual.bottom, expected.bottom) << "control " << c.id;
    }
}

}  // namespace

TEST_F(ProgressHost, ExportsTheEntryPoints)
{
    EXPECT_NE(GetProcAddress(module, "Update"), nullptr);
    EXPECT_NE(GetProcAddress(module, "_ProgressDlg@16"), nullptr);
    EXPECT_EQ(GetProcAddress(module, "Update@24"), nullptr);
}

TEST_F(ProgressHost, FullLayoutIsCreatedHiddenOwnedAndWidened)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    EXPECT_FALSE(IsWindowVisible(dlg));
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), hwndMain);
    EXPECT_EQ(WindowText(dlg), "Setup Progress");
    // The system adds WS_CLIPSIBLINGS and DS_3DLOOK to every dialog.
    LONG added = WS_VISIBLE | WS_DISABLED | WS_CLIPSIBLINGS | DS_3DLOOK;
    EXPECT_EQ(GetWindowLongA(dlg, GWL_STYLE) & ~added, (LONG)0x80C800C0 & ~added);

    // The dialog itself: template width plus its frame, widened by a sixth.
    RECT client;
    GetClientRect(dlg, &client);
    RECT units = DialogUnits(dlg, 0, 0, 281, 218);
    EXPECT_GE(client.right, units.right + units.right / 6 - 2);
    EXPECT_EQ(client.bottom, units.bottom);
    ExpectWidenedLayout(dlg, kFullControls, sizeof kFullControls / sizeof kFullControls[0]);

    EXPECT_EQ(ItemText(dlg, IDC_BRAND), "Trelvane\xae");
    EXPECT_EQ(ItemText(dlg, IDC_HEADING), "Installing");
    EXPECT_EQ(ItemText(dlg, IDC_PLAIN_LABEL), "ARSE 2");
    EXPECT_EQ(ItemText(dlg, IDC_NEXT), "&Next >");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_NEXT)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dlg, IDC_BACK)));
}

TEST_F(ProgressHost, CompactLayoutHasNoOwnerAndNoCurrentBar)
{
    ASSERT_NE(Create(false), (HWND)NULL);
    EXPECT_EQ(GetWindow(dlg, GW_OWNER), (HWND)NULL);
    EXPECT_TRUE(HasStyle(dlg, WS_MINIMIZEBOX));
    for (int id : {IDC_BAR_CURRENT, IDC_ANIM_AREA, IDC_SEPARATOR, IDC_PICTURE_AREA, IDC_BRAND})
        EXPECT_EQ(GetDlgItem(dlg, id), (HWND)NULL) << id;
    HWND banner = FindBanner(dlg);
    ASSERT_NE(banner, (HWND)NULL);
    HBITMAP image = reinterpret_cast<HBITMAP>(SendMessageA(banner, STM_GETIMAGE, IMAGE_BITMAP, 0));
    BITMAP bm = {};
    ASSERT_EQ(GetObjectA(image, sizeof bm, &bm), (int)sizeof bm);
    EXPECT_EQ(bm.bmWidth, 421);
    EXPECT_EQ(bm.bmHeight, 79);
    ExpectWidenedLayout(dlg, kCompactControls, sizeof kCompactControls / sizeof kCompactControls[0]);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_HEADING)));
}

TEST_F(ProgressHost, HeadingIsBoldAndEveryOtherControlLight)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    EXPECT_EQ(FontWeight(GetDlgItem(dlg, IDC_HEADING)), 700);
    for (int id : {IDCANCEL, IDC_STATUS_TEXT, IDC_TIME_LEFT, IDC_GROUP_ALL, IDC_BRAND, IDC_NEXT})
        EXPECT_EQ(FontWeight(GetDlgItem(dlg, id)), 300) << id;
}

TEST_F(ProgressHost, PlaceholdersAreHiddenAtInitialisation)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    for (int id : {IDC_BAR_CURRENT, IDC_BAR_ALL, IDC_SEPARATOR, IDC_ANIM_AREA, IDC_PICTURE_AREA}) {
        ASSERT_NE(GetDlgItem(dlg, id), (HWND)NULL) << id;
        EXPECT_FALSE(HasStyle(GetDlgItem(dlg, id), WS_VISIBLE)) << id;
    }
    EXPECT_TRUE(HasStyle(GetDlgItem(dlg, IDC_STATUS_TEXT), WS_VISIBLE));
}

class Placement : public ProgressHost, public ::testing::WithParamInterface<int> {};

TEST_P(Placement, GridOverHostClientArea)
{
    int code = GetParam();
    ASSERT_NE(Create(true), (HWND)NULL);
    ASSERT_EQ(Progress("Starting", 0, 0, code), (HWND)NULL);
    RECT r;
    GetWindowRect(dlg, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    POINT expected = ExpectedPlacement(code, w, h);
    EXPECT_EQ(r.left, expected.x);
    EXPECT_EQ(r.top, expected.y);

    // Placed once: a later placement code changes nothing.
    Progress("Again", 10, 10, (code + 1) % 9);
    RECT again;
    GetWindowRect(dlg, &again);
    EXPECT_EQ(again.left, r.left);
    EXPECT_EQ(again.top, r.top);
}

INSTANTIATE_TEST_SUITE_P(Codes, Placement, ::testing::Values(0, 4, 8, 15, 20));

TEST_F(ProgressHost, FirstReportAppliesHostTextsCaptionAndShows)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    EXPECT_EQ(Progress("Copying file:\nC:\\a.txt", 100, 500), (HWND)NULL);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_FALSE(IsWindowEnabled(hwndMain));
    EXPECT_TRUE(IsWindowEnabled(dlg));
    EXPECT_EQ(WindowText(dlg), "Test Application");
    EXPECT_EQ(ItemText(dlg, IDC_HEADING), "Installing Test Application");
    EXPECT_EQ(ItemText(dlg, IDCANCEL), "Stop");
    EXPECT_EQ(ItemText(dlg, IDC_GROUP_CURRENT), "This file");
    EXPECT_EQ(ItemText(dlg, IDC_GROUP_ALL), "Everything");
    EXPECT_EQ(ItemText(dlg, IDC_NEXT), "Onward >");
    EXPECT_EQ(ItemText(dlg, IDC_BACK), "< Return");
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), "Copying file:\nC:\\a.txt");
}

TEST_F(ProgressHost, HostTextsAreAppliedOnce)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("one", 0, 0);
    texts[HOST_TEXT_CANCEL] = "Changed";
    strings[HOST_TEXT_CANCEL] = texts[HOST_TEXT_CANCEL].c_str();
    Progress("two", 0, 0);
    EXPECT_EQ(ItemText(dlg, IDCANCEL), "Stop");
}

TEST_F(ProgressHost, NoTextTableKeepsTemplateTextsUntilOneArrives)
{
    info.strings = NULL;
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("one", 0, 0);
    EXPECT_EQ(ItemText(dlg, IDCANCEL), "Cancel");
    EXPECT_EQ(WindowText(dlg), "");  // no title was ever applied: the caption follows the empty saved one
    info.strings = strings.data();
    Progress("two", 0, 0);
    EXPECT_EQ(ItemText(dlg, IDCANCEL), "Stop");
    EXPECT_EQ(WindowText(dlg), "Test Application");
}

TEST_F(ProgressHost, EmptyTitleLeavesAnEmptyCaptionAndIsLookedUpAgain)
{
    SetTitle("");
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("one", 0, 0);
    EXPECT_EQ(WindowText(dlg), "");
    SetTitle("Late Title");
    Progress("two", 0, 0);
    EXPECT_EQ(WindowText(dlg), "Late Title");
}

TEST_F(ProgressHost, CaptionChangedBehindTheModuleIsPutBack)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("one", 0, 0);
    SetWindowTextA(dlg, "Someone else");
    Progress("two", 0, 0);
    EXPECT_EQ(WindowText(dlg), "Test Application");
}

TEST_F(ProgressHost, MinimisedCaptionShowsWholePercent)
{
    ASSERT_NE(Create(false), (HWND)NULL);
    Progress("one", 0, 0);
    ShowWindow(dlg, SW_MINIMIZE);
    Pump();
    ASSERT_TRUE(IsIconic(dlg));
    Progress("two", 455, 0);
    EXPECT_EQ(WindowText(dlg), "45% Test Application");
    ShowWindow(dlg, SW_RESTORE);
    Pump();
    Progress("three", 500, 0);
    EXPECT_EQ(WindowText(dlg), "Test Application");
}

TEST_F(ProgressHost, LongTitleAndTextsAreCutNotOverrun)
{
    SetTitle(std::string(1000, 'T'));
    ASSERT_NE(Create(false), (HWND)NULL);
    std::string longText(5000, 's');
    Progress(longText.c_str(), 0, 0);
    EXPECT_EQ(WindowText(dlg), std::string(259, 'T'));
    std::string status = ItemText(dlg, IDC_STATUS_TEXT);
    EXPECT_LE(status.size(), 259u);
    EXPECT_GT(status.size(), 0u);

    ShowWindow(dlg, SW_MINIMIZE);
    Pump();
    Progress("x", 1000, 0);
    std::string caption = WindowText(dlg);
    EXPECT_EQ(caption.substr(0, 5), "100% ");
    EXPECT_LE(caption.size(), 259u);
}

TEST_F(ProgressHost, NullTextWhileHiddenIsDropped)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    EXPECT_EQ(Progress(NULL, 500, 500), (HWND)NULL);
    EXPECT_FALSE(IsWindowVisible(dlg));
    EXPECT_TRUE(IsWindowEnabled(hwndMain));
    // Steps before the drop still ran: the caption and host texts are applied.
    EXPECT_EQ(WindowText(dlg), "Test Application");
    EXPECT_EQ(ItemText(dlg, IDCANCEL), "Stop");
}

TEST_F(ProgressHost, EmptyTextShowsButKeepsStatus)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("First status", 0, 0);
    Hide();
    ASSERT_FALSE(IsWindowVisible(dlg));
    EXPECT_EQ(Progress("", 10, 10), (HWND)NULL);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), "First status");
    // Shown: a null text goes through and keeps the status as well.
    EXPECT_EQ(Progress(NULL, 20, 20), (HWND)NULL);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), "First status");
}

TEST_F(ProgressHost, HideReenablesHostAndNextTextShowsAgain)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("one", 100, 0);
    ASSERT_FALSE(IsWindowEnabled(hwndMain));
    Hide();
    EXPECT_TRUE(IsWindowEnabled(hwndMain));
    EXPECT_FALSE(IsWindowVisible(dlg));
    EXPECT_FALSE(IsWindowEnabled(dlg));
    EXPECT_EQ(Progress(NULL, 200, 0), (HWND)NULL);
    EXPECT_FALSE(IsWindowVisible(dlg));
    Progress("two", 300, 0);
    EXPECT_TRUE(IsWindowVisible(dlg));
    EXPECT_FALSE(IsWindowEnabled(hwndMain));
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), "two");
}

struct PressCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

class CancelRequest : public ProgressHost, public ::testing::WithParamInterface<PressCase> {};

TEST_P(CancelRequest, IsReturnedOnceByTheNextReport)
{
    const PressCase& c = GetParam();
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Before", 100, 100);
    SendMessageA(dlg, c.message, c.wParam, c.lParam);
    Pump();
    EXPECT_EQ(Progress("During", 200, 200), dlg);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), "Before");  // the reporting call stores nothing
    EXPECT_EQ(Progress("After", 300, 300), (HWND)NULL);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), "After");
    EXPECT_TRUE(IsWindow(dlg));
}

INSTANTIATE_TEST_SUITE_P(
    Presses, CancelRequest,
    ::testing::Values(PressCase{"CancelClick", WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0},
                      PressCase{"AnyId", WM_COMMAND, MAKEWPARAM(4711, 0), 0},
                      PressCase{"AnyNotification", WM_COMMAND, MAKEWPARAM(IDC_NEXT, 0x1234), 0},
                      PressCase{"SystemMenuClose", WM_SYSCOMMAND, SC_CLOSE, 0}),
    [](const ::testing::TestParamInfo<PressCase>& p) { return std::string(p.param.name); });

TEST_F(ProgressHost, RealButtonClickIsACancelRequest)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("Before", 100, 100);
    HWND cancel = GetDlgItem(dlg, IDCANCEL);
    SendMessageA(cancel, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(cancel, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    Pump();
    EXPECT_EQ(Progress("During", 200, 200), dlg);
}

TEST_F(ProgressHost, NullInfoNeverCrashes)
{
    for (UINT command : {UPDATE_CREATE, UPDATE_PROGRESS, UPDATE_HIDE})
        EXPECT_EQ(update(command, 4, NULL, "text", 500, 500), (HWND)NULL) << command;
    ASSERT_NE(Create(true), (HWND)NULL);
    for (UINT command : {UPDATE_PROGRESS, UPDATE_HIDE})
        EXPECT_EQ(update(command, 4, NULL, "text", 500, 500), (HWND)NULL) << command;
    EXPECT_FALSE(IsWindowVisible(dlg));
    EXPECT_EQ(update(UPDATE_FINISH, 0, NULL, NULL, 0, 0), (HWND)NULL);
    finished = true;
    EXPECT_FALSE(IsWindow(dlg));
}

TEST_F(ProgressHost, UnknownCommandsReturnNull)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    for (UINT command : {4u, 5u, 0xFFFFFFFFu, 0x80000001u})
        EXPECT_EQ(update(command, 4, &info, "text", 500, 500), (HWND)NULL) << command;
    EXPECT_FALSE(IsWindowVisible(dlg));
}

TEST_F(ProgressHost, CommandsBeforeCreateDoNothing)
{
    EXPECT_EQ(Progress("text", 500, 500), (HWND)NULL);
    EXPECT_TRUE(IsWindowEnabled(hwndMain));  // no dialog: the host stays usable
    Hide();
    Finish();
    finished = false;
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("shown", 0, 0);
    EXPECT_TRUE(IsWindowVisible(dlg));
}

TEST_F(ProgressHost, FinishDestroysAndLaterCommandsAreHarmless)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("one", 100, 100);
    ASSERT_FALSE(IsWindowEnabled(hwndMain));
    Finish();
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_TRUE(IsWindowEnabled(hwndMain));
    EXPECT_EQ(Progress("late", 200, 200), (HWND)NULL);
    EXPECT_TRUE(IsWindowEnabled(hwndMain));
    Hide();
    Finish();
    EXPECT_EQ(update(UPDATE_CREATE, 0, &info, NULL, 0, 0), (HWND)NULL);  // one dialog per load
}

TEST_F(ProgressHost, SecondCreateKeepsTheFirstDialog)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    HWND first = dlg;
    EXPECT_EQ(update(UPDATE_CREATE, 0, &info, NULL, 0, 0), first);
}

TEST_F(ProgressHost, FreshLoadGivesAFreshDialog)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress("one", 0, 0, 8);
    Finish();
    UnloadModule();
    LoadModule();
    finished = false;
    ASSERT_NE(Create(false), (HWND)NULL);
    EXPECT_FALSE(IsWindowVisible(dlg));
    Progress("two", 0, 0, 0);  // placed afresh, now with code 0
    RECT r;
    GetWindowRect(dlg, &r);
    POINT expected = ExpectedPlacement(0, r.right - r.left, r.bottom - r.top);
    EXPECT_EQ(r.left, expected.x);
    EXPECT_EQ(r.top, expected.y);
}
