// Tests of the time-left line: estimate, shown value, template parsing and
// the bounded formatter.
#include "host/timeleft_logic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const char kTemplate[] = "About %d [minute^minutes] and %d [second^seconds] remaining";

struct Parsed {
    char format[TIME_FORMAT_SIZE];
    char minuteWord[2][TIME_WORD_SIZE];
    char secondWord[2][TIME_WORD_SIZE];
};

Parsed Parse(const char* tmpl)
{
    Parsed p;
    std::memset(&p, 'Z', sizeof p); // stale content must not survive
    ParseTimeTemplate(tmpl, p.format, p.minuteWord, p.secondWord);
    return p;
}

// ---- EstimateSecondsLeft ----

struct EstimateCase {
    const char* name;
    uint32_t elapsedMs;
    int overall;
    uint32_t expected;
};

TEST(EstimateSecondsLeft, Table)
{
    const EstimateCase cases[] = {
        {"tenth done after 30 s", 30000, 100, 270},
        {"later report rounds to 267", 33000, 110, 267},
        {"rounds remaining ms to nearest second, up", 1500, 500, 2},   // 1500 ms left
        {"rounds remaining ms to nearest second, down", 1499, 500, 1}, // 1499 ms left
        {"just below the ten-minute seam", 599999, 999, 1},
        {"at the ten-minute seam", 600000, 999, 0},
        {"long run rounds elapsed first", 3600499, 500, 3600},
        {"long run rounds elapsed up", 3600500, 500, 3601},
        {"all done", 123456, 1000, 0},
        {"zero elapsed", 0, 31, 0},
        {"overall above 1000 is complete", 30000, 1200, 0},
        {"overall far above 1000", 30000, 2147483647, 0},
        {"negative overall counts as 1", 1000, -5, 999},
        {"zero overall counts as 1", 1000, 0, 999},
        {"lowest overall at the largest short elapsed", 599999, 1, 599399},
    };
    for (const EstimateCase& c : cases)
        EXPECT_EQ(c.expected, EstimateSecondsLeft(c.elapsedMs, c.overall)) << c.name;
}

// ---- NextShownSeconds ----

struct FirstShownCase {
    uint32_t s;
    int step;
    int shown;
};

TEST(NextShownSeconds, FirstValueChoosesStepAndRoundsWithBiasFour)
{
    const FirstShownCase cases[] = {
        {270, 10, 270}, {65, 10, 60}, {66, 10, 70}, {61, 10, 60}, // step 10 above 60
        {60, 5, 60},    {26, 5, 30},  {30, 5, 30},                // step 5 above 25
        {25, 2, 28},    {11, 2, 14},                              // step 2 above 10
        {10, 1, 14},    {7, 1, 11},   {0, 1, 4},                  // step 1
    };
    for (const FirstShownCase& c : cases) {
        int step = 99;
        EXPECT_EQ(c.shown, NextShownSeconds(c.s, -1, &step)) << "s=" << c.s;
        EXPECT_EQ(c.step, step) << "s=" << c.s;
    }
}

struct LaterShownCase {
    uint32_t s;
    int lastShown;
    int step;
    int shown;
};

TEST(NextShownSeconds, LaterValuesMoveInWholeStepsAndKeepTheStep)
{
    const LaterShownCase cases[] = {
        {267, 270, 10, 270}, // less than a step below: holds
        {259, 270, 10, 260}, // 11 below: one step down
        {281, 270, 10, 280}, // 11 above: one step up
        {279, 270, 10, 270}, // 9 above: holds
        {0, 270, 10, 0},     // exact multiple
        {3, 270, 10, 10},    // truncation toward zero, not floor
        {100, 4, 1, 100},    // step 1 follows exactly
        {0, 4, 1, 0},
        {900, 60, 5, 900}, // a large s later does not change the step
    };
    for (const LaterShownCase& c : cases) {
        int step = c.step;
        EXPECT_EQ(c.shown, NextShownSeconds(c.s, c.lastShown, &step))
            << "s=" << c.s << " last=" << c.lastShown;
        EXPECT_EQ(c.step, step);
    }
}

TEST(NextShownSeconds, MissingOrBrokenStepActsAsOne)
{
    EXPECT_EQ(270, NextShownSeconds(270, -1, nullptr));
    EXPECT_EQ(267, NextShownSeconds(267, 270, nullptr));
    int zero = 0;
    EXPECT_EQ(267, NextShownSeconds(267, 270, &zero));
    int negative = -10;
    EXPECT_EQ(267, NextShownSeconds(267, 270, &negative));
}

