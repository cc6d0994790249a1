// The time-left line through the real module, with the module's tick count
// under the test's control: the estimate and its steadying, the 3 % threshold,
// pauses from hiding and from pressed buttons, a missing text table, and
// hostile templates and progress values.
#include "host_fixture.h"

#include <atomic>
#include <climits>

#include "resource.h"

namespace {

// The module's clock: its import of KERNEL32!GetTickCount is pointed at
// FakeTickCount right after each load, so the test sets the time it sees.
std::atomic<DWORD> g_fakeTick{1000000};

DWORD WINAPI FakeTickCount()
{
    return g_fakeTick.load();
}

const char kMarker[] = "(set behind the module's back)";

enum Op {
    REPORT,            // a progress report with a status text; returns null
    REPORT_NO_TEXT,    // a progress report with a null text; returns null
    CANCELLED_REPORT,  // the report after a press; returns the dialog handle
    HIDE,
    PRESS,             // WM_COMMAND to the dialog, as a Cancel click sends
    MARK,              // puts kMarker on the time-left control
    NO_TABLE,          // the host passes no text table from now on
    TABLE,             // the host passes its text table again
    SET_TEMPLATE,      // text is the new entry 49 (null allowed)
};

// One host action at `at` milliseconds after the scenario's base tick. For
// the reports, `text` is the time-left line expected afterwards.
struct Step {
    Op op;
    DWORD at;
    int overall;
    const char* text;
};

struct Scenario {
    const char* name;
    DWORD base;
    std::vector<Step> steps;
};

const DWORD kBase = 1000000;
const char kFourThirty[] = "About 4 minutes and 30 seconds remaining";
const char kOneThirty[] = "About 1 minute and 30 seconds remaining";
const char kOneTwenty[] = "About 1 minute and 20 seconds remaining";
const char kNineForty[] = "About 9 minutes and 40 seconds remaining";
const char kFourSeconds[] = "About 0 minutes and 4 seconds remaining";
const char kZeroSeconds[] = "About 0 minutes and 0 seconds remaining";

// Expected values, worked by hand from the estimate
//   s = (((1000 - p) * e) / p + 500) / 1000   (e below ten minutes)
//   s = (((e + 500) / 1000) * (1000 - p)) / p (from ten minutes on)
// and the step of the first shown value (10 above 60 s, 5 above 25 s, 2 above
// 10 s, else 1), with the first value biased by 4 s.
const Scenario kScenarios[] = {
    {"WorkedExample", kBase,
     {{REPORT, 0, 0, ""},                  // starts the timing, no estimate
      {REPORT, 30000, 100, kFourThirty},   // s = 270, step 10
      {MARK, 30000, 0, nullptr},
      {REPORT, 33000, 110, kMarker},       // s = 267: still 270, not set again
      {REPORT, 64700, 200, "About 4 minutes and 20 seconds remaining"}}},  // s = 259

    {"SingularWords", kBase,
     {{REPORT, 0, 0, ""},
      {REPORT, 5000, 500, "About 0 minutes and 9 seconds remaining"},  // s = 5, step 1
      {REPORT, 61000, 500, "About 1 minute and 1 second remaining"}}},

    {"ThresholdIsAboveThirty", kBase,
     {{REPORT, 0, 500, ""},                // the starting report shows nothing
      {REPORT, 10000, 30, ""},
      {REPORT, 15000, -500, ""},
      {REPORT, 20000, 31, "About 10 minutes and 20 seconds remaining"}}},  // s = 625

    {"CompleteShowsTheBias", kBase,
     {{REPORT, 0, 0, ""}, {REPORT, 30000, 1000, kFourSeconds}}},  // s = 0, step 1

    {"OverallAboveThousandCountsAsThousand", kBase,
     {{REPORT, 0, 0, ""},
      {REPORT, 30000, 5000, kFourSeconds},
      {REPORT, 40000, INT_MAX, kZeroSeconds},  // step 1: follows s = 0 exactly
      {REPORT, 50000, INT_MIN, kZeroSeconds},
      {REPORT, 60000, 500, "About 1 minute and 0 seconds remaining"}}},  // s = 60

    {"NegativeStartIsHarmless", kBase,
     {{REPORT, 0, -1000, ""}, {REPORT, 30000, 100, kFourThirty}}},

    {"TenMinuteSeam", kBase,
     {{REPORT, 0, 0, ""},
      {REPORT, 599999, 999, "About 0 minutes and 5 seconds remaining"},  // s = 1, step 1
      {REPORT, 600000, 999, kZeroSeconds},  // s = 0
      {REPORT, 3600000, 100, "About 540 minutes and 0 seconds remaining"}}},

    {"TickCounterWrapIsHarmless", 0xFFFFC000u,  // wraps 16.4 s after the start
     {{REPORT, 0, 0, ""}, {REPORT, 30000, 100, kFourThirty}}},

    {"PauseEndingOnTickZeroKeepsTheTiming", 0xFFFE0000u,
     {{REPORT, 0, 0, ""},
      {REPORT, 10000, 100, kOneThirty},
      {HIDE, 10000, 0, nullptr},
      {REPORT, 10000 + 0x20000, 100, kOneThirty},  // the shifted start lands on 0
      {REPORT, 20000 + 0x20000, 200, kOneTwenty}}},

    {"WithoutPause", kBase,
     {{REPORT, 0, 0, ""}, {REPORT, 10000, 100, kOneThirty}, {REPORT, 20000, 200, kOneTwenty}}},

    {"HidePauseIsLeftOut", kBase,
     {{REPORT, 0, 0, ""},
      {REPORT, 10000, 100, kOneThirty},
      {HIDE, 10000, 0, nullptr},
      {REPORT_NO_TEXT, 40000, 150, kOneThirty},  // dropped while hidden
      {REPORT, 70000, 100, kOneThirty},          // ends the pause: elapsed 10 s
      {REPORT, 80000, 200, kOneTwenty}}},        // as WithoutPause at 20 s

    {"PressPauseIsLeftOut", kBase,
     {{REPORT, 0, 0, ""},
      {REPORT, 10000, 100, kOneThirty},
      {PRESS, 10000, 0, nullptr},
      {CANCELLED_REPORT, 10000, 150, kOneThirty},
      {REPORT, 70000, 100, kOneThirty},
      {REPORT, 80000, 200, kOneTwenty}}},

    {"PausesAddUp", kBase,
     {{REPORT, 0, 0, ""},
      {REPORT, 10000, 100, kOneThirty},
      {HIDE, 10000, 0, nullptr},
      {REPORT, 40000, 100, kOneThirty},  // 30 s hidden: elapsed is still 10 s
      {PRESS, 40000, 0, nullptr},
      {CANCELLED_REPORT, 40000, 150, kOneThirty},
      {REPORT, 100000, 200, "About 0 minutes and 40 seconds remaining"}}},  // elapsed 10 s

    {"HideAtLowProgressStartsNoPause", kBase,
     {{REPORT, 0, 0, ""},
      {REPORT, 5000, 20, ""},
      {HIDE, 5000, 0, nullptr},
      {REPORT, 65000, 100, kNineForty}}},  // elapsed 65 s: s = 585

    {"PressAtLowProgressStartsNoPause", kBase,
     {{REPORT, 0, 0, ""},
      {REPORT, 5000, 20, ""},
      {PRESS, 5000, 0, nullptr},
      {CANCELLED_REPORT, 5000, 30, ""},
      {REPORT, 65000, 100, kNineForty}}},

    {"PressPauseTakesTheReportingCallsOverall", kBase,
     {{REPORT, 0, 0, ""},
      {REPORT, 5000, 20, ""},
      {PRESS, 5000, 0, nullptr},
      {CANCELLED_REPORT, 5000, 100, ""},  // stored overall is 20, this call's 100
      {REPORT, 65000, 100, "About 0 minutes and 45 seconds remaining"}}},  // elapsed 5 s

    {"MissingTableShowsNothingAndChoosesTheStepLater", kBase,
     {{NO_TABLE, 0, 0, nullptr},
      {REPORT, 0, 0, ""},
      {REPORT, 30000, 100, ""},  // s = 270 would choose step 10
      {TABLE, 0, 0, nullptr},
      {REPORT, 60000, 900, "About 0 minutes and 11 seconds remaining"},  // s = 7, step 1
      {NO_TABLE, 0, 0, nullptr},
      {REPORT, 90000, 100, "About 0 minutes and 11 seconds remaining"},  // kept
      {TABLE, 0, 0, nullptr},
      {REPORT, 90000, 100, "About 13 minutes and 30 seconds remaining"}}},  // s = 810

    {"NullTemplateIsReadAgainUntilItArrives", kBase,
     {{SET_TEMPLATE, 0, 0, nullptr},
      {REPORT, 0, 0, ""},
      {REPORT, 30000, 100, ""},
      {SET_TEMPLATE, 0, 0, "%d [min^mins] %d [sec^secs] left"},
      {REPORT, 64700, 200, "4 mins 20 secs left"},
      {SET_TEMPLATE, 0, 0, "changed %d [m^m] %d [s^s]"},  // parsed once: ignored
      {REPORT, 100000, 200, "6 mins 40 secs left"}}},     // s = 400

    {"EmptyTemplateKeepsTheLineEmpty", kBase,
     {{SET_TEMPLATE, 0, 0, ""},
      {REPORT, 0, 0, ""},
      {REPORT, 30000, 100, ""},
      {REPORT, 64700, 200, ""}}},
};

void PrintTo(const Scenario& s, std::ostream* os)
{
    *os << s.name;
}

class TimeLeft : public ProgressHost {
protected:
    void SetUp() override
    {
        ProgressHost::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_NE(PatchImport(module, "KERNEL32.dll", "GetTickCount", reinterpret_cast<void*>(&FakeTickCount)),
                  nullptr);
        g_fakeTick = kBase;
    }

