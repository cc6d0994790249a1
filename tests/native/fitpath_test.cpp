// Tests of the status text's path line fitting.
#include "host/fitpath_logic.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const int kCharWidth = 6;

// Fixed-width font: every character is kCharWidth pixels. Counts its calls.
struct FixedFont {
    int calls = 0;
};

int MeasureFixed(void* ctx, const char* s, int len)
{
    (void)s;
    static_cast<FixedFont*>(ctx)->calls++;
    return len * kCharWidth;
}

// Fits text in a buffer of exactly textSize characters (so ASan sees any
// overrun) and returns the result; rounds receives the number of measures.
std::string Fit(const std::string& text, int width, int* measures = nullptr, size_t textSize = 260)
{
    std::vector<char> buf(textSize, '\0');
    std::memcpy(buf.data(), text.c_str(), text.size() + 1);
    FixedFont font;
    FitPathLine(buf.data(), buf.size(), width, MeasureFixed, &font);
    if (measures)
        *measures = font.calls;
    return std::string(buf.data());
}

// Width at which a line of len characters just fits (one pixel wider).
int FitsAt(size_t len)
{
    return (int)len * kCharWidth + 1;
}

// ---- FindPathLine ----

struct SplitCase {
    const char* text;
    size_t offset;
};

TEST(FindPathLine, Table)
{
    const SplitCase cases[] = {
        {"Copying file:\r\nC:\\x", 15},
        {"Copying file:\nC:\\x", 14},
        {"Copying file:\rC:\\x", 14},
        {"Copying file:\n\r\n\rC:\\x", 17}, // all line breaks skipped
        {"C:\\x", 0},                       // no line break: one path line
        {"\nC:\\x", 1},                     // no first line
        {"\r\nC:\\x", 2},                   // empty first line
        {"Copying file:\r\n", 0},           // nothing after the break: the whole text
        {"\n", 0},
        {"", 0},
        {"a\nb\nc", 2}, // the path line runs to the end of the text
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(c.offset, FindPathLine(c.text)) << c.text;
    EXPECT_EQ(0u, FindPathLine(nullptr));
}

// ---- FitPathLine: the rounds ----

struct FitCase {
    const char* name;
    std::string text;
    int width;
    std::string expected;
    int measures; // initial measure plus one per round
};

TEST(FitPathLine, Rounds)
{
    const std::string longPath = "C:\\Program Files\\Vendor\\App\\bin\\file.dll";
    const FitCase cases[] = {
        // Leading directories go one by one, then characters from the end.
        {"fits as is", longPath, FitsAt(40), longPath, 1},
        {"one directory", longPath, FitsAt(30), "C:\\...\\Vendor\\App\\bin\\file.dll", 2},
        {"merges into the earlier ...", longPath, FitsAt(23), "C:\\...\\App\\bin\\file.dll", 3},
        {"third directory", longPath, FitsAt(19), "C:\\...\\bin\\file.dll", 4},
        {"last directory", longPath, FitsAt(15), "C:\\...\\file.dll", 5},
        {"then the end", longPath, FitsAt(14), "C:\\...\\file...", 6},
        {"and again", longPath, FitsAt(13), "C:\\...\\fil...", 7},
        // A first directory of three characters or fewer is never replaced.
        {"short first directory", "C:\\a\\bb\\file.txt", FitsAt(15), "C:\\a\\bb\\file...", 2},
        {"short first directory again", "C:\\a\\bb\\file.txt", FitsAt(14), "C:\\a\\bb\\fil...", 3},
        {"three-character first directory", "C:\\abc\\long\\f", FitsAt(12), "C:\\abc\\lo...", 2},
        {"four-character first directory", "C:\\abcd\\long\\f", FitsAt(13), "C:\\...\\long\\f", 2},
        {"then the next directory", "C:\\abcd\\long\\f", FitsAt(12), "C:\\...\\f", 3},
        {"no backslash", "filename.txt", FitsAt(11), "filename...", 2},
        {"two leading backslashes", "\\\\server\\share\\file.txt", FitsAt(20),
         "\\\\server\\share\\fi...", 4},
        {"dot directory is skipped like ...", "C:\\.git\\objects\\x", FitsAt(12), "C:\\...\\x", 2},
        // The first line and its break stay; only the path line is fitted.
        {"first line kept", "Copying file:\r\nC:\\Program Files\\App\\x.dll", FitsAt(14),
         "Copying file:\r\nC:\\...\\x.dll", 3},
        {"first line wider than the control", "A very long first line here\nC:\\abcd\\x",
         FitsAt(8), "A very long first line here\nC:\\...\\x", 2},
        // A text ending in a line break is one path line, break included.
        {"ends in a line break", "Copying file:\r\n", FitsAt(14), "Copying fil...", 2},
        // Exact boundary: exactly as wide is shortened, one pixel narrower is not.
        {"exactly as wide", "C:\\abcd\\x", 9 * kCharWidth, "C:\\...\\x", 2},
        {"one pixel narrower", "C:\\abcd\\x", 9 * kCharWidth + 1, "C:\\abcd\\x", 1},
        // Nothing left to cut: the rounds stop at "..." or leave a short line.
        {"width zero", longPath, 0, "...", 0},
        {"negative width", "Copying file:\nC:\\abcd\\x", -100, "Copying file:\n...", 0},
        {"one character, too wide", "Copying:\nx", 1, "Copying:\nx", 1},
        {"three characters, too wide", "C:\\", 10, "C:\\", 1},
        {"four characters, too wide", "abcd", 10, "...", 2},
        {"empty text", "", 0, "", 1},
    };
    for (const FitCase& c : cases) {
        int measures = 0;
        EXPECT_EQ(c.expected, Fit(c.text, c.width, &measures)) << c.name;
        if (c.measures)
            EXPECT_EQ(c.measures, measures) << c.name;
        else
            EXPECT_LE(measures, 256) << c.name;
    }
}

TEST(FitPathLine, PathLongerThanTheWorkBufferIsCutTo255First)
{
    const std::string dir(200, 'd');
    const std::string file(55, 'f');
    const std::string path = "C:\\" + dir + "\\" + file; // 259 characters
    ASSERT_EQ(259u, path.size());

    // Fits: left whole.
    EXPECT_EQ(path, Fit(path, FitsAt(259)));
    // One round: the directory goes, and the file name has lost its last 4 characters.
    int measures = 0;
    EXPECT_EQ("C:\\...\\" + file.substr(0, 51), Fit(path, FitsAt(58), &measures));
    EXPECT_EQ(2, measures);

    // Behind a first line, in a larger buffer.
    const std::string first = "Copying file:\r\n";
    EXPECT_EQ(first + "C:\\...\\" + file.substr(0, 51), Fit(first + path, FitsAt(58), nullptr, 300));
    // A path without backslash is cut from its 255-character copy.
    const std::string flat(259, 'a');
    EXPECT_EQ(std::string(251, 'a') + "...", Fit(flat, FitsAt(254)));
}

TEST(FitPathLine, NullArgumentsAndUnterminatedText)
{
    FitPathLine(nullptr, 260, 10, MeasureFixed, nullptr);

    char text[] = "C:\\abcd\\x";
    FitPathLine(text, sizeof text, 6, nullptr, nullptr);
    EXPECT_STREQ("C:\\abcd\\x", text);
    FitPathLine(text, 0, 6, MeasureFixed, nullptr);
    EXPECT_STREQ("C:\\abcd\\x", text);

    // Not terminated within textSize: the last character becomes the terminator.
    char raw[8];
    std::memcpy(raw, "abcdefgh", 8);
    FixedFont font;
    FitPathLine(raw, sizeof raw, FitsAt(7), MeasureFixed, &font);
    EXPECT_STREQ("abcdefg", raw);
}

} // namespace