// The worked sequence of one installation, from the elapsed time to the line.
TEST(TimeLeft, WorkedSequence)
{
    Parsed p = Parse(kTemplate);
    struct Report {
        uint32_t elapsedMs;
        int overall;
        int shown;
        const char* line;
    };
    const Report reports[] = {
        {30000, 100, 270, "About 4 minutes and 30 seconds remaining"},
        {33000, 110, 270, nullptr}, // s = 267: unchanged, not redrawn
    };
    int last = -1, step = 0;
    for (const Report& r : reports) {
        int n = NextShownSeconds(EstimateSecondsLeft(r.elapsedMs, r.overall), last, &step);
        EXPECT_EQ(r.shown, n);
        if (r.line) {
            char out[TIME_LINE_SIZE];
            ASSERT_TRUE(FormatTimeLeft(out, sizeof out, p.format, p.minuteWord, p.secondWord, n));
            EXPECT_STREQ(r.line, out);
        }
        last = n;
    }
    EXPECT_EQ(10, step);
    EXPECT_EQ(260, NextShownSeconds(259, last, &step));
}

// ---- ParseTimeTemplate ----

struct ParseCase {
    const char* name;
    const char* tmpl;
    const char* format;
    const char* minute[2];
    const char* second[2];
};

TEST(ParseTimeTemplate, Table)
{
    const ParseCase cases[] = {
        {"usual template", kTemplate, "About %d %s and %d %s remaining", {"minute", "minutes"},
         {"second", "seconds"}},
        {"no minute bracket", "%d:%d [second^seconds]", "%d:%d %s%s", {"", ""}, {"second", "seconds"}},
        {"spaces inside brackets", "[ minute ^ minutes ]", "%s", {"minute", "minutes"}, {"", ""}},
        {"spaces outside are text", "%d  [a^b]  %d [c^d] ", "%d  %s  %d %s ", {"a", "b"}, {"c", "d"}},
        {"inner spaces of a word stay", "%d [ a b ^ c d ]", "%d %s", {"a b", "c d"}, {"", ""}},
        {"%% counts as two", "%%%% [s^p]", "%%%% %s%s", {"", ""}, {"s", "p"}},
        {"bracket before any %", "[m^ms] %d %d [s^ss]", "%s %d %d %s", {"m", "ms"}, {"s", "ss"}},
        {"empty words", "%d [^] %d [ ^ ]", "%d %s %d %s", {"", ""}, {"", ""}},
        {"empty template", "", "", {"", ""}, {"", ""}},
        {"null template", nullptr, "", {"", ""}, {"", ""}},
        {"no brackets", "100%", "100%", {"", ""}, {"", ""}},
        // Malformed brackets end at the terminator.
        {"unterminated plural", "%d [minute^minutes", "%d %s", {"minute", "minutes"}, {"", ""}},
        {"unterminated after ^", "%d [minute^", "%d %s", {"minute", ""}, {"", ""}},
        {"unterminated singular", "%d [min", "%d %s", {"min", "min"}, {"", ""}},
        {"lone bracket at end", "%d [", "%d %s", {"", ""}, {"", ""}},
        {"bracket without ^", "%d [min] %d [s]", "%d %s %d %s", {"min", "min"}, {"s", "s"}},
        {"third bracket overwrites second word", "%d [a^b] %d [c^d] [e^f]", "%d %s %d %s %s",
         {"a", "b"}, {"e", "f"}},
    };
    for (const ParseCase& c : cases) {
        Parsed p = Parse(c.tmpl);
        EXPECT_STREQ(c.format, p.format) << c.name;
        EXPECT_STREQ(c.minute[0], p.minuteWord[0]) << c.name;
        EXPECT_STREQ(c.minute[1], p.minuteWord[1]) << c.name;
        EXPECT_STREQ(c.second[0], p.secondWord[0]) << c.name;
        EXPECT_STREQ(c.second[1], p.secondWord[1]) << c.name;
    }
}

TEST(ParseTimeTemplate, LongWordsAndFormatsAreCut)
{
    const std::string word100(100, 'w');
    const std::string word63(63, 'w');

    // A 100-character word keeps 63 and the parse carries on after it.
    Parsed p = Parse(("%d [" + word100 + "^" + word100 + "] %d [s^ss]").c_str());
    EXPECT_EQ(word63, p.minuteWord[0]);
    EXPECT_EQ(word63, p.minuteWord[1]);
    EXPECT_STREQ("s", p.secondWord[0]);
    EXPECT_STREQ("%d %s %d %s", p.format);

    // A 400-character format keeps 255; the conversions at its start survive.
    const std::string tail(400, 'x');
    p = Parse(("%d [m^ms] %d [s^ss]" + tail).c_str());
    EXPECT_EQ(("%d %s %d %s" + tail).substr(0, 255), p.format);

    // The bracket's "%s" at the very limit is cut in half: the format is then
    // rejected by the formatter rather than misread.
    p = Parse((std::string(251, 'x') + "%d [m^ms] %d [s^ss]").c_str());
    EXPECT_EQ(std::string(251, 'x') + "%d %", p.format);
    char out[TIME_LINE_SIZE] = "stale";
    EXPECT_FALSE(FormatTimeLine(out, sizeof out, p.format, 1, "a", 2, "b"));
    EXPECT_STREQ("", out);
}