    void SetTemplate(const char* tmpl)
    {
        if (tmpl) {
            texts[HOST_TEXT_TIME_LEFT] = tmpl;
            strings[HOST_TEXT_TIME_LEFT] = texts[HOST_TEXT_TIME_LEFT].c_str();
        } else {
            strings[HOST_TEXT_TIME_LEFT] = NULL;
        }
    }

    std::string Line() { return ItemText(dlg, IDC_TIME_LEFT); }

    void Run(const Scenario& s)
    {
        for (size_t i = 0; i < s.steps.size(); ++i) {
            const Step& step = s.steps[i];
            SCOPED_TRACE(::testing::Message() << s.name << " step " << i);
            g_fakeTick = s.base + step.at;
            switch (step.op) {
            case REPORT:
                EXPECT_EQ(Progress("Copying file:\nC:\\a.txt", step.overall, 0), (HWND)NULL);
                EXPECT_EQ(Line(), step.text);
                break;
            case REPORT_NO_TEXT:
                EXPECT_EQ(Progress(NULL, step.overall, 0), (HWND)NULL);
                EXPECT_EQ(Line(), step.text);
                break;
            case CANCELLED_REPORT:
                EXPECT_EQ(Progress("Copying file:\nC:\\a.txt", step.overall, 0), dlg);
                EXPECT_EQ(Line(), step.text);
                break;
            case HIDE:
                Hide();
                break;
            case PRESS:
                SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
                Pump();
                break;
            case MARK:
                SetDlgItemTextA(dlg, IDC_TIME_LEFT, kMarker);
                break;
            case NO_TABLE:
                info.strings = NULL;
                break;
            case TABLE:
                info.strings = strings.data();
                break;
            case SET_TEMPLATE:
                SetTemplate(step.text);
                break;
            }
        }
    }
};

class TimeLeftScenario : public TimeLeft, public ::testing::WithParamInterface<Scenario> {};

TEST_P(TimeLeftScenario, ShowsTheSteadiedEstimate)
{
    ASSERT_NE(Create(true), (HWND)NULL);
    ASSERT_EQ(Line(), "");
    Run(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Hosts, TimeLeftScenario, ::testing::ValuesIn(kScenarios),
                         [](const ::testing::TestParamInfo<Scenario>& p) { return std::string(p.param.name); });

TEST_F(TimeLeft, CompactLayoutShowsTheLineToo)
{
    ASSERT_NE(Create(false), (HWND)NULL);
    Run(kScenarios[0]);
}

// Templates a host might pass, sane or not, and the line each gives at an
// estimate of 270 s (4 minutes 30 seconds). A template the line cannot be
// formed from safely leaves it empty.
struct TemplateCase {
    const char* name;
    std::string tmpl;
    std::string line;
};

std::vector<TemplateCase> TemplateCases()
{
    const std::string valid = "About %d [minute^minutes] and %d [second^seconds] remaining";
    return {
        {"Empty", "", ""},
        {"OnlyStrings", "%s %s %s %s", ""},
        {"WriteCount", "%n", ""},
        {"WriteCountAfterFour", valid + " %n", ""},
        {"FiveConversions", "%d [a^b] %d [c^d] %d", ""},
        {"WideString", "%d [m^m] %d %S", ""},
        {"PercentLiteralCountsTwice", "%% done %d [minute^minutes] %d [second^seconds]", ""},
        {"NoMinuteBracket", "%d:%d [second^seconds]", ""},
        {"UnterminatedFirstBracket", "About %d [minute^minutes and %d [second^seconds] remaining", ""},
        {"UnterminatedLastBracket", "About %d [minute^minutes] and %d [second^seconds", "About 4 minutes and 30 seconds"},
        {"BracketWithoutCaret", "%d [min] %d [sec]", "4 min 30 sec"},
        {"SpacesInsideBrackets", "%d [ minute ^ minutes ] %d [ second ^ seconds ]", "4 minutes 30 seconds"},
        {"PaddedNumbers", "%02d [min^mins]:%02d [sec^secs]", "04 mins:30 secs"},
        {"LongWordsAreCut", "%d [" + std::string(100, 'm') + "^" + std::string(100, 'n') + "] %d [s^s]",
         "4 " + std::string(63, 'n') + " 30 s"},
        {"LongTemplateIsCut", valid + std::string(940, 'x'),
         "About 4 minutes and 30 seconds remaining" + std::string(219, 'x')},
        {"ConversionsPastTheFormatSize", std::string(1000, 'x') + valid, ""},
        {"HugeWidthIsCut", "%999999999d [m^m] %d [s^s]", std::string(259, ' ')},
    };
}

void PrintTo(const TemplateCase& c, std::ostream* os)
{
    *os << c.name;
}

class TimeLeftTemplate : public TimeLeft, public ::testing::WithParamInterface<TemplateCase> {};

TEST_P(TimeLeftTemplate, GivesASafeLine)
{
    const TemplateCase& c = GetParam();
    SetTemplate(c.tmpl.c_str());
    ASSERT_NE(Create(true), (HWND)NULL);
    g_fakeTick = kBase;
    Progress("Copying", 0, 0);
    g_fakeTick = kBase + 30000;
    Progress("Copying", 100, 0);
    EXPECT_EQ(Line(), c.line);
    // The module keeps working afterwards.
    g_fakeTick = kBase + 64700;
    EXPECT_EQ(Progress("Copying", 200, 0), (HWND)NULL);
    EXPECT_LE(Line().size(), 259u);
    EXPECT_TRUE(IsWindowVisible(dlg));
}

INSTANTIATE_TEST_SUITE_P(Hosts, TimeLeftTemplate, ::testing::ValuesIn(TemplateCases()),
                         [](const ::testing::TestParamInfo<TemplateCase>& p) { return std::string(p.param.name); });

}  // namespace
