// Status text fitting through the real module: the path line of the status
// text is shortened until it fits the status control, measured in the
// control's own font, and the first line stays as it was.
#include "host_fixture.h"

#include "resource.h"

namespace {

const char kActionLine[] = "Copying file:\n";
const char kLongPath[] =
    "C:\\Program Files\\Vendor Name\\Application Suite\\Version 12\\Components\\Shared Libraries"
    "\\Runtime\\Localisation\\English (United Kingdom)\\Resources\\Icons and Pictures"
    "\\file_with_a_long_name.dll";

// Width in pixels of s in the control's font, measured as the module does.
int TextWidth(HWND control, const std::string& s)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HDC dc = GetDC(control);
    HGDIOBJ previous = font ? SelectObject(dc, font) : NULL;
    SIZE size = {0, 0};
    GetTextExtentPointA(dc, s.c_str(), (int)s.size(), &size);
    if (font)
        SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return size.cx;
}

int ControlWidth(HWND control)
{
    RECT r;
    GetWindowRect(control, &r);
    return r.right - r.left;
}

void SetControlWidth(HWND dlg, HWND control, int width)
{
    RECT r = ItemRectInClient(dlg, GetDlgCtrlID(control));
    MoveWindow(control, r.left, r.top, width, r.bottom - r.top, TRUE);
}

// Where the path line starts: after the first line and every CR and LF that
// follow it; the whole text when nothing follows.
size_t PathStart(const std::string& text)
{
    size_t end = text.find_first_of("\r\n");
    if (end == std::string::npos)
        return 0;
    size_t start = text.find_first_not_of("\r\n", end);
    return start == std::string::npos ? 0 : start;
}

// The text a host should see in the status control after reporting `text`,
// worked out here on its own from the rules of the shortening: the text is
// kept to 259 characters; a path line at least as wide as the control is
// taken to 255 characters and shortened round by round, first by turning the
// leading directories after the first backslash into "...", then by cutting
// the end to "...", until it is narrower than the control or too short to cut.
std::string ExpectedStatus(HWND control, const std::string& hostText)
{
    std::string text = hostText.substr(0, 259);
    int width = ControlWidth(control);
    size_t start = PathStart(text);
    std::string path = text.substr(start);
    if (TextWidth(control, path) < width)
        return text;

    std::string work = path.substr(0, 255);
    size_t first = work.find('\\');
    size_t p = first == std::string::npos ? work.size() : first + 1;
    do {
        size_t q = p;
        if (q < work.size() && work[q] == '.') {  // an earlier "..."
            q = work.find('\\', q);
            q = q == std::string::npos ? work.size() : q + 1;
        }
        size_t slash = work.find('\\', q);
        if (slash != std::string::npos && slash - p > 3)
            work.replace(p, slash - p, "...");
        else if (work.size() >= 4)
            work = work.substr(0, work.size() - 4) + "...";
        else
            break;
    } while (TextWidth(control, work) >= width);
    return text.substr(0, start) + work;
}

struct FitCase {
    const char* name;
    std::string text;
};

std::string Repeat(const std::string& s, int n)
{
    std::string r;
    for (int i = 0; i < n; ++i)
        r += s;
    return r;
}

std::vector<FitCase> FitCases()
{
    return {
        {"LongPathUnderActionLine", kActionLine + std::string(kLongPath)},
        {"CarriageReturnLineFeed", "Copying file:\r\n" + std::string(kLongPath)},
        {"SeveralLineBreaks", "Copying file:\r\n\r\n\n" + std::string(kLongPath)},
        {"PathThatFits", "Copying file:\nC:\\Program Files\\a.txt"},
        {"OneLineIsAllPath", kLongPath},
        {"StartsWithLineBreak", "\n" + std::string(kLongPath)},
        {"EndsInLineBreak", Repeat("Copying a great many files ", 8) + "\n"},
        {"ShortFirstDirectoryIsKept", kActionLine + std::string("C:\\a\\bb\\") + Repeat("file", 40) + ".txt"},
        {"NoBackslash", kActionLine + Repeat("x", 200)},
        {"LeadingDoubleBackslash", kActionLine + std::string("\\\\server\\share") + (kLongPath + 2)},
        {"ThousandCharactersOfDirectories", "C:" + Repeat("\\directory", 100)},
        {"ThousandCharactersWithoutBreaks", Repeat("w", 1000)},
        {"LongActionLineAndPath", Repeat("Now copying ", 20) + "\n" + kLongPath},
    };
}

void PrintTo(const FitCase& c, std::ostream* os)
{
    *os << c.name;
}

class StatusText : public ProgressHost {};

class StatusFit : public ProgressHost,
                  public ::testing::WithParamInterface<std::tuple<FitCase, bool>> {};