// ---- FormatTimeLine / FormatTimeLeft ----

struct FormatCase {
    const char* name;
    const char* format;
    int minutes;
    const char* minuteWord;
    int seconds;
    const char* secondWord;
    bool ok;
    std::string expected;
};

TEST(FormatTimeLine, Table)
{
    const FormatCase cases[] = {
        {"plain", "About %d %s and %d %s remaining", 4, "minutes", 30, "seconds", true,
         "About 4 minutes and 30 seconds remaining"},
        {"percent escape", "%d%% %s %d %s", 4, "m", 5, "s", true, "4% m 5 s"},
        {"width", "[%3d|%5s|%-3d|%-5s]", 4, "ab", 5, "cd", true, "[  4|   ab|5  |cd   ]"},
        {"zero pad", "%03d%s%05d%s", 7, "", -42, "", true, "007-0042"},
        {"zero pad ignored when left", "%-03d%s%d%s", 7, "", 1, "", true, "7  1"},
        {"zero pad does not apply to strings", "%d%05s%d%s", 1, "ab", 2, "", true, "1   ab2"},
        {"hex and alternate form", "%x %s %#X %s", 255, "", 255, "", true, "ff  0XFF "},
        {"alternate form on zero", "%#x%s%#06x%s", 0, "", 10, "", true, "00x000a"},
        {"unsigned", "%u%s%i%s", -1, "", -7, "", true, "4294967295-7"},
        {"size prefixes", "%ld %hs %hd %s", 123, "w", 65537, "v", true, "123 w 1 v"},
        {"short unsigned and hex", "%hu %s %hx %s", -1, "", 0x12345, "", true, "65535  2345 "},
        {"precision", "%.3d %.2s %.0d %.9s", 5, "abcdef", 0, "xy", true, "005 ab  xy"},
        {"precision overrides zero flag", "%06.3d%s%d%s", 5, "", 1, "", true, "   0051"},
        {"extreme integers", "%d %s %d %s", -2147483647 - 1, "a", 2147483647, "b", true,
         "-2147483648 a 2147483647 b"},
        {"character conversion", "%c%s%hc%s", 'A', "b", 'C', "d", true, "AbCd"},
        {"character zero adds nothing", "[%c]%s[%2c]%s", 0, "", 0, "", true, "[][  ]"},
        {"null words are empty", "%d[%s]%d[%s]", 1, nullptr, 2, nullptr, true, "1[]2[]"},
        {"huge width is cut to the buffer", "%d%s%d%99999999999999s", 1, "", 2, "x", true,
         "12" + std::string(TIME_LINE_SIZE - 3, ' ')},
        // Rejected: wrong order, wrong count, unsupported or malformed conversions.
        {"string first", "%s %d %s %d", 1, "a", 2, "b", false, ""},
        {"integer for a word", "%d %d %d %s", 1, "a", 2, "b", false, ""},
        {"five conversions", "%d %s %d %s %d", 1, "a", 2, "b", false, ""},
        {"three conversions", "%d %s %d", 1, "a", 2, "b", false, ""},
        {"no conversions", "remaining", 1, "a", 2, "b", false, ""},
        {"empty format", "", 1, "a", 2, "b", false, ""},
        {"null format", nullptr, 1, "a", 2, "b", false, ""},
        {"%n", "%d %s %d %s%n", 1, "a", 2, "b", false, ""},
        {"%n in place of an integer", "%n %s %d %s", 1, "a", 2, "b", false, ""},
        {"lone trailing percent", "%d %s %d %s%", 1, "a", 2, "b", false, ""},
        {"wide string", "%d %ls %d %s", 1, "a", 2, "b", false, ""},
        {"wide character", "%lc %s %d %s", 1, "a", 2, "b", false, ""},
        {"pointer", "%p %s %d %s", 1, "a", 2, "b", false, ""},
        {"capital S", "%d %S %d %s", 1, "a", 2, "b", false, ""},
        {"plus flag", "%+d %s %d %s", 1, "a", 2, "b", false, ""},
        {"star width", "%*d %s %d %s", 1, "a", 2, "b", false, ""},
        {"double size", "%lld %s %d %s", 1, "a", 2, "b", false, ""},
        {"floating point", "%f %s %d %s", 1, "a", 2, "b", false, ""},
        {"width before percent", "%5% %d %s %d %s", 1, "a", 2, "b", false, ""},
    };
    for (const FormatCase& c : cases) {
        char out[TIME_LINE_SIZE];
        std::memset(out, 'Z', sizeof out);
        bool ok = FormatTimeLine(out, sizeof out, c.format, c.minutes, c.minuteWord, c.seconds,
                                 c.secondWord);
        EXPECT_EQ(c.ok, ok) << c.name;
        EXPECT_EQ(c.expected, out) << c.name;
    }
}