// The table measure sums advance widths; fitting with it gives what a
// measure that asks for every string gives.
TEST(MeasureWithTable, SumsAdvancesAndFitsAsTheDirectMeasure)
{
    CharWidthTable table;
    for (int c = 0; c < 256; ++c)
        table.widths[c] = 3 + c % 5;
    const char s[] = "C:\\Program Files\\\xe9t\xe9";
    int expected = 0;
    for (const char* p = s; *p; ++p)
        expected += 3 + static_cast<unsigned char>(*p) % 5;
    EXPECT_EQ(MeasureWithTable(&table, s, sizeof s - 1), expected);
    EXPECT_EQ(MeasureWithTable(&table, s, 0), 0);

    struct Direct {
        static int Measure(void* ctx, const char* t, int len)
        {
            int w = 0;
            for (int i = 0; i < len; ++i)
                w += static_cast<const CharWidthTable*>(ctx)->widths[static_cast<unsigned char>(t[i])];
            return w;
        }
    };
    for (int width : {1, 40, 90, 150, 400}) {
        char a[260] = "Copying file:\r\nC:\\Program Files\\Vendor\\App\\bin\\file.dll";
        char b[260];
        memcpy(b, a, sizeof a);
        FitPathLine(a, sizeof a, width, MeasureWithTable, &table);
        FitPathLine(b, sizeof b, width, Direct::Measure, &table);
        EXPECT_STREQ(a, b) << width;
    }
}