TEST_P(StatusFit, PathLineFitsTheControl)
{
    const FitCase& c = std::get<0>(GetParam());
    ASSERT_NE(Create(std::get<1>(GetParam())), (HWND)NULL);
    HWND status = GetDlgItem(dlg, IDC_STATUS_TEXT);
    ASSERT_NE(status, (HWND)NULL);
    ASSERT_EQ(Progress(c.text.c_str(), 100, 100), (HWND)NULL);

    std::string shown = ItemText(dlg, IDC_STATUS_TEXT);
    EXPECT_EQ(shown, ExpectedStatus(status, c.text));

    // Whatever the text, the first line is kept, nothing grows past the
    // buffer, and the path line now fits.
    std::string kept = c.text.substr(0, 259);
    size_t start = PathStart(kept);
    EXPECT_EQ(shown.substr(0, start), kept.substr(0, start));
    EXPECT_LE(shown.size(), 259u);
    EXPECT_LT(TextWidth(status, shown.substr(start)), ControlWidth(status));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StatusFit, ::testing::Combine(::testing::ValuesIn(FitCases()), ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<FitCase, bool>>& p) {
        return std::string(std::get<0>(p.param).name) + (std::get<1>(p.param) ? "Full" : "Compact");
    });

TEST_F(StatusText, LongPathKeepsDriveAndFileName)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress((kActionLine + std::string(kLongPath)).c_str(), 100, 100);
    std::string shown = ItemText(dlg, IDC_STATUS_TEXT);
    EXPECT_EQ(shown.substr(0, 20), "Copying file:\nC:\\...");
    EXPECT_EQ(shown.substr(shown.size() - 26), "\\file_with_a_long_name.dll");
}

// The rounds on a control narrowed to just past each stage: each width stops
// the shortening at that stage.
TEST_F(StatusText, EachRoundRemovesOneDirectoryThenOneCharacter)
{
    const char* stages[] = {
        "C:\\Program Files\\Vendor\\App\\bin\\file.dll",
        "C:\\...\\Vendor\\App\\bin\\file.dll",
        "C:\\...\\App\\bin\\file.dll",
        "C:\\...\\bin\\file.dll",
        "C:\\...\\file.dll",
        "C:\\...\\file...",
        "C:\\...\\fil...",
    };
    ASSERT_NE(Create(true), (HWND)NULL);
    HWND status = GetDlgItem(dlg, IDC_STATUS_TEXT);
    std::string text = kActionLine + std::string(stages[0]);
    for (size_t i = 0; i < sizeof stages / sizeof stages[0]; ++i) {
        SCOPED_TRACE(stages[i]);
        int width = TextWidth(status, stages[i]);
        if (i > 0)
            ASSERT_LT(width, TextWidth(status, stages[i - 1]));
        SetControlWidth(dlg, status, width + 1);
        Progress(text.c_str(), 100, 100);
        EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), kActionLine + std::string(stages[i]));
    }
}

TEST_F(StatusText, PathExactlyAsWideAsTheControlIsShortened)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    HWND status = GetDlgItem(dlg, IDC_STATUS_TEXT);
    std::string path = "C:\\Program Files\\Vendor\\file.dll";
    std::string text = kActionLine + path;

    SetControlWidth(dlg, status, TextWidth(status, path) + 1);
    Progress(text.c_str(), 100, 100);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), text);

    SetControlWidth(dlg, status, TextWidth(status, path));
    Progress(text.c_str(), 100, 100);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), std::string(kActionLine) + "C:\\...\\Vendor\\file.dll");
}

TEST_F(StatusText, NothingLeftToCutStopsTheRounds)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    HWND status = GetDlgItem(dlg, IDC_STATUS_TEXT);
    SetControlWidth(dlg, status, 1);
    struct {
        const char* text;
        const char* shown;
    } cases[] = {
        {"Copying file:\nC:\\Program Files\\Vendor\\file.dll", "Copying file:\n..."},
        {"Copying file:\nab", "Copying file:\nab"},  // too short to cut: left as it is
        {"abcd", "..."},
    };
    for (const auto& c : cases) {
        Progress(c.text, 100, 100);
        EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), c.shown) << c.text;
    }
}

TEST_F(StatusText, EmptyOrNullTextKeepsTheFittedStatus)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    Progress((kActionLine + std::string(kLongPath)).c_str(), 100, 100);
    std::string fitted = ItemText(dlg, IDC_STATUS_TEXT);
    ASSERT_NE(fitted, kActionLine + std::string(kLongPath));
    EXPECT_EQ(Progress("", 200, 200), (HWND)NULL);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), fitted);
    EXPECT_EQ(Progress(NULL, 300, 300), (HWND)NULL);
    EXPECT_EQ(ItemText(dlg, IDC_STATUS_TEXT), fitted);
}

TEST_F(StatusText, HostTextIsNotWrittenTo)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    std::string text = kActionLine + std::string(kLongPath);
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    Progress(buffer.data(), 100, 100);
    EXPECT_EQ(std::string(buffer.data()), text);
}

}  // namespace
