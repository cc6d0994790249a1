// Placement, variable lookup, captions and layout arithmetic.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dialog/layout_logic.h"
#include "host/spine_logic.h"

TEST(CopyBounded, CutsAndTerminates)
{
    char buf[8];
    memset(buf, 'x', sizeof buf);
    CopyBounded(buf, 5, "abcdefgh");
    EXPECT_STREQ(buf, "abcd");
    EXPECT_EQ(buf[5], 'x');  // nothing written past the capacity
    CopyBounded(buf, sizeof buf, nullptr);
    EXPECT_STREQ(buf, "");
    CopyBounded(buf, 1, "abc");
    EXPECT_STREQ(buf, "");
}

TEST(ComputePlacement, GridOverHostClientArea)
{
    struct Case {
        int code, x, y;
    };
    // A 400 x 300 dialog over an 800 x 600 client area.
    const Case cases[] = {
        {4, 200, 150},  // centred
        {8, 400, 300},  // three quarters across and down, pulled back inside
        {0, 0, 0},      // one quarter: 200 - 200, 150 - 150
        {15, 0, 300},   // row five quarters down is pulled back from 750
        {20, 200, 150}, // only the low four bits count
        {9, 0, 300},
        {-12, 200, 150}, // -12 & 15 == 4
    };
    for (const Case& c : cases) {
        int x = -1, y = -1;
        ComputePlacement(400, 300, 800, 600, c.code, &x, &y);
        EXPECT_EQ(x, c.x) << "code " << c.code;
        EXPECT_EQ(y, c.y) << "code " << c.code;
    }
}

