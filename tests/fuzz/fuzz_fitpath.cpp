// Fuzzes the status text fitting: fuzzed text in a 260-character buffer, a
// fuzzed control width and a font whose character widths come from the input.
//
// Input: 4 bytes width, 16 bytes of character widths (a character's width is
// entry c % 16), then the text (a zero byte ends it; at most 259 are kept,
// and a longer input fills the buffer right up to its last character).
#include "host/fitpath_logic.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

#define CHECK(cond)                                                      \
    do {                                                                 \
        if (!(cond)) {                                                   \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                \
        }                                                                \
    } while (0)

const size_t kTextSize = 260;

struct Font {
    uint8_t widths[16];
    int calls;
};

int Measure(void* ctx, const char* s, int len)
{
    Font* font = static_cast<Font*>(ctx);
    font->calls++;
    CHECK(len >= 0 && len < (int)kTextSize);
    int w = 0;
    for (int i = 0; i < len; i++)
        w += font->widths[(uint8_t)s[i] % 16];
    return w;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 20)
        return 0;
    int32_t width;
    std::memcpy(&width, data, 4);
    // Mostly widths near the text's own, now and then anything at all.
    if (!(width & 0x40000000))
        width = (int32_t)((uint32_t)width % 2048) - 16;
    Font font;
    std::memcpy(font.widths, data + 4, 16);
    font.calls = 0;
    data += 20;
    size -= 20;

    // Exactly 260 characters on the heap, so ASan sees any overrun.
    char* text = static_cast<char*>(std::malloc(kTextSize));
    size_t n = size < kTextSize - 1 ? size : kTextSize - 1;
    std::memcpy(text, data, n);
    text[n] = '\0';
    size_t len = std::strlen(text);

    char before[kTextSize];
    std::memcpy(before, text, kTextSize);
    size_t start = FindPathLine(text);
    CHECK(start <= len);
    const char* oldPath = before + start;
    size_t oldPathLen = len - start;

    FitPathLine(text, kTextSize, width, Measure, &font);

    // Terminated within the buffer, no longer than before, first line kept.
    CHECK(std::memchr(text, '\0', kTextSize) != nullptr);
    size_t newLen = std::strlen(text);
    CHECK(newLen <= len);
    CHECK(newLen >= start);
    CHECK(std::memcmp(text, before, start) == 0);

    // One measure, then one per round; every round shortens the line.
    CHECK(font.calls >= 1 && font.calls <= 1 + 255);

    const char* path = text + start;
    size_t pathLen = newLen - start;
    int before_w = Measure(&font, oldPath, (int)oldPathLen);
    if (before_w < width) {
        CHECK(std::memcmp(text, before, kTextSize) == 0); // fits: untouched
    } else {
        // Fitted, or the documented stop: "..." once cut down to it, or a
        // path line of one to three characters left as it was.
        bool fits = Measure(&font, path, (int)pathLen) < width;
        bool dots = pathLen == 3 && std::memcmp(path, "...", 3) == 0;
        bool shortKept = oldPathLen < 4 && pathLen == oldPathLen &&
                         std::memcmp(path, oldPath, pathLen) == 0;
        CHECK(fits || dots || shortKept);
        CHECK(pathLen <= 255);
    }

    std::free(text);
    return 0;
}