TEST(FormatTimeLine, LongLinesAreCutToTheBuffer)
{
    const std::string full = "About 4 minutes and 30 seconds remaining";
    for (size_t size : {size_t(1), size_t(2), size_t(7), full.size(), full.size() + 1, size_t(260)}) {
        std::vector<char> out(size, 'Z'); // exact size, so ASan sees any overrun
        ASSERT_TRUE(FormatTimeLine(out.data(), size, "About %d %s and %d %s remaining", 4, "minutes",
                                   30, "seconds"))
            << size;
        EXPECT_EQ(full.substr(0, size - 1), out.data()) << size;
    }
    char untouched = 'Z';
    EXPECT_FALSE(FormatTimeLine(&untouched, 0, "%d%s%d%s", 1, "", 2, ""));
    EXPECT_EQ('Z', untouched);
    EXPECT_FALSE(FormatTimeLine(nullptr, 10, "%d%s%d%s", 1, "", 2, ""));
}

struct LeftCase {
    int shown;
    const char* expected;
};

TEST(FormatTimeLeft, ChoosesSingularOnlyForExactlyOne)
{
    Parsed p = Parse(kTemplate);
    const LeftCase cases[] = {
        {270, "About 4 minutes and 30 seconds remaining"},
        {260, "About 4 minutes and 20 seconds remaining"},
        {61, "About 1 minute and 1 second remaining"},
        {60, "About 1 minute and 0 seconds remaining"},
        {1, "About 0 minutes and 1 second remaining"},
        {0, "About 0 minutes and 0 seconds remaining"},
        {4, "About 0 minutes and 4 seconds remaining"},
        {3601, "About 60 minutes and 1 second remaining"},
    };
    for (const LeftCase& c : cases) {
        char out[TIME_LINE_SIZE];
        ASSERT_TRUE(FormatTimeLeft(out, sizeof out, p.format, p.minuteWord, p.secondWord, c.shown));
        EXPECT_STREQ(c.expected, out) << c.shown;
    }
}

TEST(FormatTimeLeft, ReadsUnterminatedWordsNoFurtherThanTheirArrays)
{
    char minuteWord[2][TIME_WORD_SIZE];
    char secondWord[2][TIME_WORD_SIZE];
    std::memset(minuteWord, 'm', sizeof minuteWord);
    std::memset(secondWord, 's', sizeof secondWord);
    char out[TIME_LINE_SIZE];
    ASSERT_TRUE(FormatTimeLeft(out, sizeof out, "%d%s|%d%s", minuteWord, secondWord, 0));
    EXPECT_EQ("0" + std::string(63, 'm') + "|0" + std::string(63, 's'), out);
}

// Hostile templates go through the whole chain without overrunning anything,
// and those whose conversions do not match give no line.
struct HostileCase {
    const char* name;
    std::string tmpl;
    bool formats;
};

TEST(TimeLeft, HostileTemplates)
{
    const std::string word100(100, 'w');
    const HostileCase cases[] = {
        {"unterminated bracket", "%d [minute^minutes] %d [second", true},
        {"missing ^", "%d [minute] %d [second]", true},
        {"100-char word", "%d [" + word100 + "^" + word100 + "] %d [s^ss]", true},
        {"400-char format", "%d [m^ms] %d [s^ss]" + std::string(400, '.'), true},
        {"%s first", "%s [m^ms] %d [s^ss]", false},
        {"five conversions", "%d [m^ms] %d [s^ss] %d", false},
        {"%n", "%n [m^ms] %d [s^ss]", false},
        {"lone trailing %", "%d [m^ms] %d [s^ss] %", false},
        {"only a bracket", "[ minute ^ minutes ]", false},
    };
    for (const HostileCase& c : cases) {
        Parsed p = Parse(c.tmpl.c_str());
        EXPECT_LT(std::strlen(p.format), size_t(TIME_FORMAT_SIZE)) << c.name;
        std::vector<char> out(TIME_LINE_SIZE, 'Z');
        bool ok = FormatTimeLeft(out.data(), out.size(), p.format, p.minuteWord, p.secondWord, 3599);
        EXPECT_EQ(c.formats, ok) << c.name;
        if (ok)
            EXPECT_EQ(0, std::strncmp(out.data(), "59 ", 3)) << c.name;
        else
            EXPECT_STREQ("", out.data()) << c.name;
    }
}

} // namespace