TEST(ComputePlacement, DialogLargerThanClientSticksToCorner)
{
    int x, y;
    ComputePlacement(900, 700, 800, 600, 8, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    ComputePlacement(10, 10, 0, 0, 4, &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    ComputePlacement(10, 10, 2000000000, 2000000000, 8, &x, &y);  // no overflow
    EXPECT_EQ(x, 1500000000 - 5);
    EXPECT_EQ(y, 1500000000 - 5);
}

// A variable table laid out in raw memory the way a host lays it out.
struct RawTable {
    unsigned nameStride, valueStride;
    std::vector<char> names, values;
    RawTable(unsigned ns, unsigned vs, const std::vector<std::pair<std::string, std::string>>& vars)
        : nameStride(ns), valueStride(vs), names(vars.size() * ns + 1), values(vars.size() * vs + 1)
    {
        for (size_t i = 0; i < vars.size(); ++i) {
            memcpy(&names[i * ns], vars[i].first.c_str(), vars[i].first.size() + 1);
            memcpy(&values[i * vs], vars[i].second.c_str(), vars[i].second.size() + 1);
        }
    }
    std::string Lookup(const char* name, unsigned count, size_t outSize = 260)
    {
        std::vector<char> out(outSize + 1, '#');
        LookupVariable(names.data(), nameStride, values.data(), valueStride, count, name, out.data(), outSize);
        EXPECT_EQ(out[outSize], '#') << "wrote past the buffer";
        return out.data();
    }
};

TEST(LookupVariable, TableCases)
{
    RawTable t(16, 40, {{"%SRCDIR%", "C:\\src"}, {"%APPTITLE%", "First"}, {"%APPTITLE%", "Second"},
                        {"%apptitle%", "lower"}, {"%EMPTY%", ""}});
    EXPECT_EQ(t.Lookup("APPTITLE", 5), "First");        // lower index wins
    EXPECT_EQ(t.Lookup("apptitle", 5), "lower");        // case-sensitive
    EXPECT_EQ(t.Lookup("SRCDIR", 5), "C:\\src");
    EXPECT_EQ(t.Lookup("EMPTY", 5), "");
    EXPECT_EQ(t.Lookup("MISSING", 5), "");
    EXPECT_EQ(t.Lookup("APPTITLE", 0), "");             // count 0
    EXPECT_EQ(t.Lookup("APPTITLE", 1), "");             // only SRCDIR is counted
    EXPECT_EQ(t.Lookup("%APPTITLE%", 5), "");           // bare names only
}

TEST(LookupVariable, OnlyLowSixteenBitsOfCountAndZeroStride)
{
    RawTable t(16, 40, {{"%A%", "one"}});
    EXPECT_EQ(t.Lookup("A", 0x10000), "");  // 16-bit count of 0
    // Stride 0: every entry is entry 0.
    char out[16];
    LookupVariable("%A%", 0, "one", 0, 3, "A", out, sizeof out);
    EXPECT_STREQ(out, "one");
}

TEST(LookupVariable, BoundsNamesAndValues)
{
    std::string longValue(300, 'v');
    std::string name29(29, 'N'), name30(30, 'N');
    RawTable t(64, 400, {{"%" + name29 + "%", "fits"}, {"%" + name30 + "%", "too long"}, {"%LONG%", longValue}});
    EXPECT_EQ(t.Lookup(name29.c_str(), 3), "fits");
    EXPECT_EQ(t.Lookup(name30.c_str(), 3), "");  // longer names match nothing
    EXPECT_EQ(t.Lookup("LONG", 3), std::string(259, 'v'));
    EXPECT_EQ(t.Lookup("LONG", 3, 10), std::string(9, 'v'));
}

TEST(LookupVariable, NullTablesGiveEmpty)
{
    char out[8] = "junk";
    LookupVariable(nullptr, 16, nullptr, 16, 4, "APPTITLE", out, sizeof out);
    EXPECT_STREQ(out, "");
    LookupVariable(nullptr, 16, nullptr, 16, 4, nullptr, out, sizeof out);
    EXPECT_STREQ(out, "");
}

TEST(FormatMinimisedCaption, PercentThenTitle)
{
    char out[260];
    FormatMinimisedCaption(out, sizeof out, 455, "My Setup");
    EXPECT_STREQ(out, "45% My Setup");
    FormatMinimisedCaption(out, sizeof out, 1000, "");
    EXPECT_STREQ(out, "100% ");
    FormatMinimisedCaption(out, sizeof out, -19, "x");
    EXPECT_STREQ(out, "-1% x");

    std::string title(255, 't');
    FormatMinimisedCaption(out, sizeof out, 1000, title.c_str());
    EXPECT_EQ(strlen(out), 259u);
    EXPECT_EQ(std::string(out, 5), "100% ");
    FormatMinimisedCaption(out, sizeof out, -2000000000, title.c_str());
    EXPECT_EQ(strlen(out), 259u);
}

TEST(WidenCoord, SixthOfTheDistanceFromZero)
{
    const int cases[][2] = {{120, 140}, {180, 210}, {0, 0}, {5, 5}, {6, 7}, {-6, -7}, {-5, -5}, {600, 700}};
    for (const auto& c : cases)
        EXPECT_EQ(WidenCoord(c[0]), c[1]) << c[0];
}

TEST(ComputeBarBlocks, WidthAndCount)
{
    struct Case {
        int w, h, blockWidth, blockCount;
    };
    const Case cases[] = {
        {380, 19, 11, 29},  // 379 / 13
        {380, 20, 12, 27},  // inner 18
        {380, 21, 12, 27},  // inner 18 too
        {380, 22, 12, 27},  // inner 19
        {13, 19, 11, 0},    // narrower than one block and its gap
        {14, 19, 11, 1},
        {0, 19, 0, 0},
        {380, 0, 0, 0},
        {-5, -5, 0, 0},
    };
    for (const Case& c : cases) {
        int bw = -1, bc = -1;
        ComputeBarBlocks(c.w, c.h, &bw, &bc);
        EXPECT_EQ(bw, c.blockWidth) << c.w << "x" << c.h;
        EXPECT_EQ(bc, c.blockCount) << c.w << "x" << c.h;
    }
}
