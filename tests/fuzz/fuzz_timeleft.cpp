// Fuzzes the time-left chain: estimate and shown value from fuzzed numbers,
// the template parser on fuzzed text, and the formatter both on the parsed
// format and on the raw fuzzed text as a format.
//
// Input: 4 bytes elapsed ms, 4 bytes overall, 4 bytes last shown value,
// 1 byte step, 4 bytes minutes, 4 bytes seconds, 1 byte output size, then
// the text (cut at its first zero byte).
#include "host/timeleft_logic.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

#define CHECK(cond)                                                      \
    do {                                                                 \
        if (!(cond)) {                                                   \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                \
        }                                                                \
    } while (0)

uint32_t Take32(const uint8_t** data, size_t* size)
{
    uint32_t v = 0;
    for (int i = 0; i < 4 && *size > 0; i++, (*data)++, (*size)--)
        v |= (uint32_t)**data << (8 * i);
    return v;
}

uint8_t Take8(const uint8_t** data, size_t* size)
{
    if (*size == 0)
        return 0;
    (*size)--;
    return *(*data)++;
}

bool TerminatedWithin(const char* s, size_t size)
{
    return std::memchr(s, '\0', size) != nullptr;
}

// The conversions of a format FormatTimeLine accepted, checked to be ones on
// which the C library agrees with it: no size prefix, no %c, "0" only on
// integers, "#" only on hex, widths and precisions small.
bool AgreesWithC(const char* f)
{
    for (; *f; f++) {
        if (*f != '%')
            continue;
        f++;
        if (*f == '%')
            continue;
        bool zero = false, alt = false;
        for (; *f == '-' || *f == '0' || *f == '#'; f++) {
            zero |= *f == '0';
            alt |= *f == '#';
        }
        long width = std::strtol(f, nullptr, 10);
        while (*f >= '0' && *f <= '9')
            f++;
        long precision = 0;
        if (*f == '.') {
            precision = std::strtol(++f, nullptr, 10);
            while (*f >= '0' && *f <= '9')
                f++;
        }
        if (width > 1000 || precision > 1000 || *f == 'h' || *f == 'l' || *f == 'c')
            return false;
        if ((zero && *f == 's') || (alt && *f != 'x' && *f != 'X'))
            return false;
    }
    return true;
}

void CheckFormat(const char* format, int minutes, const char* mw, int seconds, const char* sw,
                 size_t outSize)
{
    // Reference: a roomy buffer. Then the same line in a buffer of exactly
    // outSize characters must be its prefix.
    static char full[4096];
    bool ok = FormatTimeLine(full, sizeof full, format, minutes, mw, seconds, sw);
    CHECK(TerminatedWithin(full, sizeof full));
    if (!ok)
        CHECK(full[0] == '\0');

    std::vector<char> out(outSize ? outSize : 1, 'Z');
    bool okSmall = FormatTimeLine(outSize ? out.data() : nullptr, outSize, format, minutes, mw,
                                  seconds, sw);
    if (outSize == 0) {
        CHECK(!okSmall);
        return;
    }
    CHECK(okSmall == ok);
    CHECK(TerminatedWithin(out.data(), outSize));
    size_t len = std::strlen(out.data());
    CHECK(len <= outSize - 1);
    CHECK(std::strncmp(out.data(), full, len) == 0);
    if (std::strlen(full) >= outSize)
        CHECK(len == outSize - 1);

    if (ok && AgreesWithC(format)) {
        static char ref[4096];
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wformat-nonliteral"
        // Safe here: the format was just checked to take int, string, int, string.
        std::snprintf(ref, sizeof ref, format, minutes, mw ? mw : "", seconds, sw ? sw : "");
#pragma clang diagnostic pop
        if (std::strcmp(ref, full) != 0) {
            std::fprintf(stderr, "format \"%s\": got \"%s\", C gives \"%s\"\n", format, full, ref);
            std::abort();
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    uint32_t elapsed = Take32(&data, &size);
    int overall = (int)Take32(&data, &size);
    int lastShown = (int)Take32(&data, &size);
    int stepIn = (int)(int8_t)Take8(&data, &size);
    int minutes = (int)Take32(&data, &size);
    int seconds = (int)Take32(&data, &size);
    size_t outSize = Take8(&data, &size);
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.c_str(); // up to the first zero byte

    // Estimate and shown value.
    uint32_t s = EstimateSecondsLeft(elapsed, overall);
    if (overall >= 1000)
        CHECK(s == 0);
    int step = stepIn;
    int first = NextShownSeconds(s, -1, &step);
    CHECK(step == 1 || step == 2 || step == 5 || step == 10);
    CHECK((uint32_t)first % (uint32_t)step == 0);
    if (s <= 1000000u)
        CHECK((uint32_t)first + (uint32_t)step > s && (uint32_t)first <= s + 4u);
    if (lastShown != -1) {
        step = stepIn;
        int later = NextShownSeconds(s, lastShown, &step);
        CHECK(step == stepIn);
        int used = stepIn >= 1 ? stepIn : 1;
        if (s <= 1000000u && lastShown >= 0 && lastShown <= 1000000) {
            int64_t lo = lastShown < (int64_t)s ? lastShown : (int64_t)s;
            int64_t hi = lastShown < (int64_t)s ? (int64_t)s : lastShown;
            CHECK(later >= lo && later <= hi);            // moves toward s
            CHECK((int64_t)s - later < used && later - (int64_t)s < used); // within a step
            CHECK((later - lastShown) % used == 0);       // in whole steps
        }
    }

    // Template parse into exact-size arrays.
    char format[TIME_FORMAT_SIZE];
    char minuteWord[2][TIME_WORD_SIZE];
    char secondWord[2][TIME_WORD_SIZE];
    std::memset(format, 'Z', sizeof format);
    std::memset(minuteWord, 'Z', sizeof minuteWord);
    std::memset(secondWord, 'Z', sizeof secondWord);
    ParseTimeTemplate(text.c_str(), format, minuteWord, secondWord);
    CHECK(TerminatedWithin(format, sizeof format));
    for (int i = 0; i < 2; i++) {
        CHECK(TerminatedWithin(minuteWord[i], TIME_WORD_SIZE));
        CHECK(TerminatedWithin(secondWord[i], TIME_WORD_SIZE));
    }
    if (text.find('[') == std::string::npos && text.size() < TIME_FORMAT_SIZE)
        CHECK(text == format);

    // The parsed format, through both entry points.
    std::vector<char> line(TIME_LINE_SIZE, 'Z');
    bool ok = FormatTimeLeft(line.data(), line.size(), format, minuteWord, secondWord, first);
    CHECK(TerminatedWithin(line.data(), line.size()));
    if (!ok)
        CHECK(line[0] == '\0');
    CheckFormat(format, minutes, minuteWord[0], seconds, secondWord[1], outSize);

    // The raw text as a format, with words that may be null.
    CheckFormat(text.c_str(), minutes, (minutes & 1) ? nullptr : "word", seconds,
                (seconds & 1) ? nullptr : text.c_str(), outSize);
    return 0;
}
